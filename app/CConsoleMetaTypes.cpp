#include "app/CConsoleMetaTypes.h"

#include "appmodel/CModelLayout.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CExchangeStatisticsMsg.h"

#include <QMetaType>

#include <string>

void CConsoleMetaTypes::Register()
{
    // The duplicate finder's entries and the Exchange model's operation type join this list
    // where they are defined, ahead of std::wstring and after CExchangeStatisticsMsg.
    qRegisterMetaType<std::wstring>("std::wstring");
    qRegisterMetaType<TId>("TId");
    qRegisterMetaType<TName>("TName");
    qRegisterMetaType<TString>("TString");
    qRegisterMetaType<CExchangeStatisticsMsg>("CExchangeStatisticsMsg");
    qRegisterMetaType<HRESULT>("HRESULT");
    qRegisterMetaType<LONGLONG>("LONGLONG");
    qRegisterMetaType<TStringList>("TStringList");
    qRegisterMetaType<CModelLayout::TFreeSpacePaneType>("CModelLayout::TFreeSpacePaneType");
    qRegisterMetaType<TBusyStatus>("TBusyStatus");
    qRegisterMetaType<CModelLayout::TADPaneType>("CModelLayout::TADPaneType");
}

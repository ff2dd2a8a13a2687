#include "engine/CEngineMetaTypes.h"

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CExchangeStatisticsMsg.h"

void CEngineMetaTypes::Register()
{
    qRegisterMetaType<std::wstring>("std::wstring");
    qRegisterMetaType<TId>("TId");
    qRegisterMetaType<TName>("TName");
    qRegisterMetaType<TString>("TString");
    qRegisterMetaType<TStringList>("TStringList");
    qRegisterMetaType<CExchangeStatisticsMsg>("CExchangeStatisticsMsg");
    qRegisterMetaType<HRESULT>("HRESULT");
    qRegisterMetaType<LONGLONG>("LONGLONG");
    qRegisterMetaType<TBusyStatus>("TBusyStatus");
}

#include "engine/CKVTempRecycleCleanInterface.h"

#include "TempRecycleCleanProxy.h"
#include "core/CWideText.h"

CKVTempRecycleCleanInterface::CKVTempRecycleCleanInterface(QObject* parent)
    : CTlStateBaseInterface(ServiceContract::TempRecycleClean, parent)
{}

CKVTempRecycleCleanInterface::~CKVTempRecycleCleanInterface()
{
    // Before the overrides go: the listener's thread may be calling them.
    CTlStateBaseInterface::Disconnect();
}

void CKVTempRecycleCleanInterface::OnState(quint32 state)
{
    switch (state) {
    case 10:
        emit Started();
        break;
    case 11:
        emit Stopped();
        break;
    case 12:
        emit Finished();
        break;
    default:
        break;
    }
}

void CKVTempRecycleCleanInterface::OnFailure(HRESULT hr)
{
    emit Failed(hr);
}

void CKVTempRecycleCleanInterface::OnPercentMessage(quint32 percent, const std::wstring& message)
{
    emit Progress(CWideText::ToQString(message), static_cast<int>(percent));
}

HRESULT CKVTempRecycleCleanInterface::GetDrives(TStringList* drives)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTempRecycleCleanProxy::GetDrives,
                              CServiceConnection::In(), drives);
}

HRESULT CKVTempRecycleCleanInterface::SetDrives(const TStringList& drives)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTempRecycleCleanProxy::SetDrives,
                              CServiceConnection::In(drives));
}

HRESULT CKVTempRecycleCleanInterface::GetOption(uint option, uint* value)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTempRecycleCleanProxy::GetOption,
                              CServiceConnection::In(option), value);
}

HRESULT CKVTempRecycleCleanInterface::SetOption(uint option, uint value)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTempRecycleCleanProxy::SetOption,
                              CServiceConnection::In(option, value));
}

HRESULT CKVTempRecycleCleanInterface::GetResults(TStringList* drives, QList<qulonglong>* freeBefore,
                                                 QList<qulonglong>* freeAfter,
                                                 QList<uint>* recycleFiles,
                                                 QList<qulonglong>* recycleBytes,
                                                 QList<uint>* tempFiles,
                                                 QList<qulonglong>* tempBytes)
{
    return Connection().Fetch(ServiceCall::Timeout::Long, &CTempRecycleCleanProxy::GetResults,
                              CServiceConnection::In(), drives, freeBefore, freeAfter, recycleFiles,
                              recycleBytes, tempFiles, tempBytes);
}

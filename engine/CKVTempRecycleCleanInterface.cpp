#include "engine/CKVTempRecycleCleanInterface.h"

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
    emit Progress(QString::fromStdWString(message), static_cast<int>(percent));
}

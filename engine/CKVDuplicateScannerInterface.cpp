#include "engine/CKVDuplicateScannerInterface.h"

CKVDuplicateScannerInterface::CKVDuplicateScannerInterface(QObject* parent)
    : CTlStateBaseInterface(ServiceContract::Tl2MD5Browser, parent)
{}

CKVDuplicateScannerInterface::~CKVDuplicateScannerInterface()
{
    // Before the overrides go: the listener's thread may be calling them.
    CTlStateBaseInterface::Disconnect();
}

void CKVDuplicateScannerInterface::OnProgress(const std::wstring& message, double percent)
{
    emit Progress(QString::fromStdWString(message), TruncatedPercent(percent));
}

void CKVDuplicateScannerInterface::OnState(quint32 state)
{
    switch (state) {
    case 1:
        emit Started();
        break;
    case 2:
        emit Stopped();
        break;
    case 3:
        emit Finished();
        break;
    default:
        break;
    }
}

void CKVDuplicateScannerInterface::OnFailure(HRESULT hr)
{
    emit Failed(hr);
}

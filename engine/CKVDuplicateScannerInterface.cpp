#include "engine/CKVDuplicateScannerInterface.h"

#include "Tl2MD5BrowserProxy.h"
#include "core/CWideText.h"

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
    emit Progress(CWideText::ToQString(message), TruncatedPercent(percent));
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

HRESULT CKVDuplicateScannerInterface::GetFlags(uint* flags)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTl2MD5BrowserProxy::GetFlags,
                              CServiceConnection::In(), flags);
}

HRESULT CKVDuplicateScannerInterface::SetFlags(uint flags)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTl2MD5BrowserProxy::SetFlags,
                              CServiceConnection::In(flags));
}

HRESULT CKVDuplicateScannerInterface::GetTextExtensions(TStringList* extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTl2MD5BrowserProxy::GetTextExtensions,
                              CServiceConnection::In(), extensions);
}

HRESULT CKVDuplicateScannerInterface::SetTextExtensions(const TStringList& extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTl2MD5BrowserProxy::SetTextExtensions,
                              CServiceConnection::In(extensions));
}

HRESULT CKVDuplicateScannerInterface::GetPictureExtensions(TStringList* extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetPictureExtensions, CServiceConnection::In(),
                              extensions);
}

HRESULT CKVDuplicateScannerInterface::SetPictureExtensions(const TStringList& extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetPictureExtensions,
                              CServiceConnection::In(extensions));
}

HRESULT CKVDuplicateScannerInterface::GetVideoExtensions(TStringList* extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetVideoExtensions, CServiceConnection::In(),
                              extensions);
}

HRESULT CKVDuplicateScannerInterface::SetVideoExtensions(const TStringList& extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetVideoExtensions,
                              CServiceConnection::In(extensions));
}

HRESULT CKVDuplicateScannerInterface::GetOtherExtensions(TStringList* extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetOtherExtensions, CServiceConnection::In(),
                              extensions);
}

HRESULT CKVDuplicateScannerInterface::SetOtherExtensions(const TStringList& extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetOtherExtensions,
                              CServiceConnection::In(extensions));
}

HRESULT CKVDuplicateScannerInterface::GetMusicExtensions(TStringList* extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetMusicExtensions, CServiceConnection::In(),
                              extensions);
}

HRESULT CKVDuplicateScannerInterface::SetMusicExtensions(const TStringList& extensions)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetMusicExtensions,
                              CServiceConnection::In(extensions));
}

HRESULT CKVDuplicateScannerInterface::SetVolumes(const TStringList& volumes)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal, &CTl2MD5BrowserProxy::SetVolumes,
                              CServiceConnection::In(volumes));
}

HRESULT CKVDuplicateScannerInterface::GetTargetDirectories(TStringList* directories)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetTargetDirectories, CServiceConnection::In(),
                              directories);
}

HRESULT CKVDuplicateScannerInterface::SetTargetDirectories(const TStringList& directories)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetTargetDirectories,
                              CServiceConnection::In(directories));
}

HRESULT CKVDuplicateScannerInterface::GetExcludedDirectories(TStringList* directories)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetExcludedDirectories,
                              CServiceConnection::In(), directories);
}

HRESULT CKVDuplicateScannerInterface::SetExcludedDirectories(const TStringList& directories)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetExcludedDirectories,
                              CServiceConnection::In(directories));
}

HRESULT CKVDuplicateScannerInterface::GetRecursiveExcludedDirectories(TStringList* directories)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::GetRecursiveExcludedDirectories,
                              CServiceConnection::In(), directories);
}

HRESULT
CKVDuplicateScannerInterface::SetRecursiveExcludedDirectories(const TStringList& directories)
{
    return Connection().Fetch(ServiceCall::Timeout::Normal,
                              &CTl2MD5BrowserProxy::SetRecursiveExcludedDirectories,
                              CServiceConnection::In(directories));
}

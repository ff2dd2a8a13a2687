#include "engine/CKV100FileOpInterface.h"

#include "engine/CEngineMetaTypes.h"

CKV100FileOpInterface::CKV100FileOpInterface(QObject* parent)
    : QObject(parent)
{
    CEngineMetaTypes::Register();
}

CKV100FileOpInterface::~CKV100FileOpInterface() = default;

HRESULT CKV100FileOpInterface::Connect(const TString& computer, const TString& user,
                                       const TString& password, const TString& domain)
{
    return m_impl.Connect(computer, user, password, domain);
}

void CKV100FileOpInterface::Disconnect()
{
    m_impl.Disconnect();
}

HRESULT CKV100FileOpInterface::GetFileInfo(const TString& path, bool* exists, uint* attributes,
                                           quint64* size, double* modified)
{
    return m_impl.Fetch(ServiceCall::Timeout::Normal, &CFileOpProxy::GetFileInfo,
                        CServiceConnection::In(path), exists, attributes, size, modified);
}

HRESULT CKV100FileOpInterface::CreateDirectory(const TString& directory)
{
    return m_impl.Fetch(ServiceCall::Timeout::Normal, &CFileOpProxy::CreateDirectory,
                        CServiceConnection::In(directory));
}

HRESULT CKV100FileOpInterface::DeleteFile(const TString& file)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileOpProxy::DeleteFile,
                        CServiceConnection::In(file));
}

HRESULT CKV100FileOpInterface::MoveFile(const TString& source, const TString& target)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileOpProxy::MoveFile,
                        CServiceConnection::In(source, target));
}

HRESULT CKV100FileOpInterface::ReadFile(const TString& file, quint64 offset, uint length,
                                        QByteArray* data)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileOpProxy::ReadFile,
                        CServiceConnection::In(file, offset, length), data);
}

#include "engine/CKV100FileBrowserInterface.h"

#include "engine/CEngineMetaTypes.h"

CKV100FileBrowserInterface::CKV100FileBrowserInterface(QObject* parent)
    : QObject(parent)
{
    CEngineMetaTypes::Register();
}

CKV100FileBrowserInterface::~CKV100FileBrowserInterface() = default;

HRESULT CKV100FileBrowserInterface::Connect(const TString& computer, const TString& user,
                                            const TString& password, const TString& domain)
{
    return m_impl.Connect(computer, user, password, domain);
}

void CKV100FileBrowserInterface::Disconnect()
{
    m_impl.Disconnect();
}

HRESULT CKV100FileBrowserInterface::GetDrives(TStringList* roots, QList<uint>* driveTypes)
{
    return m_impl.Fetch(ServiceCall::Timeout::Normal, &CFileBrowserExProxy::GetDrives,
                        CServiceConnection::In(), roots, driveTypes);
}

HRESULT CKV100FileBrowserInterface::ListDirectory(const TString& directory, TStringList* names,
                                                  QList<uint>* attributes, QList<qulonglong>* sizes,
                                                  QList<double>* modified)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileBrowserExProxy::ListDirectory,
                        CServiceConnection::In(directory), names, attributes, sizes, modified);
}

HRESULT CKV100FileBrowserInterface::FindFiles(const TString& directory, const TStringList& patterns,
                                              bool recursive, TStringList* files)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileBrowserExProxy::FindFiles,
                        CServiceConnection::In(directory, patterns, recursive), files);
}

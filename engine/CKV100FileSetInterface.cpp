#include "engine/CKV100FileSetInterface.h"

#include "engine/CEngineMetaTypes.h"

CKV100FileSetInterface::CKV100FileSetInterface(QObject* parent)
    : QObject(parent)
{
    CEngineMetaTypes::Register();
}

CKV100FileSetInterface::~CKV100FileSetInterface() = default;

HRESULT CKV100FileSetInterface::Connect(const TString& computer, const TString& user,
                                        const TString& password, const TString& domain)
{
    return m_impl.Connect(computer, user, password, domain);
}

void CKV100FileSetInterface::Disconnect()
{
    m_impl.Disconnect();
}

HRESULT CKV100FileSetInterface::FindFiles(const TString& directory, const TStringList& patterns,
                                          bool recursive, uint maxCount, TStringList* files,
                                          QList<qulonglong>* sizes, QList<double>* modified)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileSetProxy::FindFiles,
                        CServiceConnection::In(directory, patterns, recursive, maxCount), files,
                        sizes, modified);
}

HRESULT CKV100FileSetInterface::GetTotals(const TStringList& paths, quint64* bytes, uint* files,
                                          uint* folders)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileSetProxy::GetTotals,
                        CServiceConnection::In(paths), bytes, files, folders);
}

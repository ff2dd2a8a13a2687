#include "engine/CKV100SpaceReportsInterface.h"

#include "engine/CEngineMetaTypes.h"

CKV100SpaceReportsInterface::CKV100SpaceReportsInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
    m_impl.SetListener(&m_listener);
}

CKV100SpaceReportsInterface::~CKV100SpaceReportsInterface()
{
    // The listener's thread emits this object's signals: it must end before this object does.
    Disconnect();
}

HRESULT CKV100SpaceReportsInterface::Connect(const TString& computer, const TString& user,
                                             const TString& password, const TString& domain)
{
    return m_impl.Connect(computer, user, password, domain);
}

void CKV100SpaceReportsInterface::Disconnect()
{
    m_impl.Disconnect();
}

HRESULT CKV100SpaceReportsInterface::StartScan(const TStringList& directories, TString* setId)
{
    return m_impl.Fetch(ServiceCall::Timeout::Normal, &CFileSpaceReportsProxy::StartScan,
                        CServiceConnection::In(directories), setId);
}

HRESULT CKV100SpaceReportsInterface::StopScan(const TString& setId)
{
    return m_impl.Fetch(ServiceCall::Timeout::Normal, &CFileSpaceReportsProxy::StopScan,
                        CServiceConnection::In(setId));
}

HRESULT CKV100SpaceReportsInterface::GetLargestFolders(const TString& setId, uint maxCount,
                                                       TStringList* folders,
                                                       QList<qulonglong>* bytes, QList<uint>* files)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileSpaceReportsProxy::GetLargestFolders,
                        CServiceConnection::In(setId, maxCount), folders, bytes, files);
}

HRESULT CKV100SpaceReportsInterface::GetLargestFiles(const TString& setId, uint maxCount,
                                                     TStringList* files, QList<qulonglong>* bytes,
                                                     QList<double>* modified)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileSpaceReportsProxy::GetLargestFiles,
                        CServiceConnection::In(setId, maxCount), files, bytes, modified);
}

HRESULT CKV100SpaceReportsInterface::GetFileTypeTotals(const TString& setId,
                                                       TStringList* extensions,
                                                       QList<qulonglong>* bytes, QList<uint>* files)
{
    return m_impl.Fetch(ServiceCall::Timeout::Long, &CFileSpaceReportsProxy::GetFileTypeTotals,
                        CServiceConnection::In(setId), extensions, bytes, files);
}

HRESULT CKV100SpaceReportsInterface::ReleaseScan(const TString& setId)
{
    return m_impl.Fetch(ServiceCall::Timeout::Normal, &CFileSpaceReportsProxy::ReleaseScan,
                        CServiceConnection::In(setId));
}

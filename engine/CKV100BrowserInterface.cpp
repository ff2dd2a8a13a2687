#include "engine/CKV100BrowserInterface.h"

#include "AgentFilterProxy.h"

CKV100BrowserInterface::CKV100BrowserInterface(CKV100AgentInterface* agent)
    : m_agent(agent)
{}

HRESULT CKV100BrowserInterface::GetDrives(TStringList* roots, TStringList* volumes,
                                          QList<uint>* driveTypes, QList<qulonglong>* totalBytes,
                                          QList<qulonglong>* freeBytes)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetFilterObject,
                                         ServiceCall::Timeout::Normal,
                                         &CAgentFilterProxy::GetDrives, CServiceConnection::In(),
                                         roots, volumes, driveTypes, totalBytes, freeBytes)
               : E_FAIL;
}

HRESULT CKV100BrowserInterface::ListDirectory(const TString& directory, TStringList* names,
                                              QList<uint>* attributes, QList<qulonglong>* sizes,
                                              QList<double>* modified)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetFilterObject, ServiceCall::Timeout::Long,
                                         &CAgentFilterProxy::ListDirectory,
                                         CServiceConnection::In(directory), names, attributes,
                                         sizes, modified)
               : E_FAIL;
}

HRESULT CKV100BrowserInterface::GetDuplicateExclusions(TStringList* folders,
                                                       QList<bool>* subfolders)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetFilterObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentFilterProxy::GetDuplicateExclusions,
                                             CServiceConnection::In(), folders, subfolders)
                   : E_FAIL;
}

HRESULT CKV100BrowserInterface::SetDuplicateExclusions(const TStringList& folders,
                                                       const QList<bool>& subfolders)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetFilterObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentFilterProxy::SetDuplicateExclusions,
                                             CServiceConnection::In(folders, subfolders))
                   : E_FAIL;
}

HRESULT CKV100BrowserInterface::GetDefaultDuplicateExclusions(TStringList* folders,
                                                              QList<bool>* subfolders)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetFilterObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentFilterProxy::GetDefaultDuplicateExclusions,
                                             CServiceConnection::In(), folders, subfolders)
                   : E_FAIL;
}

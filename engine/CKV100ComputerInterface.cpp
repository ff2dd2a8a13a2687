#include "engine/CKV100ComputerInterface.h"

#include "AgentFeatureProxy.h"
#include "AgentStatisticsProxy.h"

CKV100ComputerInterface::CKV100ComputerInterface(CKV100AgentInterface* agent)
    : m_agent(agent)
{}

HRESULT CKV100ComputerInterface::GetHistory(const TId& volume, DBusContract::TPropertyBag* bag)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetStatisticsObject, ServiceCall::Timeout::Long,
                         &CAgentStatisticsProxy::GetHistory, CServiceConnection::In(volume), bag)
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::GetGeneration(uint* generation)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetStatisticsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentStatisticsProxy::GetGeneration,
                                             CServiceConnection::In(), generation)
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::GetVirtualGuest(bool* isGuest, TString* hostName)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetStatisticsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentStatisticsProxy::GetVirtualGuest,
                                             CServiceConnection::In(), isGuest, hostName)
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::GetEdition(uint* edition)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetStatisticsObject, ServiceCall::Timeout::Normal,
                         &CAgentStatisticsProxy::GetEdition, CServiceConnection::In(), edition)
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::GetQuietWatchThresholds(bool* automatic, uint* kernelCpu,
                                                         uint* userCpu, uint* diskIo,
                                                         uint* hostKernelCpu, uint* hostUserCpu,
                                                         uint* hostDiskIo)
{
    return m_agent
               ? m_agent->SubObjectFetch(
                     &CAgentProxy::GetFeatureObject, ServiceCall::Timeout::Normal,
                     &CAgentFeatureProxy::GetQuietWatchThresholds, CServiceConnection::In(),
                     automatic, kernelCpu, userCpu, diskIo, hostKernelCpu, hostUserCpu, hostDiskIo)
               : E_FAIL;
}

HRESULT CKV100ComputerInterface::SetQuietWatchThresholds(bool automatic, uint kernelCpu,
                                                         uint userCpu, uint diskIo,
                                                         uint hostKernelCpu, uint hostUserCpu,
                                                         uint hostDiskIo)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetFeatureObject, ServiceCall::Timeout::Normal,
                         &CAgentFeatureProxy::SetQuietWatchThresholds,
                         CServiceConnection::In(automatic, kernelCpu, userCpu, diskIo,
                                                hostKernelCpu, hostUserCpu, hostDiskIo))
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::GetVirtualEnvironment(uint* computerKind, TString* host,
                                                       TString* userName, TString* password)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetFeatureObject, ServiceCall::Timeout::Normal,
                         &CAgentFeatureProxy::GetVirtualEnvironment, CServiceConnection::In(),
                         computerKind, host, userName, password)
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::SetVirtualEnvironment(uint computerKind, const TString& host,
                                                       const TString& userName,
                                                       const TString& password)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetFeatureObject, ServiceCall::Timeout::Normal,
                         &CAgentFeatureProxy::SetVirtualEnvironment,
                         CServiceConnection::In(computerKind, host, userName, password))
                   : E_FAIL;
}

HRESULT CKV100ComputerInterface::TestVirtualHost(const TString& host, const TString& userName,
                                                 const TString& password)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetFeatureObject, ServiceCall::Timeout::Long,
                                         &CAgentFeatureProxy::TestVirtualHost,
                                         CServiceConnection::In(host, userName, password))
               : E_FAIL;
}

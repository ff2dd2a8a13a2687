#include "engine/CKV100ConfigurationInterface.h"

#include "AgentSettingsProxy.h"

CKV100ConfigurationInterface::CKV100ConfigurationInterface(CKV100AgentInterface* agent)
    : m_agent(agent)
{}

HRESULT CKV100ConfigurationInterface::GetGeneral(uint* bootFileLayout)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetGeneral, CServiceConnection::In(), bootFileLayout)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetGeneral(uint bootFileLayout)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetGeneral, CServiceConnection::In(bootFileLayout))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetAutoUpdate(uint* installOption)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetAutoUpdate,
                                             CServiceConnection::In(), installOption)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetAutoUpdate(uint installOption)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetAutoUpdate, CServiceConnection::In(installOption))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetUpdateServer(TString* server, TString* urlPath)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetUpdateServer,
                                             CServiceConnection::In(), server, urlPath)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetUpdateServer(const TString& server, const TString& urlPath)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetUpdateServer,
                                             CServiceConnection::In(server, urlPath))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetProxyUserName(TString* userName)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetProxyUserName, CServiceConnection::In(), userName)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetProxyUserName(const TString& userName)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetProxyUserName, CServiceConnection::In(userName))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetProxyPassword(TString* password)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetProxyPassword, CServiceConnection::In(), password)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetProxyPassword(const TString& password)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetProxyPassword, CServiceConnection::In(password))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetCadence(uint* missedSchedules, bool* wakeFromStandby)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                         ServiceCall::Timeout::Normal,
                                         &CAgentSettingsProxy::GetCadence, CServiceConnection::In(),
                                         missedSchedules, wakeFromStandby)
               : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetCadence(uint missedSchedules, bool wakeFromStandby)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                         ServiceCall::Timeout::Normal,
                                         &CAgentSettingsProxy::SetCadence,
                                         CServiceConnection::In(missedSchedules, wakeFromStandby))
               : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetPower(bool* stopOnBattery, bool* noStartOnBattery)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                         ServiceCall::Timeout::Normal,
                                         &CAgentSettingsProxy::GetPower, CServiceConnection::In(),
                                         stopOnBattery, noStartOnBattery)
               : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetPower(bool stopOnBattery, bool noStartOnBattery)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                         ServiceCall::Timeout::Normal,
                                         &CAgentSettingsProxy::SetPower,
                                         CServiceConnection::In(stopOnBattery, noStartOnBattery))
               : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetCpuPriority(uint* priority)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetCpuPriority, CServiceConnection::In(), priority)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetCpuPriority(uint priority)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetCpuPriority, CServiceConnection::In(priority))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetIoThrottling(bool* enabled)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetIoThrottling, CServiceConnection::In(), enabled)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetIoThrottling(bool enabled)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetIoThrottling, CServiceConnection::In(enabled))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetFileTypes(TStringList* text, TStringList* pictures,
                                                   TStringList* video, TStringList* programs,
                                                   TStringList* music, TStringList* temporary,
                                                   TStringList* userDefined)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetFileTypes, CServiceConnection::In(), text,
                         pictures, video, programs, music, temporary, userDefined)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetDefaultFileTypes(TStringList* text, TStringList* pictures,
                                                          TStringList* video, TStringList* programs,
                                                          TStringList* music,
                                                          TStringList* temporary,
                                                          TStringList* userDefined)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetDefaultFileTypes, CServiceConnection::In(), text,
                         pictures, video, programs, music, temporary, userDefined)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetCustomFileTypes(TStringList* text, TStringList* pictures,
                                                         TStringList* video, TStringList* programs,
                                                         TStringList* music, TStringList* temporary,
                                                         TStringList* userDefined)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetCustomFileTypes, CServiceConnection::In(), text,
                         pictures, video, programs, music, temporary, userDefined)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetCustomFileTypes(
    const TStringList& text, const TStringList& pictures, const TStringList& video,
    const TStringList& programs, const TStringList& music, const TStringList& temporary,
    const TStringList& userDefined)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetCustomFileTypes,
                                             CServiceConnection::In(text, pictures, video, programs,
                                                                    music, temporary, userDefined))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetAllowExternalDrives(bool* allowed)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetAllowExternalDrives,
                                             CServiceConnection::In(), allowed)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetAllowExternalDrives(bool allowed)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetAllowExternalDrives,
                                             CServiceConnection::In(allowed))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetAllowFlashDrives(bool* allowed)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetAllowFlashDrives,
                                             CServiceConnection::In(), allowed)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetAllowFlashDrives(bool allowed)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetAllowFlashDrives, CServiceConnection::In(allowed))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetExchangeUserName(TString* userName)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetExchangeUserName,
                                             CServiceConnection::In(), userName)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetExchangeUserName(const TString& userName)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetExchangeUserName,
                                             CServiceConnection::In(userName))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetExchangePassword(TString* password)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetExchangePassword,
                                             CServiceConnection::In(), password)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetExchangePassword(const TString& password)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetExchangePassword,
                                             CServiceConnection::In(password))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetExchangeServerName(TString* serverName)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetExchangeServerName,
                                             CServiceConnection::In(), serverName)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetExchangeServerName(const TString& serverName)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetExchangeServerName,
                                             CServiceConnection::In(serverName))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetExchangeNotifyEmail(TString* smtpServer, TString* sender,
                                                             TString* recipient)
{
    return m_agent
               ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                         ServiceCall::Timeout::Normal,
                                         &CAgentSettingsProxy::GetExchangeNotifyEmail,
                                         CServiceConnection::In(), smtpServer, sender, recipient)
               : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetExchangeNotifyEmail(const TString& smtpServer,
                                                             const TString& sender,
                                                             const TString& recipient)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetExchangeNotifyEmail,
                                             CServiceConnection::In(smtpServer, sender, recipient))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetVssMode(uint* mode)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetVssMode, CServiceConnection::In(), mode)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetVssMode(uint mode)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetVssMode, CServiceConnection::In(mode))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetVssThreshold(uint* percent)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetVssThreshold, CServiceConnection::In(), percent)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetVssThreshold(uint percent)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetVssThreshold, CServiceConnection::In(percent))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetAllowSsdDrives(bool* allowed)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::GetAllowSsdDrives, CServiceConnection::In(), allowed)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetAllowSsdDrives(bool allowed)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Normal,
                         &CAgentSettingsProxy::SetAllowSsdDrives, CServiceConnection::In(allowed))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::GetExcludeHibernationFile(bool* excluded)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::GetExcludeHibernationFile,
                                             CServiceConnection::In(), excluded)
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SetExcludeHibernationFile(bool excluded)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Normal,
                                             &CAgentSettingsProxy::SetExcludeHibernationFile,
                                             CServiceConnection::In(excluded))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::SendTestEmail(const TString& smtpServer,
                                                    const TString& sender, const TString& recipient,
                                                    const TString& subject, const TString& body)
{
    return m_agent ? m_agent->SubObjectFetch(
                         &CAgentProxy::GetSettingsObject, ServiceCall::Timeout::Long,
                         &CAgentSettingsProxy::SendTestEmail,
                         CServiceConnection::In(smtpServer, sender, recipient, subject, body))
                   : E_FAIL;
}

HRESULT CKV100ConfigurationInterface::TestExchangeServerName(const TString& serverName, bool* valid)
{
    return m_agent ? m_agent->SubObjectFetch(&CAgentProxy::GetSettingsObject,
                                             ServiceCall::Timeout::Long,
                                             &CAgentSettingsProxy::TestExchangeServerName,
                                             CServiceConnection::In(serverName), valid)
                   : E_FAIL;
}

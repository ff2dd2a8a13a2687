#include "refengine/CAgentSettingsService.h"

#include "core/HResult.h"
#include "refengine/CAgentSettingsStore.h"

namespace {

using TAgentSettings = CAgentSettingsStore::TSettings;
using TAgentFileTypes = CAgentSettingsStore::TFileTypes;

void CAgentSettingsServiceOut(const TAgentFileTypes& types, QStringList& text,
                              QStringList& pictures, QStringList& video, QStringList& programs,
                              QStringList& music, QStringList& temporary, QStringList& userDefined)
{
    text = types.text;
    pictures = types.pictures;
    video = types.video;
    programs = types.programs;
    music = types.music;
    temporary = types.temporary;
    userDefined = types.userDefined;
}

} // namespace

CAgentSettingsService::CAgentSettingsService(CAgentSettingsStore& store, QObject* parent)
    : CAgentSettingsServiceBase(parent)
    , m_store(store)
{}

int CAgentSettingsService::GetGeneral(uint& bootFileLayout)
{
    bootFileLayout = m_store.Settings().bootFileLayout;
    return S_OK;
}

int CAgentSettingsService::SetGeneral(uint bootFileLayout)
{
    return m_store.Update([&](TAgentSettings& s) { s.bootFileLayout = bootFileLayout; });
}

int CAgentSettingsService::GetAutoUpdate(uint& installOption)
{
    installOption = m_store.Settings().autoUpdateInstall;
    return S_OK;
}

int CAgentSettingsService::SetAutoUpdate(uint installOption)
{
    return m_store.Update([&](TAgentSettings& s) { s.autoUpdateInstall = installOption; });
}

int CAgentSettingsService::GetUpdateServer(QString& server, QString& urlPath)
{
    const TAgentSettings settings = m_store.Settings();
    server = settings.updateServer;
    urlPath = settings.updateUrlPath;
    return S_OK;
}

int CAgentSettingsService::SetUpdateServer(const QString& server, const QString& urlPath)
{
    return m_store.Update([&](TAgentSettings& s) {
        s.updateServer = server;
        s.updateUrlPath = urlPath;
    });
}

int CAgentSettingsService::GetProxyUserName(QString& userName)
{
    userName = m_store.Settings().proxyUserName;
    return S_OK;
}

int CAgentSettingsService::SetProxyUserName(const QString& userName)
{
    return m_store.Update([&](TAgentSettings& s) { s.proxyUserName = userName; });
}

int CAgentSettingsService::GetProxyPassword(QString& password)
{
    password = m_store.Settings().proxyPassword;
    return S_OK;
}

int CAgentSettingsService::SetProxyPassword(const QString& password)
{
    return m_store.Update([&](TAgentSettings& s) { s.proxyPassword = password; });
}

int CAgentSettingsService::GetCadence(uint& missedSchedules, bool& wakeFromStandby)
{
    const TAgentSettings settings = m_store.Settings();
    missedSchedules = settings.missedSchedules;
    wakeFromStandby = settings.wakeFromStandby;
    return S_OK;
}

int CAgentSettingsService::SetCadence(uint missedSchedules, bool wakeFromStandby)
{
    return m_store.Update([&](TAgentSettings& s) {
        s.missedSchedules = missedSchedules;
        s.wakeFromStandby = wakeFromStandby;
    });
}

int CAgentSettingsService::GetPower(bool& stopOnBattery, bool& noStartOnBattery)
{
    const TAgentSettings settings = m_store.Settings();
    stopOnBattery = settings.stopOnBattery;
    noStartOnBattery = settings.noStartOnBattery;
    return S_OK;
}

int CAgentSettingsService::SetPower(bool stopOnBattery, bool noStartOnBattery)
{
    return m_store.Update([&](TAgentSettings& s) {
        s.stopOnBattery = stopOnBattery;
        s.noStartOnBattery = noStartOnBattery;
    });
}

int CAgentSettingsService::GetCpuPriority(uint& priority)
{
    priority = m_store.Settings().cpuPriority;
    return S_OK;
}

int CAgentSettingsService::SetCpuPriority(uint priority)
{
    return m_store.Update([&](TAgentSettings& s) { s.cpuPriority = priority; });
}

int CAgentSettingsService::GetIoThrottling(bool& enabled)
{
    enabled = m_store.Settings().ioThrottling;
    return S_OK;
}

int CAgentSettingsService::SetIoThrottling(bool enabled)
{
    return m_store.Update([&](TAgentSettings& s) { s.ioThrottling = enabled; });
}

int CAgentSettingsService::GetFileTypes(QStringList& text, QStringList& pictures,
                                        QStringList& video, QStringList& programs,
                                        QStringList& music, QStringList& temporary,
                                        QStringList& userDefined)
{
    CAgentSettingsServiceOut(m_store.FileTypesInUse(), text, pictures, video, programs, music,
                             temporary, userDefined);
    return S_OK;
}

int CAgentSettingsService::GetDefaultFileTypes(QStringList& text, QStringList& pictures,
                                               QStringList& video, QStringList& programs,
                                               QStringList& music, QStringList& temporary,
                                               QStringList& userDefined)
{
    CAgentSettingsServiceOut(CAgentSettingsStore::DefaultFileTypes(), text, pictures, video,
                             programs, music, temporary, userDefined);
    return S_OK;
}

int CAgentSettingsService::GetCustomFileTypes(QStringList& text, QStringList& pictures,
                                              QStringList& video, QStringList& programs,
                                              QStringList& music, QStringList& temporary,
                                              QStringList& userDefined)
{
    CAgentSettingsServiceOut(m_store.Settings().customFileTypes, text, pictures, video, programs,
                             music, temporary, userDefined);
    return S_OK;
}

int CAgentSettingsService::SetCustomFileTypes(const QStringList& text, const QStringList& pictures,
                                              const QStringList& video, const QStringList& programs,
                                              const QStringList& music,
                                              const QStringList& temporary,
                                              const QStringList& userDefined)
{
    return m_store.Update([&](TAgentSettings& s) {
        s.customFileTypes = {text, pictures, video, programs, music, temporary, userDefined};
    });
}

int CAgentSettingsService::GetAllowExternalDrives(bool& allowed)
{
    allowed = m_store.Settings().allowExternalDrives;
    return S_OK;
}

int CAgentSettingsService::SetAllowExternalDrives(bool allowed)
{
    return m_store.Update([&](TAgentSettings& s) { s.allowExternalDrives = allowed; });
}

int CAgentSettingsService::GetAllowFlashDrives(bool& allowed)
{
    allowed = m_store.Settings().allowFlashDrives;
    return S_OK;
}

int CAgentSettingsService::SetAllowFlashDrives(bool allowed)
{
    return m_store.Update([&](TAgentSettings& s) { s.allowFlashDrives = allowed; });
}

int CAgentSettingsService::GetExchangeUserName(QString& userName)
{
    userName = m_store.Settings().exchangeUserName;
    return S_OK;
}

int CAgentSettingsService::SetExchangeUserName(const QString& userName)
{
    return m_store.Update([&](TAgentSettings& s) { s.exchangeUserName = userName; });
}

int CAgentSettingsService::GetExchangePassword(QString& password)
{
    password = m_store.Settings().exchangePassword;
    return S_OK;
}

int CAgentSettingsService::SetExchangePassword(const QString& password)
{
    return m_store.Update([&](TAgentSettings& s) { s.exchangePassword = password; });
}

int CAgentSettingsService::GetExchangeServerName(QString& serverName)
{
    serverName = m_store.Settings().exchangeServerName;
    return S_OK;
}

int CAgentSettingsService::SetExchangeServerName(const QString& serverName)
{
    return m_store.Update([&](TAgentSettings& s) { s.exchangeServerName = serverName; });
}

int CAgentSettingsService::GetExchangeNotifyEmail(QString& smtpServer, QString& sender,
                                                  QString& recipient)
{
    const TAgentSettings settings = m_store.Settings();
    smtpServer = settings.smtpServer;
    sender = settings.notifySender;
    recipient = settings.notifyRecipient;
    return S_OK;
}

int CAgentSettingsService::SetExchangeNotifyEmail(const QString& smtpServer, const QString& sender,
                                                  const QString& recipient)
{
    return m_store.Update([&](TAgentSettings& s) {
        s.smtpServer = smtpServer;
        s.notifySender = sender;
        s.notifyRecipient = recipient;
    });
}

int CAgentSettingsService::GetVssMode(uint& mode)
{
    mode = m_store.Settings().vssMode;
    return S_OK;
}

int CAgentSettingsService::SetVssMode(uint mode)
{
    return m_store.Update([&](TAgentSettings& s) { s.vssMode = mode; });
}

int CAgentSettingsService::GetVssThreshold(uint& percent)
{
    percent = m_store.Settings().vssThreshold;
    return S_OK;
}

int CAgentSettingsService::SetVssThreshold(uint percent)
{
    return m_store.Update([&](TAgentSettings& s) { s.vssThreshold = percent; });
}

int CAgentSettingsService::GetAllowSsdDrives(bool& allowed)
{
    allowed = m_store.Settings().allowSsdDrives;
    return S_OK;
}

int CAgentSettingsService::SetAllowSsdDrives(bool allowed)
{
    return m_store.Update([&](TAgentSettings& s) { s.allowSsdDrives = allowed; });
}

int CAgentSettingsService::GetExcludeHibernationFile(bool& excluded)
{
    excluded = m_store.Settings().excludeHibernationFile;
    return S_OK;
}

int CAgentSettingsService::SetExcludeHibernationFile(bool excluded)
{
    return m_store.Update([&](TAgentSettings& s) { s.excludeHibernationFile = excluded; });
}

int CAgentSettingsService::SendTestEmail(const QString& smtpServer, const QString& sender,
                                         const QString& recipient, const QString&, const QString&)
{
    if (smtpServer.trimmed().isEmpty() || sender.trimmed().isEmpty() ||
        recipient.trimmed().isEmpty())
        return E_INVALIDARG;
    return kMailNotAvailable;
}

int CAgentSettingsService::TestExchangeServerName(const QString& serverName, bool& valid)
{
    valid = false;
    if (serverName.trimmed().isEmpty() || serverName.size() > CAgentSettingsStore::kMaxTextLength)
        return E_INVALIDARG;
    // No Exchange server is reachable from this engine: every name is answered as not one.
    return S_OK;
}

#pragma once

#include "AgentSettingsServiceBase.h"

class CAgentSettingsStore;

// The agent's settings object (AgentSettings.xml): each Get/Set pair reads or changes its member
// of the settings store, which checks every value (E_INVALIDARG and nothing changed for one out
// of range). The store must outlive the service.
class CAgentSettingsService : public CAgentSettingsServiceBase {
public:
    // What SendTestEmail answers: this engine sends no mail.
    static constexpr int kMailNotAvailable = static_cast<int>(0x80070032u); // ERROR_NOT_SUPPORTED

    explicit CAgentSettingsService(CAgentSettingsStore& store, QObject* parent = nullptr);

    int GetGeneral(uint& bootFileLayout) override;
    int SetGeneral(uint bootFileLayout) override;
    int GetAutoUpdate(uint& installOption) override;
    int SetAutoUpdate(uint installOption) override;
    int GetUpdateServer(QString& server, QString& urlPath) override;
    int SetUpdateServer(const QString& server, const QString& urlPath) override;
    int GetProxyUserName(QString& userName) override;
    int SetProxyUserName(const QString& userName) override;
    int GetProxyPassword(QString& password) override;
    int SetProxyPassword(const QString& password) override;
    int GetCadence(uint& missedSchedules, bool& wakeFromStandby) override;
    int SetCadence(uint missedSchedules, bool wakeFromStandby) override;
    int GetPower(bool& stopOnBattery, bool& noStartOnBattery) override;
    int SetPower(bool stopOnBattery, bool noStartOnBattery) override;
    int GetCpuPriority(uint& priority) override;
    int SetCpuPriority(uint priority) override;
    int GetIoThrottling(bool& enabled) override;
    int SetIoThrottling(bool enabled) override;
    int GetFileTypes(QStringList& text, QStringList& pictures, QStringList& video,
                     QStringList& programs, QStringList& music, QStringList& temporary,
                     QStringList& userDefined) override;
    int GetDefaultFileTypes(QStringList& text, QStringList& pictures, QStringList& video,
                            QStringList& programs, QStringList& music, QStringList& temporary,
                            QStringList& userDefined) override;
    int GetCustomFileTypes(QStringList& text, QStringList& pictures, QStringList& video,
                           QStringList& programs, QStringList& music, QStringList& temporary,
                           QStringList& userDefined) override;
    int SetCustomFileTypes(const QStringList& text, const QStringList& pictures,
                           const QStringList& video, const QStringList& programs,
                           const QStringList& music, const QStringList& temporary,
                           const QStringList& userDefined) override;
    int GetAllowExternalDrives(bool& allowed) override;
    int SetAllowExternalDrives(bool allowed) override;
    int GetAllowFlashDrives(bool& allowed) override;
    int SetAllowFlashDrives(bool allowed) override;
    int GetExchangeUserName(QString& userName) override;
    int SetExchangeUserName(const QString& userName) override;
    int GetExchangePassword(QString& password) override;
    int SetExchangePassword(const QString& password) override;
    int GetExchangeServerName(QString& serverName) override;
    int SetExchangeServerName(const QString& serverName) override;
    int GetExchangeNotifyEmail(QString& smtpServer, QString& sender, QString& recipient) override;
    int SetExchangeNotifyEmail(const QString& smtpServer, const QString& sender,
                               const QString& recipient) override;
    int GetVssMode(uint& mode) override;
    int SetVssMode(uint mode) override;
    int GetVssThreshold(uint& percent) override;
    int SetVssThreshold(uint percent) override;
    int GetAllowSsdDrives(bool& allowed) override;
    int SetAllowSsdDrives(bool allowed) override;
    int GetExcludeHibernationFile(bool& excluded) override;
    int SetExcludeHibernationFile(bool excluded) override;
    // E_INVALIDARG without a server, sender or recipient; otherwise kMailNotAvailable.
    int SendTestEmail(const QString& smtpServer, const QString& sender, const QString& recipient,
                      const QString& subject, const QString& body) override;
    // E_INVALIDARG for a blank or overlong name; otherwise S_OK and not valid: this engine
    // reaches no Exchange server.
    int TestExchangeServerName(const QString& serverName, bool& valid) override;

private:
    CAgentSettingsStore& m_store;
};

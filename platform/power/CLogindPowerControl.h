#pragma once

#include "platform/power/IPowerControl.h"

#include <QDBusConnection>
#include <QVariantList>

#include <optional>

// Power actions through systemd-logind's Manager (org.freedesktop.login1) on the system bus.
// Whether an action is allowed is logind's CanReboot/CanPowerOff ("yes" or "challenge" allow
// it), or for logging off whether the caller's session can be found: by this process, else by
// $XDG_SESSION_ID. Rebooting and powering off ask again, and after a "challenge" call logind
// as interactive, so that the user can be asked to authorise the action. No bus or no logind
// answers RPC server unavailable (0x800706BA); logind's refusals answer E_ACCESSDENIED, a shutdown
// already under way ERROR_SHUTDOWN_IN_PROGRESS.
class CLogindPowerControl : public IPowerControl {
public:
    static constexpr int kCallTimeoutMs = 3000;
    // A reboot or power-off that logind lets through only once the user has authorised it waits
    // for the user's answer to the authorisation prompt.
    static constexpr int kAuthorisedCallTimeoutMs = 120000;

    // logind on the system bus.
    CLogindPowerControl();
    // The logind reached over the connection given under the bus name given (tests: a peer).
    CLogindPowerControl(QDBusConnection connection, QString busName);

    HRESULT EnablePrivilege(TAction action) override;
    HRESULT Reboot() override;
    HRESULT PowerOff(const QString& message) override;
    HRESULT LogOff() override;
    HRESULT CancelScheduledShutdown() override;

private:
    // Calls a method and checks that the reply's signature is the one given.
    HRESULT Call(const QString& path, const QString& interface, const QString& method,
                 const QVariantList& arguments, const QString& signature, QVariantList* values,
                 int timeoutMs = kCallTimeoutMs);
    HRESULT CallManager(const QString& method, const QVariantList& arguments,
                        const QString& signature, QVariantList* values = nullptr,
                        int timeoutMs = kCallTimeoutMs);
    // A forced reboot or power-off, once allowed; interactively (with the time-out for the
    // user's answer) when logind wants the user to authorise it.
    HRESULT Carry(const QString& method, bool interactive);
    // S_OK when logind allows the action; *interactive when only after the user's authorisation.
    HRESULT CanDo(const QString& method, bool* interactive = nullptr);
    // The ID of the caller's session; E_ACCESSDENIED when it has none.
    HRESULT CallerSession(QString* sessionId);

    // Empty for the system bus, which is looked up on each call so that none is held at exit.
    std::optional<QDBusConnection> m_connection;
    QString m_busName;
};

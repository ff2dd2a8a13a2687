#pragma once

#include "core/HResult.h"

#include <QString>

// Shutting down, restarting and logging off this computer, and whether this user may.
class IPowerControl {
public:
    enum class TAction { Reboot, PowerOff, LogOff };

    virtual ~IPowerControl();

    // "Enabling the privilege": asks whether this user may carry out the action now. S_OK when
    // allowed, E_ACCESSDENIED when not, another failure when it cannot be asked.
    virtual HRESULT EnablePrivilege(TAction action) = 0;
    // Forced; the system may first ask the user to authorise it.
    virtual HRESULT Reboot() = 0;
    // The message is shown to logged-in users where the system can.
    virtual HRESULT PowerOff(const QString& message) = 0;
    // Ends the caller's session.
    virtual HRESULT LogOff() = 0;
    // Cancels a shutdown or reboot that is scheduled; ERROR_NO_SHUTDOWN_IN_PROGRESS when none
    // was.
    virtual HRESULT CancelScheduledShutdown() = 0;

    // The process-wide power control: logind unless a replacement was installed.
    static IPowerControl& Instance();
    // Installs a replacement (not owned); null goes back to logind.
    static void SetInstance(IPowerControl* instance);
};

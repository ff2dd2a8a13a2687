#pragma once

#include "core/HResult.h"

#include <QString>

// The system calls of the final actions: each first asks for the right to carry out the action,
// as the system's shutdown privilege is enabled before it is used.
class CSystemShutdown {
public:
    // Forced reboot; E_ACCESSDENIED when the right is refused or the call fails.
    static HRESULT Reboot();
    // Forced log-off of the session; E_ACCESSDENIED likewise.
    static HRESULT LogOff();
    // The right to power off: S_OK, or the refusal.
    static HRESULT EnablePowerOff();
    // Powers off at once, without a reboot; the message is shown where the system can.
    static HRESULT PowerOff(const QString& message);
    // Cancels a shutdown in progress: 0, or the system's error code.
    static quint32 Abort();
};

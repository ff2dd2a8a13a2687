#pragma once

#include "core/HResult.h"

#include <QString>

// The system calls of the final actions: each first asks for the right to carry out the action,
// as the system's shutdown privilege is enabled before it is used.
class CSystemShutdown {
public:
    // Forced reboot: S_OK, or why not: the refusal of the right or the call's failure.
    static HRESULT Reboot();
    // Forced log-off of the session, likewise.
    static HRESULT LogOff();
    // The right to power off: S_OK, or the refusal.
    static HRESULT EnablePowerOff();
    // Powers off at once, without a reboot; the message is shown where the system can.
    static HRESULT PowerOff(const QString& message);
    // Cancels a shutdown in progress: 0, or the system's error code.
    static quint32 Abort();
};

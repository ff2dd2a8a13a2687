#pragma once

#include "core/HResult.h"

#include <QString>

// The service control manager's view of this computer's services, as far as the console needs
// it: whether a service may be started.
class IServiceControl {
public:
    // Start types as the service control manager numbers them.
    static constexpr quint32 kAutoStart = 2;
    static constexpr quint32 kDemandStart = 3;
    static constexpr quint32 kDisabled = 4;

    virtual ~IServiceControl();

    // The start type of a named service of this computer ("KVEngine", "KVAgent").
    virtual HRESULT QueryStartType(const QString& serviceName, quint32* startType) = 0;

    // The process-wide service control: systemd unless a replacement was installed.
    static IServiceControl& Instance();
    // Installs a replacement (not owned); null goes back to systemd.
    static void SetInstance(IServiceControl* instance);
};

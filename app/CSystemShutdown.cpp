#include "app/CSystemShutdown.h"

#include "platform/power/IPowerControl.h"

namespace {

HRESULT AllowedThen(IPowerControl::TAction action, HRESULT (IPowerControl::*call)())
{
    IPowerControl& power = IPowerControl::Instance();
    if (const HRESULT allowed = power.EnablePrivilege(action); FAILED(allowed))
        return allowed;
    return (power.*call)();
}

quint32 SystemCode(HRESULT result)
{
    if (SUCCEEDED(result))
        return 0;
    // A Win32 error travels as its own code, anything else as the HRESULT.
    if (IsWin32Failure(result))
        return HRESULT_CODE(result);
    return static_cast<quint32>(result);
}

} // namespace

HRESULT CSystemShutdown::Reboot()
{
    return AllowedThen(IPowerControl::TAction::Reboot, &IPowerControl::Reboot);
}

HRESULT CSystemShutdown::LogOff()
{
    return AllowedThen(IPowerControl::TAction::LogOff, &IPowerControl::LogOff);
}

HRESULT CSystemShutdown::EnablePowerOff()
{
    return IPowerControl::Instance().EnablePrivilege(IPowerControl::TAction::PowerOff);
}

HRESULT CSystemShutdown::PowerOff(const QString& message)
{
    return IPowerControl::Instance().PowerOff(message);
}

quint32 CSystemShutdown::Abort()
{
    const HRESULT allowed = EnablePowerOff();
    if (FAILED(allowed))
        return SystemCode(allowed);
    return SystemCode(IPowerControl::Instance().CancelScheduledShutdown());
}

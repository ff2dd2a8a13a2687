#include "tests/support/CFakePowerControl.h"

HRESULT CFakePowerControl::EnablePrivilege(TAction action)
{
    static const QMap<TAction, QString> names{{TAction::Reboot, QStringLiteral("Reboot")},
                                              {TAction::PowerOff, QStringLiteral("PowerOff")},
                                              {TAction::LogOff, QStringLiteral("LogOff")}};
    calls.append(QStringLiteral("EnablePrivilege:") + names.value(action));
    return privileges.value(action, S_OK);
}

HRESULT CFakePowerControl::Reboot()
{
    calls.append(QStringLiteral("Reboot"));
    return rebootAnswer;
}

HRESULT CFakePowerControl::PowerOff(const QString& message)
{
    calls.append(QStringLiteral("PowerOff:") + message);
    return powerOffAnswer;
}

HRESULT CFakePowerControl::LogOff()
{
    calls.append(QStringLiteral("LogOff"));
    return logOffAnswer;
}

HRESULT CFakePowerControl::CancelScheduledShutdown()
{
    calls.append(QStringLiteral("CancelScheduledShutdown"));
    return cancelAnswer;
}

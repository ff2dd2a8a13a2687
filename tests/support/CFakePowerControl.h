#pragma once

#include "platform/power/IPowerControl.h"

#include <QMap>
#include <QStringList>

// A power control for tests: nothing is ever shut down. Each call answers what it is given
// (S_OK by default) and is logged in order: "EnablePrivilege:Reboot", "Reboot",
// "PowerOff:<message>", "LogOff", "CancelScheduledShutdown".
class CFakePowerControl : public IPowerControl {
public:
    HRESULT EnablePrivilege(TAction action) override
    {
        static const QMap<TAction, QString> names{{TAction::Reboot, QStringLiteral("Reboot")},
                                                  {TAction::PowerOff, QStringLiteral("PowerOff")},
                                                  {TAction::LogOff, QStringLiteral("LogOff")}};
        return Answer(QStringLiteral("EnablePrivilege:") + names.value(action),
                      privileges.value(action, S_OK));
    }
    HRESULT Reboot() override { return Answer(QStringLiteral("Reboot"), rebootAnswer); }
    HRESULT PowerOff(const QString& message) override
    {
        return Answer(QStringLiteral("PowerOff:") + message, powerOffAnswer);
    }
    HRESULT LogOff() override { return Answer(QStringLiteral("LogOff"), logOffAnswer); }
    HRESULT CancelScheduledShutdown() override
    {
        return Answer(QStringLiteral("CancelScheduledShutdown"), cancelAnswer);
    }

    QMap<TAction, HRESULT> privileges;
    HRESULT rebootAnswer = S_OK;
    HRESULT powerOffAnswer = S_OK;
    HRESULT logOffAnswer = S_OK;
    HRESULT cancelAnswer = S_OK;
    QStringList calls;

private:
    HRESULT Answer(const QString& call, HRESULT answer)
    {
        calls.append(call);
        return answer;
    }
};

#pragma once

#include "platform/power/IPowerControl.h"

#include <QMap>
#include <QStringList>

// A power control for tests: nothing is ever shut down. Each call answers what it is given
// (S_OK by default) and is logged in order: "EnablePrivilege:Reboot", "Reboot",
// "PowerOff:<message>", "LogOff", "CancelScheduledShutdown".
class CFakePowerControl : public IPowerControl {
public:
    HRESULT EnablePrivilege(TAction action) override;
    HRESULT Reboot() override;
    HRESULT PowerOff(const QString& message) override;
    HRESULT LogOff() override;
    HRESULT CancelScheduledShutdown() override;

    QMap<TAction, HRESULT> privileges;
    HRESULT rebootAnswer = S_OK;
    HRESULT powerOffAnswer = S_OK;
    HRESULT logOffAnswer = S_OK;
    HRESULT cancelAnswer = S_OK;
    QStringList calls;
};

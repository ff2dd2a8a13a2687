#pragma once

#include "refengine/IPowerState.h"

// A power source the test switches: Set says a change as UPower's signal would, once per change.
class CFakePowerState : public IPowerState {
    Q_OBJECT

public:
    using IPowerState::IPowerState;

    bool OnBattery() const override { return m_onBattery; }
    void Set(bool onBattery)
    {
        if (onBattery == m_onBattery)
            return;
        m_onBattery = onBattery;
        emit OnBatteryChanged(onBattery);
    }

private:
    bool m_onBattery = false;
};

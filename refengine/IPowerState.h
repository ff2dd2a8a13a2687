#pragma once

#include <QObject>

// Whether the computer runs on battery, and word when that changes. The engine asks it before a
// pass starts and stops passes when it turns to battery; tests switch it by hand.
class IPowerState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~IPowerState() override;

    virtual bool OnBattery() const = 0;

signals:
    // On the object's thread, once per change.
    void OnBatteryChanged(bool onBattery);
};

#pragma once

#include <QDBusConnection>
#include <QString>

// Whether this computer runs on battery: UPower's OnBattery on the system bus. A computer
// without UPower, or whose UPower does not answer in time, is taken as not on battery.
class CPowerSource {
public:
    static constexpr int kCallTimeoutMs = 1000;

    // UPower on the system bus.
    CPowerSource();
    // The UPower reached over the connection given under the bus name given (tests: a peer).
    CPowerSource(QDBusConnection connection, QString busName);

    bool OnBattery() const;

private:
    QDBusConnection m_connection;
    QString m_busName;
};

#pragma once

#include "refengine/IPowerState.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The power state as UPower tells it: its OnBattery property, read once and then followed through
// its PropertiesChanged signal. No system bus, or no UPower, is mains power.
class CUPowerState : public IPowerState {
    Q_OBJECT

public:
    // UPower on the system bus.
    explicit CUPowerState(QObject* parent = nullptr);
    // The UPower reached over the connection given under the bus name given (a peer: empty).
    CUPowerState(QDBusConnection connection, QString busName, QObject* parent = nullptr);

    bool OnBattery() const override { return m_onBattery; }
    // Whether UPower's changes are followed (a bus was there to subscribe on).
    bool Following() const { return m_following; }

private slots:
    void OnPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    void Set(bool onBattery);

    QDBusConnection m_connection;
    const QString m_busName;
    bool m_onBattery = false;
    bool m_following = false;
};

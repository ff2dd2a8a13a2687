#pragma once

#include "platform/services/IServiceControl.h"

#include <QDBusConnection>
#include <QList>

// Start types from systemd's unit files, asked over D-Bus (Manager.GetUnitFileState) of the
// system manager and, when there is a session bus, of the user's manager. A unit masked in
// either is disabled; one enabled or linked in either starts automatically; anything else, an
// unknown unit or no systemd at all starts on demand. Every answer is S_OK but for a missing
// output; the managers are asked together and given kCallTimeoutMs to answer, so that a hung
// bus holds up the caller no longer than that.
class CSystemdServiceControl : public IServiceControl {
public:
    static constexpr int kCallTimeoutMs = 2000;

    // The system manager, and the user's manager when there is a session bus.
    CSystemdServiceControl();
    // The managers given (tests: peer connections), reached under the bus name given.
    CSystemdServiceControl(QList<QDBusConnection> managers, QString busName);

    HRESULT QueryStartType(const QString& serviceName, quint32* startType) override;

    // The unit that runs a service: "KVEngine" and "KVAgent" are both the engine daemon's unit;
    // any other name N is "n.service".
    static QString UnitName(const QString& serviceName);

private:
    QList<QDBusConnection> Managers() const;

    // Empty for the buses, which are looked up on each question so that none is held at exit.
    QList<QDBusConnection> m_managers;
    bool m_useBuses = true;
    QString m_busName;
};

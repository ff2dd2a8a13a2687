#include "refengine/CUPowerState.h"

#include "platform/power/CPowerSource.h"

using namespace Qt::StringLiterals;

namespace {

const QString CUPowerStateInterface = u"org.freedesktop.UPower"_s;
const QString CUPowerStatePath = u"/org/freedesktop/UPower"_s;

} // namespace

CUPowerState::CUPowerState(QObject* parent)
    : CUPowerState(QDBusConnection::systemBus(), CUPowerStateInterface, parent)
{}

CUPowerState::CUPowerState(QDBusConnection connection, QString busName, QObject* parent)
    : IPowerState(parent)
    , m_connection(std::move(connection))
    , m_busName(std::move(busName))
{
    if (!m_connection.isConnected())
        return;
    // Subscribed before the first reading, so that no change falls between the two. D-Bus
    // signals are connected by the slot's name: QtDBus has no other way.
    m_following = m_connection.connect(
        m_busName, CUPowerStatePath, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s,
        this, SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
    m_onBattery = CPowerSource(m_connection, m_busName).OnBattery();
}

void CUPowerState::OnPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                       const QStringList& invalidated)
{
    if (interfaceName != CUPowerStateInterface)
        return;
    const auto found = changed.constFind(u"OnBattery"_s);
    if (found != changed.cend()) {
        // Anything but a boolean is not an answer, as for the first reading.
        Set(found->typeId() == QMetaType::Bool && found->toBool());
    } else if (invalidated.contains(u"OnBattery"_s)) {
        Set(CPowerSource(m_connection, m_busName).OnBattery());
    }
}

void CUPowerState::Set(bool onBattery)
{
    if (onBattery == m_onBattery)
        return;
    m_onBattery = onBattery;
    emit OnBatteryChanged(onBattery);
}

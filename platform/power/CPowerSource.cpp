#include "platform/power/CPowerSource.h"

#include <QDBusMessage>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

CPowerSource::CPowerSource()
    : CPowerSource(QDBusConnection::systemBus(), u"org.freedesktop.UPower"_s)
{}

CPowerSource::CPowerSource(QDBusConnection connection, QString busName)
    : m_connection(std::move(connection))
    , m_busName(std::move(busName))
{}

bool CPowerSource::OnBattery() const
{
    if (!m_connection.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_busName, u"/org/freedesktop/UPower"_s, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    call << u"org.freedesktop.UPower"_s << u"OnBattery"_s;
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return false;
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    // Anything but a boolean is not an answer.
    return value.typeId() == QMetaType::Bool && value.toBool();
}

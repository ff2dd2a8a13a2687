#include "refengine/CLogindIdle.h"

#include "core/COleDate.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

// The runner asks at least once a minute; a logind that hangs must not hold it up.
constexpr int CLogindIdleTimeoutMs = 1000;

} // namespace

double CLogindIdle::IdleSince()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return 0.0;
    QDBusMessage call =
        QDBusMessage::createMethodCall(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                                       u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s);
    call << u"org.freedesktop.login1.Manager"_s;
    const QDBusMessage reply = bus.call(call, QDBus::Block, CLogindIdleTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0.0;
    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    if (!properties.value(u"IdleHint"_s).toBool())
        return 0.0;
    // Microseconds of the real-time clock; 0 when logind does not know since when.
    const qulonglong sinceUs = properties.value(u"IdleSinceHint"_s).toULongLong();
    if (sinceUs == 0)
        return 0.0;
    return COleDate::FromDateTime(
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(sinceUs / 1000), Qt::UTC));
}

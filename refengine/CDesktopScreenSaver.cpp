#include "refengine/CDesktopScreenSaver.h"

#include <QDBusConnection>
#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace {

// The runner asks every few seconds while a screen-saver schedule waits; a hung desktop must not
// hold it up.
constexpr int CDesktopScreenSaverTimeoutMs = 1000;

} // namespace

bool CDesktopScreenSaver::IsActive()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s,
        u"org.freedesktop.ScreenSaver"_s, u"GetActive"_s);
    const QDBusMessage reply = bus.call(call, QDBus::Block, CDesktopScreenSaverTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

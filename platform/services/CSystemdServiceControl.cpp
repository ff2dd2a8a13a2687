#include "platform/services/CSystemdServiceControl.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFileInfo>

namespace {

// Services whose unit is not named after them. Packaging adds its services here.
struct TServiceUnit {
    const char16_t* service;
    const char16_t* unit;
};
constexpr TServiceUnit kServiceUnits[] = {
    {u"KVEngine", u"korvane-engine.service"},
    {u"KVAgent", u"korvane-engine.service"},
};

bool HasSessionBus()
{
    // Asking for the session bus without one would have D-Bus try to launch one.
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

CSystemdServiceControl::CSystemdServiceControl()
    : m_busName(QStringLiteral("org.freedesktop.systemd1"))
{}

CSystemdServiceControl::CSystemdServiceControl(QList<QDBusConnection> managers, QString busName)
    : m_managers(std::move(managers))
    , m_useBuses(false)
    , m_busName(std::move(busName))
{}

QString CSystemdServiceControl::UnitName(const QString& serviceName)
{
    for (const TServiceUnit& entry : kServiceUnits) {
        if (serviceName.compare(QStringView(entry.service), Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(entry.unit);
    }
    return serviceName.toLower() + QStringLiteral(".service");
}

QList<QDBusConnection> CSystemdServiceControl::Managers() const
{
    if (!m_useBuses)
        return m_managers;
    QList<QDBusConnection> managers{QDBusConnection::systemBus()};
    if (HasSessionBus())
        managers.append(QDBusConnection::sessionBus());
    return managers;
}

HRESULT CSystemdServiceControl::QueryStartType(const QString& serviceName, quint32* startType)
{
    if (!startType)
        return E_POINTER;
    QDBusMessage question = QDBusMessage::createMethodCall(
        m_busName, QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("GetUnitFileState"));
    question << UnitName(serviceName);
    QList<QDBusPendingCall> pending;
    for (const QDBusConnection& manager : Managers()) {
        if (manager.isConnected())
            pending.append(manager.asyncCall(question, kCallTimeoutMs));
    }
    quint32 answer = kDemandStart;
    for (QDBusPendingCall& call : pending) {
        call.waitForFinished();
        const QDBusMessage reply = call.reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != u"s")
            continue; // an unknown unit, or no manager there
        const QString state = reply.arguments().constFirst().toString();
        if (state == u"masked" || state == u"masked-runtime")
            answer = kDisabled;
        else if (answer != kDisabled &&
                 (state == u"enabled" || state == u"enabled-runtime" || state == u"linked"))
            answer = kAutoStart;
    }
    *startType = answer;
    return S_OK;
}

#include "platform/power/CLogindPowerControl.h"

#include "platform/com/CDBusResult.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace {

const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");

// The HRESULT of an error logind answered.
HRESULT LogindResult(const QDBusError& error)
{
    const QString name = error.name();
    if (name == u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired" ||
        name == u"org.freedesktop.login1.BlockedByInhibitorLock")
        return E_ACCESSDENIED;
    if (name == u"org.freedesktop.login1.OperationInProgress")
        return HRESULT_FROM_WIN32(ERROR_SHUTDOWN_IN_PROGRESS);
    // Something that answers under logind's name without its manager is no logind.
    if (error.type() == QDBusError::UnknownObject || error.type() == QDBusError::UnknownInterface)
        return CDBusResult::RpcServerUnavailable;
    return CDBusResult::FromError(error, false);
}

} // namespace

CLogindPowerControl::CLogindPowerControl()
    : m_busName(QStringLiteral("org.freedesktop.login1"))
{}

CLogindPowerControl::CLogindPowerControl(QDBusConnection connection, QString busName)
    : m_connection(std::move(connection))
    , m_busName(std::move(busName))
{}

HRESULT CLogindPowerControl::Call(const QString& path, const QString& interface,
                                  const QString& method, const QVariantList& arguments,
                                  const QString& signature, QVariantList* values, int timeoutMs)
{
    const QDBusConnection connection = m_connection ? *m_connection : QDBusConnection::systemBus();
    if (!connection.isConnected())
        return CDBusResult::RpcServerUnavailable;
    QDBusMessage call = QDBusMessage::createMethodCall(m_busName, path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = connection.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return LogindResult(QDBusError(reply));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != signature)
        return CDBusResult::BadStubData;
    if (values)
        *values = reply.arguments();
    return S_OK;
}

HRESULT CLogindPowerControl::CallManager(const QString& method, const QVariantList& arguments,
                                         const QString& signature, QVariantList* values,
                                         int timeoutMs)
{
    return Call(kLogindPath, kLogindManager, method, arguments, signature, values, timeoutMs);
}

HRESULT CLogindPowerControl::CanDo(const QString& method, bool* interactive)
{
    QVariantList values;
    if (const HRESULT result = CallManager(method, {}, QStringLiteral("s"), &values);
        FAILED(result))
        return result;
    // "challenge": allowed once the user has authorised it; "no", "na" and anything else: not.
    const QString answer = values.constFirst().toString();
    if (interactive)
        *interactive = answer == u"challenge";
    return answer == u"yes" || answer == u"challenge" ? S_OK : E_ACCESSDENIED;
}

HRESULT CLogindPowerControl::CallerSession(QString* sessionId)
{
    QVariantList values;
    HRESULT result =
        CallManager(QStringLiteral("GetSessionByPID"),
                    {quint32(QCoreApplication::applicationPid())}, QStringLiteral("o"), &values);
    if (SUCCEEDED(result)) {
        // Asked of the session object, which has no manager: any failure means it has gone.
        const QString path = qvariant_cast<QDBusObjectPath>(values.constFirst()).path();
        if (SUCCEEDED(Call(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                           QStringLiteral("Get"),
                           {QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Id")},
                           QStringLiteral("v"), &values))) {
            *sessionId = qvariant_cast<QDBusVariant>(values.constFirst()).variant().toString();
            if (!sessionId->isEmpty())
                return S_OK;
        }
    } else if (result == CDBusResult::RpcServerUnavailable) {
        return result;
    }
    // A process started outside its session (a user service, say) still knows which it is.
    const QString fromEnvironment = qEnvironmentVariable("XDG_SESSION_ID");
    if (!fromEnvironment.isEmpty()) {
        result = CallManager(QStringLiteral("GetSession"), {fromEnvironment}, QStringLiteral("o"));
        if (SUCCEEDED(result)) {
            *sessionId = fromEnvironment;
            return S_OK;
        }
        if (result == CDBusResult::RpcServerUnavailable)
            return result;
    }
    return E_ACCESSDENIED;
}

HRESULT CLogindPowerControl::EnablePrivilege(TAction action)
{
    switch (action) {
    case TAction::Reboot:
        return CanDo(QStringLiteral("CanReboot"));
    case TAction::PowerOff:
        return CanDo(QStringLiteral("CanPowerOff"));
    case TAction::LogOff: {
        QString sessionId;
        return CallerSession(&sessionId);
    }
    }
    return E_INVALIDARG;
}

HRESULT CLogindPowerControl::Carry(const QString& method, bool interactive)
{
    return CallManager(method, {interactive}, QString(), nullptr,
                       interactive ? kAuthorisedCallTimeoutMs : kCallTimeoutMs);
}

HRESULT CLogindPowerControl::Reboot()
{
    bool interactive = false;
    if (const HRESULT allowed = CanDo(QStringLiteral("CanReboot"), &interactive); FAILED(allowed))
        return allowed;
    return Carry(QStringLiteral("Reboot"), interactive);
}

HRESULT CLogindPowerControl::PowerOff(const QString& message)
{
    bool interactive = false;
    if (const HRESULT allowed = CanDo(QStringLiteral("CanPowerOff"), &interactive); FAILED(allowed))
        return allowed;
    // Older logind has no wall message, and setting one may need more rights than powering off:
    // neither stops the shutdown.
    CallManager(QStringLiteral("SetWallMessage"), {message, true}, QString());
    return Carry(QStringLiteral("PowerOff"), interactive);
}

HRESULT CLogindPowerControl::LogOff()
{
    QString sessionId;
    if (const HRESULT result = CallerSession(&sessionId); FAILED(result))
        return result;
    return CallManager(QStringLiteral("TerminateSession"), {sessionId}, QString());
}

HRESULT CLogindPowerControl::CancelScheduledShutdown()
{
    QVariantList values;
    if (const HRESULT result = CallManager(QStringLiteral("CancelScheduledShutdown"), {},
                                           QStringLiteral("b"), &values);
        FAILED(result))
        return result;
    return values.constFirst().toBool() ? S_OK : HRESULT_FROM_WIN32(ERROR_NO_SHUTDOWN_IN_PROGRESS);
}

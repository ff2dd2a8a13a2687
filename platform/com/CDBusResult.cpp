#include "platform/com/CDBusResult.h"

HRESULT CDBusResult::FromError(const QDBusError& error, bool activating)
{
    switch (error.type()) {
    case QDBusError::NoError:
        return S_OK;
    case QDBusError::Disconnected:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::NoServer:
    case QDBusError::ServiceUnknown:
        return RpcServerUnavailable;
    case QDBusError::UnknownObject:
        return REGDB_E_CLASSNOTREG;
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
        return activating ? REGDB_E_CLASSNOTREG : E_NOINTERFACE;
    case QDBusError::InvalidArgs:
        return E_INVALIDARG;
    case QDBusError::InvalidSignature: // a reply that is not what the interface says
        return BadStubData;
    case QDBusError::NoMemory:
        return E_OUTOFMEMORY;
    case QDBusError::AccessDenied:
        return E_ACCESSDENIED;
    default:
        return E_FAIL;
    }
}

HRESULT CDBusResult::FromCallError(const QDBusError& error, const QDBusConnection& connection,
                                   bool activating)
{
    switch (error.type()) {
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return connection.isConnected() ? RpcTimeout : RpcServerUnavailable;
    default:
        return FromError(error, activating);
    }
}

HRESULT CDBusResult::FromReply(const QDBusMessage& reply, const QString& signature)
{
    if (reply.type() == QDBusMessage::ErrorMessage)
        return FromError(QDBusError(reply), false);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != signature ||
        reply.arguments().isEmpty())
        return BadStubData;
    return reply.arguments().constFirst().toInt();
}

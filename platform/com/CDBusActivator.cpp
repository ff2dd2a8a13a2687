#include "platform/com/CDBusActivator.h"

#include "platform/CComputerName.h"
#include "platform/CEngineLocation.h"
#include "platform/CReplaceable.h"
#include "platform/CRuntimeDirectory.h"
#include "platform/com/CDBusResult.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

#include <memory>

const char* const CDBusActivator::kActivationInterface = "com.tellmar.korvane.Activation";

namespace {

const char* const kSystemSocket = "/run/korvane/engine.bus";

QString Normalized(const QString& classId)
{
    QString id = classId.trimmed().toUpper();
    if (!id.startsWith(u'{'))
        id = u'{' + id + u'}';
    return id;
}

} // namespace

IComActivator& IComActivator::Instance()
{
    return CReplaceable<IComActivator, CDBusActivator>::Instance();
}

void IComActivator::SetInstance(IComActivator* activator)
{
    CReplaceable<IComActivator, CDBusActivator>::Install(activator);
}

CDBusActivator::CDBusActivator() = default;

CDBusActivator::~CDBusActivator()
{
    for (const auto& [key, session] : m_sshSessions)
        QDBusConnection::disconnectFromPeer(RemoteConnectionName(key));
}

void CDBusActivator::RegisterClass(const QString& classId, TFactory factory)
{
    QMutexLocker locker(&m_mutex);
    m_factories.insert(Normalized(classId), std::move(factory));
}

void CDBusActivator::UnregisterClass(const QString& classId)
{
    QMutexLocker locker(&m_mutex);
    m_factories.remove(Normalized(classId));
}

QStringList CDBusActivator::LocalSocketPaths()
{
    const QString system = qEnvironmentVariable("KORVANE_SYSTEM_SOCKET");
    return {CRuntimeDirectory::Path() + QStringLiteral("/engine.bus"),
            QDir::isAbsolutePath(system) ? QDir::cleanPath(system)
                                         : QString::fromLatin1(kSystemSocket)};
}

bool CDBusActivator::ConnectTo(const QString& socketPath, QDBusConnection* connection)
{
    // A socket this user may not connect to is another user's engine (the system service's,
    // for anyone but root): passed over, so that the console starts an engine of its own.
    if (::access(QFile::encodeName(socketPath).constData(), W_OK) != 0)
        return false;
    // One connection per socket, shared by every caller; a dead one is dropped and made again.
    const QString name = QStringLiteral("korvane-peer:") + socketPath;
    QDBusConnection existing(name);
    if (existing.isConnected()) {
        *connection = existing;
        return true;
    }
    QDBusConnection::disconnectFromPeer(name);
    QDBusConnection fresh =
        QDBusConnection::connectToPeer(QStringLiteral("unix:path=") + socketPath, name);
    if (!fresh.isConnected()) {
        QDBusConnection::disconnectFromPeer(name);
        return false;
    }
    *connection = fresh;
    return true;
}

HRESULT CDBusActivator::StartDaemon()
{
    const QString program = CEngineLocation::DaemonProgram();
    if (program.isEmpty() || !QProcess::startDetached(program, {}))
        return CDBusResult::ServerExecFailure;
    return S_OK;
}

HRESULT CDBusActivator::LocalConnection(QDBusConnection* connection)
{
    QMutexLocker locker(&m_mutex);
    for (const QString& path : LocalSocketPaths()) {
        if (ConnectTo(path, connection))
            return S_OK;
    }
    if (const HRESULT started = StartDaemon(); FAILED(started))
        return started;
    const QString own = LocalSocketPaths().constFirst();
    const QDeadlineTimer deadline(m_startTimeoutMs);
    while (!deadline.hasExpired()) {
        if (ConnectTo(own, connection))
            return S_OK;
        QThread::msleep(20);
    }
    return CDBusResult::ServerExecFailure;
}

QString CDBusActivator::RemoteConnectionName(const QString& key)
{
    return QStringLiteral("korvane-ssh:") + key;
}

HRESULT CDBusActivator::Connection(const QString& computer, const TComCredentials& credentials,
                                   QDBusConnection* connection)
{
    return CComputerName::IsLocal(computer) ? LocalConnection(connection)
                                            : RemoteConnection(computer, credentials, connection);
}

HRESULT CDBusActivator::RemoteConnection(const QString& computer,
                                         const TComCredentials& credentials,
                                         QDBusConnection* connection)
{
    QMutexLocker locker(&m_mutex);
    const QString key = credentials.user + u'@' + computer;
    std::unique_ptr<CSshSession>& session = m_sshSessions[key];
    if (!session)
        session = std::make_unique<CSshSession>(computer, credentials.user);
    // One D-Bus connection per computer and user, shared by every caller.
    const QString name = RemoteConnectionName(key);
    QDBusConnection existing(name);
    if (existing.isConnected()) {
        *connection = existing;
        return S_OK;
    }
    QDBusConnection::disconnectFromPeer(name);
    if (const HRESULT opened = session->Open(m_startTimeoutMs, credentials.password);
        FAILED(opened))
        return opened;
    QDBusConnection fresh = QDBusConnection::connectToPeer(session->BusAddress(), name);
    if (!fresh.isConnected()) {
        QDBusConnection::disconnectFromPeer(name);
        return CDBusResult::RpcServerUnavailable;
    }
    *connection = fresh;
    return S_OK;
}

HRESULT CDBusActivator::CreateInstance(const QStringList& classIds, const QString& interfaceId,
                                       const QString& computer, const TComCredentials& credentials,
                                       CComObjectRef* object)
{
    if (classIds.isEmpty() || !object)
        return E_INVALIDARG;
    HRESULT result = REGDB_E_CLASSNOTREG;
    for (int index = 0; index < classIds.size(); ++index) {
        const QString classId = Normalized(classIds.at(index));
        TFactory factory;
        {
            QMutexLocker locker(&m_mutex);
            factory = m_factories.value(classId);
        }
        if (factory) {
            CComObjectRef created;
            result = factory(interfaceId, &created);
            if (SUCCEEDED(result)) {
                *object = CComObjectRef(created.Connection(), created.Path(), classId, index);
                return result;
            }
        } else {
            QDBusConnection connection{QString()};
            QDBusMessage reply;
            // A daemon that restarted leaves the shared connection looking alive until its
            // hang-up is noticed; a call that finds it dead is made once more on a fresh one.
            for (int attempt = 0; attempt < 2; ++attempt) {
                result = Connection(computer, credentials, &connection);
                if (FAILED(result))
                    return result;
                QDBusMessage call = QDBusMessage::createMethodCall(
                    QString(), QStringLiteral("/"), QLatin1String(kActivationInterface),
                    QStringLiteral("CreateInstance"));
                call << classId << interfaceId;
                reply = connection.call(call, QDBus::Block, kActivationTimeoutMs);
                const QDBusError::ErrorType error = QDBusError(reply).type();
                if (reply.type() != QDBusMessage::ErrorMessage || connection.isConnected() ||
                    (error != QDBusError::Disconnected && error != QDBusError::NoReply))
                    break;
                QDBusConnection::disconnectFromPeer(connection.name());
            }
            result = reply.type() == QDBusMessage::ErrorMessage
                         ? CDBusResult::FromCallError(QDBusError(reply), connection, true)
                         : CDBusResult::FromReply(reply, QStringLiteral("io"));
            if (SUCCEEDED(result)) {
                const QString path = qvariant_cast<QDBusObjectPath>(reply.arguments().at(1)).path();
                *object = CComObjectRef(connection, path, classId, index);
                return result;
            }
        }
        if (result != REGDB_E_CLASSNOTREG && result != CDBusResult::RpcServerUnavailable)
            return result;
    }
    return result;
}

#include "platform/com/CDBusActivator.h"

#include "platform/CComputerName.h"
#include "platform/CEngineLocation.h"
#include "platform/CReplaceable.h"
#include "platform/CRuntimeDirectory.h"
#include "platform/com/CDBusResult.h"
#include "platform/com/CMailslotForwarder.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
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

HRESULT IComActivator::NoticeSubscriber(const QString&, const TComCredentials&, const QString&,
                                        QString* subscriber)
{
    if (!subscriber)
        return E_POINTER;
    *subscriber = CComputerName::Local();
    return S_OK;
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
        if (ConnectTo(path, connection)) {
            m_localSocket = path;
            return S_OK;
        }
    }
    if (const HRESULT started = StartDaemon(); FAILED(started))
        return started;
    const QString own = LocalSocketPaths().constFirst();
    const QDeadlineTimer deadline(m_startTimeoutMs);
    while (!deadline.hasExpired()) {
        if (ConnectTo(own, connection)) {
            m_localSocket = own;
            return S_OK;
        }
        QThread::msleep(20);
    }
    return CDBusResult::ServerExecFailure;
}

QString CDBusActivator::SessionKey(const QString& computer, const TComCredentials& credentials)
{
    return credentials.user + u'@' + computer;
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
    const QString key = SessionKey(computer, credentials);
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

HRESULT CDBusActivator::RemoteFailure(const QString& computer, const TComCredentials& credentials)
{
    QMutexLocker locker(&m_mutex);
    const auto session = m_sshSessions.find(SessionKey(computer, credentials));
    if (session == m_sshSessions.end())
        return CDBusResult::RpcServerUnavailable;
    return session->second->Diagnose(m_startTimeoutMs);
}

HRESULT CDBusActivator::NoticeSubscriber(const QString& computer,
                                         const TComCredentials& credentials,
                                         const QString& mailslot, QString* subscriber)
{
    if (!subscriber)
        return E_POINTER;
    QMutexLocker locker(&m_mutex);
    if (CComputerName::IsLocal(computer)) {
        // The system service looks for its subscribers' mailslots beside its socket; a console
        // whose runtime folder is another (root's, with a runtime folder of its own) gets a
        // forwarder there.
        const QString serviceFolder = QFileInfo(LocalSocketPaths().value(1)).path();
        if (m_localSocket == LocalSocketPaths().value(1) &&
            QDir::cleanPath(serviceFolder) != QDir::cleanPath(CRuntimeDirectory::Path())) {
            std::erase_if(m_forwarders,
                          [](const auto& entry) { return !entry.second->IsRunning(); });
            if (!m_forwarders.contains(mailslot)) {
                auto forwarder = std::make_unique<CMailslotForwarder>(
                    serviceFolder + QStringLiteral("/mailslot"), mailslot);
                if (const DWORD started = forwarder->Start(); started != ERROR_SUCCESS)
                    return HRESULT_FROM_WIN32(started);
                m_forwarders.emplace(mailslot, std::move(forwarder));
            }
        }
        locker.unlock();
        return IComActivator::NoticeSubscriber(computer, credentials, mailslot, subscriber);
    }
    const auto session = m_sshSessions.find(SessionKey(computer, credentials));
    // Subscribing follows creating an object there, which opened the session.
    if (session == m_sshSessions.end())
        return CDBusResult::RpcServerUnavailable;
    if (const HRESULT relayed = session->second->RelayNotices(mailslot, m_startTimeoutMs);
        FAILED(relayed))
        return relayed;
    // The relay's mailslot is on that computer, under the same name.
    *subscriber = QStringLiteral(".");
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
            // Another computer's engine may simply not be installed: then no class is there.
            if (result == CDBusResult::RpcServerUnavailable && !CComputerName::IsLocal(computer)) {
                if (const HRESULT why = RemoteFailure(computer, credentials);
                    why == REGDB_E_CLASSNOTREG)
                    return why;
            }
        }
        if (result != REGDB_E_CLASSNOTREG && result != CDBusResult::RpcServerUnavailable)
            return result;
    }
    return result;
}

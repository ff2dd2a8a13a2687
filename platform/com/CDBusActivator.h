#pragma once

#include "platform/com/CMailslotForwarder.h"
#include "platform/com/CSshSession.h"
#include "platform/com/IComActivator.h"

#include <QDBusConnection>
#include <QHash>
#include <QMutex>

#include <functional>
#include <map>
#include <memory>

// Activation over D-Bus peer-to-peer connections. The engine daemon listens on the socket
// RUNTIME/engine.bus (CRuntimeDirectory), or /run/korvane/engine.bus when it runs as a system
// service, and serves at "/" the interface com.tellmar.korvane.Activation: CreateInstance(class
// ID, interface ID) answers the HRESULT and the object path of the new object. One connection per
// socket is kept and made again when it has gone. When nothing listens for this computer, the
// daemon korvane-engine (beside this program, else on the PATH) is started and its socket
// awaited; when it does not come up the answer is CO_E_SERVER_EXEC_FAILURE (0x80080005). Other
// computers are reached over SSH (CSshSession): one master connection per computer and user, and
// one D-Bus connection through it, made again when it has gone; the SSH failures answer as
// CSshSession::Open says.
class CDBusActivator : public IComActivator {
public:
    static const char* const kActivationInterface;
    static constexpr int kActivationTimeoutMs = 10000;

    CDBusActivator();
    // Ends the connections to other computers, and their SSH connections.
    ~CDBusActivator() override;

    HRESULT CreateInstance(const QStringList& classIds, const QString& interfaceId,
                           const QString& computer, const TComCredentials& credentials,
                           CComObjectRef* object) override;
    // Another computer's services write into a relay's mailslot of the same name there ("."),
    // which the SSH session forwards into this one (CSshSession::RelayNotices). The system
    // service of this computer, when the console's runtime folder is another than the service's,
    // writes into a forwarder's (CMailslotForwarder).
    HRESULT NoticeSubscriber(const QString& computer, const TComCredentials& credentials,
                             const QString& mailslot, QString* subscriber) override;

    // Classes created in this process instead (tests): the factory fills the object.
    using TFactory = std::function<HRESULT(const QString& interfaceId, CComObjectRef* object)>;
    void RegisterClass(const QString& classId, TFactory factory);
    void UnregisterClass(const QString& classId);

    // The sockets tried for this computer, in order: the user's own engine's, then the system
    // service's (KORVANE_SYSTEM_SOCKET, else /run/korvane/engine.bus).
    static QStringList LocalSocketPaths();
    // How long a started daemon is given to come up.
    void SetStartTimeout(int milliseconds) { m_startTimeoutMs = milliseconds; }

private:
    // A connection to the engine of the computer, made when needed.
    HRESULT Connection(const QString& computer, const TComCredentials& credentials,
                       QDBusConnection* connection);
    // A connection to this computer's engine daemon, started when needed.
    HRESULT LocalConnection(QDBusConnection* connection);
    // "user@computer": one SSH session and one D-Bus connection each.
    static QString SessionKey(const QString& computer, const TComCredentials& credentials);
    // The name of the shared connection to "user@computer".
    static QString RemoteConnectionName(const QString& key);
    // A connection to another computer's engine over SSH.
    HRESULT RemoteConnection(const QString& computer, const TComCredentials& credentials,
                             QDBusConnection* connection);
    // Why another computer's engine could not be reached through its SSH session.
    HRESULT RemoteFailure(const QString& computer, const TComCredentials& credentials);
    bool ConnectTo(const QString& socketPath, QDBusConnection* connection);
    HRESULT StartDaemon();

    QMutex m_mutex;
    QHash<QString, TFactory> m_factories;
    int m_startTimeoutMs = kActivationTimeoutMs;
    // The SSH sessions by "user@computer".
    std::map<QString, std::unique_ptr<CSshSession>> m_sshSessions;
    // The socket of this computer's engine last connected to.
    QString m_localSocket;
    // Forwarders from the system service's mailslots, by name.
    std::map<QString, std::unique_ptr<CMailslotForwarder>> m_forwarders;
};

#include "tests/support/CTestPeerServer.h"

#include <QCoreApplication>
#include <QDBusServer>
#include <QFile>

CTestPeerServer::CTestPeerServer(QString socketPath, TOnConnection onConnection)
    : m_socketPath(std::move(socketPath))
    , m_onConnection(std::move(onConnection))
{}

CTestPeerServer::~CTestPeerServer()
{
    Shutdown();
}

bool CTestPeerServer::Listen()
{
    start();
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] { return m_started; });
    return m_listening;
}

void CTestPeerServer::Shutdown()
{
    if (isRunning()) {
        quit();
        wait();
    }
    QFile::remove(m_socketPath);
}

void CTestPeerServer::run()
{
    QObject owner;
    QDBusServer server(QStringLiteral("unix:path=") + m_socketPath);
    server.setAnonymousAuthenticationAllowed(true);
    QStringList accepted;
    QObject::connect(&server, &QDBusServer::newConnection, &owner,
                     [this, &owner, &accepted](QDBusConnection connection) {
                         m_connections.ref();
                         accepted.append(connection.name());
                         m_onConnection(connection, &owner);
                     });
    {
        std::lock_guard lock(m_mutex);
        m_started = true;
        m_listening = server.isConnected();
    }
    m_ready.notify_all();
    if (!server.isConnected())
        return;
    exec();
    // A connection accepted just before the quit still has its hand-over queued to this
    // thread; deliver it. The served objects then go while their connections are whole, each
    // unregistering itself, and only then are the connections closed, so that nothing is left
    // behind when the thread's event queue goes away.
    QCoreApplication::sendPostedEvents();
    qDeleteAll(owner.children());
    for (const QString& name : std::as_const(accepted))
        QDBusConnection::disconnectFromPeer(name);
    QCoreApplication::sendPostedEvents();
}

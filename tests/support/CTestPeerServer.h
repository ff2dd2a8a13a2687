#pragma once

#include <QDBusConnection>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

// A D-Bus peer-to-peer server on a socket, running on a thread of its own so that blocking
// calls from the test's thread are answered. For each new connection the callback runs on the
// server's thread and registers the objects it serves (parented to OWNER, which lives as long
// as the server).
class CTestPeerServer : public QThread {
public:
    using TOnConnection = std::function<void(QDBusConnection& connection, QObject* owner)>;

    CTestPeerServer(QString socketPath, TOnConnection onConnection);
    ~CTestPeerServer() override;

    // Starts and waits until the socket listens; false when it could not.
    bool Listen();
    void Shutdown();
    int Connections() const { return m_connections.loadRelaxed(); }

protected:
    void run() override;

private:
    QString m_socketPath;
    TOnConnection m_onConnection;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    bool m_started = false;
    bool m_listening = false;
    QAtomicInt m_connections;
};

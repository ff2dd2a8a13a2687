#pragma once

#include "platform/instance/CInstanceFrame.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One console per user: the first process listens on a local socket in the runtime folder
// (CRuntimeDirectory), and every later start hands its message to it and ends.
//
// A connection carries one frame (CInstanceFrame). The listener answers kAckMagic and closes. Peers
// are not trusted: a frame that is malformed, longer than kMaxMessageBytes, not UTF-8, or followed
// by more bytes, a peer of another user and a peer that stays silent are dropped with their
// connection, and nothing is reported for them.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit CSingleInstance(const QString& name = QStringLiteral("korvane.instance"),
                             QObject* parent = nullptr);
    ~CSingleInstance() override;
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    static constexpr qsizetype kMaxMessageBytes = CInstanceFrame::kMaxMessageBytes;
    static constexpr char kAckMagic[] = "KVA1";
    static constexpr qsizetype kMagicBytes = 4;

    // Becomes the running instance and listens; false when another instance is running (it
    // answered a connection). A stale socket left by a crashed instance is removed and taken over.
    // When the channel cannot be opened at all (no runtime folder, a file in the socket's place)
    // this process runs alone: true, and IsListening() says false.
    bool Listen();
    bool IsListening() const { return m_server != nullptr; }

    // Hands a message (possibly empty) to the running instance and waits for its acknowledgement;
    // true when it was delivered. Blocks for at most TIMEOUT_MS (negative: no limit); it may be
    // called on any thread, but not on the one the listener of this process runs on.
    bool SendMessage(const QString& message, int timeoutMs = 5000) const;

    QString SocketPath() const;

signals:
    // On the listening side, on the thread of this object.
    void MessageReceived(const QString& message);

private:
    enum class TOccupant { None, Running, Stale, Foreign };
    static TOccupant Occupant(const QByteArray& path);
    // The bound and listening socket at PATH, or -1; RUNNING says when another instance has it.
    int BindListening(const QByteArray& path, bool* running);

    void Accept();
    void ReadFrame(QLocalSocket* peer);
    static bool IsOwnUser(const QLocalSocket* peer);

    QString m_name;
    QLocalServer* m_server = nullptr;
    int m_peers = 0;
};

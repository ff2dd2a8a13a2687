#pragma once

#include "platform/mailslot/IMailslot.h"

#include <memory>
#include <mutex>
#include <sys/types.h>

// Mailslots as Unix datagram sockets: the mailslot NAME of this computer is the socket file
// RUNTIME/mailslot/NAME (CRuntimeDirectory). Datagrams keep message boundaries.
//
// The kernel queues only a handful of datagrams per socket (net.unix.max_dgram_qlen, often 10),
// far fewer than a mailslot holds, so a server drains its socket on a thread of its own into a
// queue in memory, as a mailslot's buffer would hold them; NextMessageSize and Read work on that
// queue. Only when the queue holds kQueueLimitBytes does the drain pause, the socket fill up, and
// writers block, so no message is ever lost. Every message counts toward the limit with its
// bookkeeping as well as its data, so that endless empty messages fill the queue too. The socket
// file is removed when the server closes.
class CUnixMailslot : public IMailslot {
public:
    // A server's queue holds up to queueLimitBytes before its writers are held back. FOLDER, when
    // given, holds the socket files instead of RUNTIME/mailslot: the mailslots of another runtime
    // folder of this computer (the system service's).
    explicit CUnixMailslot(qint64 queueLimitBytes = kQueueLimitBytes, QString folder = QString());
    ~CUnixMailslot() override;
    CUnixMailslot(const CUnixMailslot&) = delete;
    CUnixMailslot& operator=(const CUnixMailslot&) = delete;

    DWORD Create(const QString& name, DWORD maxMessageSize, DWORD readTimeoutMs) override;
    DWORD NextMessageSize(DWORD* size) override;
    DWORD Read(QByteArray* message) override;
    DWORD WaitForMessage(DWORD timeoutMs, std::stop_token stop) override;
    DWORD Open(const QString& computer, const QString& name) override;
    DWORD Write(const QByteArray& message) override;
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0; }

    static constexpr qint64 kQueueLimitBytes = 64 * 1024 * 1024;

    // The socket file of the mailslot NAME of this computer.
    static QString SocketPath(const QString& name);
    // A name is one path component: not empty, not "." or "..", no "/" or NUL, and short
    // enough for a socket address.
    static bool IsValidName(const QString& name);

private:
    // ERROR_SUCCESS and the encoded socket path of NAME (in FOLDER, empty for this user's), or why
    // NAME cannot be a mailslot.
    static DWORD CheckName(const QString& name, const QString& folder, QByteArray* path);
    struct TReceiver;
    // The lock of the server's queue, with the socket's next datagram taken onto the queue
    // first when the queue was empty.
    std::unique_lock<std::mutex> LockQueue();

    qint64 m_queueLimitBytes;
    QString m_folder; // empty: RUNTIME/mailslot
    int m_fd = -1;
    bool m_server = false;
    DWORD m_readTimeoutMs = 0;
    QString m_socketPath;
    // Identity of the socket file this server bound, so that closing never removes a file that
    // another process has put in its place since.
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::unique_ptr<TReceiver> m_receiver; // server side only
};

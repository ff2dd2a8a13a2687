#include "platform/instance/CSingleInstance.h"

#include "platform/CRuntimeDirectory.h"
#include "platform/CUnixSocketAddress.h"
#include "platform/instance/CInstanceFrame.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Connections beyond this many at once are refused, and a peer that has not completed its frame
// in this time is dropped: a stuck or hostile peer must not hold the listener's resources.
constexpr int kSingleInstanceMaxPeers = 8;
constexpr int kSingleInstancePeerTimeoutMs = 10000;
constexpr int kSingleInstanceBacklog = 16;
constexpr unsigned long kSingleInstanceRetryMs = 20;
constexpr char kSingleInstanceAcceptedMark[] = "kvFrameAccepted";

bool SingleInstanceSameFile(const QByteArray& path, dev_t device, ino_t inode)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

// A stream socket connected to PATH, or -1. A listener whose queue is full answers EAGAIN;
// that is tried again until DEADLINE.
int SingleInstanceConnect(const QByteArray& path, const QDeadlineTimer& deadline)
{
    const CUnixSocketAddress address(path);
    if (!address.IsValid())
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    while (!address.Connect(fd)) {
        if (errno != EAGAIN || deadline.hasExpired()) {
            ::close(fd);
            return -1;
        }
        QThread::msleep(kSingleInstanceRetryMs);
    }
    return fd;
}

} // namespace

CSingleInstance::CSingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
{}

// The server's close removes the socket file, so that no later start finds it stale.
CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::SocketPath() const
{
    return CRuntimeDirectory::Path() + u'/' + m_name;
}

CSingleInstance::TOccupant CSingleInstance::Occupant(const QByteArray& path)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT ? TOccupant::None : TOccupant::Foreign;
    if (!S_ISSOCK(info.st_mode))
        return TOccupant::Foreign;
    const CUnixSocketAddress address(path);
    if (!address.IsValid())
        return TOccupant::Foreign;
    // Non-blocking, so that a listener whose queue is full cannot hold this start up: it is
    // running all the same.
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0)
        return TOccupant::Foreign;
    const bool connected = address.Connect(probe);
    const int error = errno;
    ::close(probe);
    if (connected || error == EAGAIN || error == EINPROGRESS)
        return TOccupant::Running;
    if (error == ENOENT)
        return TOccupant::None;
    return error == ECONNREFUSED ? TOccupant::Stale : TOccupant::Foreign;
}

int CSingleInstance::BindListening(const QByteArray& path, bool* running)
{
    *running = false;
    const CUnixSocketAddress address(path);
    if (!address.IsValid())
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    for (int round = 0; round < 2; ++round) {
        if (address.Bind(fd)) {
            if (::listen(fd, kSingleInstanceBacklog) == 0)
                return fd;
            break;
        }
        if (errno != EADDRINUSE)
            break;
        struct stat before = {};
        const bool found = ::lstat(path.constData(), &before) == 0;
        const TOccupant occupant = Occupant(path);
        if (occupant == TOccupant::Foreign)
            break;
        // Once a stale socket has been removed, whoever holds the name now is another start
        // that came first, even when it is not listening quite yet.
        if (occupant == TOccupant::Running || round > 0) {
            *running = true;
            break;
        }
        // Only the very file found stale is removed: a socket another start has bound since is
        // not ours to take.
        if (occupant == TOccupant::Stale && found &&
            SingleInstanceSameFile(path, before.st_dev, before.st_ino))
            ::unlink(path.constData());
    }
    ::close(fd);
    return -1;
}

bool CSingleInstance::Listen()
{
    if (m_server)
        return true;
    if (CRuntimeDirectory::Ensure(QString(), nullptr) != ERROR_SUCCESS) {
        qWarning("Single instance: no runtime folder at %s; this process runs alone",
                 qPrintable(CRuntimeDirectory::Path()));
        return true;
    }
    const QByteArray path = QFile::encodeName(SocketPath());
    bool running = false;
    const int fd = BindListening(path, &running);
    if (running)
        return false;
    if (fd < 0) {
        qWarning("Single instance: cannot listen on %s; this process runs alone", path.constData());
        return true;
    }
    auto* server = new QLocalServer(this);
    // A new server takes any listening socket; should it ever refuse, the descriptor is left
    // alone rather than risk closing it twice.
    if (!server->listen(fd)) {
        qWarning("Single instance: %s; this process runs alone", qPrintable(server->errorString()));
        delete server;
        ::unlink(path.constData());
        return true;
    }
    connect(server, &QLocalServer::newConnection, this, &CSingleInstance::Accept);
    m_server = server;
    return true;
}

void CSingleInstance::Accept()
{
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (m_peers >= kSingleInstanceMaxPeers || !IsOwnUser(peer)) {
            peer->abort();
            continue;
        }
        ++m_peers;
        connect(peer, &QObject::destroyed, this, [this] { --m_peers; });
        // Qt stops reading from the peer once a frame's worth waits unread.
        peer->setReadBufferSize(CInstanceFrame::kMaxFrameBytes);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { ReadFrame(peer); });
        QTimer::singleShot(kSingleInstancePeerTimeoutMs, peer, [peer] {
            if (!peer->property(kSingleInstanceAcceptedMark).toBool())
                peer->abort();
        });
        ReadFrame(peer);
    }
}

bool CSingleInstance::IsOwnUser(const QLocalSocket* peer)
{
    ucred credentials = {};
    socklen_t size = sizeof credentials;
    return ::getsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                        &credentials, &size) == 0 &&
           size == sizeof credentials && credentials.uid == ::geteuid();
}

void CSingleInstance::ReadFrame(QLocalSocket* peer)
{
    // A peer that closes right after its frame still has it read: what arrived is buffered.
    if (peer->property(kSingleInstanceAcceptedMark).toBool())
        return;
    const QByteArray header = peer->peek(CInstanceFrame::kHeaderBytes);
    QString message;
    CInstanceFrame::TState state = CInstanceFrame::Decode(header, &message);
    // Once the header is whole, the frame is read when all of it has come: peeking at everything
    // on every arrival would copy a slow peer's bytes over and over.
    if (state != CInstanceFrame::TState::Refused && header.size() == CInstanceFrame::kHeaderBytes) {
        const qint64 available = peer->bytesAvailable();
        if (available < CInstanceFrame::FrameBytes(header))
            return;
        state = CInstanceFrame::Decode(peer->peek(available), &message);
    }
    if (state == CInstanceFrame::TState::Incomplete)
        return;
    if (state == CInstanceFrame::TState::Refused) {
        peer->abort();
        return;
    }
    peer->readAll();
    peer->setProperty(kSingleInstanceAcceptedMark, true);
    peer->write(kAckMagic, kMagicBytes);
    peer->disconnectFromServer();
    emit MessageReceived(message);
}

bool CSingleInstance::SendMessage(const QString& message, int timeoutMs) const
{
    const QByteArray frame = CInstanceFrame::Encode(message);
    if (frame.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever
                                                : QDeadlineTimer(timeoutMs));
    auto Remaining = [&deadline] {
        const qint64 left = deadline.remainingTime();
        return left < 0 ? -1 : static_cast<int>(left);
    };

    QLocalSocket socket;
    const int fd = SingleInstanceConnect(QFile::encodeName(SocketPath()), deadline);
    if (fd < 0 || !socket.setSocketDescriptor(fd)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (socket.write(frame) != frame.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(Remaining()))
            return false;
    }
    while (socket.bytesAvailable() < kMagicBytes) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(Remaining()))
            return false;
    }
    return socket.read(kMagicBytes) == QByteArray(kAckMagic, kMagicBytes);
}

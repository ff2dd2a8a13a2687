#include "refengine/CStdioBridge.h"

#include "platform/CFileDescriptor.h"
#include "platform/CUnixSocketAddress.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr size_t kBridgeChunkBytes = 64 * 1024;

// One direction of the bridge: what was read and not yet written on.
struct TBridgeDirection {
    int from = -1;
    int to = -1;
    std::array<char, kBridgeChunkBytes> buffer{};
    size_t begin = 0, end = 0;
    bool readEnded = false; // no more input: the rest is written, then the end passed on
    bool done = false;

    bool Pending() const { return begin < end; }
};

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

} // namespace

QString CStdioBridge::ReachableSocket(const QStringList& sockets)
{
    for (const QString& socket : sockets) {
        if (::access(QFile::encodeName(socket).constData(), W_OK) == 0)
            return socket;
    }
    return QString();
}

bool CStdioBridge::FindEngine(const QStringList& sockets, const std::function<bool()>& startEngine,
                              int waitMs, QString* socket, QString* error)
{
    *socket = ReachableSocket(sockets);
    if (!socket->isEmpty())
        return true;
    if (!startEngine()) {
        *error = u"no engine runs here and none could be started"_s;
        return false;
    }
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        *socket = ReachableSocket(sockets);
        if (!socket->isEmpty())
            return true;
        QThread::msleep(20);
    }
    *error = u"the engine started but did not come up in time"_s;
    return false;
}

int CStdioBridge::Run(int inFd, int outFd, const QString& socket, QString* error)
{
    const CFileDescriptor engine(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const CUnixSocketAddress address(QFile::encodeName(socket));
    if (engine.Get() < 0 || !address.IsValid() || !address.Connect(engine.Get())) {
        *error =
            u"cannot connect to %1: %2"_s.arg(socket, QString::fromLocal8Bit(std::strerror(errno)));
        return 1;
    }
    TBridgeDirection toEngine;
    toEngine.from = inFd;
    toEngine.to = engine.Get();
    TBridgeDirection fromEngine;
    fromEngine.from = engine.Get();
    fromEngine.to = outFd;
    TBridgeDirection* directions[] = {&toEngine, &fromEngine};

    while (!toEngine.done || !fromEngine.done) {
        // Each direction reads when its buffer is empty and writes while it holds something.
        std::array<pollfd, 2> polled{};
        nfds_t count = 0;
        std::array<int, 2> owner{};
        std::array<bool, 2> writing{};
        for (int index = 0; index < 2; ++index) {
            TBridgeDirection& direction = *directions[index];
            if (direction.done)
                continue;
            if (direction.Pending()) {
                polled[count] = {direction.to, POLLOUT, 0};
                writing[count] = true;
            } else {
                polled[count] = {direction.from, POLLIN, 0};
                writing[count] = false;
            }
            owner[count++] = index;
        }
        if (::poll(polled.data(), count, -1) < 0) {
            if (errno == EINTR)
                continue;
            *error = u"poll: "_s + QString::fromLocal8Bit(std::strerror(errno));
            return 1;
        }
        for (nfds_t slot = 0; slot < count; ++slot) {
            if (polled[slot].revents == 0)
                continue;
            TBridgeDirection& direction = *directions[owner[slot]];
            if (writing[slot]) {
                const ssize_t written =
                    ::write(direction.to, direction.buffer.data() + direction.begin,
                            direction.end - direction.begin);
                if (written < 0 && WouldBlock(errno))
                    continue;
                if (written <= 0) {
                    // The other side is gone: nothing more can go this way.
                    direction.done = true;
                    continue;
                }
                direction.begin += size_t(written);
            } else {
                const ssize_t read =
                    ::read(direction.from, direction.buffer.data(), direction.buffer.size());
                if (read < 0 && WouldBlock(errno))
                    continue;
                direction.begin = 0;
                direction.end = read > 0 ? size_t(read) : 0;
                if (read <= 0)
                    direction.readEnded = true;
            }
            if (direction.readEnded && !direction.Pending() && !direction.done) {
                direction.done = true;
                // The console's end of input is the engine's end of reading; the engine's
                // hang-up ends the bridge's output.
                if (&direction == &toEngine)
                    ::shutdown(engine.Get(), SHUT_WR);
                else
                    ::close(outFd);
            }
        }
        // When the engine hangs up, the console's input can go nowhere.
        if (fromEngine.done)
            toEngine.done = true;
    }
    return 0;
}

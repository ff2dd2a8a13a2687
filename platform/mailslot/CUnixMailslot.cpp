#include "platform/mailslot/CUnixMailslot.h"

#include "core/CWin32Error.h"
#include "platform/CComputerName.h"
#include "platform/CRuntimeDirectory.h"
#include "platform/CUnixSocketAddress.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Room for bursts. The kernel caps it at net.core.[rw]mem_max, which is fine.
constexpr int kSocketBufferBytes = 4 * 1024 * 1024;

int NewSocket()
{
    return ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

bool SameFile(const QByteArray& path, dev_t device, ino_t inode)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

// Clears the way for a bind to PATH when the socket there was left by a process that died
// without removing it: nobody receives on it any more, so connecting is refused. A live
// mailslot, or anything that is not a socket, stays and the name is in use.
DWORD RemoveStaleSocket(const QByteArray& path)
{
    struct stat before = {};
    if (::lstat(path.constData(), &before) != 0)
        return errno == ENOENT ? ERROR_SUCCESS : CWin32Error::FromErrno(errno, ERROR_ACCESS_DENIED);
    if (!S_ISSOCK(before.st_mode))
        return ERROR_ALREADY_EXISTS;
    const int probe = NewSocket();
    if (probe < 0)
        return CWin32Error::FromErrno(errno, ERROR_NOT_ENOUGH_MEMORY);
    const bool refused = !CUnixSocketAddress(path).Connect(probe) && errno == ECONNREFUSED;
    ::close(probe);
    if (!refused)
        return ERROR_ALREADY_EXISTS;
    // Another process may have taken the name over in the meantime; its socket is not ours to
    // remove.
    if (SameFile(path, before.st_dev, before.st_ino))
        ::unlink(path.constData());
    return ERROR_SUCCESS;
}

} // namespace

CUnixMailslot::CUnixMailslot(qint64 queueLimitBytes, QString folder)
    : m_queueLimitBytes(queueLimitBytes)
    , m_folder(std::move(folder))
{}

CUnixMailslot::~CUnixMailslot()
{
    Close();
}

QString CUnixMailslot::SocketPath(const QString& name)
{
    return CRuntimeDirectory::Path() + u"/mailslot/"_s + name;
}

DWORD CUnixMailslot::CheckName(const QString& name, const QString& folder, QByteArray* path)
{
    if (name.isEmpty() || name == u"."_s || name == u".."_s || name.contains(u'/') ||
        name.contains(QChar(u'\0')))
        return ERROR_INVALID_NAME;
    // However deep the runtime folder, the socket is reached; only the name itself is bounded.
    if (!CUnixSocketAddress::FitsFileName(QFile::encodeName(name)))
        return ERROR_FILENAME_EXCED_RANGE;
    *path = QFile::encodeName(folder.isEmpty() ? SocketPath(name) : folder + u'/' + name);
    return ERROR_SUCCESS;
}

bool CUnixMailslot::IsValidName(const QString& name)
{
    QByteArray path;
    return CheckName(name, QString(), &path) == ERROR_SUCCESS;
}

// The server's drain: a thread that takes every datagram off the socket as soon as it arrives
// and queues it here, until Close asks it to end through the wake-up descriptor.
struct CUnixMailslot::TReceiver {
    struct TMessage {
        QByteArray data;
        DWORD size = 0;         // the datagram's length, also when its data was not kept
        bool oversized = false; // longer than the mailslot's maximum message size

        // What it takes of the queue's room: its data and its entry, so that messages with
        // little or no data (empty datagrams, oversized ones not kept) fill the queue too.
        qint64 Cost() const { return data.size() + kEntryCost; }
    };
    // About what an entry of the queue takes besides its data.
    static constexpr qint64 kEntryCost = 64;

    int socket = -1;
    int wake = -1; // an eventfd that Close signals
    DWORD maxMessageSize = 0;
    qint64 queueLimitBytes = 0;
    std::thread thread;
    std::mutex socketMutex; // guards the socket's reads and the buffer
    // Twice the largest send buffer a writer can ask for (net.core.wmem_max is 4 MiB here and
    // rarely more); only the pages a datagram fills are ever touched.
    static constexpr size_t kBatch = 32;
    static constexpr size_t kReceiveBufferBytes = 16 * 1024 * 1024;
    std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kReceiveBufferBytes);
    std::mutex mutex;                    // guards the rest
    std::condition_variable_any arrived; // also woken by a waiter's stop
    std::condition_variable roomMade;
    std::deque<TMessage> queue;
    qint64 queuedBytes = 0; // the Cost() of the messages queued
    bool stopping = false;
    DWORD error = ERROR_SUCCESS; // what ended the drain, reported once the queue is empty

    void Drain();
    // Queues the datagrams waiting on the socket, up to a batch; true when more may wait.
    bool TakeWaiting();
};

void CUnixMailslot::TReceiver::Drain()
{
    pthread_setname_np(pthread_self(), "kv-mailslot");
    for (;;) {
        {
            std::unique_lock lock(mutex);
            roomMade.wait(lock, [this] { return stopping || queuedBytes < queueLimitBytes; });
            if (stopping)
                return;
        }
        while (TakeWaiting()) {
        }
        {
            std::lock_guard lock(mutex);
            if (stopping || error != ERROR_SUCCESS)
                return;
        }
        pollfd waits[2] = {{socket, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR) {
            std::lock_guard lock(mutex);
            error = CWin32Error::FromErrno(errno, ERROR_READ_FAULT);
            arrived.notify_all();
            return;
        }
        if (waits[1].revents != 0)
            return;
    }
}

bool CUnixMailslot::TReceiver::TakeWaiting()
{
    // Each receive goes into a buffer larger than any datagram a writer's send buffer lets
    // through; MSG_TRUNC makes it answer the datagram's real length all the same. What waits is
    // gathered first and queued under one lock.
    std::unique_lock reading(socketMutex);
    std::vector<TMessage> taken;
    int receiveError = 0;
    while (taken.size() < kBatch) {
        const ssize_t got =
            ::recv(socket, buffer.get(), kReceiveBufferBytes, MSG_DONTWAIT | MSG_TRUNC);
        if (got < 0) {
            receiveError = errno;
            if (receiveError == EINTR)
                continue;
            break;
        }
        TMessage& message = taken.emplace_back();
        message.size = static_cast<DWORD>(got);
        message.oversized = (maxMessageSize != 0 && static_cast<quint64>(got) > maxMessageSize) ||
                            got > static_cast<ssize_t>(kReceiveBufferBytes);
        if (!message.oversized)
            message.data = QByteArray(buffer.get(), got);
    }
    // The datagrams reach the queue before the socket is free again, so that a reader never
    // finds both empty while a message is on its way between them.
    std::lock_guard lock(mutex);
    for (TMessage& message : taken) {
        queuedBytes += message.Cost();
        queue.push_back(std::move(message));
    }
    if (!taken.empty())
        arrived.notify_all();
    if (receiveError != 0 && receiveError != EAGAIN && receiveError != EWOULDBLOCK) {
        error = CWin32Error::FromErrno(receiveError, ERROR_READ_FAULT);
        arrived.notify_all();
        return false;
    }
    // A full batch means more may be waiting.
    return taken.size() == kBatch && queuedBytes < queueLimitBytes && !stopping;
}

// A handle that is already open is refused with ERROR_INVALID_HANDLE, as it is for every other
// operation in the wrong state; ERROR_ALREADY_EXISTS is kept for a name in use.
DWORD CUnixMailslot::Create(const QString& name, DWORD maxMessageSize, DWORD readTimeoutMs)
{
    if (IsOpen())
        return ERROR_INVALID_HANDLE;
    QByteArray path;
    DWORD result = CheckName(name, m_folder, &path);
    if (result != ERROR_SUCCESS)
        return result;
    if (m_folder.isEmpty())
        result = CRuntimeDirectory::Ensure(u"mailslot"_s, nullptr);
    else if (!QDir().mkpath(m_folder))
        result = ERROR_PATH_NOT_FOUND;
    if (result != ERROR_SUCCESS)
        return result;

    const int fd = NewSocket();
    if (fd < 0)
        return CWin32Error::FromErrno(errno, ERROR_NOT_ENOUGH_MEMORY);
    bool bound = CUnixSocketAddress(path).Bind(fd);
    if (!bound && errno == EADDRINUSE) {
        result = RemoveStaleSocket(path);
        if (result != ERROR_SUCCESS) {
            ::close(fd);
            return result;
        }
        bound = CUnixSocketAddress(path).Bind(fd);
    }
    struct stat info = {};
    if (!bound || ::lstat(path.constData(), &info) != 0) {
        result = CWin32Error::FromErrno(errno, ERROR_ACCESS_DENIED);
        ::close(fd);
        return result;
    }
    auto receiver = std::make_unique<TReceiver>();
    receiver->socket = fd;
    receiver->maxMessageSize = maxMessageSize;
    receiver->queueLimitBytes = m_queueLimitBytes;
    receiver->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (receiver->wake < 0) {
        result = CWin32Error::FromErrno(errno, ERROR_NOT_ENOUGH_MEMORY);
        ::close(fd);
        ::unlink(path.constData());
        return result;
    }
    try {
        receiver->thread = std::thread([state = receiver.get()] { state->Drain(); });
    } catch (const std::system_error&) {
        ::close(receiver->wake);
        ::close(fd);
        ::unlink(path.constData());
        return ERROR_NOT_ENOUGH_MEMORY;
    }

    m_receiver = std::move(receiver);
    m_fd = fd;
    m_server = true;
    m_readTimeoutMs = readTimeoutMs;
    m_socketPath = QFile::decodeName(path);
    m_device = info.st_dev;
    m_inode = info.st_ino;
    return ERROR_SUCCESS;
}

std::unique_lock<std::mutex> CUnixMailslot::LockQueue()
{
    std::unique_lock lock(m_receiver->mutex);
    if (m_receiver->queue.empty()) {
        // What has been written is there at once, even before the drain has taken it.
        lock.unlock();
        m_receiver->TakeWaiting();
        lock.lock();
    }
    return lock;
}

DWORD CUnixMailslot::NextMessageSize(DWORD* size)
{
    if (!IsOpen() || !m_server)
        return ERROR_INVALID_HANDLE;
    if (!size)
        return ERROR_INVALID_PARAMETER;
    const std::unique_lock lock = LockQueue();
    if (!m_receiver->queue.empty()) {
        *size = m_receiver->queue.front().size;
        return ERROR_SUCCESS;
    }
    if (m_receiver->error != ERROR_SUCCESS)
        return m_receiver->error;
    *size = MAILSLOT_NO_MESSAGE;
    return ERROR_SUCCESS;
}

// A message longer than the maximum message size is taken off the queue unread and answers
// ERROR_INVALID_DATA, so that one oversized message cannot block those behind it.
DWORD CUnixMailslot::Read(QByteArray* message)
{
    if (!IsOpen() || !m_server)
        return ERROR_INVALID_HANDLE;
    if (!message)
        return ERROR_INVALID_PARAMETER;
    TReceiver& receiver = *m_receiver;
    std::unique_lock lock = LockQueue();
    auto ready = [&receiver] {
        return !receiver.queue.empty() || receiver.error != ERROR_SUCCESS || receiver.stopping;
    };
    if (m_readTimeoutMs == MAILSLOT_WAIT_FOREVER)
        receiver.arrived.wait(lock, ready);
    else
        receiver.arrived.wait_for(lock, std::chrono::milliseconds(m_readTimeoutMs), ready);
    if (receiver.queue.empty()) {
        if (receiver.error != ERROR_SUCCESS)
            return receiver.error;
        return receiver.stopping ? ERROR_INVALID_HANDLE : ERROR_SEM_TIMEOUT;
    }
    TReceiver::TMessage next = std::move(receiver.queue.front());
    receiver.queue.pop_front();
    receiver.queuedBytes -= next.Cost();
    receiver.roomMade.notify_one();
    if (next.oversized)
        return ERROR_INVALID_DATA;
    *message = std::move(next.data);
    return ERROR_SUCCESS;
}

DWORD CUnixMailslot::WaitForMessage(DWORD timeoutMs, std::stop_token stop)
{
    if (!IsOpen() || !m_server)
        return ERROR_INVALID_HANDLE;
    TReceiver& receiver = *m_receiver;
    std::unique_lock lock = LockQueue();
    const auto ready = [&receiver] {
        return !receiver.queue.empty() || receiver.error != ERROR_SUCCESS || receiver.stopping;
    };
    const bool woken =
        timeoutMs == MAILSLOT_WAIT_FOREVER
            ? receiver.arrived.wait(lock, stop, ready)
            : receiver.arrived.wait_for(lock, stop, std::chrono::milliseconds(timeoutMs), ready);
    if (woken)
        return ERROR_SUCCESS;
    return stop.stop_requested() ? ERROR_CANCELLED : ERROR_SEM_TIMEOUT;
}

DWORD CUnixMailslot::Open(const QString& computer, const QString& name)
{
    if (IsOpen())
        return ERROR_INVALID_HANDLE;
    if (!CComputerName::IsLocal(computer))
        return ERROR_BAD_NETPATH;
    QByteArray path;
    const DWORD result = CheckName(name, m_folder, &path);
    if (result != ERROR_SUCCESS)
        return result;
    const int fd = NewSocket();
    if (fd < 0)
        return CWin32Error::FromErrno(errno, ERROR_NOT_ENOUGH_MEMORY);
    if (!CUnixSocketAddress(path).Connect(fd)) {
        const int error = errno;
        ::close(fd);
        if (error == ENOENT || error == ECONNREFUSED || error == EPROTOTYPE)
            return ERROR_FILE_NOT_FOUND;
        return CWin32Error::FromErrno(error, ERROR_FILE_NOT_FOUND);
    }
    // The send buffer bounds the largest message; the default allows a little over 200 KiB.
    int bufferBytes = kSocketBufferBytes;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    m_fd = fd;
    m_server = false;
    return ERROR_SUCCESS;
}

DWORD CUnixMailslot::Write(const QByteArray& message)
{
    if (!IsOpen() || m_server)
        return ERROR_INVALID_HANDLE;
    for (;;) {
        if (::send(m_fd, message.constData(), static_cast<size_t>(message.size()), MSG_NOSIGNAL) >=
            0)
            return ERROR_SUCCESS;
        switch (errno) {
        case EINTR:
            continue;
        // The reader has closed: refused once, and not connected to anything after that.
        case ECONNREFUSED:
        case ENOTCONN:
        case EPIPE:
            return ERROR_FILE_NOT_FOUND;
        case EMSGSIZE:
            return ERROR_INVALID_PARAMETER;
        default:
            return CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
        }
    }
}

void CUnixMailslot::Close()
{
    if (m_fd < 0)
        return;
    if (m_server) {
        // The file goes first, so no writer can connect to a mailslot that is ending.
        const QByteArray path = QFile::encodeName(m_socketPath);
        if (SameFile(path, m_device, m_inode))
            ::unlink(path.constData());
        {
            std::lock_guard lock(m_receiver->mutex);
            m_receiver->stopping = true;
        }
        m_receiver->roomMade.notify_all();
        m_receiver->arrived.notify_all();
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_receiver->wake, &one, sizeof one);
        m_receiver->thread.join();
        ::close(m_receiver->wake);
        m_receiver.reset();
    }
    ::close(m_fd);
    m_fd = -1;
    m_server = false;
    m_readTimeoutMs = 0;
    m_socketPath.clear();
    m_device = 0;
    m_inode = 0;
}

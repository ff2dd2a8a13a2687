#include "platform/devices/CBlockDeviceMonitor.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The kernel's own uevents; the device manager's rebroadcasts go to another group.
constexpr unsigned kBlockDeviceMonitorKernelGroup = 1;
// A uevent is at most a page or two; anything longer arrives cut and is not read.
constexpr size_t kBlockDeviceMonitorBufferBytes = 16 * 1024;

} // namespace

CBlockDeviceMonitor::CBlockDeviceMonitor(QObject* parent)
    : QObject(parent)
{
    OpenUevents();
    OpenMountInfo();
}

CBlockDeviceMonitor::~CBlockDeviceMonitor()
{
    // The notifiers go before their descriptors.
    delete m_ueventNotifier;
    delete m_mountNotifier;
    if (m_ueventSocket >= 0)
        ::close(m_ueventSocket);
    if (m_mountInfo >= 0)
        ::close(m_mountInfo);
}

void CBlockDeviceMonitor::OpenUevents()
{
    const int fd =
        ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return;
    sockaddr_nl address = {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kBlockDeviceMonitorKernelGroup;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    m_ueventSocket = fd;
    m_ueventNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_ueventNotifier, &QSocketNotifier::activated, this, &CBlockDeviceMonitor::ReadUevents);
}

void CBlockDeviceMonitor::OpenMountInfo()
{
    const int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    m_mountInfo = fd;
    // The first read records the mount table the kernel compares against.
    ReadMountInfo();
    // The kernel flags a changed mount table with POLLPRI | POLLERR.
    m_mountNotifier = new QSocketNotifier(fd, QSocketNotifier::Exception, this);
    connect(m_mountNotifier, &QSocketNotifier::activated, this, [this] {
        ReadMountInfo();
        emit DevicesChanged();
    });
}

void CBlockDeviceMonitor::ReadMountInfo()
{
    // Reading the table through re-arms the change notification.
    if (::lseek(m_mountInfo, 0, SEEK_SET) < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_mountInfo, buffer, sizeof buffer);
        if (got > 0)
            continue;
        if (got < 0 && errno == EINTR)
            continue;
        return;
    }
}

void CBlockDeviceMonitor::ReadUevents()
{
    char buffer[kBlockDeviceMonitorBufferBytes];
    bool blockEvent = false;
    for (;;) {
        sockaddr_nl sender = {};
        iovec part = {buffer, sizeof buffer};
        msghdr header = {};
        header.msg_name = &sender;
        header.msg_namelen = sizeof sender;
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        const ssize_t got = ::recvmsg(m_ueventSocket, &header, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            // ENOBUFS: the kernel dropped events while the queue was full; something changed.
            if (errno == ENOBUFS)
                blockEvent = true;
            break;
        }
        // Only the kernel's own messages count, and only whole ones.
        if (sender.nl_pid != 0 || (header.msg_flags & MSG_TRUNC) != 0)
            continue;
        if (IsBlockEvent(QByteArray::fromRawData(buffer, got)))
            blockEvent = true;
    }
    if (blockEvent)
        emit DevicesChanged();
}

bool CBlockDeviceMonitor::IsBlockEvent(const QByteArray& uevent)
{
    const char* data = uevent.constData();
    const qsizetype size = uevent.size();
    // The first field: "ACTION@DEVPATH".
    const qsizetype firstEnd = uevent.indexOf('\0');
    if (firstEnd <= 0)
        return false;
    const QByteArrayView first(data, firstEnd);
    const qsizetype at = first.indexOf('@');
    if (at <= 0 || at + 1 >= firstEnd || first[at + 1] != '/')
        return false;
    bool block = false;
    qsizetype position = firstEnd + 1;
    while (position < size) {
        const qsizetype end = uevent.indexOf('\0', position);
        // Every field is ended by its NUL: a message cut short is not trusted.
        if (end < 0)
            return false;
        const QByteArrayView field(data + position, end - position);
        const qsizetype equals = field.indexOf('=');
        if (equals <= 0)
            return false;
        if (field == QByteArrayView("SUBSYSTEM=block"))
            block = true;
        position = end + 1;
    }
    return block;
}

#include "platform/CUnixSocketAddress.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool FitsAddress(const QByteArray& path)
{
    return path.size() < static_cast<qsizetype>(sizeof(sockaddr_un::sun_path));
}

} // namespace

CUnixSocketAddress::CUnixSocketAddress(const QByteArray& path)
{
    m_address.sun_family = AF_UNIX;
    const qsizetype slash = path.lastIndexOf('/');
    if (path.isEmpty() || path.contains('\0') || !FitsFileName(path.mid(slash + 1))) {
        m_error = path.isEmpty() || path.contains('\0') ? EINVAL : ENAMETOOLONG;
        return;
    }
    QByteArray reachable = path;
    if (!FitsAddress(path)) {
        if (slash < 0) {
            m_error = ENAMETOOLONG;
            return;
        }
        const QByteArray folder = slash == 0 ? QByteArray("/") : path.left(slash);
        m_folder = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_folder < 0) {
            m_error = errno;
            return;
        }
        reachable = "/proc/self/fd/" + QByteArray::number(m_folder) + path.mid(slash);
        if (!FitsAddress(reachable)) {
            m_error = ENAMETOOLONG;
            return;
        }
    }
    std::memcpy(m_address.sun_path, reachable.constData(), static_cast<size_t>(reachable.size()));
}

// Callers read errno of a failed Bind or Connect after the address is gone.
CUnixSocketAddress::~CUnixSocketAddress()
{
    if (m_folder >= 0) {
        const int error = errno;
        ::close(m_folder);
        errno = error;
    }
}

bool CUnixSocketAddress::Bind(int fd) const
{
    if (!IsValid()) {
        errno = m_error;
        return false;
    }
    return ::bind(fd, Raw(), sizeof m_address) == 0;
}

bool CUnixSocketAddress::Connect(int fd) const
{
    if (!IsValid()) {
        errno = m_error;
        return false;
    }
    return ::connect(fd, Raw(), sizeof m_address) == 0;
}

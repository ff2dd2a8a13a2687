#include "platform/CMachinePolicyLock.h"

#include "core/CWin32Error.h"
#include "platform/registry/CRegistryLocation.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens the lock file, creating it readable by everyone: every user's console takes the same
// section, and a lock can be taken on a descriptor opened for reading only.
int OpenLockFile(const QByteArray& path)
{
    int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
        // The umask may have taken the read bits of other users away.
        ::fchmod(fd, 0644);
        return fd;
    }
    if (errno != EEXIST)
        return -1;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

CMachinePolicyLock::CMachinePolicyLock()
    : CMachinePolicyLock(DefaultLockFilePath())
{}

CMachinePolicyLock::CMachinePolicyLock(const QString& lockFilePath)
    : m_path(lockFilePath)
{}

CMachinePolicyLock::~CMachinePolicyLock()
{
    Leave();
}

QString CMachinePolicyLock::DefaultLockFilePath()
{
    return CRegistryLocation::HiveDirectory(HKEY_LOCAL_MACHINE) +
           QStringLiteral("/machine-policy.lock");
}

DWORD CMachinePolicyLock::Enter(int waitMs)
{
    if (IsEntered())
        return ERROR_SUCCESS;
    const int fd = OpenLockFile(QFile::encodeName(m_path));
    if (fd < 0)
        return CWin32Error::FromErrno(errno, ERROR_ACCESS_DENIED);

    DWORD result = ERROR_SUCCESS;
    if (waitMs < 0) {
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                result = CWin32Error::FromErrno(errno, ERROR_ACCESS_DENIED);
                break;
            }
        }
    } else {
        // flock() cannot wait for a limited time, so a busy section is tried again in short steps.
        const QDeadlineTimer deadline(waitMs);
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK) {
                result = CWin32Error::FromErrno(errno, ERROR_ACCESS_DENIED);
                break;
            }
            if (deadline.hasExpired()) {
                result = ERROR_SEM_TIMEOUT;
                break;
            }
            const qint64 step = std::clamp<qint64>(deadline.remainingTime(), 1, 10);
            QThread::msleep(static_cast<unsigned long>(step));
        }
    }
    if (result != ERROR_SUCCESS) {
        ::close(fd);
        return result;
    }
    m_fd = fd;
    return ERROR_SUCCESS;
}

void CMachinePolicyLock::Leave()
{
    if (!IsEntered())
        return;
    // Closing the only descriptor of this open file releases its lock.
    ::close(m_fd);
    m_fd = -1;
}

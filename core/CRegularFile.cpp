#include "core/CRegularFile.h"

#include "core/CWin32Error.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kReadChunk = 64 * 1024;

} // namespace

CRegularFile::~CRegularFile()
{
    Close();
}

DWORD CRegularFile::Fail(int error, DWORD fallback)
{
    m_reason = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
    case ENOENT:
        // A missing file in an existing folder, or a missing folder.
        return QFileInfo(QFileInfo(m_path).absolutePath()).isDir() ? ERROR_FILE_NOT_FOUND
                                                                   : ERROR_PATH_NOT_FOUND;
    case EISDIR:
    case ENXIO: // a named pipe opened for writing that nobody reads
        return ERROR_ACCESS_DENIED;
    case ELOOP:
        return ERROR_INVALID_NAME;
    default:
        return CWin32Error::FromErrno(error, fallback);
    }
}

DWORD CRegularFile::Open(const QString& path, int flags, mode_t mode)
{
    Close();
    m_path = path;
    m_reason.clear();
    const int fd =
        ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0)
        return Fail(errno, ERROR_ACCESS_DENIED);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const DWORD error = Fail(errno, ERROR_READ_FAULT);
        ::close(fd);
        return error;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        m_reason = QStringLiteral("not a regular file");
        return ERROR_ACCESS_DENIED;
    }
    // A regular file's reads and writes never wait anyway; the flag goes for clarity.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_status = status;
    return ERROR_SUCCESS;
}

DWORD CRegularFile::ReadToEnd(qint64 maxSize, QByteArray* contents)
{
    if (m_fd < 0)
        return ERROR_INVALID_HANDLE;
    if (m_status.st_size > maxSize) {
        m_reason = QStringLiteral("larger than %1 bytes").arg(maxSize);
        return ERROR_FILE_TOO_LARGE;
    }
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(m_status.st_size));
    for (;;) {
        // One byte beyond the limit shows a file that grew past it.
        const qint64 left = maxSize - bytes.size();
        const qint64 room = left >= kReadChunk ? kReadChunk : left + 1;
        const qsizetype start = bytes.size();
        bytes.resize(start + static_cast<qsizetype>(room));
        const ssize_t got = ::read(m_fd, bytes.data() + start, static_cast<size_t>(room));
        if (got < 0 && errno == EINTR) {
            bytes.truncate(start);
            continue;
        }
        if (got < 0)
            return Fail(errno, ERROR_READ_FAULT);
        bytes.truncate(start + got);
        if (bytes.size() > maxSize) {
            m_reason = QStringLiteral("larger than %1 bytes").arg(maxSize);
            return ERROR_FILE_TOO_LARGE;
        }
        if (got == 0)
            break;
    }
    *contents = std::move(bytes);
    return ERROR_SUCCESS;
}

DWORD CRegularFile::WriteAll(const QByteArray& bytes)
{
    if (m_fd < 0)
        return ERROR_INVALID_HANDLE;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t result =
            ::write(m_fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            return Fail(errno, ERROR_WRITE_FAULT);
        if (result == 0)
            return ERROR_WRITE_FAULT;
        written += result;
    }
    return ERROR_SUCCESS;
}

DWORD CRegularFile::Close()
{
    if (m_fd < 0)
        return ERROR_SUCCESS;
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0 ? ERROR_SUCCESS : Fail(errno, ERROR_WRITE_FAULT);
}

DWORD CRegularFile::ReadAll(const QString& path, qint64 maxSize, QByteArray* contents)
{
    CRegularFile file;
    const DWORD opened = file.Open(path, O_RDONLY);
    return opened != ERROR_SUCCESS ? opened : file.ReadToEnd(maxSize, contents);
}

DWORD CRegularFile::Replace(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (path.isEmpty() || target.fileName().isEmpty())
        return ERROR_INVALID_NAME;
    if (target.exists() && !target.isFile())
        return ERROR_ACCESS_DENIED;
    // Beside the target, so that the rename never crosses file systems; made with O_EXCL, so
    // that nothing already there is opened.
    CRegularFile file;
    QString hidden;
    DWORD error = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 16 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        hidden = QStringLiteral("%1/.%2.%3")
                     .arg(target.absolutePath(), target.fileName())
                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        error = file.Open(hidden, O_WRONLY | O_CREAT | O_EXCL, 0666);
    }
    if (error != ERROR_SUCCESS)
        return error;
    error = file.WriteAll(bytes);
    if (error == ERROR_SUCCESS && ::fsync(file.Descriptor()) != 0)
        error = CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
    const DWORD closed = file.Close();
    if (error == ERROR_SUCCESS)
        error = closed;
    if (error == ERROR_SUCCESS &&
        ::rename(QFile::encodeName(hidden).constData(), QFile::encodeName(path).constData()) != 0)
        error = CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
    if (error != ERROR_SUCCESS)
        ::unlink(QFile::encodeName(hidden).constData());
    return error;
}

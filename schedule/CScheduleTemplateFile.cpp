#include "schedule/CScheduleTemplateFile.h"

#include "platform/CFileDescriptor.h"
#include "platform/CWin32Error.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A missing file in an existing folder is "file not found"; a missing folder "path not found".
DWORD CScheduleTemplateFileOpenError(int error, const QString& fileName)
{
    if (error == ENOENT && QFileInfo(QFileInfo(fileName).absolutePath()).isDir())
        return ERROR_FILE_NOT_FOUND;
    if (error == EISDIR)
        return ERROR_ACCESS_DENIED;
    return CWin32Error::FromErrno(error, ERROR_ACCESS_DENIED);
}

} // namespace

DWORD CScheduleTemplateFile::Write(const QString& fileName, const QByteArray& contents)
{
    const QByteArray path = QFile::encodeName(fileName);
    CFileDescriptor file(::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        return CScheduleTemplateFileOpenError(errno, fileName);
    qsizetype written = 0;
    // One write puts everything on a regular file; the loop only resumes an interrupted or
    // partial one.
    while (written < contents.size()) {
        const ssize_t result = ::write(file.Get(), contents.constData() + written,
                                       static_cast<std::size_t>(contents.size() - written));
        if (result < 0) {
            if (errno == EINTR)
                continue;
            return CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
        }
        if (result == 0)
            return ERROR_WRITE_FAULT;
        written += result;
    }
    if (!file.Close())
        return CWin32Error::FromErrno(errno, ERROR_WRITE_FAULT);
    return ERROR_SUCCESS;
}

DWORD CScheduleTemplateFile::Read(const QString& fileName, QByteArray& contents)
{
    const QByteArray path = QFile::encodeName(fileName);
    CFileDescriptor file(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        return CScheduleTemplateFileOpenError(errno, fileName);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        return CWin32Error::FromErrno(errno, ERROR_READ_FAULT);
    if (S_ISDIR(status.st_mode))
        return ERROR_ACCESS_DENIED;
    if (status.st_size > kMaximumSize)
        return ERROR_FILE_TOO_LARGE;
    QByteArray buffer(static_cast<qsizetype>(status.st_size), '\0');
    qsizetype taken = 0;
    while (taken < buffer.size()) {
        const ssize_t result = ::read(file.Get(), buffer.data() + taken,
                                      static_cast<std::size_t>(buffer.size() - taken));
        if (result < 0) {
            if (errno == EINTR)
                continue;
            return CWin32Error::FromErrno(errno, ERROR_READ_FAULT);
        }
        // The file shrank since it was measured: what is there is all there is.
        if (result == 0)
            break;
        taken += result;
    }
    buffer.truncate(taken);
    contents = buffer;
    return ERROR_SUCCESS;
}

#include "platform/CRuntimeDirectory.h"

#include "core/CWin32Error.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SharedFallback()
{
    return QStringLiteral("/tmp/korvane-") + QString::number(::getuid());
}

// Creates PATH, and any missing parent, with mode 0700. Folders that already exist are left as
// they are: they are somebody's choice.
DWORD MakeDirectory(const QByteArray& path)
{
    auto MakeOne = [&path] {
        if (::mkdir(path.constData(), 0700) != 0)
            return false;
        // The umask may have taken bits away, never added any; make it exactly 0700.
        ::chmod(path.constData(), 0700);
        return true;
    };
    if (MakeOne())
        return ERROR_SUCCESS;
    if (errno == ENOENT) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return ERROR_PATH_NOT_FOUND;
        const DWORD parent = MakeDirectory(path.left(slash));
        if (parent != ERROR_SUCCESS)
            return parent;
        if (MakeOne())
            return ERROR_SUCCESS;
    }
    if (errno != EEXIST)
        return CWin32Error::FromErrno(errno, ERROR_PATH_NOT_FOUND);
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0)
        return CWin32Error::FromErrno(errno, ERROR_PATH_NOT_FOUND);
    return S_ISDIR(info.st_mode) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
}

} // namespace

QString CRuntimeDirectory::Path()
{
    const QString configured = qEnvironmentVariable("KORVANE_RUNTIME_DIR");
    if (!configured.isEmpty())
        return QDir::cleanPath(configured);
    // An empty or relative XDG_RUNTIME_DIR is as good as none: it would put sockets in "/" or
    // in whatever the current folder happens to be.
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg + QStringLiteral("/korvane"));
    return SharedFallback();
}

DWORD CRuntimeDirectory::Ensure(const QString& sub, QString* directory)
{
    const QString root = Path();
    const QByteArray encodedRoot = QFile::encodeName(root);
    DWORD result = MakeDirectory(encodedRoot);
    if (result != ERROR_SUCCESS)
        return result;
    if (root == SharedFallback()) {
        // Anyone can make this name in /tmp first: only our own real folder will do, or another
        // user could read or replace our sockets.
        struct stat info = {};
        if (::lstat(encodedRoot.constData(), &info) != 0)
            return CWin32Error::FromErrno(errno, ERROR_PATH_NOT_FOUND);
        if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
            return ERROR_ACCESS_DENIED;
    }
    const QString path = sub.isEmpty() ? root : root + u'/' + sub;
    if (!sub.isEmpty()) {
        result = MakeDirectory(QFile::encodeName(path));
        if (result != ERROR_SUCCESS)
            return result;
    }
    if (directory)
        *directory = path;
    return ERROR_SUCCESS;
}

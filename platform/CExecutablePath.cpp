#include "platform/CExecutablePath.h"

#include <QFileInfo>

#include <limits.h>
#include <unistd.h>

QString CExecutablePath::File()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return QString();
    return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(length));
}

QString CExecutablePath::Directory()
{
    const QString file = File();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

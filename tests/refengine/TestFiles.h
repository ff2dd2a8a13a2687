#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

// Writes a file whole, making its folder first. With sync its data is on the device when this
// answers, so that the file system has given it its place.
inline bool WriteTestFile(const QString& path, const QByteArray& data, bool sync = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush() &&
           (!sync || ::fsync(file.handle()) == 0);
}

#include "platform/registry/CFileRegistry.h"

#include "core/CRegularFile.h"
#include "platform/CFileDescriptor.h"
#include "core/CWin32Error.h"
#include "platform/registry/CRegistryFileFormat.h"
#include "platform/registry/CRegistryLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRegistry, "korvane.registry")

namespace {

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

CFileRegistry::CFileRegistry()
{
    for (size_t i = 0; i < m_hives.size(); ++i) {
        m_hives[i].root = kRegistryHives[i];
        m_hives[i].filePath = CRegistryLocation::HiveFilePath(kRegistryHives[i]);
    }
}

CFileRegistry::CFileRegistry(const QString& directory)
{
    for (size_t i = 0; i < m_hives.size(); ++i) {
        m_hives[i].root = kRegistryHives[i];
        m_hives[i].filePath =
            QDir::cleanPath(directory) + u'/' + CRegistryLocation::HiveFileName(kRegistryHives[i]);
    }
}

CFileRegistry::THive& CFileRegistry::Hive(HKEY hive)
{
    for (THive& candidate : m_hives) {
        if (candidate.root == hive)
            return candidate;
    }
    Q_UNREACHABLE();
}

QString CFileRegistry::HiveFilePath(HKEY hive) const
{
    return const_cast<CFileRegistry*>(this)->Hive(hive).filePath;
}

QString CFileRegistry::HiveError(HKEY hive)
{
    THive& state = Hive(hive);
    QMutexLocker locker(&state.mutex);
    Refresh(state);
    return state.errorText;
}

void CFileRegistry::Refresh(THive& hive)
{
    // The file is read again on the next call, and until then nothing of it is used.
    auto Unreadable = [&hive](const QString& what, LONG error, const QString& reason) {
        hive.loaded = false;
        hive.keys = CRegistryHive();
        hive.error = error;
        hive.errorText = what + QStringLiteral(": ") + reason;
    };
    // A named pipe or a folder in the file's place is refused at once, never waited on.
    CRegularFile file;
    const DWORD opened = file.Open(hive.filePath, O_RDONLY);
    TFileStamp stamp;
    if (opened == ERROR_SUCCESS) {
        const struct stat& info = file.Status();
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.modifiedNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    } else if (opened != ERROR_FILE_NOT_FOUND && opened != ERROR_PATH_NOT_FOUND) {
        Unreadable(QStringLiteral("cannot open"), opened, file.Reason());
        return;
    }
    if (hive.loaded && stamp == hive.stamp)
        return;

    hive.keys = CRegistryHive();
    hive.error = ERROR_SUCCESS;
    hive.errorText.clear();
    hive.stamp = stamp;
    hive.loaded = true;
    if (!stamp.exists)
        return;

    QByteArray bytes;
    const DWORD read = file.ReadToEnd(std::numeric_limits<qint64>::max(), &bytes);
    if (read != ERROR_SUCCESS) {
        Unreadable(QStringLiteral("cannot read"), read == ERROR_READ_FAULT ? ERROR_CANTREAD : read,
                   file.Reason());
        return;
    }
    QString reason;
    if (!CRegistryFileFormat::Parse(bytes, hive.root, &hive.keys, &reason)) {
        hive.error = ERROR_BADDB;
        hive.errorText = reason;
        qCWarning(lcRegistry).noquote() << "the registry file" << hive.filePath
                                        << "cannot be read and is left as it is:" << reason;
    }
}

LONG CFileRegistry::Read(HKEY hive, const std::function<LONG(const CRegistryHive&)>& read)
{
    THive& state = Hive(hive);
    QMutexLocker locker(&state.mutex);
    Refresh(state);
    if (state.error != ERROR_SUCCESS)
        return state.error;
    return read(state.keys);
}

LONG CFileRegistry::Modify(HKEY hive, const std::function<LONG(CRegistryHive&)>& change)
{
    THive& state = Hive(hive);
    QMutexLocker locker(&state.mutex);

    const QString directory = QFileInfo(state.filePath).path();
    if (!QFileInfo::exists(directory)) {
        if (!QDir().mkpath(directory))
            return ERROR_ACCESS_DENIED;
        // A user's own hives are nobody else's business.
        if (hive == HKEY_CURRENT_USER)
            QFile::setPermissions(directory,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray lockPath = QFile::encodeName(state.filePath + QStringLiteral(".lock"));
    // Not waiting on the open, should a named pipe stand in the lock file's place.
    CFileDescriptor lock(
        ::open(lockPath.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
    if (lock.Get() < 0)
        return CWin32Error::FromErrno(errno, ERROR_CANTWRITE);
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return CWin32Error::FromErrno(errno, ERROR_CANTWRITE);
    }

    // Under the lock no other writer can replace the file, so what is read now is current.
    Refresh(state);
    if (state.error != ERROR_SUCCESS)
        return state.error;
    CRegistryHive changed = state.keys;
    const LONG result = change(changed);
    if (result != ERROR_SUCCESS)
        return result;
    const LONG written = WriteFile(state, changed);
    if (written == ERROR_SUCCESS)
        state.keys = std::move(changed);
    return written;
}

LONG CFileRegistry::WriteFile(THive& hive, const CRegistryHive& keys)
{
    const QByteArray bytes = CRegistryFileFormat::Write(hive.root, keys);
    const QByteArray path = QFile::encodeName(hive.filePath);
    QByteArray temporary = path + ".XXXXXX";
    CFileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return CWin32Error::FromErrno(errno, ERROR_CANTWRITE);

    struct stat previous = {};
    const mode_t mode = ::stat(path.constData(), &previous) == 0
                            ? (previous.st_mode & 07777)
                            : (hive.root == HKEY_CURRENT_USER ? 0600 : 0644);
    struct stat info = {};
    const bool ok = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), bytes) &&
                    ::fsync(fd.Get()) == 0 && ::fstat(fd.Get(), &info) == 0 && fd.Close() &&
                    ::rename(temporary.constData(), path.constData()) == 0;
    if (!ok) {
        const LONG error = CWin32Error::FromErrno(errno, ERROR_CANTWRITE);
        ::unlink(temporary.constData());
        return error;
    }
    hive.stamp.exists = true;
    hive.stamp.device = info.st_dev;
    hive.stamp.inode = info.st_ino;
    hive.stamp.size = info.st_size;
    hive.stamp.modifiedNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    return ERROR_SUCCESS;
}

LONG CFileRegistry::CreateKey(HKEY hive, const QString& path, bool* created)
{
    // Opening an existing key writes nothing.
    bool exists = false;
    const LONG read = Read(hive, [&](const CRegistryHive& keys) {
        exists = keys.HasKey(path);
        return ERROR_SUCCESS;
    });
    if (read != ERROR_SUCCESS)
        return read;
    if (exists) {
        if (created)
            *created = false;
        return ERROR_SUCCESS;
    }
    return Modify(hive, [&](CRegistryHive& keys) { return keys.CreateKey(path, created); });
}

LONG CFileRegistry::OpenKey(HKEY hive, const QString& path)
{
    return Read(hive, [&](const CRegistryHive& keys) {
        return keys.HasKey(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG CFileRegistry::QueryValue(HKEY hive, const QString& path, const QString& name,
                               CRegistryValue* value)
{
    return Read(hive,
                [&](const CRegistryHive& keys) { return keys.QueryValue(path, name, value); });
}

LONG CFileRegistry::SetValue(HKEY hive, const QString& path, const QString& name,
                             const CRegistryValue& value)
{
    return Modify(hive, [&](CRegistryHive& keys) { return keys.SetValue(path, name, value); });
}

LONG CFileRegistry::DeleteValue(HKEY hive, const QString& path, const QString& name)
{
    return Modify(hive, [&](CRegistryHive& keys) { return keys.DeleteValue(path, name); });
}

LONG CFileRegistry::DeleteKey(HKEY hive, const QString& path, bool withSubKeys)
{
    return Modify(hive, [&](CRegistryHive& keys) { return keys.DeleteKey(path, withSubKeys); });
}

LONG CFileRegistry::EnumSubKeys(HKEY hive, const QString& path, QStringList* names)
{
    return Read(hive, [&](const CRegistryHive& keys) { return keys.EnumSubKeys(path, names); });
}

LONG CFileRegistry::EnumValues(HKEY hive, const QString& path, QStringList* names)
{
    return Read(hive, [&](const CRegistryHive& keys) { return keys.EnumValues(path, names); });
}

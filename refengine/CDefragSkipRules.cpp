#include "refengine/CDefragSkipRules.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

CDefragSkipRules::CDefragSkipRules(dev_t device, const QStringList& excludedPaths)
    : m_device(device)
{
    for (const QString& path : excludedPaths) {
        if (!path.isEmpty())
            m_excluded.append(QFile::encodeName(QDir::cleanPath(path)));
    }
    ReadSwapFiles();
}

void CDefragSkipRules::ReadSwapFiles()
{
    QFile swaps(QStringLiteral("/proc/swaps"));
    if (!swaps.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = swaps.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // "Filename Type Size Used Priority"; names escape blanks as \040.
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        if (fields.size() < 2 || fields.at(1) != "file")
            continue;
        QByteArray name = fields.at(0);
        name.replace("\\040", " ");
        struct stat info = {};
        if (::stat(name.constData(), &info) == 0)
            m_swapFiles.insert({quint64(info.st_dev), quint64(info.st_ino)});
    }
}

bool CDefragSkipRules::Excluded(const QByteArray& absolutePath) const
{
    for (const QByteArray& excluded : m_excluded) {
        if (absolutePath == excluded ||
            (absolutePath.startsWith(excluded) &&
             (excluded.endsWith('/') || absolutePath.at(excluded.size()) == '/')))
            return true;
    }
    return false;
}

bool CDefragSkipRules::IsSwapFile(const struct stat& info) const
{
    return m_swapFiles.contains({quint64(info.st_dev), quint64(info.st_ino)});
}

bool CDefragSkipRules::IsImmutableOrAppendOnly(int fd)
{
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    return (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

bool CDefragSkipRules::IsOpenForWriting(int fd)
{
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN || errno == EBUSY;
}

CDefragSkipRules::TReason CDefragSkipRules::ByStatus(const QByteArray& absolutePath,
                                                     const struct stat& info) const
{
    if (!S_ISREG(info.st_mode))
        return kNotRegular;
    if (info.st_dev != m_device)
        return kOtherFileSystem;
    if (Excluded(absolutePath))
        return kExcluded;
    if (IsSwapFile(info))
        return kSwapFile;
    return kReasonCount;
}

CDefragSkipRules::TReason CDefragSkipRules::ByDescriptor(int fd) const
{
    if (IsImmutableOrAppendOnly(fd))
        return kImmutableOrAppendOnly;
    if (IsOpenForWriting(fd))
        return kOpenForWriting;
    return kReasonCount;
}

const char* CDefragSkipRules::Text(TReason reason)
{
    switch (reason) {
    case kNotRegular:
        return "not a regular file";
    case kImmutableOrAppendOnly:
        return "immutable or append-only";
    case kSwapFile:
        return "a swap file";
    case kOpenForWriting:
        return "open for writing by another program";
    case kOtherFileSystem:
        return "on another file system";
    case kExcluded:
        return "excluded";
    case kNoPermission:
        return "no permission to write it";
    case kInUse:
        return "a running program";
    case kSharedExtents:
        return "shares its blocks with copies or snapshots";
    case kCompressed:
        return "compressed";
    case kUnsupported:
        return "not movable on this file system";
    case kNoRoom:
        return "too little free space for a copy";
    case kNotImproved:
        return "no free space in fewer pieces";
    case kFailed:
        return "failed";
    case kReasonCount:
        break;
    }
    return "";
}

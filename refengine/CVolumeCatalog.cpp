#include "refengine/CVolumeCatalog.h"

#include "core/CWin32Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The name space of the engine's name-based volume ids.
const QUuid kVolumeCatalogNamespace(u"{7c347828-49e8-44b9-b22c-63d1781e2409}"_s);

// ERROR_DIRECTORY: the name is not that of a directory.
constexpr DWORD kVolumeCatalogNotADirectory = 267;

// File systems that are no volume to analyse: kernel interfaces, memory, overlays, and
// read-only images.
bool VolumeCatalogIsPseudo(const QString& type)
{
    static const QSet<QString> kPseudo = {
        u"proc"_s,    u"sysfs"_s,    u"devtmpfs"_s,   u"devpts"_s,      u"tmpfs"_s,
        u"ramfs"_s,   u"cgroup"_s,   u"cgroup2"_s,    u"securityfs"_s,  u"debugfs"_s,
        u"tracefs"_s, u"configfs"_s, u"fusectl"_s,    u"mqueue"_s,      u"hugetlbfs"_s,
        u"pstore"_s,  u"bpf"_s,      u"autofs"_s,     u"binfmt_misc"_s, u"efivarfs"_s,
        u"overlay"_s, u"nsfs"_s,     u"rpc_pipefs"_s, u"nfsd"_s,        u"squashfs"_s,
        u"iso9660"_s, u"erofs"_s,    u"cramfs"_s,     u"selinuxfs"_s,   u"devfs"_s,
    };
    return kPseudo.contains(type);
}

// The device manager escapes unsafe bytes in link names as \xHH.
QString VolumeCatalogUnescapeLink(const QString& name)
{
    const QByteArray encoded = QFile::encodeName(name);
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            bool ok = false;
            const int value = encoded.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                bytes.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        bytes.append(encoded[i]);
    }
    return QString::fromUtf8(bytes);
}

QByteArray VolumeCatalogReadSmall(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(256).trimmed();
}

QString VolumeCatalogDeviceName(dev_t device)
{
    return u"%1:%2"_s.arg(major(device)).arg(minor(device));
}

} // namespace

CVolumeCatalog::CVolumeCatalog() = default;

CVolumeCatalog::CVolumeCatalog(TSystemPaths paths)
    : m_paths(std::move(paths))
{}

QList<CMountTable::TEntry> CVolumeCatalog::VolumeMounts(const CMountTable& mounts)
{
    QList<CMountTable::TEntry> chosen;
    QHash<dev_t, qsizetype> byDevice;
    for (const CMountTable::TEntry& entry : mounts.Entries()) {
        if (entry.root != u"/" || !entry.source.startsWith(u"/dev/") || entry.major == 0 ||
            VolumeCatalogIsPseudo(entry.fileSystem))
            continue;
        const auto found = byDevice.constFind(entry.Device());
        if (found == byDevice.constEnd()) {
            byDevice.insert(entry.Device(), chosen.size());
            chosen.append(entry);
        } else if (entry.mountPoint.size() < chosen[*found].mountPoint.size()) {
            chosen[*found] = entry;
        }
    }
    return chosen;
}

QString CVolumeCatalog::VolumeId(const QString& uuid, const QString& source,
                                 const QString& mountPoint)
{
    // Only the 8-4-4-4-12 form is a UUID; QUuid would also take other spellings.
    static const auto isFullUuid = [](const QString& text) {
        if (text.size() != 36)
            return false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
            const bool hex =
                (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
            if (dash ? c != u'-' : !hex)
                return false;
        }
        return true;
    };
    if (isFullUuid(uuid))
        return QUuid(uuid).toString(QUuid::WithBraces);
    const QString name =
        uuid.isEmpty() ? u"device:"_s + source + u'\n' + mountPoint : u"serial:"_s + uuid;
    return QUuid::createUuidV5(kVolumeCatalogNamespace, name).toString(QUuid::WithBraces);
}

QString CVolumeCatalog::DirectoryId(const QString& canonicalPath)
{
    return QUuid::createUuidV5(kVolumeCatalogNamespace, u"directory:"_s + canonicalPath)
        .toString(QUuid::WithBraces);
}

quint32 CVolumeCatalog::DriveType(dev_t device) const
{
    const QString entry = QFileInfo(m_paths.sysDeviceBlock + u'/' + VolumeCatalogDeviceName(device))
                              .canonicalFilePath();
    if (entry.isEmpty())
        return TVolumeDescription::kHardDisk;
    // A partition's queue and removable flag are those of the disk it is part of.
    const bool partition = QFileInfo::exists(entry + u"/partition"_s);
    const QString disk = partition ? QFileInfo(entry).absolutePath() : entry;

    // Memory cards and built-in flash sit on the MMC bus: the disk is an mmcblk, its path runs
    // through an MMC host, or its device says so.
    const QString diskName = QFileInfo(disk).fileName();
    if (diskName.startsWith(u"mmcblk"_s) || disk.contains(u"/mmc_host/"_s) ||
        QFileInfo(disk + u"/device/subsystem"_s).canonicalFilePath().endsWith(u"/bus/mmc"_s))
        return TVolumeDescription::kFlash;
    // Anything that can be taken away, or hangs off a USB port, is an external drive.
    if (VolumeCatalogReadSmall(disk + u"/removable"_s) == "1" || disk.contains(u"/usb"_s))
        return TVolumeDescription::kExternal;
    QByteArray rotational = VolumeCatalogReadSmall(entry + u"/queue/rotational"_s);
    if (rotational.isEmpty())
        rotational = VolumeCatalogReadSmall(disk + u"/queue/rotational"_s);
    return rotational == "0" ? TVolumeDescription::kSsd : TVolumeDescription::kHardDisk;
}

QHash<dev_t, QString> CVolumeCatalog::DiskLinks(const QString& folder) const
{
    QHash<dev_t, QString> links;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        struct stat target = {};
        if (::stat(QFile::encodeName(dir.filePath(name)).constData(), &target) != 0 ||
            !S_ISBLK(target.st_mode))
            continue;
        links.insert(target.st_rdev, VolumeCatalogUnescapeLink(name));
    }
    return links;
}

quint64 CVolumeCatalog::DeviceBytes(dev_t device) const
{
    bool ok = false;
    const quint64 sectors = VolumeCatalogReadSmall(m_paths.sysDeviceBlock + u'/' +
                                                   VolumeCatalogDeviceName(device) + u"/size"_s)
                                .toULongLong(&ok);
    // sysfs counts 512-byte sectors whatever the device's own sector size.
    return ok && sectors < (quint64(1) << 54) ? sectors * 512 : 0;
}

namespace {

// The size of a block device from its node, for where sysfs cannot be read (a container or a
// chroot without /sys): only a node that is the device itself counts.
quint64 VolumeCatalogNodeBytes(const QString& node, dev_t device)
{
    if (!node.startsWith(u"/dev/"))
        return 0;
    const int fd = ::open(QFile::encodeName(node).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    struct stat info = {};
    quint64 bytes = 0;
    if (::fstat(fd, &info) != 0 || !S_ISBLK(info.st_mode) || info.st_rdev != device ||
        ::ioctl(fd, BLKGETSIZE64, &bytes) != 0)
        bytes = 0;
    ::close(fd);
    return bytes;
}

// The type of the file system holding a path, from its magic number, for where the mount
// table does not show the mount (a chroot below it).
QString VolumeCatalogTypeByMagic(const QString& path)
{
    struct statfs info = {};
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2, ext3 and ext4 share it
        return u"ext4"_s;
    case XFS_SUPER_MAGIC:
        return u"xfs"_s;
    case BTRFS_SUPER_MAGIC:
        return u"btrfs"_s;
    case TMPFS_MAGIC:
        return u"tmpfs"_s;
    case MSDOS_SUPER_MAGIC:
        return u"vfat"_s;
    case 0x5346544E: // NTFS
        return u"ntfs"_s;
    case 0x2011BAB0: // exFAT
        return u"exfat"_s;
    case 0xF2F52010: // F2FS
        return u"f2fs"_s;
    case OVERLAYFS_SUPER_MAGIC:
        return u"overlay"_s;
    default:
        return {};
    }
}

} // namespace

bool CVolumeCatalog::FillSizes(const QString& path, TVolumeDescription* volume, int* error) const
{
    struct statvfs figures = {};
    if (::statvfs(QFile::encodeName(path).constData(), &figures) != 0) {
        *error = errno;
        return false;
    }
    const quint64 unit = figures.f_frsize ? figures.f_frsize : figures.f_bsize;
    volume->bytesPerCluster = static_cast<quint32>(unit);
    volume->totalClusters = figures.f_blocks;
    volume->freeClusters = figures.f_bfree;
    volume->usedInodes = figures.f_files >= figures.f_ffree ? figures.f_files - figures.f_ffree : 0;
    const quint64 fileSystemBytes = quint64(figures.f_blocks) * unit;
    volume->sizeMegabytes = static_cast<double>(fileSystemBytes) / (1024.0 * 1024.0);
    volume->driveType = DriveType(volume->device);
    // statvfs leaves out what the file system keeps for itself; extent offsets count from the
    // start of the device.
    quint64 deviceBytes = DeviceBytes(volume->device);
    if (deviceBytes == 0)
        deviceBytes = VolumeCatalogNodeBytes(volume->source, volume->device);
    volume->deviceBytes = std::max(deviceBytes, fileSystemBytes);
    if (volume->fileSystem.isEmpty())
        volume->fileSystem = VolumeCatalogTypeByMagic(path);
    return true;
}

QList<TVolumeDescription> CVolumeCatalog::Volumes() const
{
    return Volumes(CMountTable::Read());
}

QList<TVolumeDescription> CVolumeCatalog::Volumes(const CMountTable& mounts) const
{
    const QList<CMountTable::TEntry> chosen = VolumeMounts(mounts);
    if (chosen.isEmpty())
        return {};
    const QHash<dev_t, QString> uuids = DiskLinks(m_paths.diskByUuid);
    const QHash<dev_t, QString> labels = DiskLinks(m_paths.diskByLabel);

    QList<TVolumeDescription> volumes;
    for (const CMountTable::TEntry& entry : chosen) {
        // A mount point another mount hides, or one this process cannot reach, is skipped:
        // its figures would be another file system's.
        struct stat point = {};
        if (::stat(QFile::encodeName(entry.mountPoint).constData(), &point) != 0 ||
            point.st_dev != entry.Device())
            continue;
        TVolumeDescription volume;
        volume.device = entry.Device();
        volume.mountPoint = entry.mountPoint;
        volume.fileSystem = entry.fileSystem;
        volume.source = entry.source;
        volume.label = labels.value(volume.device);
        volume.id = VolumeId(uuids.value(volume.device), entry.source, entry.mountPoint);
        int error = 0;
        if (!FillSizes(entry.mountPoint, &volume, &error))
            continue;
        volumes.append(std::move(volume));
    }
    return volumes;
}

HRESULT CVolumeCatalog::Describe(const QString& directory, TVolumeDescription* volume) const
{
    if (!volume)
        return E_POINTER;
    if (directory.isEmpty())
        return E_INVALIDARG;
    const QString canonical = QFileInfo(directory).canonicalFilePath();
    if (canonical.isEmpty())
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    struct stat info = {};
    if (::stat(QFile::encodeName(canonical).constData(), &info) != 0)
        return HRESULT_FROM_WIN32(CWin32Error::FromErrno(errno, ERROR_PATH_NOT_FOUND));
    if (!S_ISDIR(info.st_mode))
        return HRESULT_FROM_WIN32(kVolumeCatalogNotADirectory);

    TVolumeDescription described;
    described.device = info.st_dev;
    described.mountPoint = canonical;
    described.id = DirectoryId(canonical);
    described.directoryOnly = true;
    // The file system's type and source: the innermost mount of this device above the path.
    const CMountTable mounts = CMountTable::Read();
    qsizetype longest = -1;
    for (const CMountTable::TEntry& entry : mounts.Entries()) {
        if (entry.Device() != info.st_dev)
            continue;
        const QString& point = entry.mountPoint;
        const bool above = point == u"/" || canonical == point ||
                           (canonical.startsWith(point) && canonical[point.size()] == u'/');
        if (above && point.size() > longest) {
            longest = point.size();
            described.fileSystem = entry.fileSystem;
            described.source = entry.source;
        }
    }
    int error = 0;
    if (!FillSizes(canonical, &described, &error))
        return HRESULT_FROM_WIN32(CWin32Error::FromErrno(error, ERROR_PATH_NOT_FOUND));
    *volume = std::move(described);
    return S_OK;
}

#pragma once

#include "core/HResult.h"
#include "refengine/CMountTable.h"
#include "refengine/TVolumeDescription.h"

#include <QHash>
#include <QList>
#include <QString>

// The volumes of this machine: every mounted block-device file system, each device once. What
// the system's device manager and sysfs tell about a device (UUID, label, drive type, size) is
// used when it is there; a container without them still gets every volume, with fallbacks.
class CVolumeCatalog {
public:
    // Where the catalog looks for device facts; tests point these at trees of their own.
    struct TSystemPaths {
        // sysfs entries by device number ("8:1").
        QString sysDeviceBlock = QStringLiteral("/sys/dev/block");
        QString diskByUuid = QStringLiteral("/dev/disk/by-uuid");
        QString diskByLabel = QStringLiteral("/dev/disk/by-label");
    };

    CVolumeCatalog();
    explicit CVolumeCatalog(TSystemPaths paths);

    // The volumes of the mounts of this process, in the mount table's order.
    QList<TVolumeDescription> Volumes() const;
    QList<TVolumeDescription> Volumes(const CMountTable& mounts) const;

    // Describes a directory as a volume of its own (the daemon serving given directories): the
    // id is name-based from the canonical path, which is also the mount point. E_INVALIDARG for
    // an empty name, a Win32 failure for a path that is missing, unreadable or not a directory.
    HRESULT Describe(const QString& directory, TVolumeDescription* volume) const;

    // The mounts that are volumes: a source under /dev, a real device number, not a pseudo file
    // system or a read-only image, not a bind mount of a sub-tree; per device the shortest
    // mount point (the first of equal ones).
    static QList<CMountTable::TEntry> VolumeMounts(const CMountTable& mounts);

    // The volume id from the file system's UUID as the device manager names it: a full UUID in
    // GUID form; a shorter serial, or none, a name-based UUID of the serial, else of the source
    // and mount point.
    static QString VolumeId(const QString& uuid, const QString& source, const QString& mountPoint);
    // The id of a directory served as a volume.
    static QString DirectoryId(const QString& canonicalPath);

    // 1 hard disk, 2 external, 3 flash, 4 SSD, from the device's sysfs entry and its whole disk:
    // a disk on the MMC bus is flash; else a removable one, or one behind USB, external; else
    // one whose queue is not rotational an SSD; anything else, or what sysfs does not know, a
    // hard disk.
    quint32 DriveType(dev_t device) const;

private:
    // Device number → name of the link in one of the /dev/disk folders.
    QHash<dev_t, QString> DiskLinks(const QString& folder) const;
    // Size in bytes from sysfs; 0 when not known.
    quint64 DeviceBytes(dev_t device) const;
    // statvfs figures and the device facts that do not come from the mount table. False when
    // the file system cannot be asked.
    bool FillSizes(const QString& path, TVolumeDescription* volume, int* error) const;

    TSystemPaths m_paths;
};

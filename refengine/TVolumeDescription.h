#pragma once

#include <QString>

#include <sys/types.h>

// One volume the engine serves: a mounted block-device file system, or a directory served as if
// it were one. Sizes are those of the file system (statvfs) when it was described.
struct TVolumeDescription {
    enum TDriveType : quint32 {
        kHardDisk = 1,
        kExternal = 2,
        kFlash = 3,
        kSsd = 4,
    };

    // The file-system UUID in GUID form with braces, lower case; a name-based UUID where the
    // file system has none that long.
    QString id;
    QString mountPoint;
    QString label;
    // The type as the mount table names it ("ext4").
    QString fileSystem;
    // The device the file system was mounted from ("/dev/sda2"); empty for a directory on a
    // file system without one.
    QString source;
    quint32 driveType = kHardDisk;
    double sizeMegabytes = 0;
    dev_t device = 0;
    quint32 bytesPerCluster = 0;
    quint64 totalClusters = 0;
    quint64 freeClusters = 0;
    quint64 usedInodes = 0;
    // Bytes of the device the file system lies on, which physical extent offsets count in; the
    // file system's own size where the device's is not known.
    quint64 deviceBytes = 0;
    // Whether this describes a directory rather than the root of a mounted file system.
    bool directoryOnly = false;
};

#pragma once

#include <QByteArray>
#include <QSet>
#include <QStringList>

#include <sys/stat.h>
#include <sys/types.h>

// The files a pass must leave alone, and why. Checks that need the file open take a read-only
// descriptor of it; none of them changes the file.
class CDefragSkipRules {
public:
    enum TReason {
        kNotRegular, // directories aside: links, devices, pipes, sockets
        kImmutableOrAppendOnly,
        kSwapFile,
        kOpenForWriting,  // by another program, as a read lease tells
        kOtherFileSystem, // mounted (or bind-mounted) from elsewhere
        kExcluded,        // under an excluded path of the volume's settings
        kNoPermission,    // the engine may not write it
        kInUse,           // a running program's image
        kSharedExtents,   // shares blocks with copies or snapshots
        kCompressed,
        kUnsupported, // the file system cannot move this file
        kNoRoom,      // the free space left would fall below the reserve
        kNotImproved, // no free space in fewer pieces was found
        kFailed,
        kReasonCount
    };

    // The volume's device; excluded paths are absolute.
    CDefragSkipRules(dev_t device, const QStringList& excludedPaths);

    // The rules that the path and the file's status settle.
    bool Excluded(const QByteArray& absolutePath) const;
    bool IsSwapFile(const struct stat& info) const;
    // Immutable or append-only, by the file's attribute flags; false where they cannot be read.
    static bool IsImmutableOrAppendOnly(int fd);
    // Whether another program has the file open for writing: a read lease is refused then.
    // False where a lease cannot tell (not the owner without CAP_LEASE, leases disabled).
    static bool IsOpenForWriting(int fd);

    // The reason for a file that must be left, from its status alone; kReasonCount when none.
    TReason ByStatus(const QByteArray& absolutePath, const struct stat& info) const;
    // The same with the checks that need the file open.
    TReason ByDescriptor(int fd) const;

    static const char* Text(TReason reason);

private:
    // (device, inode) of the swap files in use, from /proc/swaps.
    void ReadSwapFiles();

    dev_t m_device;
    QList<QByteArray> m_excluded; // absolute, clean, without a trailing slash
    QSet<QPair<quint64, quint64>> m_swapFiles;
};

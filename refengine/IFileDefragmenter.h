#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <sys/stat.h>

// Defragments one file in place on a mounted file system, online: the file stays readable and
// writable throughout, and its bytes, size, times, owner, mode and extended attributes are what
// they were; only where its blocks lie changes. The work goes in bounded chunks, asking between
// two whether to go on, so that pausing and stopping take effect within one chunk. One
// implementation per file system that can do this safely; the rest have none.
class IFileDefragmenter {
public:
    enum class TOutcome {
        Defragmented, // moved into fewer pieces
        NotImproved,  // no placement in fewer pieces was found; the file is as it was
        Stopped,      // asked to stop between chunks; what was moved is whole
        Unsupported,  // the file system refuses this file (inline data, journalled data, ...)
        NoPermission, // the engine may not write the file
        InUse,        // a running program's image, which may not be opened for writing
        Failed,       // another error; the file is whole, error says which
    };

    struct TFile {
        int fd = -1;                  // open read-only
        int directoryFd = -1;         // the directory the file is in, for a donor next to it
        int fallbackDirectoryFd = -1; // the volume's root, when the file's directory will not do
        // A folder whose files have just moved out: long free runs are likely near it.
        int freedDirectoryFd = -1;
        const char* name = nullptr; // in directoryFd, to open it writable
        struct stat info = {};
        int fragments = 0;
        // Free space the work may take for a while beyond what the file needs once: room to try
        // more than one place for its new copy.
        quint64 spareBytes = 0;
    };

    struct TResult {
        TOutcome outcome = TOutcome::Failed;
        quint64 bytesMoved = 0;
        int error = 0; // errno of a failure
    };

    // Called between two chunks with the bytes moved so far; false stops the file there. It may
    // block, which pauses the work.
    using TContinue = std::function<bool(quint64 bytesMoved)>;

    virtual ~IFileDefragmenter() = default;

    virtual TResult Defragment(const TFile& file, const TContinue& keepGoing) = 0;

    // Whether files with extents shared with other files (reflinked copies, snapshots) are
    // left alone: defragmenting would unshare them and use their space twice.
    virtual bool SkipsSharedExtents() const = 0;

    // Whether the new placement exists only once the file system has written the data out: the
    // caller then writes out several files at a time (syncfs) before it reads where they went.
    virtual bool WritesOutLater() const { return false; }

    // Whether reading the next file ahead, while this one moves, shortens the pass: it does
    // where the move copies the data page by page itself.
    virtual bool GainsFromReadAhead() const { return false; }

    // The implementation for a file system type as the mount table names it; null for those
    // that have none.
    static std::unique_ptr<IFileDefragmenter> For(const QString& fileSystem);
    static bool Supports(const QString& fileSystem);
};

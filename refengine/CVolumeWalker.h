#pragma once

#include "core/HResult.h"
#include "refengine/CBlockFileIndex.h"
#include "refengine/CDriveMapBuilder.h"
#include "refengine/TAnalysisFigures.h"
#include "refengine/TVolumeDescription.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct TWalkOptions {
    // Files last modified longer ago than this are rarely modified, those modified more
    // recently than recentAgeDays recently modified, the rest occasionally.
    quint32 rareAgeDays = 60;
    quint32 recentAgeDays = 30;
    // Absolute paths of files and directories the passes leave in place: drawn and counted as
    // excluded (11). Paths outside the volume are ignored.
    QStringList excludedPaths;
    // Walking threads; 0 for one per processor, at most four.
    int threads = 0;
    // Keep the index that BlockFiles answers from.
    bool indexBlocks = true;
    // Ask the file system (GETFSMAP) for the space it keeps for itself and for the data the walk
    // does not meet, so that the map shows them used and its gaps are the free space. Reading
    // it costs time in proportion to the size of the file system, not to the walk.
    bool readSpaceMap = true;
    // Seconds since the epoch that ages count from; 0 for now.
    qint64 now = 0;
};

struct TWalkProgress {
    quint64 files = 0;
    quint64 directories = 0;
    quint64 bytes = 0;
    // Estimated from the entries seen against the volume's used inodes (its used bytes where
    // it does not count inodes); 100 only once the walk is complete.
    double percent = 0;
    QString currentPath;
};

// The analysis of one volume, read-only: walks it from its mount point without crossing into
// another mount, maps every regular file and directory onto the drive map by category and
// counts the figures. Unreadable entries are skipped and counted. Run blocks; the walk itself
// runs on a few threads of its own.
class CVolumeWalker {
public:
    // The volume is gone: its root cannot be reached any more, or another device is there.
    static constexpr HRESULT kDeviceGone = static_cast<HRESULT>(0x80070037u);

    using TBlockFile = CBlockFileIndex::TItem;

    struct TFileBlocks {
        // Ascending drive-map blocks holding the file's data; empty for a file without placed
        // extents.
        QList<quint32> blocks;
        // -1 when the extents cannot be known.
        int fragments = -1;
    };

    CVolumeWalker(const TVolumeDescription& volume, TWalkOptions options = {});
    ~CVolumeWalker();
    CVolumeWalker(const CVolumeWalker&) = delete;
    CVolumeWalker& operator=(const CVolumeWalker&) = delete;

    // Walks the volume once. onProgress is called on this thread when the walk starts, at least
    // every kProgressIntervalMs while it runs, and once more when it is complete; while it runs
    // the walk waits, so a callback that blocks pauses the walk. Returning false stops the walk
    // (E_ABORT). S_OK when complete; kDeviceGone when the volume disappears; E_ACCESSDENIED
    // when its root cannot be read; E_UNEXPECTED on a second call.
    HRESULT Run(const std::function<bool(const TWalkProgress&)>& onProgress);

    // The map fills while Run works; snapshots may be taken from any thread.
    const CDriveMapBuilder& Map() const { return *m_map; }
    // For a pass that moves files after the walk, so that the map follows them.
    CDriveMapBuilder& Map() { return *m_map; }
    // Complete once Run has answered S_OK.
    const TAnalysisFigures& Figures() const { return m_figures; }
    // The files and directories in a drive-map block, after a complete walk with the index.
    QList<TBlockFile> BlockFiles(int block) const;

    // The drive-map blocks and fragment count of one file or directory of the volume (a path
    // relative to the volume is taken from its mount point). E_INVALIDARG for an empty path or
    // one on another volume, a Win32 failure when it cannot be opened.
    static HRESULT FileBlocks(const TVolumeDescription& volume, const QString& path,
                              TFileBlocks* result);
    // The bytes the drive map of the volume spans.
    static quint64 MapBytes(const TVolumeDescription& volume);

    static constexpr int kProgressIntervalMs = 40;

private:
    bool VolumePresent() const;

    TVolumeDescription m_volume;
    TWalkOptions m_options;
    std::unique_ptr<CDriveMapBuilder> m_map;
    std::unique_ptr<CBlockFileIndex> m_index;
    TAnalysisFigures m_figures;
    bool m_started = false;
};

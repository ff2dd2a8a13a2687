#pragma once

#include "core/HResult.h"

#include <QList>
#include <QString>

// What an analysis walk found on a volume. Sizes of files and directories are their st_size;
// a hard-linked file counts once. Files whose extents cannot be known count in files, bytes and
// categories but in none of the fragmentation figures.
struct TAnalysisFigures {
    // A row of the category table: drive-map category code (1 rarely, 2 occasionally, 3
    // recently modified files, 4 directories, 11 excluded files), count and bytes.
    struct TCategory {
        quint32 category = 0;
        quint64 files = 0;
        quint64 bytes = 0;
    };
    // Files with at least minimumFragments fragments and fewer than the next bucket's.
    struct TBucket {
        quint32 minimumFragments = 0;
        quint64 files = 0;
    };
    struct TFragmentedItem {
        QString path;
        quint32 fragments = 0;
        quint64 bytes = 0;
    };
    // Something the walk could not read. reason: 0 access denied, 3 another error (error holds
    // its HRESULT).
    // Files and bytes of one file name extension (lower case, no dot; empty for names without
    // one, and for the rarest extensions past kMostFileTypes).
    struct TFileType {
        QString extension;
        quint64 files = 0;
        quint64 bytes = 0;
    };
    struct TSkippedItem {
        QString path;
        quint32 reason = 0;
        HRESULT error = S_OK;
    };

    static constexpr int kListLength = 100;
    static constexpr int kMostFileTypes = 200;
    static constexpr quint32 kAccessDenied = 0;
    static constexpr quint32 kOtherError = 3;

    quint64 files = 0;
    quint64 directories = 0;
    quint64 totalFileBytes = 0;
    quint64 fragmentedFiles = 0;
    quint64 fragmentedFileBytes = 0;
    // Fragments beyond the first, summed over the fragmented files.
    quint64 excessFileFragments = 0;
    quint64 fragmentedDirectories = 0;
    quint64 excessDirectoryFragments = 0;
    quint64 unknownExtentFiles = 0;
    QList<TCategory> categories;
    // Buckets from 1, 2, 3, 5, 10, 50 and 100 fragments, each present even when empty.
    QList<TBucket> fragmentHistogram;
    // At most kListLength each, most fragments first (more bytes first among equals).
    QList<TFragmentedItem> mostFragmentedFiles;
    QList<TFragmentedItem> mostFragmentedDirectories;
    // The files under the excluded paths: counted in files, bytes, categories and the
    // histogram, but not in the fragmented files, their fragments and weight, nor in
    // mostFragmentedFiles. At most kListLength listed, most fragments first.
    quint64 excludedFileCount = 0;
    QList<TFragmentedItem> excludedFiles;
    // Every file by extension, most bytes first (more files, then the extension, among equals).
    QList<TFileType> fileTypes;
    quint64 skippedItems = 0;
    // The first kListLength of them.
    QList<TSkippedItem> skipped;

    // A fragmented file weighs with its bytes, but with at most kExcessFragmentBytes per
    // fragment beyond the first: about what a disk reads in the time of the extra seek, so a
    // small file in pieces counts whole and a huge file in two pieces next to nothing.
    static constexpr quint64 kExcessFragmentBytes = quint64(2) << 20;
    // Free runs shorter than this are too short to place a file of some size whole.
    static constexpr quint64 kShortFreeRunBytes = quint64(16) << 20;

    // 100 × Σ min(bytes, (fragments − 1) × kExcessFragmentBytes) over the fragmented files /
    // bytes of the files whose extents are known (0 without such bytes).
    double fileFragmentationPercent = 0;
    // Share of the directories in more than one fragment: 100 × fragmentedDirectories /
    // directories.
    double directoryFragmentationPercent = 0;
    // Share of the free space (the gaps of the drive map) in runs shorter than
    // kShortFreeRunBytes, the largest run never counting as short: 0 for one run, rising as
    // the free space falls apart. (Against the largest run alone, every large ext4 volume would
    // be near 100: its allocator spreads files over all block groups.)
    double freeSpaceFragmentationPercent = 0;
    quint64 freeRuns = 0;
    quint64 largestFreeRun = 0;
    // statvfs: free bytes (f_bfree) and the file system's size.
    quint64 freeBytes = 0;
    quint64 totalBytes = 0;
    // 100 − 0.7 × file fragmentation − 0.3 × free-space fragmentation, held to 0–100: how
    // close the volume is to one where every file is whole and the free space one run, file
    // fragmentation weighing more because every read of a file pays for it.
    double performance = 100;
    qint64 durationMs = 0;
};

#pragma once

#include "core/HResult.h"
#include "refengine/CBlockFileIndex.h"
#include "refengine/CDriveMapBuilder.h"
#include "refengine/CExtentReader.h"
#include "refengine/TAnalysisFigures.h"

#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// One walking thread's share of an analysis walk: reads one directory at a time (getdents64),
// maps the directory and each regular file in it (openat, fstat, FIEMAP, close: four calls a
// file), counts what it found in a tally of its own and queues the subdirectories it meets.
// Nothing is allocated per file except when a file enters one of the short lists.
class CDirectoryScanner {
public:
    enum TControl : int { kRun = 0, kHold = 1, kStop = 2 };

    // What every scanner of one walk shares; the walker owns it.
    struct TShared {
        int rootFd = -1;
        dev_t device = 0;
        qint64 now = 0;
        qint64 rareSeconds = 0;
        qint64 recentSeconds = 0;
        CDriveMapBuilder* map = nullptr;
        // Null when the walk keeps no index.
        CBlockFileIndex* index = nullptr;
        // Paths relative to the root (no leading slash) of what is excluded.
        std::unordered_set<std::string> excluded;
        bool tryNoAtime = true;

        // kHold while the progress callback runs (it may pause the walk), kStop to end it. A
        // hold takes effect once every thread that may add to the map (counted in busy) waits
        // in it (counted in held), so that nothing changes while the callback runs.
        std::atomic<int> control{kRun};
        std::mutex holdMutex;
        std::condition_variable holdChanged;
        std::condition_variable heldChanged;
        int busy = 0;
        int held = 0;

        // Inodes of files with more than one link, so that each is counted once.
        std::mutex linksMutex;
        std::unordered_set<ino_t> linkedInodes;
    };

    struct TJob {
        std::string path; // relative to the root; empty for the root itself
        quint32 parentRecord = CBlockFileIndex::kNoParent;
        bool excluded = false;
    };

    struct TListed {
        std::string path; // relative
        quint32 fragments = 0;
        quint64 bytes = 0;
    };
    struct TSkipped {
        std::string path; // relative
        quint32 reason = 0;
        HRESULT error = S_OK;
    };

    static constexpr std::array<quint32, 7> kHistogramBounds = {1, 2, 3, 5, 10, 50, 100};
    // Categories of files, in the tally's order.
    static constexpr std::array<quint8, 4> kFileCategories = {
        CDriveMapBuilder::kRarelyModified, CDriveMapBuilder::kOccasionallyModified,
        CDriveMapBuilder::kRecentlyModified, CDriveMapBuilder::kExcluded};
    static constexpr size_t kListLength = 100;

    struct TTally {
        quint64 files = 0;
        quint64 directories = 0;
        quint64 fileBytes = 0;
        quint64 directoryBytes = 0;
        quint64 fragmentedFiles = 0;
        quint64 fragmentedFileBytes = 0;
        // Bytes of fragmented files as the file fragmentation weighs them (TAnalysisFigures).
        quint64 fragmentedWeightBytes = 0;
        quint64 excessFileFragments = 0;
        quint64 fragmentedDirectories = 0;
        quint64 excessDirectoryFragments = 0;
        quint64 unknownExtentFiles = 0;
        quint64 unknownExtentBytes = 0;
        std::array<quint64, kFileCategories.size()> categoryFiles{};
        std::array<quint64, kFileCategories.size()> categoryBytes{};
        std::array<quint64, kHistogramBounds.size()> histogram{};
        // Heaps with the least fragmented entry on top, at most kListLength each.
        std::vector<TListed> files100;
        std::vector<TListed> directories100;
        quint64 skippedCount = 0;
        std::vector<TSkipped> skipped;
        // Excluded files: a heap as files100 (a file whose extents are unknown counts with 0
        // fragments), at most kListLength.
        quint64 excludedCount = 0;
        std::vector<TListed> excluded100;
        // Files and bytes by extension (FileExtension); past kMostExtensions distinct ones, the
        // rest count under the empty extension.
        std::unordered_map<std::string, std::pair<quint64, quint64>> extensions;
    };

    static constexpr size_t kMostExtensions = 2000;
    static constexpr size_t kLongestExtension = 16;

    // The extension of a file name, in ASCII lower case without the dot: what follows the last
    // dot when that is not the name's first character, and at most kLongestExtension bytes
    // long. Empty when the name has none.
    static std::string FileExtension(std::string_view name);

    explicit CDirectoryScanner(TShared* shared);
    ~CDirectoryScanner();
    CDirectoryScanner(const CDirectoryScanner&) = delete;
    CDirectoryScanner& operator=(const CDirectoryScanner&) = delete;

    // Reads the directory and adds its subdirectories to *subdirectories. Returns early when
    // the walk is stopped. The calling thread counts as busy meanwhile (see TShared).
    void Scan(const TJob& job, std::vector<TJob>* subdirectories);

    // A thread about to add to the map counts itself busy, waiting first while the walk is
    // held; false, and not busy, when the walk is to stop.
    static bool EnterBusy(TShared* shared);
    static void LeaveBusy(TShared* shared);
    // Waits while the walk is held; false once it is to stop. For busy threads only.
    static bool KeepGoing(TShared* shared);

    const TTally& Tally() const { return m_tally; }
    // Progress, readable from any thread while the scanner works.
    quint64 FilesSeen() const { return m_filesSeen.load(std::memory_order_relaxed); }
    quint64 DirectoriesSeen() const { return m_directoriesSeen.load(std::memory_order_relaxed); }
    quint64 BytesSeen() const { return m_bytesSeen.load(std::memory_order_relaxed); }
    // Directory entries of every kind, for the estimate against the used inodes.
    quint64 EntriesSeen() const { return m_entriesSeen.load(std::memory_order_relaxed); }
    std::string CurrentDirectory() const;

    // Orders listed items: more fragments first, then more bytes, then path.
    static bool ListedBefore(const TListed& a, const TListed& b);
    // The drive-map category of a file last modified ageSeconds ago: rarely modified past
    // rareSeconds, recently modified within recentSeconds, occasionally modified between.
    static quint8 CategoryOfAge(qint64 ageSeconds, qint64 rareSeconds, qint64 recentSeconds);

private:
    void ScanFile(int directoryFd, const char* fileName, const TJob& job);
    // Maps the placed extents the reader holds, and notes their blocks for the index record.
    void MapExtents(quint8 category, bool fragmented, quint32 record);
    quint8 FileCategory(qint64 modified) const;

    void Skip(const TJob& job, std::string_view name, int error);
    void CountExtension(std::string_view name, quint64 bytes);
    static void Offer(std::vector<TListed>* list, quint32 fragments, quint64 bytes,
                      const std::string& path);
    static std::string Join(const std::string& directory, std::string_view name);
    static void Bump(std::atomic<quint64>& counter, quint64 by);

    TShared* m_shared;
    CExtentReader m_reader;
    std::unique_ptr<quint64[]> m_entries;
    CBlockFileIndex::TBatch m_batch;
    TTally m_tally;
    bool m_noAtime;

    std::atomic<quint64> m_filesSeen{0};
    std::atomic<quint64> m_directoriesSeen{0};
    std::atomic<quint64> m_bytesSeen{0};
    std::atomic<quint64> m_entriesSeen{0};
    mutable std::mutex m_currentMutex;
    std::string m_current;
};

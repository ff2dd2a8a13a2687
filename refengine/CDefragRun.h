#pragma once

#include "core/HResult.h"
#include "refengine/CDefragSkipRules.h"
#include "refengine/CExtentReader.h"
#include "refengine/IFileDefragmenter.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

// One real defragmentation run over the files of a mounted ext4 or btrfs volume, or of a
// folder of one, or over listed files: finds the files in more pieces than one, leaves those it
// must (CDefragSkipRules), and has the file system's defragmenter move the rest, one file at a
// time, in the order the method asks for. The free space never falls below the volume's
// reserve: a file that would take it below is left, and the run stops once the free space is
// below it. Blocks; the callbacks run on the calling thread.
class CDefragRun {
public:
    // The run stopped because the free space fell below the reserve.
    static constexpr HRESULT kInsufficientFreeSpace = static_cast<HRESULT>(0x80070070u);
    // The volume is gone: its root cannot be reached any more, or another device is there.
    static constexpr HRESULT kDeviceGone = static_cast<HRESULT>(0x80070037u);

    enum TMethod { kTierLayout = 0, kDefragOnly = 1, kConsolidateFreeSpace = 2 };

    struct TOptions {
        QString root;       // the volume's mount point, or a folder of it
        dev_t device = 0;   // the volume's device
        QString fileSystem; // as the mount table names it
        int method = kDefragOnly;
        bool analyseOnly = false;
        // The zones first to last (0 boot, 1 directories, 2 rarely, 3 occasionally, 4 recently
        // modified); anything but a permutation of 0..4 means that order.
        QList<uint> zoneOrder;
        quint32 rareAgeDays = 60;
        quint32 recentAgeDays = 30;
        QStringList excludedPaths;
        // Listed files, absolute or relative to root; empty: every file under root.
        QStringList files;
        qint64 now = 0; // seconds since the epoch that ages count from; 0 for now
    };

    struct TSkippedItem {
        QString path;
        CDefragSkipRules::TReason reason = CDefragSkipRules::kFailed;
        int error = 0;
    };

    struct TFigures {
        quint64 files = 0; // regular files seen
        quint64 bytes = 0;
        quint64 fragmentedBefore = 0, fragmentedAfter = 0;
        // Pieces of the files seen, counted as filefrag counts "extents found".
        quint64 extentsBefore = 0, extentsAfter = 0;
        quint64 filesDefragmented = 0;
        quint64 bytesMoved = 0;
        std::array<quint64, CDefragSkipRules::kReasonCount> skipped{};
        QList<TSkippedItem> skippedItems; // the first kListLength
        quint64 SkippedTotal() const;
    };
    static constexpr int kListLength = 100;
    // Data a file system that places rewritten data when it writes them out may hold dirty
    // before the run writes them out: bounds the page cache's share and the wait for a flush.
    // A file this long that moved out of its pieces leaves free runs worth placing others near.
    static constexpr quint64 kFreedRunBytes = quint64(1) << 20;
    static constexpr quint64 kWriteOutBytes = quint64(256) << 20;

    // One file moved: where its data were and are now (byte offsets on the device), for the
    // drive map.
    struct TFileChange {
        std::vector<CExtentReader::TExtent> before, after;
        quint8 category = 0; // drive-map code: 1 rarely, 2 occasionally, 3 recently modified
        bool fragmentedBefore = false, fragmentedAfter = false;
    };

    // Blocks while paused; false once stopped.
    using TContinue = std::function<bool()>;
    // fraction 0..1 of the work, and the file being worked on.
    using TProgress = std::function<void(double fraction, const QString& path)>;
    using TChanged = std::function<void(const TFileChange& change)>;

    explicit CDefragRun(TOptions options);
    ~CDefragRun();
    CDefragRun(const CDefragRun&) = delete;
    CDefragRun& operator=(const CDefragRun&) = delete;

    // S_OK when done; E_ABORT when stopped; kInsufficientFreeSpace; kDeviceGone; E_INVALIDARG
    // for a root that is not a folder of the device; ERROR_NOT_SUPPORTED for a file system
    // without a defragmenter (unless analysing only).
    HRESULT Run(const TContinue& keepGoing, const TProgress& progress, const TChanged& changed);

    const TFigures& Figures() const { return m_figures; }

    // The free space a pass leaves untouched: the larger of 1 GiB and 5 % of the volume, the
    // 1 GiB held to a tenth of volumes under 10 GiB, so that small volumes can be worked on.
    static quint64 ReserveBytes(quint64 volumeBytes);

private:
    struct TCandidate {
        QByteArray path; // absolute
        quint64 size = 0;
        quint64 firstPhysical = 0;
        int fragments = 0;
        int rank = 0;
        quint8 category = 0;
        int now = -1; // pieces after the last try; -1 untried
        // Why it was left, when it was (kReasonCount: it was not).
        CDefragSkipRules::TReason reason = CDefragSkipRules::kReasonCount;
        int error = 0;
    };

    void Skip(const QByteArray& path, CDefragSkipRules::TReason reason, int error = 0);
    quint8 CategoryOf(qint64 modified) const;
    int RankOf(quint8 category) const;
    // Counts one file and, when it is in pieces and may be moved, keeps it.
    void Consider(int directoryFd, const char* name, const QByteArray& path,
                  const struct stat& info);
    HRESULT Enumerate(const TContinue& keepGoing);
    HRESULT EnumerateListed();
    // Leaves the file for the reason, as the figures will say once the run is over.
    static void Leave(TCandidate* candidate, CDefragSkipRules::TReason reason, int error = 0);
    // The figures after, and the files left, from the candidates.
    void Settle();
    // Asks the kernel to read the file's data in the background.
    static void ReadAhead(const TCandidate& candidate);
    // Writes out the files moved but not yet written, then reads where they went.
    void WriteOut(const TChanged& changed);
    HRESULT Move(TCandidate& candidate, quint64 doneBefore, quint64 total,
                 const TContinue& keepGoing, const TProgress& progress, const TChanged& changed);
    bool VolumePresent() const;

    const TOptions m_options;
    const QByteArray m_root;
    CDefragSkipRules m_rules;
    CExtentReader m_reader;
    std::unique_ptr<IFileDefragmenter> m_defragmenter;
    TFigures m_figures;
    std::vector<TCandidate> m_candidates;
    struct TPending {
        size_t candidate = 0;
        int fragments = 0; // before the move
        TFileChange change;
    };
    std::vector<TPending> m_pending;
    quint64 m_pendingBytes = 0;
    QByteArray m_freedDirectory;  // of the last file that moved out of long runs of pieces
    QSet<quint64> m_linkedInodes; // files with several names, so that each counts once
    qint64 m_now = 0;
    int m_rootFd = -1;
};

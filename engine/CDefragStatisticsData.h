#pragma once

#include "core/CDateTime.h"
#include "core/COleDate.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CStatisticsBlockCategoryTable.h"
#include "engine/CStatisticsBlockLists.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <functional>
#include <memory>

class CKV100EngineInterface;
class CStatisticsBlock;

// The results of a drive's last pass of each kind, as the statistics views show them. The
// analysis, online and offline records are made from the engine's statistics blocks
// (CStatisticsBlock); the comment of each field names the block field it comes from: #n as it is
// (f32 widened), L(#n) its level code mapped to a rating, R(#n) its value rated against
// thresholds, C(#n) multiplied by the scale the caller gives. Ratings run from 0 (best) to 2
// (worst).
class CDefragStatisticsData {
public:
    // Whether the volume named by a block (its field #3) is an NTFS volume in the drive model.
    // An empty function answers false.
    using TIsNtfs = std::function<bool(const TId& volume)>;

    class CBase {
    public:
        virtual ~CBase() = default;
        // A new copy of the same class, owned by the caller.
        virtual std::unique_ptr<CBase> Clone() const = 0;

        CDateTime startTime{COleDate::Invalid, CDateTime::StatusInvalid};
        CDateTime endTime{COleDate::Invalid, CDateTime::StatusInvalid};
        double cpuTime = 0.0; // #12, shown by the views as the pass's CPU time
        bool ntfs = false;

    protected:
        CBase() = default;
        CBase(const CBase&) = default;
        CBase& operator=(const CBase&) = default;
    };

    // After an analysis (block kind 0).
    class CAnalyse : public CBase {
    public:
        std::unique_ptr<CBase> Clone() const override;

        int fileFragmentationStatus = 0;      // L(#34)
        double fileFragmentation = 0.0;       // #33
        quint32 fragmentedFiles = 0;          // #28
        quint32 excessFileFragments = 0;      // #31
        int directoryFragmentationStatus = 0; // L(#40)
        double directoryFragmentation = 0.0;  // #39
        quint32 fragmentedDirectories = 0;    // #36
        quint32 excessDirectoryFragments = 0; // #38
        int freeSpaceFragmentationRating = 0; // R10/20(#22)
        double freeSpaceFragmentation = 0.0;  // #22
        int performanceRating = 0;            // R50/80(#81)
        double performance = 0.0;             // #81
        double metadataSize = 0.0;            // C(#55)
        quint32 metadataExcessFragments = 0;  // #57
        double metadataFragmentation = 0.0;   // #58
        int metadataStatus = 0;               // L(#59)
        double mftSize = 0.0;                 // C(#51)
        quint32 mftExcessFragments = 0;       // #50
        double mftFragmentation = 0.0;        // #52
        int mftStatus = 0;                    // L(#53)
        quint32 pagefileExcessFragments = 0;  // #46
        double pagefileSize = 0.0;            // C(#47)
        double pagefileFragmentation = 0.0;   // #48
        int pagefileStatus = 0;               // L(#49)
        double bootFilesSize = 0.0;           // C(#69)
        quint32 bootFilesExcessFragments = 0; // #43
        double bootFilesFragmentation = 0.0;  // #44
        int bootFilesStatus = 0;              // L(#45)
        double largestFreeSpaceChunk = 0.0;   // C(#17)
        int largestFreeSpaceChunkStatus = 0;  // L(#23)
        quint32 stopReason = 0;               // 1, 2 or 3: the first of #77..#79 not zero
        quint32 stopReasonValue = 0;          // that field's value
        // Files and bytes per drive-map category (#75).
        CStatisticsBlockCategoryTable categories;
        // Most fragmented, excluded files, file types: appended to the block after #92.
        CStatisticsBlockLists lists;
    };

    // After an online pass over the entire drive (block kind 2).
    class COnline : public CBase {
    public:
        std::unique_ptr<CBase> Clone() const override;

        int fileFragmentationStatus = 0;           // L(#34)
        double fileFragmentationBefore = 0.0;      // #32
        double fileFragmentationAfter = 0.0;       // #33
        quint32 fragmentedFilesBefore = 0;         // #29
        quint32 fragmentedFilesAfter = 0;          // #28
        quint32 excessFileFragments = 0;           // #31
        quint32 filesDefragmented = 0;             // #29 - #28, 0 when negative
        int freeSpaceFragmentationRating = 0;      // R10/20(#22)
        double freeSpaceFragmentationBefore = 0.0; // #21
        double freeSpaceFragmentationAfter = 0.0;  // #22
        int performanceRating = 0;                 // R50/80(#81)
        double performanceBefore = 0.0;            // #80
        double performanceAfter = 0.0;             // #81
        double largestFreeSpaceChunkBefore = 0.0;  // C(#17)
        double largestFreeSpaceChunkAfter = 0.0;   // C(#18)
        int largestFreeSpaceChunkStatus = 0;       // L(#23)
        int directoryFragmentationRating = 0;      // R3/8(#39)
        double directoryFragmentation = 0.0;       // #39
        quint32 fragmentedDirectories = 0;         // #36
        quint32 excessDirectoryFragments = 0;      // #38
        double metadataSize = 0.0;                 // C(#55)
        quint32 metadataExcessFragments = 0;       // #57
        double metadataFragmentation = 0.0;        // #58
        int metadataStatus = 0;                    // L(#59)
        double mftSize = 0.0;                      // C(#51)
        quint32 mftExcessFragments = 0;            // #50
        double mftFragmentation = 0.0;             // #52
        int mftStatus = 0;                         // L(#53)
        quint32 pagefileExcessFragments = 0;       // #46
        double pagefileSize = 0.0;                 // C(#47)
        double pagefileFragmentation = 0.0;        // #48
        int pagefileStatus = 0;                    // L(#49)
        double bootFilesSize = 0.0;                // C(#69)
        quint32 bootFilesExcessFragments = 0;      // #43
        double bootFilesFragmentation = 0.0;       // #44
        int bootFilesStatus = 0;                   // L(#45)
        quint32 stopReason = 0;                    // as in CAnalyse
        quint32 stopReasonValue = 0;
        CStatisticsBlockCategoryTable categories; // as in CAnalyse, after the pass
        CStatisticsBlockLists lists;              // as in CAnalyse, what is left after the pass
    };

    // After an offline (boot-time) pass over the system files (block kind 3). The engine's table
    // t0..t10 (#82..#92) holds four groups: the MFT (t0 before, t1 after) and metadata,
    // non-resident attributes and directories (t3/t4, t6/t7, t9/t10, each with its file count t2,
    // t5, t8).
    class COffline : public CBase {
    public:
        std::unique_ptr<CBase> Clone() const override;

        qint32 systemFilesDefragmented = 0;            // the groups' files that improved
        std::array<qint32, 4> excessFragmentsBefore{}; // t0, t3, t6, t9
        std::array<qint32, 4> excessFragmentsAfter{};  // t1, t4, t7, t10
        std::array<qint32, 3> fileCounts{};            // t2, t5, t8
    };

    // The files of a selected-files pass, filled by the defragmentation tab.
    class CSelectedFiles : public CBase {
    public:
        struct TFile {
            TString path;
            qint32 fragmentsBefore = -1; // -1 not known
            qint32 fragmentsAfter = -1;
            qint64 sizeBytes = -1;

            bool operator==(const TFile&) const = default;
        };

        std::unique_ptr<CBase> Clone() const override;

        QList<TFile> files;
    };

    // A pass skipped because the fragmentation threshold was not exceeded.
    class CFTNotExceeded : public CBase {
    public:
        std::unique_ptr<CBase> Clone() const override;

        double value = 0.0;
        quint32 count = 0;
    };

    // A pass that could not run for lack of free space.
    class CInsufficientFreeSpace : public CBase {
    public:
        std::unique_ptr<CBase> Clone() const override;

        double value = 0.0;
    };

    CDefragStatisticsData() = delete;

    // The makers answer E_INVALIDARG when the block is of another kind, the decoder's error for a
    // malformed block, E_POINTER for a null record; they touch *record only on success. scale
    // multiplies the C(#n) fields.
    static HRESULT MakeAnalyse(const CStatisticsBlock& block, int scale, const TIsNtfs& isNtfs,
                               std::unique_ptr<CAnalyse>* record);
    static HRESULT MakeAnalyse(const QByteArray& block, int scale, const TIsNtfs& isNtfs,
                               std::unique_ptr<CAnalyse>* record);
    static HRESULT MakeOnline(const CStatisticsBlock& block, int scale, const TIsNtfs& isNtfs,
                              std::unique_ptr<COnline>* record);
    static HRESULT MakeOnline(const QByteArray& block, int scale, const TIsNtfs& isNtfs,
                              std::unique_ptr<COnline>* record);
    static HRESULT MakeOffline(const CStatisticsBlock& block, const TIsNtfs& isNtfs,
                               std::unique_ptr<COffline>* record);
    static HRESULT MakeOffline(const QByteArray& block, const TIsNtfs& isNtfs,
                               std::unique_ptr<COffline>* record);

    // Ask the engine for the volume's values; the query's HRESULT is answered and the record made
    // only when it succeeded. The times stay invalid: the engine gives none.
    static HRESULT MakeFTNotExceeded(CKV100EngineInterface& engine, const TId& volume,
                                     const TIsNtfs& isNtfs,
                                     std::unique_ptr<CFTNotExceeded>* record);
    static HRESULT MakeInsufficientFreeSpace(CKV100EngineInterface& engine, const TId& volume,
                                             const TIsNtfs& isNtfs,
                                             std::unique_ptr<CInsufficientFreeSpace>* record);

    // The engine's level code: 2 gives 1, 3 gives 2, anything else 0.
    static int LevelRating(quint32 code);
    // 2 from 20 on, 1 from 10 on, else 0.
    static int Rating10To20(double value);
    // 2 from 8 on, 1 from 3 on, else 0.
    static int Rating3To8(double value);
    // Higher is better: 0 above 80 (and for NaN), 1 from 50 on, else 2.
    static int Rating50To80(double value);
};

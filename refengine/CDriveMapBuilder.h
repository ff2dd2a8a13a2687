#pragma once

#include <QtGlobal>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// The drive map of one volume of N bytes as it fills: 3600 blocks, block b covering
// [b*N/3600, (b+1)*N/3600). Every range added counts its bytes towards its category in the
// blocks it touches; a block shows the category that holds most of its bytes (on a tie the lower
// code), with 0x10 added when a fragmented file lies in it. Walking threads add while other
// threads take snapshots: the counters are relaxed atomics, so that neither side waits for the
// other; the ranges kept for the free-space figures are split per adding thread.
class CDriveMapBuilder {
public:
    static constexpr int kBlocks = 3600;

    enum TCode : quint8 {
        kRarelyModified = 1,
        kOccasionallyModified = 2,
        kRecentlyModified = 3,
        kDirectory = 4,
        // What the file system keeps for itself: superblocks, group descriptors, bitmaps, inode
        // tables, its journal.
        kMetadata = 7,
        kFree = 9,
        kUsed = 10,
        kExcluded = 11,
        kNotYetKnown = 13,
        kFragmentedFlag = 0x10,
    };

    using TCodes = std::array<quint8, kBlocks>;

    // The gaps between everything added, within [0, N).
    struct TFreeSpace {
        quint64 runs = 0;
        quint64 largestRun = 0;
        quint64 bytes = 0;
        // Bytes in runs shorter than the length asked for, the largest run left out.
        quint64 shortRunBytes = 0;
    };

    explicit CDriveMapBuilder(quint64 volumeBytes);
    ~CDriveMapBuilder();
    CDriveMapBuilder(const CDriveMapBuilder&) = delete;
    CDriveMapBuilder& operator=(const CDriveMapBuilder&) = delete;

    quint64 VolumeBytes() const { return m_volumeBytes; }
    // The block that holds the byte; bytes at or past the end belong to the last block.
    int BlockOf(quint64 byte) const { return BlockOf(byte, m_volumeBytes); }
    // First byte of the block; BlockStart(kBlocks) is N.
    quint64 BlockStart(int block) const { return BlockStart(block, m_volumeBytes); }
    // The same for a volume of that many bytes, without a map.
    static int BlockOf(quint64 byte, quint64 volumeBytes);
    static quint64 BlockStart(int block, quint64 volumeBytes);

    // Counts the bytes of [physicalByte, physicalByte + lengthBytes) towards the category (1 to
    // 4, 7, 10 or 11). Bytes past the end of the volume are left out; a range wholly past it counts
    // in the last block. False, and nothing changes, for an empty range or another category.
    // Any thread may call this.
    bool AddExtent(quint64 physicalByte, quint64 lengthBytes, quint8 category, bool fragmented);

    // Takes back what AddExtent counted for the same range: a file that has moved. Its bytes
    // stay in the free-space figures, which are the walk's.
    void RemoveExtent(quint64 physicalByte, quint64 lengthBytes, quint8 category, bool fragmented);

    // Adds, to the category, the parts of the ranges (start, length) that nothing added so far
    // covers. Meant for when the walk is over: space known to be used by something it did not
    // meet.
    void AddUncovered(std::vector<std::pair<quint64, quint64>> ranges, quint8 category);

    // The codes as they stand: blocks nothing has touched are 13 (not yet known) while the walk
    // runs, 9 (free) once final. Any thread, while others add.
    TCodes Codes(bool final) const;

    // Free runs from the gaps between everything added; meant for when adding is over.
    TFreeSpace FreeSpace(quint64 shortRunBytes = 0) const;

private:
    static constexpr int kSlots = 7;
    static constexpr int kStripes = 16;

    struct TStripe {
        std::mutex mutex;
        // [start, end) ranges, touching ones joined as they come.
        std::vector<std::pair<quint64, quint64>> ranges;
        // Size at which the ranges are next sorted and joined.
        size_t joinAt = size_t(1) << 16;
    };

    static int Slot(quint8 category);
    // Calls visit(block, bytes) for each block the range touches; false for an empty range.
    template <typename TVisit>
    bool ForEachBlock(quint64 physicalByte, quint64 lengthBytes, const TVisit& visit) const;
    void Record(quint64 start, quint64 end);
    // Everything added, sorted and joined.
    std::vector<std::pair<quint64, quint64>> Covered() const;

    quint64 m_volumeBytes;
    std::unique_ptr<std::atomic<quint64>[]> m_bytes; // kBlocks rows of kSlots
    // Fragmented ranges counted per block.
    std::unique_ptr<std::atomic<quint32>[]> m_fragmented;
    mutable std::array<TStripe, kStripes> m_stripes;
};

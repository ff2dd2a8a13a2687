#pragma once

#include "refengine/IFileDefragmenter.h"

// btrfs: the file system rewrites a range's small extents into larger ones itself
// (BTRFS_IOC_DEFRAG_RANGE); copy-on-write keeps the old extents valid until the new ones are
// on disk, so the file is whole at every moment. Ranges are bounded and each is written out
// before the next, so the page cache never holds more than one range of dirty data, and the
// compression of the file is left as it is.
class CBtrfsDefragmenter : public IFileDefragmenter {
public:
    static constexpr quint64 kRangeBytes = quint64(32) << 20;
    // Extents at least this long are left as they are.
    static constexpr quint32 kExtentThreshold = quint32(32) << 20;

    TResult Defragment(const TFile& file, const TContinue& keepGoing) override;
    bool SkipsSharedExtents() const override { return true; }
};

#pragma once

#include "refengine/IFileDefragmenter.h"

// btrfs: the file system rewrites a range's small extents into larger ones itself
// (BTRFS_IOC_DEFRAG_RANGE); copy-on-write keeps the old extents valid until the new ones are
// on disk, so the file is whole at every moment. The rewritten data are placed when they are
// written out, which the caller does for several files at once: written out one file at a time,
// each lands in whatever gaps are nearest and often ends in more pieces than it had. The
// compression of the file is left as it is.
class CBtrfsDefragmenter : public IFileDefragmenter {
public:
    static constexpr quint64 kRangeBytes = quint64(32) << 20;
    // Extents at least this long are left as they are.
    static constexpr quint32 kExtentThreshold = quint32(32) << 20;

    TResult Defragment(const TFile& file, const TContinue& keepGoing) override;
    bool SkipsSharedExtents() const override { return true; }
    bool WritesOutLater() const override { return true; }
};

#pragma once

#include "refengine/IFileDefragmenter.h"

#include <QList>
#include <utility>

// ext4: the file's data move into a donor file allocated in one piece, with EXT4_IOC_MOVE_EXT,
// which swaps the blocks of a range between the two files atomically and keeps the page cache
// right, so a program using the file meanwhile sees its bytes throughout. The donor is an
// unnamed temporary file (O_TMPFILE) next to the file: whatever happens, even a kill, the
// kernel frees it and the blocks it ends up holding, the file's old ones.
class CExt4Defragmenter : public IFileDefragmenter {
public:
    // Blocks moved per call: bounds how long a pause or stop waits.
    static constexpr quint64 kChunkBytes = quint64(8) << 20;

    TResult Defragment(const TFile& file, const TContinue& keepGoing) override;
    bool SkipsSharedExtents() const override { return false; }
    bool GainsFromReadAhead() const override { return true; }

    // The logical ranges (offset, length) that hold data, in block units of blockBytes, joined
    // where they touch; what the donor is allocated for.
    using TRanges = QList<std::pair<quint64, quint64>>;

    // Places tried for the donor, each a folder whose block group the allocator starts from:
    // next to the file, next to files that have just moved out, in the volume's root, and next
    // to the file again while the others are held, which makes the allocator look elsewhere.
    // The donor in fewest pieces is kept.
    enum TPlace { kBesideFile, kBesideFreed, kRoot, kBesideFileAgain, kPlaces };

private:
    static int OpenDonor(const TFile& file, TPlace place);
    // A donor allocated over the ranges, or -1 with errno; its pieces in *fragments.
    static int AllocateDonor(const TFile& file, const TRanges& ranges, quint64 block, TPlace place,
                             int* fragments);
};

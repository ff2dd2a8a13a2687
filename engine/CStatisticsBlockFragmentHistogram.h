#pragma once

#include <QtGlobal>

#include <vector>

class CNoticeReader;

// Field #76 of the engine's statistics block: how many files have how many fragments, one bucket
// per entry. Layout: a u32 entry count, then per entry a u32 smallest fragment count of the
// bucket and a u32 file count (8 bytes an entry), little-endian.
class CStatisticsBlockFragmentHistogram {
public:
    struct TBucket {
        quint32 minimumFragments = 0;
        quint32 files = 0;

        bool operator==(const TBucket&) const = default;
    };

    static constexpr qsizetype kEntrySize = 8;

    // Reads the field at the reader's position. False, with the histogram untouched, when the
    // count or a bucket does not fit in what is left; the count is checked before anything is
    // allocated.
    static bool Read(CNoticeReader& reader, CStatisticsBlockFragmentHistogram* histogram);

    const std::vector<TBucket>& Buckets() const { return m_buckets; }

    bool operator==(const CStatisticsBlockFragmentHistogram&) const = default;

private:
    std::vector<TBucket> m_buckets;
};

#include "engine/CStatisticsBlockFragmentHistogram.h"

#include "notify/CNoticeReader.h"

bool CStatisticsBlockFragmentHistogram::Read(CNoticeReader& reader,
                                             CStatisticsBlockFragmentHistogram* histogram)
{
    quint32 count = 0;
    if (!reader.U32(&count) ||
        static_cast<quint64>(count) * kEntrySize > static_cast<quint64>(reader.Remaining()))
        return false;
    std::vector<TBucket> buckets(count);
    for (TBucket& bucket : buckets) {
        // Fits: the whole histogram was measured above.
        reader.U32(&bucket.minimumFragments);
        reader.U32(&bucket.files);
    }
    if (!reader.Ok())
        return false;
    histogram->m_buckets = std::move(buckets);
    return true;
}

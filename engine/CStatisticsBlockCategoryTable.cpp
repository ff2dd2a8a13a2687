#include "engine/CStatisticsBlockCategoryTable.h"

#include "notify/CNoticeReader.h"

bool CStatisticsBlockCategoryTable::Read(CNoticeReader& reader,
                                         CStatisticsBlockCategoryTable* table)
{
    quint32 count = 0;
    if (!reader.U32(&count) ||
        static_cast<quint64>(count) * kEntrySize > static_cast<quint64>(reader.Remaining()))
        return false;
    std::vector<TEntry> entries(count);
    for (TEntry& entry : entries) {
        // Fits: the whole table was measured above.
        reader.U32(&entry.category);
        reader.U32(&entry.files);
        reader.U64(&entry.bytes);
    }
    if (!reader.Ok())
        return false;
    table->m_entries = std::move(entries);
    return true;
}

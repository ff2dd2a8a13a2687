#pragma once

#include <QtGlobal>

#include <vector>

class CNoticeReader;

// Field #75 of the engine's statistics block: how the volume's files divide into the placement
// categories (rarely, occasionally and recently modified, directories, boot files, excluded, free
// space...). Layout: a u32 entry count, then per entry a u32 category code as the engine numbers
// it, a u32 file count and a u64 size in bytes (16 bytes an entry), little-endian.
class CStatisticsBlockCategoryTable {
public:
    struct TEntry {
        quint32 category = 0;
        quint32 files = 0;
        quint64 bytes = 0;

        bool operator==(const TEntry&) const = default;
    };

    static constexpr qsizetype kEntrySize = 16;

    // Reads the field at the reader's position. False, with the table untouched, when the count
    // or an entry does not fit in what is left; the count is checked before anything is
    // allocated.
    static bool Read(CNoticeReader& reader, CStatisticsBlockCategoryTable* table);

    const std::vector<TEntry>& Entries() const { return m_entries; }

    bool operator==(const CStatisticsBlockCategoryTable&) const = default;

private:
    std::vector<TEntry> m_entries;
};

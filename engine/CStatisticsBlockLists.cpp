#include "engine/CStatisticsBlockLists.h"

#include "notify/CNoticeReader.h"
#include "notify/CNoticeWriter.h"

namespace {

// The fewest bytes an entry of each list takes: an empty string's count and the numbers.
constexpr quint64 kFragmentedEntryBytes = 4 + 4 + 8 + 1;
constexpr quint64 kExcludedEntryBytes = 4 + 4 + 4 + 4 + 8;
constexpr quint64 kFileTypeEntryBytes = 4 + 8 + 8;

// Reads a list's count and then its entries with readEntry; false when the count cannot fit.
template <typename TEntry, typename TRead>
bool StatisticsListsRead(CNoticeReader& reader, quint64 leastEntryBytes, QList<TEntry>* list,
                         TRead readEntry)
{
    quint32 count = 0;
    if (!reader.U32(&count) ||
        static_cast<quint64>(count) * leastEntryBytes > static_cast<quint64>(reader.Remaining()))
        return false;
    list->reserve(static_cast<qsizetype>(count));
    for (quint32 i = 0; i < count && reader.Ok(); ++i) {
        TEntry entry;
        readEntry(entry);
        list->append(std::move(entry));
    }
    return reader.Ok();
}

} // namespace

QByteArray CStatisticsBlockLists::Encode() const
{
    CNoticeWriter writer;
    writer.U32(kMagic);
    writer.U32(static_cast<quint32>(mostFragmented.size()));
    for (const TFragmented& entry : mostFragmented)
        writer.String(entry.path).U32(entry.fragments).U64(entry.bytes).U8(entry.directory ? 1 : 0);
    writer.U32(static_cast<quint32>(excluded.size()));
    for (const TExcluded& entry : excluded)
        writer.String(entry.path)
            .U32(entry.reason)
            .I32(entry.error)
            .I32(entry.excessFragments)
            .U64(entry.bytes);
    writer.U32(static_cast<quint32>(fileTypes.size()));
    for (const TFileType& entry : fileTypes)
        writer.String(entry.extension).U64(entry.files).U64(entry.bytes);
    return writer.Body();
}

HRESULT CStatisticsBlockLists::Read(CNoticeReader& reader, CStatisticsBlockLists* lists)
{
    if (!lists)
        return E_POINTER;
    *lists = {};
    quint32 magic = 0;
    if (reader.Remaining() < 4 || !reader.U32(&magic) || magic != kMagic)
        return S_FALSE;
    CStatisticsBlockLists read;
    const bool ok = StatisticsListsRead(reader, kFragmentedEntryBytes, &read.mostFragmented,
                                        [&reader](TFragmented& entry) {
                                            quint8 directory = 0;
                                            reader.String(&entry.path);
                                            reader.U32(&entry.fragments);
                                            reader.U64(&entry.bytes);
                                            reader.U8(&directory);
                                            entry.directory = directory != 0;
                                        }) &&
                    StatisticsListsRead(reader, kExcludedEntryBytes, &read.excluded,
                                        [&reader](TExcluded& entry) {
                                            reader.String(&entry.path);
                                            reader.U32(&entry.reason);
                                            reader.I32(&entry.error);
                                            reader.I32(&entry.excessFragments);
                                            reader.U64(&entry.bytes);
                                        }) &&
                    StatisticsListsRead(reader, kFileTypeEntryBytes, &read.fileTypes,
                                        [&reader](TFileType& entry) {
                                            reader.String(&entry.extension);
                                            reader.U64(&entry.files);
                                            reader.U64(&entry.bytes);
                                        });
    if (!ok)
        return kMalformed;
    *lists = std::move(read);
    return S_OK;
}

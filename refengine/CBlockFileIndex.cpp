#include "refengine/CBlockFileIndex.h"

#include "refengine/CDriveMapBuilder.h"

#include <QFile>

#include <algorithm>

namespace {

// Names and records are addressed with 32 bits: past that the index stops growing (and says so
// by leaving the rest out) rather than wrap.
constexpr quint64 kBlockFileIndexLimit = 0xFFFFFFF0ull;

} // namespace

void CBlockFileIndex::TBatch::Clear()
{
    m_names.clear();
    m_records.clear();
    m_blocks.clear();
}

quint32 CBlockFileIndex::TBatch::Add(std::string_view name, int fragments, quint64 bytes)
{
    const auto offset = static_cast<quint32>(m_names.size());
    m_names.append(name);
    m_names.push_back('\0');
    m_records.push_back({offset, fragments, bytes});
    return static_cast<quint32>(m_records.size() - 1);
}

void CBlockFileIndex::TBatch::AddBlocks(quint32 record, int first, int last)
{
    for (int block = first; block <= last; ++block) {
        const quint64 pair = (static_cast<quint64>(block) << 32) | record;
        // Extents of one file often share a block: keep the pair once.
        if (m_blocks.empty() || m_blocks.back() != pair)
            m_blocks.push_back(pair);
    }
}

CBlockFileIndex::CBlockFileIndex(QString rootPath)
    : m_rootPath(std::move(rootPath))
{
    while (m_rootPath.size() > 1 && m_rootPath.endsWith(u'/'))
        m_rootPath.chop(1);
}

quint32 CBlockFileIndex::Append(const TBatch& batch, quint32 parent)
{
    const std::lock_guard lock(m_mutex);
    if (batch.m_records.empty() || m_full ||
        m_names.size() + batch.m_names.size() > kBlockFileIndexLimit ||
        m_records.size() + batch.m_records.size() > kBlockFileIndexLimit) {
        m_full = m_full || !batch.m_records.empty();
        return kNoParent;
    }
    const auto base = static_cast<quint32>(m_records.size());
    const auto nameBase = static_cast<quint32>(m_names.size());
    m_names.append(batch.m_names);
    for (size_t i = 0; i < batch.m_records.size(); ++i) {
        const TBatch::TRecord& record = batch.m_records[i];
        m_records.push_back(
            {i == 0 ? parent : base, nameBase + record.name, record.fragments, record.bytes});
    }
    for (const quint64 pair : batch.m_blocks)
        m_pending.push_back(pair + base);
    return base;
}

void CBlockFileIndex::Finish()
{
    const std::lock_guard lock(m_mutex);
    // A counting sort by block; the records of a block then come in walk order.
    std::vector<quint32> starts(CDriveMapBuilder::kBlocks + 1, 0);
    for (const quint64 pair : m_pending)
        ++starts[(pair >> 32) + 1];
    for (int block = 0; block < CDriveMapBuilder::kBlocks; ++block)
        starts[block + 1] += starts[block];
    std::vector<quint32> records(m_pending.size());
    std::vector<quint32> next(starts.begin(), starts.end() - 1);
    for (const quint64 pair : m_pending)
        records[next[pair >> 32]++] = static_cast<quint32>(pair);
    std::vector<quint64>().swap(m_pending);

    // A file whose extents come back to a block it left has that block twice.
    m_blockStarts.assign(CDriveMapBuilder::kBlocks + 1, 0);
    size_t kept = 0;
    for (int block = 0; block < CDriveMapBuilder::kBlocks; ++block) {
        const auto first = records.begin() + starts[block];
        const auto last = records.begin() + starts[block + 1];
        std::sort(first, last);
        const auto end = std::unique(first, last);
        m_blockStarts[block] = static_cast<quint32>(kept);
        for (auto it = first; it != end; ++it)
            records[kept++] = *it;
    }
    m_blockStarts[CDriveMapBuilder::kBlocks] = static_cast<quint32>(kept);
    records.resize(kept);
    records.shrink_to_fit();
    m_blockRecords = std::move(records);
}

QString CBlockFileIndex::Path(quint32 record) const
{
    // Names from the leaf up, then joined from the root down.
    std::vector<const char*> names;
    const std::lock_guard lock(m_mutex);
    quint32 at = record;
    while (at < m_records.size()) {
        names.push_back(m_names.data() + m_records[at].name);
        at = m_records[at].parent;
        if (names.size() > m_records.size())
            break; // a cycle cannot be built by Append; stop rather than loop
    }
    QByteArray relative;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (**it == '\0')
            continue; // the root's own name
        relative.append('/');
        relative.append(*it);
    }
    if (relative.isEmpty())
        return m_rootPath;
    return (m_rootPath == u"/" ? QString() : m_rootPath) + QFile::decodeName(relative);
}

QList<CBlockFileIndex::TItem> CBlockFileIndex::Items(int block) const
{
    std::vector<quint32> records;
    {
        const std::lock_guard lock(m_mutex);
        if (block < 0 || block >= CDriveMapBuilder::kBlocks || m_blockStarts.empty())
            return {};
        records.assign(m_blockRecords.begin() + m_blockStarts[block],
                       m_blockRecords.begin() + m_blockStarts[block + 1]);
    }
    QList<TItem> items;
    items.reserve(static_cast<qsizetype>(records.size()));
    for (const quint32 record : records) {
        TItem item;
        item.path = Path(record);
        {
            const std::lock_guard lock(m_mutex);
            item.fragments = m_records[record].fragments;
            item.bytes = m_records[record].bytes;
        }
        items.append(std::move(item));
    }
    return items;
}

quint64 CBlockFileIndex::Records() const
{
    const std::lock_guard lock(m_mutex);
    return m_records.size();
}

#include "refengine/CDriveMapBuilder.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace {

// Block boundaries are b * N / 3600 exactly, which needs more than 64 bits on the way.
__extension__ using TDriveMapBuilderWide = unsigned __int128;

constexpr std::array<quint8, 7> kDriveMapBuilderCategories = {
    CDriveMapBuilder::kRarelyModified,   CDriveMapBuilder::kOccasionallyModified,
    CDriveMapBuilder::kRecentlyModified, CDriveMapBuilder::kDirectory,
    CDriveMapBuilder::kMetadata,         CDriveMapBuilder::kUsed,
    CDriveMapBuilder::kExcluded};

void DriveMapBuilderJoin(std::vector<std::pair<quint64, quint64>>* ranges)
{
    std::sort(ranges->begin(), ranges->end());
    size_t kept = 0;
    for (size_t i = 0; i < ranges->size(); ++i) {
        if (kept > 0 && (*ranges)[i].first <= (*ranges)[kept - 1].second)
            (*ranges)[kept - 1].second = std::max((*ranges)[kept - 1].second, (*ranges)[i].second);
        else
            (*ranges)[kept++] = (*ranges)[i];
    }
    ranges->resize(kept);
}

} // namespace

CDriveMapBuilder::CDriveMapBuilder(quint64 volumeBytes)
    : m_volumeBytes(std::max<quint64>(volumeBytes, 1))
    , m_bytes(new std::atomic<quint64>[kBlocks * kSlots])
    , m_fragmented(new std::atomic<quint32>[kBlocks])
{
    for (int i = 0; i < kBlocks * kSlots; ++i)
        m_bytes[i].store(0, std::memory_order_relaxed);
    for (int i = 0; i < kBlocks; ++i)
        m_fragmented[i].store(0, std::memory_order_relaxed);
}

CDriveMapBuilder::~CDriveMapBuilder() = default;

int CDriveMapBuilder::Slot(quint8 category)
{
    const auto found =
        std::find(kDriveMapBuilderCategories.begin(), kDriveMapBuilderCategories.end(), category);
    return found == kDriveMapBuilderCategories.end()
               ? -1
               : static_cast<int>(found - kDriveMapBuilderCategories.begin());
}

int CDriveMapBuilder::BlockOf(quint64 byte, quint64 volumeBytes)
{
    volumeBytes = std::max<quint64>(volumeBytes, 1);
    if (byte >= volumeBytes)
        return kBlocks - 1;
    // The largest b with floor(b * N / kBlocks) <= byte.
    const TDriveMapBuilderWide scaled = (static_cast<TDriveMapBuilderWide>(byte) + 1) * kBlocks - 1;
    return std::min(static_cast<int>(scaled / volumeBytes), kBlocks - 1);
}

quint64 CDriveMapBuilder::BlockStart(int block, quint64 volumeBytes)
{
    volumeBytes = std::max<quint64>(volumeBytes, 1);
    return static_cast<quint64>(static_cast<TDriveMapBuilderWide>(block) * volumeBytes / kBlocks);
}

template <typename TVisit>
bool CDriveMapBuilder::ForEachBlock(quint64 physicalByte, quint64 lengthBytes,
                                    const TVisit& visit) const
{
    if (lengthBytes == 0)
        return false;
    if (physicalByte >= m_volumeBytes) {
        visit(kBlocks - 1, lengthBytes);
        return true;
    }
    const quint64 end = physicalByte + std::min(lengthBytes, m_volumeBytes - physicalByte);
    const int first = BlockOf(physicalByte);
    const int last = BlockOf(end - 1);
    quint64 blockStart = BlockStart(first);
    for (int block = first; block <= last; ++block) {
        const quint64 blockEnd = BlockStart(block + 1);
        visit(block, std::min(end, blockEnd) - std::max(physicalByte, blockStart));
        blockStart = blockEnd;
    }
    return true;
}

bool CDriveMapBuilder::AddExtent(quint64 physicalByte, quint64 lengthBytes, quint8 category,
                                 bool fragmented)
{
    const int slot = Slot(category);
    if (slot < 0)
        return false;
    const bool added = ForEachBlock(physicalByte, lengthBytes, [&](int block, quint64 bytes) {
        m_bytes[block * kSlots + slot].fetch_add(bytes, std::memory_order_relaxed);
        if (fragmented)
            m_fragmented[block].fetch_add(1, std::memory_order_relaxed);
    });
    if (added && physicalByte < m_volumeBytes)
        Record(physicalByte, physicalByte + std::min(lengthBytes, m_volumeBytes - physicalByte));
    return added;
}

void CDriveMapBuilder::RemoveExtent(quint64 physicalByte, quint64 lengthBytes, quint8 category,
                                    bool fragmented)
{
    const int slot = Slot(category);
    if (slot < 0)
        return;
    ForEachBlock(physicalByte, lengthBytes, [&](int block, quint64 bytes) {
        std::atomic<quint64>& counted = m_bytes[block * kSlots + slot];
        quint64 held = counted.load(std::memory_order_relaxed);
        while (!counted.compare_exchange_weak(held, held - std::min(held, bytes),
                                              std::memory_order_relaxed)) {
        }
        if (fragmented) {
            std::atomic<quint32>& marks = m_fragmented[block];
            quint32 marked = marks.load(std::memory_order_relaxed);
            while (marked > 0 &&
                   !marks.compare_exchange_weak(marked, marked - 1, std::memory_order_relaxed)) {
            }
        }
    });
}

void CDriveMapBuilder::Record(quint64 start, quint64 end)
{
    // Each adding thread mostly finds a stripe of its own, so the lock is rarely contended.
    TStripe& stripe =
        m_stripes[std::hash<std::thread::id>()(std::this_thread::get_id()) % kStripes];
    const std::lock_guard lock(stripe.mutex);
    auto& ranges = stripe.ranges;
    if (!ranges.empty() && ranges.back().second == start) {
        ranges.back().second = end; // files laid out one after another
        return;
    }
    ranges.emplace_back(start, end);
    if (ranges.size() >= stripe.joinAt) {
        DriveMapBuilderJoin(&ranges);
        // Ranges that stay apart make the next join wait longer, so joining stays linear.
        stripe.joinAt = std::max(stripe.joinAt, ranges.size() * 2);
    }
}

CDriveMapBuilder::TCodes CDriveMapBuilder::Codes(bool final) const
{
    TCodes codes;
    for (int block = 0; block < kBlocks; ++block) {
        quint64 most = 0;
        int mostSlot = -1;
        for (int slot = 0; slot < kSlots; ++slot) {
            const quint64 bytes = m_bytes[block * kSlots + slot].load(std::memory_order_relaxed);
            if (bytes > most) {
                most = bytes;
                mostSlot = slot;
            }
        }
        if (mostSlot < 0) {
            codes[block] = final ? kFree : kNotYetKnown;
            continue;
        }
        quint8 code = kDriveMapBuilderCategories[mostSlot];
        if (m_fragmented[block].load(std::memory_order_relaxed))
            code |= kFragmentedFlag;
        codes[block] = code;
    }
    return codes;
}

std::vector<std::pair<quint64, quint64>> CDriveMapBuilder::Covered() const
{
    std::vector<std::pair<quint64, quint64>> all;
    for (TStripe& stripe : m_stripes) {
        const std::lock_guard lock(stripe.mutex);
        all.insert(all.end(), stripe.ranges.begin(), stripe.ranges.end());
    }
    DriveMapBuilderJoin(&all);
    return all;
}

void CDriveMapBuilder::AddUncovered(std::vector<std::pair<quint64, quint64>> ranges,
                                    quint8 category)
{
    if (Slot(category) < 0)
        return;
    const std::vector<std::pair<quint64, quint64>> covered = Covered();
    std::sort(ranges.begin(), ranges.end());
    auto next = covered.begin();
    for (const auto& [start, length] : ranges) {
        quint64 position = start;
        const quint64 end = start + length;
        // The covered ranges that end before this one starts are of no more use.
        while (next != covered.end() && next->second <= position)
            ++next;
        for (auto it = next; it != covered.end() && it->first < end && position < end; ++it) {
            if (it->first > position)
                AddExtent(position, it->first - position, category, false);
            position = std::max(position, it->second);
        }
        if (position < end)
            AddExtent(position, end - position, category, false);
    }
}

CDriveMapBuilder::TFreeSpace CDriveMapBuilder::FreeSpace(quint64 shortRunBytes) const
{
    const std::vector<std::pair<quint64, quint64>> all = Covered();
    TFreeSpace free;
    quint64 position = 0;
    const auto gap = [&free, shortRunBytes](quint64 from, quint64 to) {
        if (to <= from)
            return;
        ++free.runs;
        free.bytes += to - from;
        free.largestRun = std::max(free.largestRun, to - from);
        if (to - from < shortRunBytes)
            free.shortRunBytes += to - from;
    };
    for (const auto& [start, end] : all) {
        gap(position, start);
        position = std::max(position, end);
    }
    gap(position, m_volumeBytes);
    if (free.largestRun < shortRunBytes)
        free.shortRunBytes -= free.largestRun;
    return free;
}

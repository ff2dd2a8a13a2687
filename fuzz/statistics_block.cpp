// Statistics blocks, as the engine hands them over after a pass, and the analysis, online and
// offline records made from them. A block that decodes must write back (through the engine's own
// block writer) to bytes that decode to the same fields; a block that does not decode must leave
// the decoded block as it was.

#include "FuzzSupport.h"

#include "core/CWideText.h"
#include "engine/CDefragStatisticsData.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"

#include <QList>

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

using TFieldType = CStatisticsBlock::TFieldType;

bool SameReal(double left, double right)
{
    return (std::isnan(left) && std::isnan(right)) ||
           std::bit_cast<quint64>(left) == std::bit_cast<quint64>(right);
}

bool SameFields(const CStatisticsBlock& left, const CStatisticsBlock& right)
{
    for (int field = 0; field < CStatisticsBlock::kFieldCount; ++field) {
        bool same = true;
        switch (CStatisticsBlock::FieldType(field)) {
        case TFieldType::U32:
            same = left.U32(field) == right.U32(field);
            break;
        case TFieldType::I32:
            same = left.I32(field) == right.I32(field);
            break;
        case TFieldType::F32:
        case TFieldType::F64:
            same = SameReal(left.Real(field), right.Real(field));
            break;
        case TFieldType::Raw8:
            same = left.Raw8(field) == right.Raw8(field);
            break;
        case TFieldType::String:
            same = left.String(field) == right.String(field);
            break;
        case TFieldType::Composite:
            break;
        }
        if (!same)
            return false;
    }
    return left.CategoryTable() == right.CategoryTable() &&
           left.FragmentHistogram() == right.FragmentHistogram();
}

QByteArray WriteBack(const CStatisticsBlock& block)
{
    CStatisticsBlockWriter writer(block.Kind(), CStatisticsBlockWriter::TStart::Zeroed);
    for (int field = 0; field < CStatisticsBlock::kFieldCount; ++field) {
        switch (CStatisticsBlock::FieldType(field)) {
        case TFieldType::U32:
            writer.Set(field, block.U32(field));
            break;
        case TFieldType::I32:
            writer.Set(field, block.I32(field));
            break;
        case TFieldType::F32:
        case TFieldType::F64:
            writer.Set(field, block.Real(field));
            break;
        case TFieldType::Raw8:
            writer.SetBytes8(field, block.Raw8(field));
            break;
        case TFieldType::String:
            writer.SetText(field, CWideText::ToQString(block.String(field)));
            break;
        case TFieldType::Composite:
            break;
        }
    }
    QList<CStatisticsBlockWriter::TCategory> categories;
    for (const auto& entry : block.CategoryTable().Entries())
        categories.append({entry.category, entry.files, entry.bytes});
    writer.SetCategories(categories);
    QList<CStatisticsBlockWriter::TBucket> buckets;
    for (const auto& bucket : block.FragmentHistogram().Buckets())
        buckets.append({bucket.minimumFragments, bucket.files});
    writer.SetHistogram(buckets);
    return writer.Bytes();
}

// A block to decode into first, so that a refused input can be seen to leave it alone.
const CStatisticsBlock& MarkedBlock()
{
    static const CStatisticsBlock marked = [] {
        CStatisticsBlock block;
        if (FAILED(CStatisticsBlock::Decode(CStatisticsBlockWriter().Bytes(), &block)))
            std::abort();
        return block;
    }();
    return marked;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    CStatisticsBlock block = MarkedBlock();
    const HRESULT decoded = CStatisticsBlock::Decode(bytes, &block);
    if (FAILED(decoded)) {
        FUZZ_CHECK(decoded == CStatisticsBlock::kMalformed);
        FUZZ_CHECK(SameFields(block, MarkedBlock()));
        return 0;
    }

    CStatisticsBlock again;
    FUZZ_CHECK(SUCCEEDED(CStatisticsBlock::Decode(WriteBack(block), &again)));
    FUZZ_CHECK(SameFields(block, again));

    // The records, each from the block of its own kind; the others must refuse it untouched.
    const bool ntfs = (size & 1) != 0;
    const auto isNtfs = [ntfs](const TId&) { return ntfs; };
    const int scale = 1 << (size % 13);
    std::unique_ptr<CDefragStatisticsData::CAnalyse> analyse;
    std::unique_ptr<CDefragStatisticsData::COnline> online;
    std::unique_ptr<CDefragStatisticsData::COffline> offline;
    const HRESULT madeAnalyse = CDefragStatisticsData::MakeAnalyse(block, scale, isNtfs, &analyse);
    const HRESULT madeOnline = CDefragStatisticsData::MakeOnline(block, scale, isNtfs, &online);
    const HRESULT madeOffline = CDefragStatisticsData::MakeOffline(block, isNtfs, &offline);
    FUZZ_CHECK(SUCCEEDED(madeAnalyse) == (block.Kind() == CStatisticsBlock::kAnalysis));
    FUZZ_CHECK(SUCCEEDED(madeOnline) == (block.Kind() == CStatisticsBlock::kOnline));
    FUZZ_CHECK(SUCCEEDED(madeOffline) == (block.Kind() == CStatisticsBlock::kOffline));
    FUZZ_CHECK(SUCCEEDED(madeAnalyse) == (analyse != nullptr));
    FUZZ_CHECK(SUCCEEDED(madeOnline) == (online != nullptr));
    FUZZ_CHECK(SUCCEEDED(madeOffline) == (offline != nullptr));
    return 0;
}

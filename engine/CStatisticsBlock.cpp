#include "engine/CStatisticsBlock.h"

#include "notify/CNoticeReader.h"

#include <bit>

namespace {

using TStatisticsBlockType = CStatisticsBlock::TFieldType;

constexpr std::array<TStatisticsBlockType, CStatisticsBlock::kFieldCount> StatisticsBlockLayout()
{
    using enum CStatisticsBlock::TFieldType;
    std::array<TStatisticsBlockType, CStatisticsBlock::kFieldCount> types{};
    const auto set = [&types](int first, int last, TStatisticsBlockType type) {
        for (int field = first; field <= last; ++field)
            types[static_cast<size_t>(field)] = type;
    };
    set(0, 0, U32);
    set(1, 1, F64);
    set(2, 8, String);
    set(9, 9, Raw8);
    set(10, 10, U32);
    set(11, 12, F64);
    set(13, 14, U32);
    set(15, 16, Raw8);
    set(17, 18, F64);
    set(19, 22, F32);
    set(23, 24, U32);
    set(25, 25, Raw8);
    set(26, 26, U32);
    set(27, 27, Raw8);
    set(28, 29, U32);
    set(30, 30, Raw8);
    set(31, 31, U32);
    set(32, 33, F32);
    set(34, 36, U32);
    set(37, 37, Raw8);
    set(38, 38, U32);
    set(39, 39, F32);
    set(40, 41, U32);
    set(42, 42, Raw8);
    set(43, 43, U32);
    set(44, 44, F32);
    set(45, 46, U32);
    set(47, 47, F64);
    set(48, 48, F32);
    set(49, 50, U32);
    set(51, 51, F64);
    set(52, 52, F32);
    set(53, 54, U32);
    set(55, 55, F64);
    set(56, 57, U32);
    set(58, 58, F32);
    set(59, 60, U32);
    for (int field = 61; field <= 68; ++field)
        set(field, field, field % 2 == 1 ? Raw8 : U32);
    set(69, 69, F64);
    set(70, 70, U32);
    set(71, 74, Raw8);
    set(75, 76, Composite);
    set(77, 79, U32);
    set(80, 81, F64);
    set(82, 92, I32);
    return types;
}

constexpr std::array<TStatisticsBlockType, CStatisticsBlock::kFieldCount> kStatisticsBlockLayout =
    StatisticsBlockLayout();

} // namespace

CStatisticsBlock::TFieldType CStatisticsBlock::FieldType(int field)
{
    Q_ASSERT(field >= 0 && field < kFieldCount);
    return kStatisticsBlockLayout[static_cast<size_t>(field)];
}

HRESULT CStatisticsBlock::Decode(const QByteArray& bytes, CStatisticsBlock* block)
{
    if (!block)
        return E_POINTER;
    CNoticeReader reader(bytes);
    CStatisticsBlock decoded;
    for (int field = 0; field < kFieldCount; ++field) {
        quint64& bits = decoded.m_bits[static_cast<size_t>(field)];
        bool read = false;
        switch (kStatisticsBlockLayout[static_cast<size_t>(field)]) {
        case TFieldType::U32:
        case TFieldType::I32:
        case TFieldType::F32: {
            quint32 word = 0;
            read = reader.U32(&word);
            bits = word;
            break;
        }
        case TFieldType::F64:
        case TFieldType::Raw8:
            read = reader.U64(&bits);
            break;
        case TFieldType::String:
            read = reader.String(&decoded.m_strings[static_cast<size_t>(field - kFirstString)]);
            break;
        case TFieldType::Composite:
            read = field == kCategoryTableField
                       ? CStatisticsBlockCategoryTable::Read(reader, &decoded.m_categories)
                       : CStatisticsBlockFragmentHistogram::Read(reader, &decoded.m_histogram);
            break;
        }
        if (!read)
            return kMalformed;
    }
    CStatisticsBlockLists::Read(reader, &decoded.m_lists);
    *block = std::move(decoded);
    return S_OK;
}

quint64 CStatisticsBlock::Bits(int field, TFieldType type) const
{
    Q_ASSERT(FieldType(field) == type);
    Q_UNUSED(type);
    return m_bits[static_cast<size_t>(field)];
}

quint32 CStatisticsBlock::U32(int field) const
{
    return static_cast<quint32>(Bits(field, TFieldType::U32));
}

qint32 CStatisticsBlock::I32(int field) const
{
    return static_cast<qint32>(static_cast<quint32>(Bits(field, TFieldType::I32)));
}

float CStatisticsBlock::F32(int field) const
{
    return std::bit_cast<float>(static_cast<quint32>(Bits(field, TFieldType::F32)));
}

double CStatisticsBlock::F64(int field) const
{
    return std::bit_cast<double>(Bits(field, TFieldType::F64));
}

quint64 CStatisticsBlock::Raw8(int field) const
{
    return Bits(field, TFieldType::Raw8);
}

double CStatisticsBlock::Real(int field) const
{
    return FieldType(field) == TFieldType::F32 ? static_cast<double>(F32(field)) : F64(field);
}

const TString& CStatisticsBlock::String(int field) const
{
    Q_ASSERT(FieldType(field) == TFieldType::String);
    return m_strings[static_cast<size_t>(field - kFirstString)];
}

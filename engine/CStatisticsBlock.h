#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CStatisticsBlockCategoryTable.h"
#include "engine/CStatisticsBlockFragmentHistogram.h"
#include "engine/CStatisticsBlockLists.h"

#include <QByteArray>

#include <array>

// One statistics block as the engine serializes it after a pass: 93 fields, numbered from 0 in
// stream order, packed little-endian one after another. u32, i32 and f32 fields take 4 bytes;
// f64 fields and the raw 8-byte fields 8 bytes; strings a u32 count of UTF-16 code units and then
// the units; fields #75 and #76 are the composites read by CStatisticsBlockCategoryTable and
// CStatisticsBlockFragmentHistogram. After field #92 an engine may append the lists that
// CStatisticsBlockLists reads; other bytes there are left alone, for engines that add fields at
// the end, and so are lists that do not fit.
class CStatisticsBlock {
public:
    enum class TFieldType : quint8 {
        U32,
        I32,
        F32,
        F64,
        Raw8, // 8 bytes whose meaning the console does not use
        String,
        Composite,
    };

    static constexpr int kFieldCount = 93;
    static constexpr int kCategoryTableField = 75;
    static constexpr int kFragmentHistogramField = 76;

    // Field #0: which pass the block describes.
    static constexpr quint32 kAnalysis = 0;
    static constexpr quint32 kOnline = 2;
    static constexpr quint32 kOffline = 3;

    // A malformed block: a field that does not fit in the bytes given.
    static constexpr HRESULT kMalformed = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

    static TFieldType FieldType(int field);

    // Reads every field, each checked against the length before it is read. On a malformed block
    // answers kMalformed and leaves *block as it was.
    static HRESULT Decode(const QByteArray& bytes, CStatisticsBlock* block);

    quint32 Kind() const { return U32(0); }
    // OLE date of the pass.
    double Date() const { return F64(1); }
    // Field #3: the identifier of the volume the block belongs to.
    const TId& VolumeId() const { return String(3); }
    double DurationMs() const { return F64(11); }

    // The value of a field of that type; asking for a field of another type is a programming
    // error.
    quint32 U32(int field) const;
    qint32 I32(int field) const;
    float F32(int field) const;
    double F64(int field) const;
    quint64 Raw8(int field) const;
    // An f32 field widened, or an f64 field.
    double Real(int field) const;
    const TString& String(int field) const;

    const CStatisticsBlockCategoryTable& CategoryTable() const { return m_categories; }
    const CStatisticsBlockFragmentHistogram& FragmentHistogram() const { return m_histogram; }
    // Empty when the engine appended none.
    const CStatisticsBlockLists& Lists() const { return m_lists; }

private:
    static constexpr int kFirstString = 2;
    static constexpr int kStringCount = 7;

    quint64 Bits(int field, TFieldType type) const;

    std::array<quint64, kFieldCount> m_bits{}; // numeric fields as read, zero-extended
    std::array<TString, kStringCount> m_strings;
    CStatisticsBlockCategoryTable m_categories;
    CStatisticsBlockFragmentHistogram m_histogram;
    CStatisticsBlockLists m_lists;
};

#include "engine/CStatisticsBlockWriter.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

using TKind = CStatisticsBlockWriter::TKind;

struct TFieldRow {
    int first;
    int last;
    TKind kind;
};

// The statistics block's fields as the engine documents them, row by row.
constexpr TFieldRow kBlockRows[] = {
    {0, 0, TKind::U32},
    {1, 1, TKind::F64},
    {2, 8, TKind::Text},
    {9, 9, TKind::Bytes8},
    {10, 10, TKind::U32},
    {11, 11, TKind::F64},
    {12, 12, TKind::F64},
    {13, 14, TKind::U32},
    {15, 16, TKind::Bytes8},
    {17, 18, TKind::F64},
    {19, 22, TKind::F32},
    {23, 24, TKind::U32},
    {25, 25, TKind::Bytes8},
    {26, 26, TKind::U32},
    {27, 27, TKind::Bytes8},
    {28, 29, TKind::U32},
    {30, 30, TKind::Bytes8},
    {31, 31, TKind::U32},
    {32, 33, TKind::F32},
    {34, 36, TKind::U32},
    {37, 37, TKind::Bytes8},
    {38, 38, TKind::U32},
    {39, 39, TKind::F32},
    {40, 41, TKind::U32},
    {42, 42, TKind::Bytes8},
    {43, 43, TKind::U32},
    {44, 44, TKind::F32},
    {45, 46, TKind::U32},
    {47, 47, TKind::F64},
    {48, 48, TKind::F32},
    {49, 50, TKind::U32},
    {51, 51, TKind::F64},
    {52, 52, TKind::F32},
    {53, 54, TKind::U32},
    {55, 55, TKind::F64},
    {56, 57, TKind::U32},
    {58, 58, TKind::F32},
    {59, 60, TKind::U32},
    {61, 61, TKind::Bytes8},
    {62, 62, TKind::U32},
    {63, 63, TKind::Bytes8},
    {64, 64, TKind::U32},
    {65, 65, TKind::Bytes8},
    {66, 66, TKind::U32},
    {67, 67, TKind::Bytes8},
    {68, 68, TKind::U32},
    {69, 69, TKind::F64},
    {70, 70, TKind::U32},
    {71, 74, TKind::Bytes8},
    {75, 75, TKind::CategoryTable},
    {76, 76, TKind::FragmentHistogram},
    {77, 79, TKind::U32},
    {80, 81, TKind::F64},
    {82, 92, TKind::I32},
};

template <typename T>
void Append(QByteArray* bytes, T value)
{
    char data[sizeof(T)];
    qToLittleEndian(value, data);
    bytes->append(data, sizeof(T));
}

} // namespace

CStatisticsBlockWriter::CStatisticsBlockWriter(quint32 kind, TStart start)
{
    if (start == TStart::Zeroed) {
        m_numbers[0] = kind;
        return;
    }
    for (int field = 0; field < kFieldCount; ++field) {
        switch (Kind(field)) {
        case TKind::U32:
            m_numbers[field] = 1000 + field;
            break;
        case TKind::I32:
            m_numbers[field] = -100 - field;
            break;
        case TKind::F32:
            m_numbers[field] = field + 0.25;
            break;
        case TKind::F64:
            m_numbers[field] = field + 0.5;
            break;
        case TKind::Bytes8:
            m_bytes8[field] = 0x0102030405060700ULL + static_cast<quint64>(field);
            break;
        case TKind::Text:
            m_texts[field] = QStringLiteral("Feld %1 \u00fc").arg(field);
            break;
        case TKind::CategoryTable:
        case TKind::FragmentHistogram:
            break;
        }
    }
    m_numbers[0] = kind;
    m_categories = {{1, 120, 5'000'000'000ULL}, {4, 7, 4096}};
    m_histogram = {{2, 40}, {10, 3}};
}

CStatisticsBlockWriter::TKind CStatisticsBlockWriter::Kind(int field)
{
    for (const TFieldRow& row : kBlockRows) {
        if (field >= row.first && field <= row.last)
            return row.kind;
    }
    // Outside #0 to #92: a number that no setter writes.
    return TKind::U32;
}

CStatisticsBlockWriter& CStatisticsBlockWriter::Set(int field, double value)
{
    if (field < 0 || field >= kFieldCount)
        return *this;
    const TKind kind = Kind(field);
    if (kind == TKind::U32 || kind == TKind::I32) {
        const double low = kind == TKind::U32 ? 0.0 : std::numeric_limits<qint32>::min();
        const double high = kind == TKind::U32 ? std::numeric_limits<quint32>::max()
                                               : std::numeric_limits<qint32>::max();
        value = std::isnan(value) ? 0.0 : std::clamp(std::round(value), low, high);
    } else if (kind == TKind::F32) {
        value = static_cast<double>(static_cast<float>(value));
    } else if (kind != TKind::F64) {
        Q_ASSERT_X(false, "CStatisticsBlockWriter::Set", "not a numeric field");
        return *this;
    }
    m_numbers[field] = value;
    return *this;
}

CStatisticsBlockWriter& CStatisticsBlockWriter::SetBytes8(int field, quint64 value)
{
    if (Kind(field) != TKind::Bytes8) {
        Q_ASSERT_X(false, "CStatisticsBlockWriter::SetBytes8", "not an 8-byte field");
        return *this;
    }
    m_bytes8[field] = value;
    return *this;
}

CStatisticsBlockWriter& CStatisticsBlockWriter::SetText(int field, const QString& text)
{
    if (Kind(field) != TKind::Text) {
        Q_ASSERT_X(false, "CStatisticsBlockWriter::SetText", "not a string field");
        return *this;
    }
    m_texts[field] = text;
    return *this;
}

CStatisticsBlockWriter& CStatisticsBlockWriter::SetCategories(const QList<TCategory>& entries)
{
    m_categories = entries;
    return *this;
}

CStatisticsBlockWriter& CStatisticsBlockWriter::SetHistogram(const QList<TBucket>& buckets)
{
    m_histogram = buckets;
    return *this;
}

double CStatisticsBlockWriter::Number(int field) const
{
    return m_numbers[field];
}

quint64 CStatisticsBlockWriter::Bytes8(int field) const
{
    return m_bytes8[field];
}

QString CStatisticsBlockWriter::Text(int field) const
{
    return m_texts[field];
}

QByteArray CStatisticsBlockWriter::Bytes() const
{
    return Build(nullptr);
}

qsizetype CStatisticsBlockWriter::Offset(int field) const
{
    std::array<qsizetype, kFieldCount> offsets{};
    Build(&offsets);
    return offsets[field];
}

QByteArray CStatisticsBlockWriter::Build(std::array<qsizetype, kFieldCount>* offsets) const
{
    QByteArray bytes;
    for (int field = 0; field < kFieldCount; ++field) {
        if (offsets)
            (*offsets)[field] = bytes.size();
        const double number = m_numbers[field];
        switch (Kind(field)) {
        case TKind::U32:
            Append<quint32>(&bytes, static_cast<quint32>(number));
            break;
        case TKind::I32:
            Append<qint32>(&bytes, static_cast<qint32>(number));
            break;
        case TKind::F32: {
            const float single = static_cast<float>(number);
            quint32 bits = 0;
            std::memcpy(&bits, &single, sizeof bits);
            Append<quint32>(&bytes, bits);
            break;
        }
        case TKind::F64: {
            quint64 bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            Append<quint64>(&bytes, bits);
            break;
        }
        case TKind::Bytes8:
            Append<quint64>(&bytes, m_bytes8[field]);
            break;
        case TKind::Text: {
            const QString& text = m_texts[field];
            Append<quint32>(&bytes, static_cast<quint32>(text.size()));
            for (QChar unit : text)
                Append<quint16>(&bytes, unit.unicode());
            break;
        }
        case TKind::CategoryTable:
            Append<quint32>(&bytes, static_cast<quint32>(m_categories.size()));
            for (const TCategory& entry : m_categories) {
                Append<quint32>(&bytes, entry.category);
                Append<quint32>(&bytes, entry.files);
                Append<quint64>(&bytes, entry.bytes);
            }
            break;
        case TKind::FragmentHistogram:
            Append<quint32>(&bytes, static_cast<quint32>(m_histogram.size()));
            for (const TBucket& bucket : m_histogram) {
                Append<quint32>(&bytes, bucket.minimumFragments);
                Append<quint32>(&bytes, bucket.files);
            }
            break;
        }
    }
    return bytes;
}

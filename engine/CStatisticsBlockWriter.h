#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

// Writes engine statistics blocks, field #0 to #92 in stream order, from a field table of its own
// (the engine writes its blocks with it; tests check the reader against it). Marked, every field
// starts out with a value derived from its number (strings with a non-ASCII letter, the
// composites with two entries each), so that a value taken from the wrong field shows; zeroed,
// every field starts at 0 or empty.
class CStatisticsBlockWriter {
public:
    enum class TKind { U32, I32, F32, F64, Bytes8, Text, CategoryTable, FragmentHistogram };

    struct TCategory {
        quint32 category = 0;
        quint32 files = 0;
        quint64 bytes = 0;
    };
    struct TBucket {
        quint32 minimumFragments = 0;
        quint32 files = 0;
    };

    static constexpr int kFieldCount = 93;

    enum class TStart { Marked, Zeroed };

    explicit CStatisticsBlockWriter(quint32 kind = 0, TStart start = TStart::Marked);

    static TKind Kind(int field);

    // A numeric field, converted to its width: integers are rounded and held to their range
    // (not a number gives 0), f32 values are rounded to float. A field of another kind is left
    // as it is.
    CStatisticsBlockWriter& Set(int field, double value);
    CStatisticsBlockWriter& SetBytes8(int field, quint64 value);
    CStatisticsBlockWriter& SetText(int field, const QString& text);
    CStatisticsBlockWriter& SetCategories(const QList<TCategory>& entries);
    CStatisticsBlockWriter& SetHistogram(const QList<TBucket>& buckets);

    // The value a reader should find: f32 fields as the float written, widened.
    double Number(int field) const;
    quint64 Bytes8(int field) const;
    QString Text(int field) const;
    const QList<TCategory>& Categories() const { return m_categories; }
    const QList<TBucket>& Histogram() const { return m_histogram; }

    QByteArray Bytes() const;
    // Where the field starts in Bytes().
    qsizetype Offset(int field) const;

private:
    QByteArray Build(std::array<qsizetype, kFieldCount>* offsets) const;

    std::array<double, kFieldCount> m_numbers{};
    std::array<quint64, kFieldCount> m_bytes8{};
    std::array<QString, kFieldCount> m_texts;
    QList<TCategory> m_categories;
    QList<TBucket> m_histogram;
};

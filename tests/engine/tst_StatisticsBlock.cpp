#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"

#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

// The statistics block decoder against blocks written independently of it, whole and damaged:
// a field read with another width than written shifts every field after it.
class TestStatisticsBlock : public QObject {
    Q_OBJECT

private slots:
    void everyFieldInStreamOrder();
    void aBlockCutAnywhereIsRefused();
    void countsBeyondTheBufferAreRefused_data();
    void countsBeyondTheBufferAreRefused();
    void appendedListsAreReadWholeOrNotAtAll();
};

namespace {

void PatchCount(QByteArray* bytes, qsizetype offset, quint32 count)
{
    qToLittleEndian<quint32>(count, bytes->data() + offset);
}

} // namespace

void TestStatisticsBlock::everyFieldInStreamOrder()
{
    CStatisticsBlockWriter writer(CStatisticsBlock::kOnline);
    writer.SetText(3, u"{volume-𝄞}"_s).Set(82, -7).Set(28, 4'000'000'000.0);
    // Bytes after the last field are left alone, for engines that add fields at the end.
    CStatisticsBlock block;
    QCOMPARE(CStatisticsBlock::Decode(writer.Bytes() + QByteArray(5, '\xee'), &block), S_OK);

    for (int field = 0; field < CStatisticsBlock::kFieldCount; ++field) {
        using enum CStatisticsBlock::TFieldType;
        const CStatisticsBlock::TFieldType type = CStatisticsBlock::FieldType(field);
        const bool same = type == U32    ? block.U32(field) == writer.Number(field)
                          : type == I32  ? block.I32(field) == writer.Number(field)
                          : type == F32  ? block.Real(field) == writer.Number(field)
                          : type == F64  ? block.F64(field) == writer.Number(field)
                          : type == Raw8 ? block.Raw8(field) == writer.Bytes8(field)
                          : type == String
                              ? block.String(field) == writer.Text(field).toStdWString()
                              : true;
        QVERIFY2(same, "field " + QByteArray::number(field));
    }
    QCOMPARE(block.Kind(), CStatisticsBlock::kOnline);
    QCOMPARE(block.VolumeId(), u"{volume-𝄞}"_s.toStdWString());
    QCOMPARE(block.CategoryTable().Entries().size(), std::size_t(2));
    QCOMPARE(block.CategoryTable().Entries()[0].bytes, 5'000'000'000ULL);
    QCOMPARE(block.CategoryTable().Entries()[1].category, 4u);
    QCOMPARE(block.FragmentHistogram().Buckets().size(), std::size_t(2));
    QCOMPARE(block.FragmentHistogram().Buckets()[1].minimumFragments, 10u);
    QCOMPARE(block.FragmentHistogram().Buckets()[1].files, 3u);
}

void TestStatisticsBlock::aBlockCutAnywhereIsRefused()
{
    CStatisticsBlockWriter writer(CStatisticsBlock::kAnalysis);
    writer.SetText(3, u"kept"_s);
    const QByteArray whole = writer.Bytes();
    CStatisticsBlock kept;
    QCOMPARE(CStatisticsBlock::Decode(whole, &kept), S_OK);
    for (qsizetype length = 0; length < whole.size(); ++length) {
        // A heap copy of exactly that length, without QByteArray's terminator, so that the
        // sanitizer sees any read past it.
        const auto buffer = std::make_unique<char[]>(static_cast<size_t>(length));
        std::copy_n(whole.constData(), length, buffer.get());
        const QByteArray cut = QByteArray::fromRawData(buffer.get(), length);
        CStatisticsBlock block = kept;
        QVERIFY2(CStatisticsBlock::Decode(cut, &block) == CStatisticsBlock::kMalformed,
                 QByteArray::number(length));
        QCOMPARE(block.VolumeId(), TId(L"kept"));
    }
}

void TestStatisticsBlock::countsBeyondTheBufferAreRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<quint32>("count");
    QTest::newRow("string one unit too many") << 5 << 12u;
    QTest::newRow("string count at its maximum") << 2 << 0xFFFFFFFFu;
    QTest::newRow("category table") << 75 << 1'000'000u;
    QTest::newRow("category table, count times size wraps 32 bits") << 75 << 0x10000000u;
    QTest::newRow("histogram") << 76 << 0xFFFFFFFFu;
}

void TestStatisticsBlock::countsBeyondTheBufferAreRefused()
{
    QFETCH(int, field);
    QFETCH(quint32, count);
    CStatisticsBlockWriter writer;
    writer.SetText(5, u"eleven char"_s).SetCategories({}).SetHistogram({});
    // The last field before the end: what follows the count is all there is.
    QByteArray bytes = writer.Bytes();
    PatchCount(&bytes, writer.Offset(field), count);
    if (field == 5) // one unit more than written, and only the rest of the block after it
        bytes.truncate(writer.Offset(6));
    CStatisticsBlock block;
    QCOMPARE(CStatisticsBlock::Decode(bytes, &block), CStatisticsBlock::kMalformed);
}

void TestStatisticsBlock::appendedListsAreReadWholeOrNotAtAll()
{
    CStatisticsBlockLists lists;
    lists.mostFragmented = {{L"/v/a <&> b", 40, 5'000'000'000ULL, false},
                            {L"/v/dir", 3, 4096, true}};
    lists.excluded = {
        {L"/v/locked", CStatisticsBlockLists::kError, HRESULT(0x80070020), -1, 0},
        {L"/v/sk\u00e9p/\U0001D11E", CStatisticsBlockLists::kExcludedFile, S_OK, 7, 12}};
    lists.fileTypes = {{L"txt", 3, 300}, {L"", 1, 0}};
    const QByteArray fields = CStatisticsBlockWriter(CStatisticsBlock::kAnalysis).Bytes();
    const QByteArray whole = fields + lists.Encode();
    CStatisticsBlock block;
    QCOMPARE(CStatisticsBlock::Decode(whole, &block), S_OK);
    QVERIFY(block.Lists() == lists);

    // Cut anywhere, or with a count beyond what is left, the lists are dropped and the fields
    // kept.
    for (qsizetype length = fields.size(); length < whole.size(); ++length) {
        const auto buffer = std::make_unique<char[]>(static_cast<size_t>(length));
        std::copy_n(whole.constData(), length, buffer.get());
        QCOMPARE(CStatisticsBlock::Decode(QByteArray::fromRawData(buffer.get(), length), &block),
                 S_OK);
        QVERIFY2(block.Lists() == CStatisticsBlockLists(), QByteArray::number(length));
    }
    QByteArray counted = whole;
    PatchCount(&counted, fields.size() + 4, 0x10000000u);
    QCOMPARE(CStatisticsBlock::Decode(counted, &block), S_OK);
    QCOMPARE(block.Lists().mostFragmented.size(), 0);
    QCOMPARE(block.Kind(), CStatisticsBlock::kAnalysis);
}

QTEST_GUILESS_MAIN(TestStatisticsBlock)
#include "tst_StatisticsBlock.moc"

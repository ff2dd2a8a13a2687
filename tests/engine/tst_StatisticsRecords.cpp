#include "engine/CDefragStatisticsData.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"

#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;
using CData = CDefragStatisticsData;

// The statistics records made from blocks written independently of the decoder.
class TestStatisticsRecords : public QObject {
    Q_OBJECT

private slots:
    void analysisFields();
    void onlineFields();
    void offlineCountAndOrder_data();
    void offlineCountAndOrder();
    void ratingsAndStopReasons();
    void wrongKindOrBadBlockMakesNothing();
};

namespace {

constexpr int kScale = 4096;
const TId kVolume = L"{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}";

// Knows one volume as NTFS, and notes which it was asked about.
struct TNtfsLookup {
    TId asked;
    CData::TIsNtfs Function()
    {
        return [this](const TId& volume) {
            asked = volume;
            return volume == kVolume;
        };
    }
};

std::unique_ptr<CData::CAnalyse> Analyse(const CStatisticsBlockWriter& writer)
{
    std::unique_ptr<CData::CAnalyse> record;
    if (FAILED(CData::MakeAnalyse(writer.Bytes(), kScale, {}, &record)))
        qWarning("the analysis block was refused");
    return record;
}

std::unique_ptr<CData::COnline> Online(const CStatisticsBlockWriter& writer)
{
    std::unique_ptr<CData::COnline> record;
    if (FAILED(CData::MakeOnline(writer.Bytes(), kScale, {}, &record)))
        qWarning("the online block was refused");
    return record;
}

} // namespace

void TestStatisticsRecords::analysisFields()
{
    // What the mapping does besides copying: the times, the volume lookup, level codes, the
    // scale and the widening of f32 fields.
    CStatisticsBlockWriter w(CStatisticsBlock::kAnalysis);
    w.Set(34, 2).Set(40, 3).Set(59, 2).Set(53, 3).Set(49, 2).Set(45, 3).Set(23, 2);
    w.Set(1, 45000.75).Set(11, 6 * 3600 * 1000.0).SetText(3, QString::fromStdWString(kVolume));
    TNtfsLookup lookup;
    std::unique_ptr<CData::CAnalyse> made;
    QCOMPARE(CData::MakeAnalyse(w.Bytes(), kScale, lookup.Function(), &made), S_OK);
    const CData::CAnalyse& r = *made;
    QCOMPARE(r.startTime, CDateTime(45000.5));
    QCOMPARE(r.endTime, CDateTime(45000.75));
    QCOMPARE(r.cpuTime, w.Number(12));
    QVERIFY(r.ntfs);
    QCOMPARE(lookup.asked, kVolume);
    QCOMPARE((QList<int>{r.fileFragmentationStatus, r.directoryFragmentationStatus,
                         r.metadataStatus, r.mftStatus, r.pagefileStatus, r.bootFilesStatus,
                         r.largestFreeSpaceChunkStatus}),
             (QList<int>{1, 2, 1, 2, 1, 2, 1}));
    QCOMPARE(r.fileFragmentation, w.Number(33));
    QCOMPARE(r.mftSize, w.Number(51) * kScale);

    // Another volume, or nobody to ask: not NTFS. A pass of no duration starts as it ends.
    w.SetText(3, u"other"_s).Set(11, 0);
    QCOMPARE(CData::MakeAnalyse(w.Bytes(), kScale, lookup.Function(), &made), S_OK);
    QVERIFY(!made->ntfs);
    QCOMPARE(made->startTime, made->endTime);
    QVERIFY(!Analyse(w)->ntfs);
}

void TestStatisticsRecords::onlineFields()
{
    CStatisticsBlockWriter w(CStatisticsBlock::kOnline);
    w.Set(34, 3).Set(23, 2).Set(49, 3).Set(1, 45000.0).Set(11, 3600 * 1000.0);
    const std::unique_ptr<CData::COnline> made = Online(w);
    QVERIFY(made);
    const CData::COnline& r = *made;
    QCOMPARE(r.startTime, CDateTime(45000.0 - 1.0 / 24));
    QCOMPARE(r.endTime, CDateTime(45000.0));
    QCOMPARE(
        (QList<int>{r.fileFragmentationStatus, r.largestFreeSpaceChunkStatus, r.pagefileStatus}),
        (QList<int>{2, 1, 2}));
    QCOMPARE(r.largestFreeSpaceChunkAfter, w.Number(18) * kScale);
    QCOMPARE(r.filesDefragmented, 1u); // 1029 - 1028
    QCOMPARE(r.stopReason, 1u);
    QCOMPARE(r.stopReasonValue, 1077u);

    // More fragmented files after than before: none defragmented, also across the u32 range.
    QCOMPARE(Online(w.Set(29, 5).Set(28, 7))->filesDefragmented, 0u);
    QCOMPARE(Online(w.Set(29, 0).Set(28, 4'000'000'000.0))->filesDefragmented, 0u);
    QCOMPARE(Online(w.Set(29, 4'000'000'000.0).Set(28, 3'999'999'000.0))->filesDefragmented, 1000u);
    QCOMPARE(Online(w.Set(29, 4'000'000'000.0).Set(28, 0))->filesDefragmented, 4'000'000'000u);
}

void TestStatisticsRecords::offlineCountAndOrder_data()
{
    QTest::addColumn<QList<int>>("table"); // t0..t10
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("order");
    QTest::newRow("each group") << QList<int>{10, 5, 3, 20, 20, 6, 30, 10, 100, 8, 2} << 1 + 6 + 100
                                << QList<int>{10, 20, 30, 8, 5, 20, 10, 2, 3, 6, 100};
    QTest::newRow("signed comparisons")
        << QList<int>{0, -1, 4, -5, -7, 9, 1, 2, 11, -3, -4} << 1 + 4 + 11
        << QList<int>{0, -5, 1, -3, -1, -7, 2, -4, 4, 9, 11};
    QTest::newRow("file counts beyond 32 bits saturate")
        << QList<int>{1, 0, 2'000'000'000, 1, 0, 2'000'000'000, 1, 0, 2'000'000'000, 1, 0}
        << std::numeric_limits<qint32>::max()
        << QList<int>{1, 1, 1, 1, 0, 0, 0, 0, 2'000'000'000, 2'000'000'000, 2'000'000'000};
}

void TestStatisticsRecords::offlineCountAndOrder()
{
    QFETCH(QList<int>, table);
    QFETCH(int, count);
    CStatisticsBlockWriter w(CStatisticsBlock::kOffline);
    for (int i = 0; i < 11; ++i)
        w.Set(82 + i, table[i]);
    w.Set(1, 45000.0).Set(11, 43'200'000.0);
    std::unique_ptr<CData::COffline> made;
    QCOMPARE(CData::MakeOffline(w.Bytes(), {}, &made), S_OK);

    QCOMPARE(made->systemFilesDefragmented, count);
    QList<int> stored;
    for (qint32 value : made->excessFragmentsBefore)
        stored.append(value);
    for (qint32 value : made->excessFragmentsAfter)
        stored.append(value);
    for (qint32 value : made->fileCounts)
        stored.append(value);
    QTEST(stored, "order");
    // Dated at the start of the pass.
    QCOMPARE(made->startTime, CDateTime(45000.0));
    QCOMPARE(made->endTime, CDateTime(45000.5));
}

void TestStatisticsRecords::ratingsAndStopReasons()
{
    // Thresholds 10/20 on the f32 field #22, 3/8 on #39 (online only), 50/80 reversed on #81,
    // level codes on #34; both records rate alike.
    const struct {
        int field;
        double value;
        int rating;
    } edges[] = {{22, 9.99, 0}, {22, 10.0, 1},  {22, 20.0, 2},        {39, 2.99, 0},
                 {39, 3.0, 1},  {39, 8.0, 2},   {81, 49.99, 2},       {81, 50.0, 1},
                 {81, 80.0, 1}, {81, 80.01, 0}, {81, qQNaN(), 0},     {34, 2.0, 1},
                 {34, 3.0, 2},  {34, 1.0, 0},   {34, 4294967295.0, 0}};
    for (const auto& [field, value, rating] : edges) {
        const auto a =
            Analyse(CStatisticsBlockWriter(CStatisticsBlock::kAnalysis).Set(field, value));
        const auto o = Online(CStatisticsBlockWriter(CStatisticsBlock::kOnline).Set(field, value));
        const QByteArray row = QByteArray::number(field) + ": " + QByteArray::number(value);
        const QList<int> rated =
            field == 22
                ? QList<int>{a->freeSpaceFragmentationRating, o->freeSpaceFragmentationRating}
            : field == 39 ? QList<int>{o->directoryFragmentationRating, rating}
            : field == 81 ? QList<int>{a->performanceRating, o->performanceRating}
                          : QList<int>{a->fileFragmentationStatus, o->fileFragmentationStatus};
        QVERIFY2(rated == (QList<int>{rating, rating}), row);
    }

    // The first non-zero of #77 to #79 is the stop reason, 1 to 3, with its value.
    const QList<QList<int>> stops = {
        {0, 0, 0, 0, 0}, {4, 7, 9, 1, 4}, {0, 7, 9, 2, 7}, {0, 0, 9, 3, 9}};
    for (const QList<int>& stop : stops) {
        CStatisticsBlockWriter analysis(CStatisticsBlock::kAnalysis);
        CStatisticsBlockWriter online(CStatisticsBlock::kOnline);
        for (int i = 0; i < 3; ++i) {
            analysis.Set(77 + i, stop[i]);
            online.Set(77 + i, stop[i]);
        }
        const auto a = Analyse(analysis);
        const auto o = Online(online);
        QCOMPARE(
            (QList<uint>{a->stopReason, a->stopReasonValue, o->stopReason, o->stopReasonValue}),
            (QList<uint>{uint(stop[3]), uint(stop[4]), uint(stop[3]), uint(stop[4])}));
    }
}

void TestStatisticsRecords::wrongKindOrBadBlockMakesNothing()
{
    for (quint32 kind : {0u, 1u, 2u, 3u, 5u}) {
        const QByteArray block = CStatisticsBlockWriter(kind).Bytes();
        std::unique_ptr<CData::CAnalyse> analysis;
        std::unique_ptr<CData::COnline> online;
        std::unique_ptr<CData::COffline> offline;
        QCOMPARE(CData::MakeAnalyse(block, 1, {}, &analysis), kind == 0 ? S_OK : E_INVALIDARG);
        QCOMPARE(CData::MakeOnline(block, 1, {}, &online), kind == 2 ? S_OK : E_INVALIDARG);
        QCOMPARE(CData::MakeOffline(block, {}, &offline), kind == 3 ? S_OK : E_INVALIDARG);
        QCOMPARE(analysis != nullptr, kind == 0);
        QCOMPARE(online != nullptr, kind == 2);
        QCOMPARE(offline != nullptr, kind == 3);
    }
    // A record made before stays.
    std::unique_ptr<CData::CAnalyse> analysis = Analyse(CStatisticsBlockWriter(0));
    const CData::CAnalyse* earlier = analysis.get();
    QCOMPARE(CData::MakeAnalyse(CStatisticsBlockWriter(2).Bytes(), 1, {}, &analysis), E_INVALIDARG);
    QCOMPARE(analysis.get(), earlier);

    // A malformed block: the decoder's error, nothing made.
    QByteArray cut = CStatisticsBlockWriter(2).Bytes();
    cut.chop(1);
    std::unique_ptr<CData::COnline> online;
    QCOMPARE(CData::MakeOnline(cut, 1, {}, &online), CStatisticsBlock::kMalformed);
    QVERIFY(!online);
}

QTEST_GUILESS_MAIN(TestStatisticsRecords)
#include "tst_StatisticsRecords.moc"

#include "engine/CDefragStatisticsData.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CStatisticsBlock.h"
#include "engine/ServiceContract.h"
#include "engine/CStatisticsBlockWriter.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestSubscribable.h"

#include "EngineAdaptor.h"
#include "EngineServiceBase.h"

#include <QtTest>

#include <limits>
#include <typeinfo>

using namespace Qt::StringLiterals;
using CData = CDefragStatisticsData;

// The statistics records made from blocks written independently of the decoder, and from the
// engine's two queries.
class TestStatisticsRecords : public QObject {
    Q_OBJECT

private slots:
    void analysisFields();
    void onlineFields();
    void offlineCountAndOrder_data();
    void offlineCountAndOrder();
    void ratingsAtTheirEdges_data();
    void ratingsAtTheirEdges();
    void stopReason_data();
    void stopReason();
    void wrongKindOrBadBlockMakesNothing();
    void clonesCopyTheSameClass();
    void engineQueries();
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

// An engine that knows the two values of the volume kVolume only.
class CQueryEngine : public CTestSubscribable<CEngineServiceBase> {
public:
    CQueryEngine(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, u"Engine"_s, parent)
    {}
    int GetFTNotExceeded(const QString& volume, double& value, uint& count) override
    {
        value = 3.5;
        count = 10;
        return volume == QString::fromStdWString(kVolume) ? S_OK : E_ACCESSDENIED;
    }
    int GetInsufficientFreeSpace(const QString& volume, double& value) override
    {
        value = 0.75;
        return volume == QString::fromStdWString(kVolume) ? S_FALSE : E_ACCESSDENIED;
    }
};

} // namespace

void TestStatisticsRecords::analysisFields()
{
    CStatisticsBlockWriter w(CStatisticsBlock::kAnalysis);
    // Level codes that tell the mapped fields apart as far as three ratings can.
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

    QCOMPARE(r.fileFragmentationStatus, 1);
    QCOMPARE(r.fileFragmentation, w.Number(33));
    QCOMPARE(r.fragmentedFiles, w.Number(28));
    QCOMPARE(r.excessFileFragments, w.Number(31));
    QCOMPARE(r.directoryFragmentationStatus, 2);
    QCOMPARE(r.directoryFragmentation, w.Number(39));
    QCOMPARE(r.fragmentedDirectories, w.Number(36));
    QCOMPARE(r.excessDirectoryFragments, w.Number(38));
    QCOMPARE(r.freeSpaceFragmentationRating, 2); // 22.25
    QCOMPARE(r.freeSpaceFragmentation, w.Number(22));
    QCOMPARE(r.performanceRating, 0); // 81.5
    QCOMPARE(r.performance, w.Number(81));
    QCOMPARE(r.metadataSize, w.Number(55) * kScale);
    QCOMPARE(r.metadataExcessFragments, w.Number(57));
    QCOMPARE(r.metadataFragmentation, w.Number(58));
    QCOMPARE(r.metadataStatus, 1);
    QCOMPARE(r.mftSize, w.Number(51) * kScale);
    QCOMPARE(r.mftExcessFragments, w.Number(50));
    QCOMPARE(r.mftFragmentation, w.Number(52));
    QCOMPARE(r.mftStatus, 2);
    QCOMPARE(r.pagefileExcessFragments, w.Number(46));
    QCOMPARE(r.pagefileSize, w.Number(47) * kScale);
    QCOMPARE(r.pagefileFragmentation, w.Number(48));
    QCOMPARE(r.pagefileStatus, 1);
    QCOMPARE(r.bootFilesSize, w.Number(69) * kScale);
    QCOMPARE(r.bootFilesExcessFragments, w.Number(43));
    QCOMPARE(r.bootFilesFragmentation, w.Number(44));
    QCOMPARE(r.bootFilesStatus, 2);
    QCOMPARE(r.largestFreeSpaceChunk, w.Number(17) * kScale);
    QCOMPARE(r.largestFreeSpaceChunkStatus, 1);

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
    QCOMPARE(r.fileFragmentationStatus, 2);
    QCOMPARE(r.fileFragmentationBefore, w.Number(32));
    QCOMPARE(r.fileFragmentationAfter, w.Number(33));
    QCOMPARE(r.fragmentedFilesBefore, w.Number(29));
    QCOMPARE(r.fragmentedFilesAfter, w.Number(28));
    QCOMPARE(r.excessFileFragments, w.Number(31));
    QCOMPARE(r.filesDefragmented, 1u); // 1029 - 1028
    QCOMPARE(r.freeSpaceFragmentationRating, 2);
    QCOMPARE(r.freeSpaceFragmentationBefore, w.Number(21));
    QCOMPARE(r.freeSpaceFragmentationAfter, w.Number(22));
    QCOMPARE(r.performanceRating, 0);
    QCOMPARE(r.performanceBefore, w.Number(80));
    QCOMPARE(r.performanceAfter, w.Number(81));
    QCOMPARE(r.largestFreeSpaceChunkBefore, w.Number(17) * kScale);
    QCOMPARE(r.largestFreeSpaceChunkAfter, w.Number(18) * kScale);
    QCOMPARE(r.largestFreeSpaceChunkStatus, 1);
    QCOMPARE(r.directoryFragmentationRating, 2); // 39.25
    QCOMPARE(r.directoryFragmentation, w.Number(39));
    QCOMPARE(r.fragmentedDirectories, w.Number(36));
    QCOMPARE(r.excessDirectoryFragments, w.Number(38));
    QCOMPARE(r.metadataSize, w.Number(55) * kScale);
    QCOMPARE(r.metadataExcessFragments, w.Number(57));
    QCOMPARE(r.metadataFragmentation, w.Number(58));
    QCOMPARE(r.mftSize, w.Number(51) * kScale);
    QCOMPARE(r.mftExcessFragments, w.Number(50));
    QCOMPARE(r.mftFragmentation, w.Number(52));
    QCOMPARE(r.pagefileExcessFragments, w.Number(46));
    QCOMPARE(r.pagefileSize, w.Number(47) * kScale);
    QCOMPARE(r.pagefileFragmentation, w.Number(48));
    QCOMPARE(r.pagefileStatus, 2);
    QCOMPARE(r.bootFilesSize, w.Number(69) * kScale);
    QCOMPARE(r.bootFilesExcessFragments, w.Number(43));
    QCOMPARE(r.bootFilesFragmentation, w.Number(44));
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
    QTest::newRow("nothing improved") << QList<int>{1, 1, 4, 2, 3, 9, 0, 0, 11, 5, 5} << 0
                                      << QList<int>{1, 2, 0, 5, 1, 3, 0, 5, 4, 9, 11};
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

void TestStatisticsRecords::ratingsAtTheirEdges_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rating");
    // Thresholds 10/20 on the f32 field #22, 3/8 on #39 (online), 50/80 reversed on #81.
    QTest::newRow("22: 9.99") << 22 << 9.99 << 0;
    QTest::newRow("22: 10") << 22 << 10.0 << 1;
    QTest::newRow("22: 19.99") << 22 << 19.99 << 1;
    QTest::newRow("22: 20") << 22 << 20.0 << 2;
    QTest::newRow("39: 2.99") << 39 << 2.99 << 0;
    QTest::newRow("39: 3") << 39 << 3.0 << 1;
    QTest::newRow("39: 7.99") << 39 << 7.99 << 1;
    QTest::newRow("39: 8") << 39 << 8.0 << 2;
    QTest::newRow("81: 49.99") << 81 << 49.99 << 2;
    QTest::newRow("81: 50") << 81 << 50.0 << 1;
    QTest::newRow("81: 80") << 81 << 80.0 << 1;
    QTest::newRow("81: 80.01") << 81 << 80.01 << 0;
    QTest::newRow("81: NaN") << 81 << qQNaN() << 0;
    // Level codes, on #34.
    QTest::newRow("34: code 2") << 34 << 2.0 << 1;
    QTest::newRow("34: code 3") << 34 << 3.0 << 2;
    QTest::newRow("34: code 0") << 34 << 0.0 << 0;
    QTest::newRow("34: code 1") << 34 << 1.0 << 0;
    QTest::newRow("34: code 4") << 34 << 4.0 << 0;
    QTest::newRow("34: code 0xFFFFFFFF") << 34 << 4294967295.0 << 0;
}

void TestStatisticsRecords::ratingsAtTheirEdges()
{
    QFETCH(int, field);
    QFETCH(double, value);
    QFETCH(int, rating);
    CStatisticsBlockWriter analysis(CStatisticsBlock::kAnalysis);
    CStatisticsBlockWriter online(CStatisticsBlock::kOnline);
    analysis.Set(field, value);
    online.Set(field, value);
    const auto a = Analyse(analysis);
    const auto o = Online(online);
    switch (field) {
    case 22:
        QCOMPARE(a->freeSpaceFragmentationRating, rating);
        QCOMPARE(o->freeSpaceFragmentationRating, rating);
        break;
    case 39:
        QCOMPARE(o->directoryFragmentationRating, rating);
        break;
    case 81:
        QCOMPARE(a->performanceRating, rating);
        QCOMPARE(o->performanceRating, rating);
        break;
    default:
        QCOMPARE(a->fileFragmentationStatus, rating);
        QCOMPARE(o->fileFragmentationStatus, rating);
    }
}

void TestStatisticsRecords::stopReason_data()
{
    QTest::addColumn<QList<int>>("fields"); // #77, #78, #79
    QTest::addColumn<uint>("reason");
    QTest::addColumn<uint>("value");
    QTest::newRow("all zero") << QList<int>{0, 0, 0} << 0u << 0u;
    QTest::newRow("first") << QList<int>{4, 7, 9} << 1u << 4u;
    QTest::newRow("second") << QList<int>{0, 7, 9} << 2u << 7u;
    QTest::newRow("third") << QList<int>{0, 0, 9} << 3u << 9u;
}

void TestStatisticsRecords::stopReason()
{
    QFETCH(QList<int>, fields);
    QFETCH(uint, reason);
    QFETCH(uint, value);
    CStatisticsBlockWriter analysis(CStatisticsBlock::kAnalysis);
    CStatisticsBlockWriter online(CStatisticsBlock::kOnline);
    for (int i = 0; i < 3; ++i) {
        analysis.Set(77 + i, fields[i]);
        online.Set(77 + i, fields[i]);
    }
    QCOMPARE(Analyse(analysis)->stopReason, reason);
    QCOMPARE(Analyse(analysis)->stopReasonValue, value);
    QCOMPARE(Online(online)->stopReason, reason);
    QCOMPARE(Online(online)->stopReasonValue, value);
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

void TestStatisticsRecords::clonesCopyTheSameClass()
{
    std::vector<std::unique_ptr<CData::CBase>> records;
    records.push_back(Analyse(CStatisticsBlockWriter(0).Set(33, 12.5)));
    records.push_back(Online(CStatisticsBlockWriter(2)));
    std::unique_ptr<CData::COffline> offline;
    QCOMPARE(CData::MakeOffline(CStatisticsBlockWriter(3).Bytes(), {}, &offline), S_OK);
    records.push_back(std::move(offline));
    auto selected = std::make_unique<CData::CSelectedFiles>();
    selected->files = {{L"/data/a.db", 14, 1, 4096}, {L"/data/b.log", 3, -1, -1}};
    records.push_back(std::move(selected));
    records.push_back(std::make_unique<CData::CFTNotExceeded>());
    records.push_back(std::make_unique<CData::CInsufficientFreeSpace>());

    for (const auto& record : records) {
        const std::unique_ptr<CData::CBase> copy = record->Clone();
        QVERIFY(copy && copy.get() != record.get());
        QCOMPARE(typeid(*copy).name(), typeid(*record).name());
        QCOMPARE(copy->startTime, record->startTime);
        QCOMPARE(copy->endTime, record->endTime);
    }
    QCOMPARE(static_cast<CData::CAnalyse&>(*records[0]->Clone()).fileFragmentation, 12.5);
    QCOMPARE(static_cast<CData::COffline&>(*records[2]->Clone()).fileCounts,
             static_cast<CData::COffline&>(*records[2]).fileCounts);
    QCOMPARE(static_cast<CData::CSelectedFiles&>(*records[3]->Clone()).files,
             static_cast<CData::CSelectedFiles&>(*records[3]).files);
}

void TestStatisticsRecords::engineQueries()
{
    CTestEnvironment environment;
    environment.Set("PATH", environment.Root()); // no daemon to start
    CTestEngine served(-1, -1);
    served.Serve(ServiceContract::Engine, 0, [&served](QObject* owner) {
        auto* engine = new CQueryEngine(&served, owner);
        new CEngineAdaptor(engine);
        return engine;
    });
    QVERIFY(served.Start());
    CKV100EngineInterface engine;
    TNtfsLookup lookup;
    std::unique_ptr<CData::CFTNotExceeded> notExceeded;
    std::unique_ptr<CData::CInsufficientFreeSpace> noSpace;
    // Not connected: the wrapper's answer, nothing made.
    QCOMPARE(CData::MakeFTNotExceeded(engine, kVolume, {}, &notExceeded), E_UNEXPECTED);
    QVERIFY(!notExceeded);

    QCOMPARE(engine.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(CData::MakeFTNotExceeded(engine, kVolume, lookup.Function(), &notExceeded), S_OK);
    QCOMPARE(notExceeded->value, 3.5);
    QCOMPARE(notExceeded->count, 10u);
    QVERIFY(notExceeded->ntfs);
    QVERIFY(!notExceeded->startTime.IsValid());
    QCOMPARE(CData::MakeInsufficientFreeSpace(engine, kVolume, {}, &noSpace), S_FALSE);
    QCOMPARE(noSpace->value, 0.75);
    QVERIFY(!noSpace->ntfs);

    // A failed query answers its HRESULT and leaves the records as they were.
    const auto* madeBefore = notExceeded.get();
    QCOMPARE(CData::MakeFTNotExceeded(engine, L"other", {}, &notExceeded), E_ACCESSDENIED);
    QCOMPARE(notExceeded.get(), madeBefore);
    QCOMPARE(CData::MakeInsufficientFreeSpace(engine, L"other", {}, &noSpace), E_ACCESSDENIED);
    QCOMPARE(noSpace->value, 0.75);
}

QTEST_GUILESS_MAIN(TestStatisticsRecords)
#include "tst_StatisticsRecords.moc"

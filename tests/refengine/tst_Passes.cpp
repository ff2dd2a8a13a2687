#include "engine/CDefragStatisticsData.h"
#include "engine/CStatisticsBlock.h"
#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"
#include "refengine/CDefragSimulation.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CStatisticsBlockBuilder.h"
#include "refengine/CVolumeSettingsStore.h"
#include "tests/refengine/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestPasses : public QObject {
    Q_OBJECT

private slots:
    void simulationReachesEachMethodsLayout();
    void settingsSurviveARestartAndDamage();
    void noticesKeepTheirOrderAndDeadListenersGo();
    void blocksReadBackAsTheConsoleReadsThem();
};

void TestPasses::simulationReachesEachMethodsLayout()
{
    // recent+fragmented, free, rarely, metadata (fixed), directory, free, occasionally
    const QList<quint8> map{0x13, 9, 1, 7, 4, 9, 2};
    CDefragSimulation defragOnly(map, CDefragSimulation::kDefragOnly);
    QCOMPARE(defragOnly.Target(), (QList<quint8>{3, 9, 1, 7, 4, 9, 2}));
    CDefragSimulation consolidate(map, CDefragSimulation::kConsolidateFreeSpace);
    QCOMPARE(consolidate.Target(), (QList<quint8>{3, 1, 4, 7, 2, 9, 9}));
    CDefragSimulation tier(map, CDefragSimulation::kTierLayout, {1, 2, 3, 4, 0});
    QCOMPARE(tier.Target(), (QList<quint8>{4, 1, 2, 7, 3, 9, 9}));
    // A damaged zone order means the natural one.
    CDefragSimulation natural(map, CDefragSimulation::kTierLayout, {1, 1, 2, 3, 4});
    QCOMPARE(natural.Target(), (QList<quint8>{4, 1, 2, 7, 3, 9, 9}));

    // Steps change at most the blocks asked, merge neighbours of one type, and end on target.
    CDefragSimulation steps(QList<quint8>{0x11, 0x11, 0x11, 9, 0x12},
                            CDefragSimulation::kDefragOnly);
    QCOMPARE(steps.Total(), 4);
    QCOMPARE(steps.Step(2), (QList<CDefragSimulation::TRun>{{1, 0, 2}}));
    QCOMPARE(steps.Step(5), (QList<CDefragSimulation::TRun>{{1, 2, 1}, {2, 4, 1}}));
    QVERIFY(steps.Done());
    QVERIFY(steps.Step(5).isEmpty());
    QCOMPARE(steps.Current(), steps.Target());
}

void TestPasses::settingsSurviveARestartAndDamage()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"volumes.json"_s);
    TVolumeSettings written;
    {
        CVolumeSettingsStore store(path);
        QCOMPARE(store.Get(u"{a}"_s).number, 1u);
        QCOMPARE(store.Get(u"{b}"_s).number, 2u);
        written = store.Get(u"{b}"_s);
        written.defaultAlgorithm = 2;
        written.zoneOrder = {4, 3, 2, 1, 0};
        written.excludedFiles = {u"/srv/db"_s};
        written.analysed = true;
        written.driveMap = QByteArray(3600, char(0x13));
        written.blocks.insert(2, QByteArray("block"));
        QVERIFY(store.Put(u"{b}"_s, written));
    }
    CVolumeSettingsStore reread(path);
    QCOMPARE(reread.Get(u"{b}"_s), written);
    QCOMPARE(reread.Get(u"{c}"_s).number, 3u);

    // Values out of range fall back to the defaults; a map of the wrong size is no map.
    QVERIFY(WriteTestFile(path, R"({"{b}":{"number":2,"defaultAlgorithm":9,"zoneOrder":[0,0,1,2,3],
                    "analysed":true,"driveMap":"AAAA","overrideType":3}})"));
    const TVolumeSettings damaged = CVolumeSettingsStore(path).Get(u"{b}"_s);
    QCOMPARE(damaged.defaultAlgorithm, 0);
    QCOMPARE(damaged.zoneOrder, TVolumeSettings().zoneOrder);
    QCOMPARE(damaged.overrideType, -1);
    QVERIFY(!damaged.analysed);
    QVERIFY(damaged.driveMap.isEmpty());
}

void TestPasses::noticesKeepTheirOrderAndDeadListenersGo()
{
    CMailSlotTransport listener;
    const QString name = CMailSlotTransport::NewName();
    QCOMPARE(listener.Create(name), ERROR_SUCCESS);
    CNoticeSink sink;
    QCOMPARE(sink.Subscribe(QString(), name), S_OK);
    QCOMPARE(sink.Subscribe(QString(), name), S_FALSE);
    QCOMPARE(sink.Subscribe(QString(), u" "_s), E_INVALIDARG);
    QCOMPARE(sink.Subscribe(QString(), u"gone-already"_s), S_OK);
    for (quint32 i = 0; i < 200; ++i)
        sink.Send(CNoticeWriter().U32(i).Body());
    sink.Flush();
    // The listener without a mailslot is dropped; the live one got everything, in order.
    QCOMPARE(sink.Subscribers(), 1);
    for (quint32 i = 0; i < 200; ++i) {
        QByteArray body;
        bool nothing = true;
        QCOMPARE(listener.Read(body, nothing), ERROR_SUCCESS);
        QVERIFY(!nothing);
        QCOMPARE(qFromLittleEndian<quint32>(body.constData()), i);
    }
    QCOMPARE(sink.Unsubscribe(QString(), name), S_OK);
    QCOMPARE(sink.Unsubscribe(QString(), name), S_FALSE);
}

void TestPasses::blocksReadBackAsTheConsoleReadsThem()
{
    TVolumeDescription volume;
    volume.id = u"{6a0e9f1c-0000-4000-8000-000000000001}"_s;
    volume.mountPoint = u"/srv"_s;
    volume.fileSystem = u"ext4"_s;
    volume.bytesPerCluster = 4096;
    TAnalysisFigures before;
    before.files = 1000;
    before.fragmentedFiles = 120;
    before.fileFragmentationPercent = 25;
    before.freeSpaceFragmentationPercent = 12;
    before.performance = 100 - 0.7 * 25 - 0.3 * 12;
    before.totalBytes = 100ULL << 30;
    before.freeBytes = 40ULL << 30;
    before.largestFreeRun = 10ULL << 30;
    before.fragmentHistogram = {{1, 880}, {2, 100}, {5, 20}};
    const auto notNtfs = [](const TId&) { return false; };

    std::unique_ptr<CDefragStatisticsData::CAnalyse> record;
    QCOMPARE(CDefragStatisticsData::MakeAnalyse(
                 CStatisticsBlockBuilder::Analysis(volume, before, 45000.5, 1500), 4096, notNtfs,
                 &record),
             S_OK);
    const CDefragStatisticsData::CAnalyse& analysis = *record;
    QCOMPARE(analysis.fileFragmentation, 25.0);
    QCOMPARE(analysis.fileFragmentationStatus, 2); // the third level, poor
    QCOMPARE(analysis.fragmentedFiles, 120u);
    QCOMPARE(analysis.largestFreeSpaceChunk, double(10ULL << 30));

    const TAnalysisFigures after =
        CStatisticsBlockBuilder::Improved(before, CDefragSimulation::kConsolidateFreeSpace, 1.0);
    QCOMPARE(after.fragmentedFiles, 0u);
    QCOMPARE(after.largestFreeRun, before.freeBytes);
    QCOMPARE(after.fragmentHistogram.first().files, 1000u);
    std::unique_ptr<CDefragStatisticsData::COnline> onlineRecord;
    QCOMPARE(CDefragStatisticsData::MakeOnline(
                 CStatisticsBlockBuilder::Online(volume, before, after, 45001, 9000, 1), 4096,
                 notNtfs, &onlineRecord),
             S_OK);
    const CDefragStatisticsData::COnline& online = *onlineRecord;
    QCOMPARE(online.fragmentedFilesBefore, 120u);
    QCOMPARE(online.filesDefragmented, 120u);
    QCOMPARE(online.fileFragmentationAfter, 0.0);
    QCOMPARE(online.stopReason, 1u);

    // Half done, Defrag Only: half the fragmented files, the free space as it was.
    const TAnalysisFigures half =
        CStatisticsBlockBuilder::Improved(before, CDefragSimulation::kDefragOnly, 0.5);
    QCOMPARE(half.fragmentedFiles, 60u);
    QCOMPARE(half.freeSpaceFragmentationPercent, 12.0);
    QCOMPARE(half.largestFreeRun, before.largestFreeRun);
}

QTEST_MAIN(TestPasses)
#include "tst_Passes.moc"

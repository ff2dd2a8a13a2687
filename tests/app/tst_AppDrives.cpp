#include "core/COleDate.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestScheduleStore.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kFirst = u"{00000000-0000-0000-0000-00000000000a}"_s;
const QString kSecond = u"{00000000-0000-0000-0000-00000000000b}"_s;

TId Id(const QString& volume)
{
    return volume.toStdWString();
}

} // namespace

// The drive model kept by the application controller: filled from the engine's volumes,
// refreshed, and following the engine's notices.
class tst_AppDrives : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fillsTheModelFromTheEngine();
    void refreshStoresOrForgetsLastRuns();
    void conditionalRefreshRebuildsOnlyForANewVolumeList();
    void statusFollowsTheEnginesNotices();
    void operationStartAndEnd();
    void quitWhenIdleWaitsForTheDrives();
    void schedulesGiveTheDrivesTheirNextRuns();

private:
    void Connect();

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<CTestScheduleStore> m_schedules;
    std::unique_ptr<CTestEngine> m_engine;
    CApp* m_app = nullptr;
};

void tst_AppDrives::init()
{
    m_f = std::make_unique<CAppFixture>();
    m_app = m_f->app.get();
    m_engine = std::make_unique<CTestEngine>();
    m_engine->volumes = {kSecond, kFirst};
    CTestEngine::TVolumeData first;
    first.mountName = u"/"_s;
    first.label = u"root"_s;
    first.fileSystem = u"ext4"_s;
    first.driveType = 4;
    first.sizeMegabytes = 1024;
    first.lastDefragmented = 46000.5;
    first.analysed = true;
    first.fileFragmentation = 12.5;
    first.freeSpaceFragmentation = 3.25;
    first.driveMap = QList<uint>(3600, 1);
    first.driveMap[7] = 0x12;
    m_engine->SetVolumeData(kFirst, first);
    CTestEngine::TVolumeData second;
    second.mountName = u"/home"_s;
    second.status = 9; // the engine's paused
    second.extraWord1 = 1;
    m_engine->SetVolumeData(kSecond, second);
    m_schedules = std::make_unique<CTestScheduleStore>();
    m_schedules->ServeOn(*m_engine);
    QVERIFY(m_engine->Start());
}

void tst_AppDrives::cleanup()
{
    m_f->app.reset();
    m_engine.reset();
    m_schedules.reset();
    m_f.reset();
}

void tst_AppDrives::Connect()
{
    m_app->WireEngineSignals();
    QVERIFY(m_app->ConnectWithArgument(u"/connect="_s));
}

void tst_AppDrives::fillsTheModelFromTheEngine()
{
    QSignalSpy updated(m_app, &CApp::DefragModelUpdated);
    Connect();
    QVERIFY(!updated.isEmpty());
    const CDefrager& drives = m_app->Defrager();
    QCOMPARE(drives.Count(), std::size_t(2));
    QCOMPARE(drives.CurrentVolume(), Id(kFirst)); // the first in the model's order

    const CDefrager::TVolumeInfo root = drives.Volume(Id(kFirst));
    QCOMPARE(root.mountName, TName(L"/"));
    QCOMPARE(root.label, TName(L"root"));
    QCOMPARE(root.fileSystem, TString(L"ext4"));
    QCOMPARE(root.driveType, 4u);
    QCOMPARE(root.sizeMegabytes, 1024.0);
    QCOMPARE(root.lastDefragmented, 46000.5);
    QCOMPARE(root.fragmentation, std::optional<double>(12.5));
    QCOMPARE(root.freeSpaceFragmentation, std::optional<double>(3.25));
    QCOMPARE(root.blocks[7], 0x12u);
    QCOMPARE(root.blocks[3599], 1u);

    // Not analysed, no map: as a new record; the engine's paused is the model's paused.
    const CDefrager::TVolumeInfo home = drives.Volume(Id(kSecond));
    QVERIFY(!home.fragmentation.has_value());
    QCOMPARE(home.blocks[0], CDefrager::kUnknownBlockType);
    QCOMPARE(home.status, quint32(CDefrager::kPaused));
    QCOMPARE(m_app->Model().Busy(CModel::kDefragmentation), TBusyStatus::Paused);

    // A new connection rebuilds the model and keeps the drive the user was on.
    m_app->Defrager().SetCurrentVolume(Id(kSecond));
    QVERIFY(m_app->ConnectWithArgument(u"/connect="_s));
    QCOMPARE(m_app->Defrager().CurrentVolume(), Id(kSecond));
}

void tst_AppDrives::refreshStoresOrForgetsLastRuns()
{
    Connect();
    CDefrager& drives = m_app->Defrager();
    CDefrager::TScheduleOffer daily{CCadence::kDaily, L"Nightly", 0, 1e9, false, false};
    QVERIFY(drives.OfferSchedule(Id(kFirst), daily, {}));

    CTestEngine::TVolumeData first = m_engine->VolumeData(kFirst);
    first.lastDefragmented = 46100.25;
    m_engine->SetVolumeData(kFirst, first);
    m_app->RefreshDefragModel();
    QCOMPARE(drives.Volume(Id(kFirst)).lastDefragmented, 46100.25);
    QCOMPARE(drives.Volume(Id(kFirst)).nextRunName, TName(L"Nightly"));

    first.lastDefragmentedAnswer = E_FAIL;
    m_engine->SetVolumeData(kFirst, first);
    m_app->RefreshModel();
    QCOMPARE(drives.Volume(Id(kFirst)).lastDefragmented, 0.0);
    QCOMPARE(drives.Volume(Id(kFirst)).nextRunKind, quint32(CCadence::kNotSet));
    QVERIFY(drives.Volume(Id(kFirst)).nextRunName.empty());
}

void tst_AppDrives::conditionalRefreshRebuildsOnlyForANewVolumeList()
{
    Connect();
    const auto infoReads = [this] {
        return m_engine->Operations().filter(u"GetVolumeInfo:"_s).size();
    };
    const qsizetype before = infoReads();
    m_app->ConditionalRefreshDefragModel();
    QCOMPARE(infoReads(), before); // the same volumes: only refreshed

    // The model lost a volume the engine still has: the lists differ, the model is rebuilt.
    m_app->Defrager().RemoveVolume(Id(kSecond));
    m_app->ConditionalRefreshDefragModel();
    QCOMPARE(m_app->Defrager().Count(), std::size_t(2));
    QCOMPARE(infoReads(), before + 2);
}

void tst_AppDrives::statusFollowsTheEnginesNotices()
{
    Connect();
    QVERIFY(m_engine->Notify(CNoticeWriter()
                                 .U32(NoticeType::EngineStatus)
                                 .String(kFirst)
                                 .U32(1) // analysing
                                 .F64(40)
                                 .F64(0)
                                 .Body()));
    QTRY_COMPARE(m_app->Defrager().Volume(Id(kFirst)).status, quint32(CDefrager::kAnalysing));
    QCOMPARE(m_app->Model().Busy(CModel::kDefragmentation), TBusyStatus::Busy);
}

void tst_AppDrives::operationStartAndEnd()
{
    Connect();
    CDefrager& drives = m_app->Defrager();
    // Without the engine-status flag an operation that starts is a pass.
    m_app->OnDefragStarted(Id(kFirst));
    QCOMPARE(drives.Volume(Id(kFirst)).status, quint32(CDefrager::kDefragmenting));

    // With the flag the engine says what runs: here it reports the volume analysing (1).
    CTestEngine::TVolumeData second = m_engine->VolumeData(kSecond);
    second.status = 1;
    m_engine->SetVolumeData(kSecond, second);
    m_app->OnDefragStarted(Id(kSecond));
    QCOMPARE(drives.Volume(Id(kSecond)).status, quint32(CDefrager::kAnalysing));

    // A drive letter and an unknown volume are not the model's.
    const QStringList before = m_engine->Operations();
    m_app->OnDefragStarted(L"C:");
    m_app->OnDefragStarted(L"{unknown}");
    QCOMPARE(m_engine->Operations(), before);

    // At the end the engine says the status: idle.
    second.status = 0;
    m_engine->SetVolumeData(kSecond, second);
    m_app->OnDefragCompleted(Id(kSecond));
    QCOMPARE(drives.Volume(Id(kSecond)).status, quint32(CDefrager::kIdle));
}

void tst_AppDrives::quitWhenIdleWaitsForTheDrives()
{
    Connect();
    m_app->Settings().setValue(u"Preferences/Exit On Close"_s, true);
    m_app->QuitWhenIdle(); // the second volume is paused
    QVERIFY(!m_app->QuitRequested());
    m_app->Defrager().SetStatus(Id(kSecond), CDefrager::kIdle);
    m_app->QuitWhenIdle();
    QVERIFY(m_app->QuitRequested());
}

void tst_AppDrives::schedulesGiveTheDrivesTheirNextRuns()
{
    // A daily schedule of the first drive that runs tomorrow; a weekly one of the second that
    // is disabled.
    const double tomorrow = COleDate::Now() + 1;
    m_schedules->Put({u"Nightly"_s,
                      1,
                      102,
                      u"method=tl&volumes="_s + kFirst,
                      false,
                      0,
                      {{u"Item 1"_s, tomorrow, 86400, 0, 0}}});
    m_schedules->Put({u"Weekend"_s,
                      1,
                      103,
                      u"method=tl&volumes="_s + kSecond,
                      true,
                      0,
                      {{u"Item 1"_s, tomorrow, 7 * 86400, 0, 0}}});
    m_schedules->Put({u"Stores"_s,
                      1,
                      201,
                      u"datastores=ALLDATASTORES"_s,
                      false,
                      0,
                      {{u"Item 1"_s, tomorrow, 0, 0, 0}}});
    Connect();
    QCOMPARE(m_app->Cadence().ScheduleCount(), std::size_t(2));
    QCOMPARE(m_app->Cadence().ExScheduleCount(), std::size_t(1));
    const CDefrager::TVolumeInfo first = m_app->Defrager().Volume(Id(kFirst));
    QCOMPARE(first.nextRunKind, quint32(CCadence::kDaily));
    QCOMPARE(first.nextRunName, TName(L"Nightly"));
    QCOMPARE(m_app->Defrager().Volume(Id(kSecond)).nextRunKind, quint32(CCadence::kNotSet));

    // The agent's notices of a run mark the schedule and the scheduling busy state.
    QVERIFY(m_engine->Notify(CNoticeWriter()
                                 .U32(NoticeType::AgentScheduleStarted)
                                 .String(u"Nightly"_s)
                                 .String(u"Item 1"_s)
                                 .Body()));
    QTRY_COMPARE(m_app->Model().Busy(CModel::kScheduling), TBusyStatus::Busy);
    QVERIFY(m_app->Cadence().Schedules().at(L"Nightly").running);
    m_app->OnScheduleStopped(L"Nightly", L"Item 1");
    QCOMPARE(m_app->Model().Busy(CModel::kScheduling), TBusyStatus::Idle);
}

QTEST_MAIN(tst_AppDrives)
#include "tst_AppDrives.moc"

#include "platform/registry/CRegKey.h"
#include "schedule/CCadence.h"
#include "tests/support/CTestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

// The schedule records' texts and icons, the settings' equality and the scheduling model.
class TestScheduleRecords : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void driveTextsIconsAndFallbacks();
    void exchangeAndGuestTexts();
    void guestValueIsLittleEndian();
    void settingsConstructorAndEquality();
    void removingSchedules();
    void runningSchedulesAndBusySignal();
    void specialScheduleNamesAndNextRuns();
};

namespace {

CCadence::CScheduleData DriveSchedule(const TName& name, quint32 type, double nextRun = 0.0)
{
    CCadence::CScheduleData record;
    record.name = name;
    record.settings.type = type;
    record.settings.nextRun = nextRun;
    return record;
}

void SetVirtualProductType(DWORD value)
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, u"Software\\Tellmar\\Korvane\\11.0"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"VirtualProductType"_s, value), ERROR_SUCCESS);
}

} // namespace

void TestScheduleRecords::initTestCase()
{
    qRegisterMetaType<TBusyStatus>();
}

void TestScheduleRecords::driveTextsIconsAndFallbacks()
{
    CCadence::CScheduleData record = DriveSchedule(L"Nightly", CCadence::kWeekly);
    QCOMPARE(record.IconName(), u":/images/weelky_schedule.png"_s);
    record.settings.disabled = true;
    QCOMPARE(record.IconName(), u":/images/weekly_schedule_disabled.png"_s);
    QVERIFY(CCadence::IconName(CCadence::kNotSet, false).isEmpty());
    QVERIFY(CCadence::IconName(6, true).isEmpty());

    record.settings.type = 9;
    QCOMPARE(record.TypeText(), u"Not Set"_s);
    record.source = CCadence::kSourceEnterpriseConsole;
    QCOMPARE(record.SourceText(), u"Enterprise Console"_s);
    QVERIFY(!record.IsLocal());
    record.source = 3;
    QCOMPARE(record.SourceText(), QString());
    record.settings.method = 5;
    QCOMPARE(record.MethodText(), QString());
    record.settings.passes = CCadence::kOnlinePass | CCadence::kOfflinePass;
    QCOMPARE(record.PassText(), u"Online,Offline"_s);
    record.settings.passes = 4;
    QCOMPARE(record.PassText(), QString());

    // The special schedules show fixed names whatever they are called.
    record.settings.type = CCadence::kScreenSaver;
    QCOMPARE(record.DisplayName(), u"Screen Saver Schedule"_s);
    QCOMPARE(record.NextRunText(), u"Screen Saver"_s);
    record.settings.type = CCadence::kQuietWatch;
    QCOMPARE(record.DisplayName(), u"Full Auto Schedule"_s);
    QCOMPARE(record.NextRunText(), u"QuietWatch"_s);
    record.settings.type = CCadence::kDaily;
    QCOMPARE(record.DisplayName(), u"Nightly"_s);
    QVERIFY(record.NextRunText().isEmpty());
    QVERIFY(IsSpecialSchedule(4) && IsSpecialSchedule(5) && !IsSpecialSchedule(6));
}

void TestScheduleRecords::exchangeAndGuestTexts()
{
    CCadence::CExScheduleData exchange;
    exchange.settings.type = CCadence::kWeekly;
    exchange.settings.interval = 0;
    QCOMPARE(exchange.TypeText(), u"One Time Exchange "_s);
    exchange.settings.type = CCadence::kOneTime;
    exchange.settings.interval = 168;
    QCOMPARE(exchange.TypeText(), u"Weekly Exchange "_s);
    QCOMPARE(exchange.SourceText(), u"Local"_s);
    exchange.settings.type = CCadence::kScreenSaver;
    QCOMPARE(exchange.NextRunText(), u"Unexpected schedule type"_s);

    CTestEnvironment environment;
    CCadence::CVmScheduleData guest;
    guest.settings.type = CCadence::kDaily;
    QCOMPARE(guest.TypeText(), u"Daily Vmware Workstation Guest"_s);
    SetVirtualProductType(1);
    QCOMPARE(guest.TypeText(), u"Daily Hyper-V Guest"_s);
    guest.settings.type = 4;
    QCOMPARE(guest.TypeText(), u"Not set"_s);
    SetVirtualProductType(2);
    guest.settings.type = CCadence::kOneTime;
    QCOMPARE(guest.TypeText(), u"One Time Vmware Workstation Guest"_s);
}

void TestScheduleRecords::guestValueIsLittleEndian()
{
    CCadence::CVmScheduleData::TGuest guest;
    guest.options = {0, 1, 0, 0};
    QCOMPARE(guest.GuestValue(), 256u);
    guest.SetGuestValue(0x04030201u);
    QCOMPARE(guest.options, (std::array<quint8, 4>{1, 2, 3, 4}));
}

void TestScheduleRecords::settingsConstructorAndEquality()
{
    const CScheduleSettings base(1, 2, true, 3, 4, 5, 6.0, 7, 8, true, 9, 10, {L"p"}, 11, 12.0,
                                 13.0, true, {{45000.5, 3, 7}});
    const auto fields = [](const CScheduleSettings& s) {
        return std::vector<double>{double(s.type),
                                   double(s.method),
                                   double(s.freeSpaceOptions),
                                   double(s.passes),
                                   double(s.offlineOptions),
                                   s.start,
                                   double(s.interval),
                                   double(s.maxDuration),
                                   double(s.weekdays),
                                   double(s.idleMinutes),
                                   double(s.option),
                                   s.lastRun,
                                   s.nextRun};
    };
    QVERIFY((fields(base) == std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));

    // The run times, the disabled flag and the exclusion windows do not count.
    CScheduleSettings other = base;
    other.lastRun = 45000.0;
    other.nextRun = 45001.0;
    other.disabled = false;
    other.exclusionWindows.clear();
    QVERIFY(other == base);
    other.option = 2;
    QVERIFY(!(other == base));
    other = base;
    other.excludedPrograms.push_back(L"b.exe");
    QVERIFY(!(other == base));
    other = base;
    other.freeSpaceConsolidation = false;
    QVERIFY(!(other == base));
}

void TestScheduleRecords::removingSchedules()
{
    CCadence cadence;
    cadence.Schedules().emplace(L"A", DriveSchedule(L"A", CCadence::kDaily));
    cadence.ExSchedules()[L"A"].name = L"A";
    cadence.VmSchedules()[L"B"].name = L"B";
    cadence.SetCurrentSchedule(L"A");

    QVERIFY(!cadence.RemoveSchedule(L"C"));
    QCOMPARE(cadence.CurrentSchedule(), std::optional<TName>(L"A"));
    QVERIFY(cadence.RemoveSchedule(L"A"));
    QVERIFY(!cadence.CurrentSchedule());
    QCOMPARE(cadence.ScheduleCount(), std::size_t(0));
    QCOMPARE(cadence.ExScheduleCount(), std::size_t(0));
    QCOMPARE(cadence.VmScheduleCount(), std::size_t(1));

    cadence.SetCurrentSchedule(L"B");
    QVERIFY(cadence.RemoveSchedule(L"B"));
    QVERIFY(!cadence.CurrentSchedule());
}

void TestScheduleRecords::runningSchedulesAndBusySignal()
{
    CCadence cadence;
    cadence.Schedules().emplace(L"A", DriveSchedule(L"A", CCadence::kDaily));
    cadence.Schedules().emplace(L"B", DriveSchedule(L"B", CCadence::kWeekly));
    cadence.ExSchedules()[L"X"].name = L"X";
    QSignalSpy busy(&cadence, &CCadence::BusyStateChanged);

    // Only drive schedules run here.
    cadence.SetRunning(L"X", true);
    cadence.SetRunning(L"none", true);
    QCOMPARE(busy.count(), 0);

    cadence.SetRunning(L"A", true);
    cadence.SetRunning(L"B", true);
    cadence.SetRunning(L"A", false);
    QVERIFY(cadence.AnyRunning() && cadence.IsBusy());
    cadence.SetRunning(L"B", false);
    QVERIFY(!cadence.AnyRunning() && !cadence.IsBusy());
    QCOMPARE(busy.count(), 4);
    const QList<TBusyStatus> expected{TBusyStatus::Busy, TBusyStatus::Busy, TBusyStatus::Busy,
                                      TBusyStatus::Idle};
    for (int i = 0; i < busy.count(); ++i)
        QCOMPARE(busy.at(i).at(0).value<TBusyStatus>(), expected.at(i));
}

void TestScheduleRecords::specialScheduleNamesAndNextRuns()
{
    CCadence cadence;
    QVERIFY(cadence.ScreenSaverScheduleName().empty());
    cadence.Schedules().emplace(L"b", DriveSchedule(L"b", CCadence::kScreenSaver));
    cadence.Schedules().emplace(L"a", DriveSchedule(L"a", CCadence::kScreenSaver));
    cadence.Schedules().emplace(L"q", DriveSchedule(L"q", CCadence::kQuietWatch));
    cadence.Schedules().emplace(L"d", DriveSchedule(L"d", CCadence::kDaily, 45000.5));
    cadence.Schedules().emplace(L"u", DriveSchedule(L"u", CCadence::kWeekly, 0.5));
    QCOMPARE(cadence.ScreenSaverScheduleName(), TName(L"a"));
    QCOMPARE(cadence.QuietWatchScheduleName(), TName(L"q"));

    QCOMPARE(cadence.NextRun(CCadence::kDaily, L"d"), std::optional<double>(45000.5));
    QCOMPARE(cadence.NextRun(CCadence::kWeekly, L"u"), std::optional<double>(0.0));
    QVERIFY(!cadence.NextRun(CCadence::kWeekly, L"d"));
    QVERIFY(!cadence.NextRun(CCadence::kDaily, L"gone"));

    cadence.SetCurrentSchedule(L"d");
    cadence.ClearSchedules();
    QCOMPARE(cadence.ScheduleCount(), std::size_t(0));
    QCOMPARE(cadence.CurrentSchedule(), std::optional<TName>(L"d"));
}

QTEST_GUILESS_MAIN(TestScheduleRecords)
#include "tst_ScheduleRecords.moc"

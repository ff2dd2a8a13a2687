#include "platform/registry/CRegKey.h"
#include "schedule/CCadence.h"
#include "tests/support/CTestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

// The schedule records' texts, the settings' equality and the scheduling model.
class TestScheduleRecords : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<TBusyStatus>(); }
    void texts();
    void settingsEquality();
    void busyStateFollowsRunningSchedulesAndReloads();
    void namesInTheAgentsOrder();
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

QList<TBusyStatus> States(const QSignalSpy& spy)
{
    QList<TBusyStatus> states;
    for (const QList<QVariant>& arguments : spy)
        states.append(arguments.at(0).value<TBusyStatus>());
    return states;
}

} // namespace

void TestScheduleRecords::texts()
{
    CCadence::CScheduleData record = DriveSchedule(L"Nightly", 9);
    record.source = 3;
    record.settings.method = 5;
    record.settings.passes = 4;
    QCOMPARE(record.TypeText(), u"Not Set"_s);
    QVERIFY(record.SourceText().isEmpty() && record.MethodText().isEmpty());
    QVERIFY(record.PassText().isEmpty() && record.IconName().isEmpty());
    // The special schedules show fixed names whatever they are called.
    record.settings.type = CCadence::kScreenSaver;
    QCOMPARE(record.DisplayName() + record.NextRunText(), u"Screen Saver ScheduleScreen Saver"_s);
    record.settings.type = CCadence::kQuietWatch;
    QCOMPARE(record.DisplayName(), u"Full Auto Schedule"_s);
    record.settings.type = CCadence::kDaily;
    QCOMPARE(record.DisplayName(), u"Nightly"_s);
    QVERIFY(record.NextRunText().isEmpty()); // no next run yet

    // Exchange schedules are told apart by their interval, whatever their type; guest schedules
    // by the product the engine was installed with.
    CCadence::CExScheduleData exchange;
    exchange.settings.type = CCadence::kWeekly;
    exchange.settings.interval = 0;
    QCOMPARE(exchange.TypeText(), u"One Time Exchange "_s);
    CTestEnvironment environment;
    CCadence::CVmScheduleData guest;
    guest.settings.type = CCadence::kDaily;
    QCOMPARE(guest.TypeText(), u"Daily Vmware Workstation Guest"_s);
    CRegKey key;
    QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, u"Software\\Tellmar\\Korvane\\11.0"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"VirtualProductType"_s, 1), ERROR_SUCCESS);
    QCOMPARE(guest.TypeText(), u"Daily Hyper-V Guest"_s);

    // The four option bytes of a guest are its guest value, little-endian.
    CCadence::CVmScheduleData::TGuest entry;
    entry.SetGuestValue(0x04030201u);
    QCOMPARE(entry.options, (std::array<quint8, 4>{1, 2, 3, 4}));
}

void TestScheduleRecords::settingsEquality()
{
    const CScheduleSettings base(1, 2, true, 3, 4, 5, 6.0, 7, 8, true, 9, 10, {L"p"}, 11, 12.0,
                                 13.0, true, {{45000.5, 3, 7}});
    // The run times, the disabled flag and the exclusion windows do not count.
    CScheduleSettings other = base;
    other.lastRun = other.nextRun = 45000.0;
    other.disabled = false;
    other.exclusionWindows.clear();
    QVERIFY(other == base);
    other.option = 2;
    QVERIFY(!(other == base));
    other = base;
    other.excludedPrograms.push_back(L"b.exe");
    QVERIFY(!(other == base));
}

void TestScheduleRecords::busyStateFollowsRunningSchedulesAndReloads()
{
    CCadence cadence;
    cadence.Schedules().emplace(L"A", DriveSchedule(L"A", CCadence::kDaily));
    cadence.Schedules().emplace(L"B", DriveSchedule(L"B", CCadence::kWeekly));
    cadence.ExSchedules()[L"X"].name = L"X";
    QSignalSpy busy(&cadence, &CCadence::BusyStateChanged);

    // Only drive schedules run here; unknown names change nothing.
    cadence.SetRunning(L"X", true);
    cadence.SetRunning(L"none", true);
    QVERIFY(busy.isEmpty());
    cadence.SetRunning(L"A", true);
    cadence.SetRunning(L"B", true);
    cadence.SetRunning(L"A", false);
    QVERIFY(cadence.AnyRunning() && cadence.IsBusy());
    cadence.SetRunning(L"B", false);
    QVERIFY(!cadence.AnyRunning() && !cadence.IsBusy());
    using enum TBusyStatus;
    QCOMPARE(States(busy), (QList<TBusyStatus>{Busy, Busy, Busy, Idle}));

    // A running schedule that leaves the model, removed (from every map, and as the current
    // schedule) or cleared away by a reload, takes its busy state with it, and the change is
    // told. A reload keeps the current schedule so that the tab can select it again.
    busy.clear();
    cadence.SetRunning(L"A", true);
    cadence.ExSchedules()[L"A"].name = L"A";
    cadence.SetCurrentSchedule(L"A");
    QVERIFY(!cadence.RemoveSchedule(L"C"));
    QVERIFY(cadence.RemoveSchedule(L"A"));
    QVERIFY(!cadence.CurrentSchedule() && !cadence.IsBusy());
    QCOMPARE(cadence.ScheduleCount() + cadence.ExScheduleCount(), std::size_t(2));
    cadence.SetRunning(L"B", true);
    cadence.SetCurrentSchedule(L"B");
    cadence.ClearSchedules();
    QVERIFY(!cadence.IsBusy());
    QCOMPARE(cadence.ScheduleCount() + cadence.ExScheduleCount(), std::size_t(0));
    QCOMPARE(cadence.CurrentSchedule(), std::optional<TName>(L"B"));
    cadence.ClearSchedules();
    QCOMPARE(States(busy), (QList<TBusyStatus>{Busy, Idle, Busy, Idle}));
}

void TestScheduleRecords::namesInTheAgentsOrder()
{
    // UTF-16 code-unit order: a character beyond the Basic Multilingual Plane is a surrogate
    // pair (0xD83D 0xDE00) and sorts before U+E000..U+FFFF, though its code point is higher.
    CCadence cadence;
    const std::vector<TName> ordered{L"\uD7FF",      L"\U00010000", L"\U0001F600",
                                     L"\U0001F600a", L"\uE000x",    L"\uFFFD"};
    for (auto name = ordered.rbegin(); name != ordered.rend(); ++name) {
        cadence.Schedules()[*name].name = *name;
        cadence.ExSchedules()[*name].name = *name;
        cadence.VmSchedules()[*name].name = *name;
    }
    const auto names = [](const auto& map) {
        std::vector<TName> keys;
        for (const auto& entry : map)
            keys.push_back(entry.first);
        return keys;
    };
    QVERIFY(names(cadence.Schedules()) == ordered);
    QVERIFY(names(cadence.ExSchedules()) == ordered);
    QVERIFY(names(cadence.VmSchedules()) == ordered);

    // The special schedules' names and next runs are looked up in that order too.
    cadence.Schedules().emplace(L"b", DriveSchedule(L"b", CCadence::kScreenSaver));
    cadence.Schedules().emplace(L"a", DriveSchedule(L"a", CCadence::kScreenSaver));
    cadence.Schedules().emplace(L"q", DriveSchedule(L"q", CCadence::kQuietWatch));
    cadence.Schedules().emplace(L"d", DriveSchedule(L"d", CCadence::kDaily, 45000.5));
    cadence.Schedules().emplace(L"u", DriveSchedule(L"u", CCadence::kWeekly, 0.5));
    cadence.Schedules().emplace(L"i", DriveSchedule(L"i", CCadence::kWeekly, qInf()));
    QCOMPARE(cadence.ScreenSaverScheduleName(), TName(L"a"));
    QCOMPARE(cadence.QuietWatchScheduleName(), TName(L"q"));
    QCOMPARE(cadence.NextRun(CCadence::kDaily, L"d"), std::optional<double>(45000.5));
    // Not set: below 1.0, or no date at all.
    QCOMPARE(cadence.NextRun(CCadence::kWeekly, L"u"), std::optional<double>(0.0));
    QCOMPARE(cadence.NextRun(CCadence::kWeekly, L"i"), std::optional<double>(0.0));
    QVERIFY(!cadence.NextRun(CCadence::kWeekly, L"d"));
    QVERIFY(!cadence.NextRun(CCadence::kDaily, L"gone"));
}

QTEST_GUILESS_MAIN(TestScheduleRecords)
#include "tst_ScheduleRecords.moc"

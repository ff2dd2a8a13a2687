#include "core/COleDate.h"
#include "engine/CKV100AgentInterface.h"
#include "schedule/CAgentSchedules.h"
#include "tests/support/CTestAgentRig.h"

#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

// Schedules created on the agent and read back from it, through the agent wrapper and a test
// engine that keeps them in memory.
class TestAgentSchedules : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void driveScheduleItems();
    void refusalsAndFailingCallsEndTheSave();
    void specialSchedulesHaveFixedNames();
    void schedulesRoundTrip();
    void readFailuresLeaveTheRecord();
    void reloadListsEveryScheduleOfTheAgent();

private:
    std::optional<CTestAgentRig> m_rig;
};

namespace {

// Wednesday 3 January 2024, 02:00 local time.
double WednesdayAt2()
{
    return COleDate::FromDateTime(QDateTime(QDate(2024, 1, 3), QTime(2, 0)));
}

CCadence::CScheduleData DriveSchedule(const TName& name, quint32 type, quint32 passes)
{
    CCadence::CScheduleData record;
    record.name = name;
    record.settings.type = type;
    record.settings.passes = passes;
    record.settings.start = WednesdayAt2();
    record.settings.interval = 24;
    record.settings.maxDuration = 7200;
    record.drives = {L"C", L"D"};
    return record;
}

template <typename TMap>
std::vector<TName> Names(const TMap& map)
{
    std::vector<TName> names;
    for (const auto& entry : map)
        names.push_back(entry.first);
    return names;
}

} // namespace

void TestAgentSchedules::init()
{
    m_rig.emplace();
    QVERIFY(m_rig->Connect());
}

void TestAgentSchedules::cleanup()
{
    m_rig.reset();
}

void TestAgentSchedules::driveScheduleItems()
{
    CCadence::CScheduleData record =
        DriveSchedule(L"Weekly", CCadence::kWeekly, CCadence::kOnlinePass);
    record.settings.weekdays = CCadence::kMonday | CCadence::kFriday;
    record.settings.shutdownWhenComplete = true;
    record.settings.disabled = true;
    QCOMPARE(CAgentSchedules(m_rig->agent).Save(record), S_OK);
    QCOMPARE(m_rig->store.Calls(), (QStringList{u"CreateSchedule:Weekly"_s, u"SetDisabled:Weekly"_s,
                                                u"AddItem:Weekly"_s, u"AddItem:Weekly"_s}));
    const auto stored = m_rig->store.Schedule(u"Weekly"_s);
    QCOMPARE(stored->code, 103u);
    QCOMPARE(stored->parameters, u"method=tl&volumes=C%3bD"_s);
    QVERIFY(stored->disabled);
    // Friday and the Monday after, at the start's time of day.
    const double start = WednesdayAt2();
    QCOMPARE(stored->items,
             (QList<CTestScheduleStore::TItem>{{u"Item 1"_s, start + 2, 86400, 7200, 4},
                                               {u"Item 2"_s, start + 5, 86400, 7200, 4}}));
    QCOMPARE(COleDate::ToDateTime(stored->items[1].firstRun),
             QDateTime(QDate(2024, 1, 8), QTime(2, 0)));

    // With both passes each run has its online part ten minutes later.
    record =
        DriveSchedule(L"Once", CCadence::kOneTime, CCadence::kOnlinePass | CCadence::kOfflinePass);
    QCOMPARE(CAgentSchedules(m_rig->agent).Save(record), S_OK);
    QCOMPARE(m_rig->store.Schedule(u"Once"_s)->items,
             (QList<CTestScheduleStore::TItem>{
                 {u"Item 1"_s, start, 86400, 7200, 1},
                 {u"Item 1.online-part"_s, start + 10.0 / 1440, 86400, 7200, 1}}));
}

void TestAgentSchedules::refusalsAndFailingCallsEndTheSave()
{
    const CAgentSchedules schedules(m_rig->agent);
    CCadence::CScheduleData drive = DriveSchedule(L"Bad", 6, CCadence::kOnlinePass);
    QCOMPARE(schedules.Save(drive), E_FAIL);
    drive.settings.type = CCadence::kWeekly;
    drive.settings.option = 3;
    QCOMPARE(schedules.Save(drive), E_FAIL);
    CCadence::CExScheduleData exchange;
    exchange.settings.type = CCadence::kScreenSaver;
    QCOMPARE(schedules.Save(exchange), E_FAIL);
    QCOMPARE(schedules.Save(CCadence::CVmScheduleData()), E_FAIL); // type 0
    QVERIFY(m_rig->store.Calls().isEmpty());

    // The first failing call ends the save with its answer.
    drive.settings.option = 0;
    drive.settings.weekdays = CCadence::kMonday | CCadence::kFriday;
    m_rig->store.FailNext(u"AddItem"_s, E_ACCESSDENIED);
    QCOMPARE(schedules.Save(drive), E_ACCESSDENIED);
    QCOMPARE(m_rig->store.Calls().size(), 3);
    m_rig->store.ClearCalls();
    m_rig->store.FailNext(u"CreateSchedule"_s, E_OUTOFMEMORY);
    QCOMPARE(schedules.Save(drive), E_OUTOFMEMORY);
    QCOMPARE(m_rig->store.Calls(), QStringList{u"CreateSchedule:Bad"_s});

    m_rig->store.ClearCalls();
    m_rig->agent.Disconnect();
    QCOMPARE(schedules.Save(drive), E_UNEXPECTED);
    exchange.settings.type = CCadence::kOneTime;
    QCOMPARE(schedules.Save(exchange), E_FAIL); // the wrapper's answer
    QVERIFY(m_rig->store.Calls().isEmpty());
}

void TestAgentSchedules::specialSchedulesHaveFixedNames()
{
    CCadence::CScheduleData record =
        DriveSchedule(L"My saver", CCadence::kScreenSaver, CCadence::kOnlinePass);
    record.settings.interval = 1;
    // The disabled flag goes to the record's own name, which the agent does not know here.
    QCOMPARE(CAgentSchedules(m_rig->agent).Save(record), CTestScheduleStore::kNotFound);
    QCOMPARE(m_rig->store.Calls(),
             (QStringList{u"CreateSchedule:Screen Saver Schedule"_s, u"SetDisabled:My saver"_s}));
    const auto saver = m_rig->store.Schedule(u"Screen Saver Schedule"_s);
    QVERIFY(saver);
    QCOMPARE(saver->code, 104u);
    QCOMPARE(saver->parameters, u"method=tl&volumes=C%3bD&interval=0.0416667"_s);
    QVERIFY(saver->items.isEmpty());
}

void TestAgentSchedules::schedulesRoundTrip()
{
    const CAgentSchedules schedules(m_rig->agent);
    const auto roundTrip = [&](const CCadence::CScheduleData& record) {
        QCOMPARE(schedules.Save(record), S_OK);
        CCadence::CScheduleData read;
        QCOMPARE(schedules.Read(record.name, &read), S_OK);
        QCOMPARE(read.name, record.name);
        QCOMPARE(read.settings, record.settings);
        QCOMPARE(read.settings.disabled, record.settings.disabled);
        QCOMPARE(read.allDrives, record.allDrives);
        QCOMPARE(read.drives, record.drives);
    };

    CCadence::CScheduleData daily =
        DriveSchedule(L"Daily", CCadence::kDaily, CCadence::kOnlinePass | CCadence::kOfflinePass);
    daily.settings.method = CCadence::kMethodDefragOnly;
    daily.settings.offlineOptions = 5;
    daily.settings.option = 1;
    daily.settings.disabled = true;
    roundTrip(daily);

    // The start of a weekly schedule read back is its first run: on one of its weekdays.
    CCadence::CScheduleData weekly =
        DriveSchedule(L"Weekly", CCadence::kWeekly, CCadence::kOnlinePass | CCadence::kOfflinePass);
    weekly.settings.start += 5;
    weekly.settings.weekdays = CCadence::kMonday | CCadence::kSaturday;
    weekly.settings.shutdownWhenComplete = true;
    weekly.settings.freeSpaceConsolidation = true;
    weekly.settings.freeSpaceOptions = 2;
    weekly.settings.method = CCadence::kMethodConsolidateFreeSpace;
    roundTrip(weekly);
    QCOMPARE(schedules.Read(L"Weekly", &daily), S_OK);
    QCOMPARE(daily.settings.nextRun, weekly.settings.start);

    // "Analyze Only" is kept with no method pair, and read back as it was.
    CCadence::CScheduleData analysis =
        DriveSchedule(L"Analysis", CCadence::kWeekly, CCadence::kOnlinePass);
    analysis.settings.method = CCadence::kMethodAnalyzeOnly;
    analysis.settings.weekdays = CCadence::kWednesday;
    roundTrip(analysis);
    QCOMPARE(m_rig->store.Schedule(u"Analysis"_s)->parameters, u"volumes=C%3bD"_s);

    CCadence::CExScheduleData exchange;
    exchange.name = L"Stores";
    exchange.settings.type = CCadence::kWeekly;
    exchange.settings.start = WednesdayAt2();
    exchange.settings.interval = 168;
    exchange.settings.weekdays = CCadence::kWednesday | CCadence::kSunday;
    exchange.dataStores = {{L"SG 1", L"Mailbox|Store"}, {L"SG2", L"Public"}};
    QCOMPARE(schedules.Save(exchange), S_OK);
    CCadence::CExScheduleData exchangeRead;
    QCOMPARE(schedules.Read(L"Stores", &exchangeRead), S_OK);
    QCOMPARE(exchangeRead.settings, exchange.settings);
    QCOMPARE(exchangeRead.dataStores, exchange.dataStores);

    CCadence::CVmScheduleData guests;
    guests.name = L"Guests";
    guests.settings.type = CCadence::kOneTime;
    guests.settings.start = WednesdayAt2();
    guests.settings.interval = 0;
    guests.guests = {{L"web", {1, 1, 0, 1}, 0}, {L"db 2", {}, 0}};
    QCOMPARE(schedules.Save(guests), S_OK);
    CCadence::CVmScheduleData guestsRead;
    QCOMPARE(schedules.Read(L"Guests", &guestsRead), S_OK);
    QCOMPARE(guestsRead.settings, guests.settings);
    QCOMPARE(guestsRead.guests, guests.guests);
}

void TestAgentSchedules::readFailuresLeaveTheRecord()
{
    const CAgentSchedules schedules(m_rig->agent);
    m_rig->store.Put({u"Broken"_s, 2, 101, u"method=tl"_s, false, 0.0, {}});
    m_rig->store.Put({u"Volumes"_s,
                      2,
                      106,
                      u"volumes=E%3bF"_s,
                      true,
                      0.0,
                      {{u"Item 1"_s, 45000.75, 7200, 0, 0}}});
    CCadence::CScheduleData record = DriveSchedule(L"Kept", CCadence::kWeekly, 3);
    QCOMPARE(schedules.Read(L"Broken", &record), E_INVALIDARG);
    QCOMPARE(schedules.Read(L"Missing", &record), CTestScheduleStore::kNotFound);
    CCadence::CExScheduleData exchange;
    QCOMPARE(schedules.Read(L"Volumes", &exchange), S_FALSE);
    QCOMPARE(record.name, TName(L"Kept"));
    QCOMPARE(record.settings, DriveSchedule(L"Kept", CCadence::kWeekly, 3).settings);

    // 106 is a daily schedule of its drives, the rest from its items.
    QCOMPARE(schedules.Read(L"Volumes", &record), S_OK);
    QCOMPARE(record.settings.type, quint32{CCadence::kDaily});
    QCOMPARE(record.drives, (TStringList{L"E", L"F"}));
    QCOMPARE(record.settings.start, 45000.75);
    QCOMPARE(record.settings.interval, 2u);
    QVERIFY(record.settings.disabled);
}

void TestAgentSchedules::reloadListsEveryScheduleOfTheAgent()
{
    // An "Analyze Only" schedule as the agent keeps it (no method pair), one whose text cannot
    // be read, one under a code of no kind, and an Exchange and a guest schedule.
    m_rig->store.Put({u"Analysis"_s,
                      1,
                      103,
                      u"volumes=C"_s,
                      false,
                      0.0,
                      {{u"Item 1"_s, WednesdayAt2(), 7 * 86400, 0, 0}}});
    m_rig->store.Put({u"Broken"_s, 2, 101, u"method=tl"_s, true, 45000.5, {}});
    m_rig->store.Put({u"Odd"_s, 1, 107, u"volumes=C&method=tl"_s, false, 0.0, {}});
    m_rig->store.Put({u"Stores"_s, 1, 201, u"datastores=ALLDATASTORES"_s, false, 0.0, {}});
    m_rig->store.Put({u"Guests"_s, 1, 401, u"Virtual+Machines=web%7c1"_s, false, 0.0, {}});
    CCadence cadence;
    cadence.Schedules()[L"Gone"].name = L"Gone";

    // Those that cannot be described are listed by name with no type, with what the agent tells
    // of them, and logged; they are not failures of the agent.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(u"^The schedule Broken cannot be read.*0x80070057"_s));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^The schedule Odd cannot be read"_s));
    CAgentSchedules::TReloadFailures failures;
    CAgentSchedules(m_rig->agent).Reload(&cadence, true, &failures);
    QVERIFY(failures.empty());
    QVERIFY((Names(cadence.Schedules()) == std::vector<TName>{L"Analysis", L"Broken", L"Odd"}));
    QVERIFY((Names(cadence.ExSchedules()) == std::vector<TName>{L"Stores"}));
    QVERIFY((Names(cadence.VmSchedules()) == std::vector<TName>{L"Guests"}));
    const CCadence::CScheduleData& analysis = cadence.Schedules().at(L"Analysis");
    QCOMPARE(analysis.settings.method, quint32{CCadence::kMethodAnalyzeOnly});
    QCOMPARE(analysis.settings.passes, quint32{CCadence::kOnlinePass});
    QCOMPARE(analysis.settings.weekdays, quint32{CCadence::kWednesday});
    QCOMPARE(analysis.drives, TStringList{L"C"});
    const CCadence::CScheduleData& broken = cadence.Schedules().at(L"Broken");
    QCOMPARE(broken.source, 2u);
    QCOMPARE(broken.settings.type, quint32{CCadence::kNotSet});
    QVERIFY(broken.settings.disabled);
    QCOMPARE(broken.settings.lastRun, 45000.5);
    QVERIFY(!broken.allDrives && broken.drives.empty()); // no drive takes a next run from it
    QCOMPARE(cadence.Schedules().at(L"Odd").settings.type, quint32{CCadence::kNotSet});

    // A kind whose names cannot be listed is logged, stays empty and is a failure; so is a
    // schedule whose items the agent does not give. Without the policy kind, Broken (source 2)
    // is not asked for.
    m_rig->store.FailNext(u"GetScheduleNames"_s, E_ACCESSDENIED);
    m_rig->store.FailNext(u"GetScheduleItems"_s, E_OUTOFMEMORY);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"kind 1 cannot be listed"_s));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(u"^The schedule Stores cannot be read.*0x8007000e"_s));
    CAgentSchedules(m_rig->agent).Reload(&cadence, false, &failures);
    QVERIFY(cadence.Schedules().empty());
    QVERIFY((Names(cadence.ExSchedules()) == std::vector<TName>{L"Stores"}));
    QCOMPARE(failures.size(), 2u);
    QCOMPARE(failures[0].kind, CAgentSchedules::kLocalDriveSchedules);
    QVERIFY(failures[0].name.empty());
    QCOMPARE(failures[0].result, E_ACCESSDENIED);
    QCOMPARE(failures[1].kind, CAgentSchedules::kExchangeSchedules);
    QCOMPARE(failures[1].name, TName(L"Stores"));
    QCOMPARE(failures[1].result, E_OUTOFMEMORY);
}

QTEST_GUILESS_MAIN(TestAgentSchedules)
#include "tst_AgentSchedules.moc"

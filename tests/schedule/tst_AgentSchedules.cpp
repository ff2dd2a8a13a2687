#include "core/COleDate.h"
#include "engine/CKV100AgentInterface.h"
#include "schedule/CAgentSchedules.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestScheduleStore.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// Schedules created on the agent and read back from it, through the agent wrapper and a test
// engine that keeps them in memory.
class TestAgentSchedules : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstRunsPerWeekday();
    void weeklyDriveScheduleItems();
    void bothPassesAddOnlineParts();
    void refusalsSendNothing();
    void firstFailingCallEndsTheSave();
    void specialSchedulesHaveFixedNames();
    void schedulesRoundTrip();
    void readFailuresLeaveTheRecord();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CTestScheduleStore> m_store;
    std::unique_ptr<CTestEngine> m_engine;
    std::unique_ptr<CKV100AgentInterface> m_agent;
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

QStringList ItemNames(const CTestScheduleStore::TSchedule& schedule)
{
    QStringList names;
    for (const auto& item : schedule.items)
        names.append(item.name);
    return names;
}

} // namespace

void TestAgentSchedules::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
    m_store = std::make_unique<CTestScheduleStore>();
    m_engine = std::make_unique<CTestEngine>();
    m_store->ServeOn(*m_engine);
    QVERIFY(m_engine->Start());
    m_agent = std::make_unique<CKV100AgentInterface>();
    QCOMPARE(m_agent->Connect(L"", L"", L"", L""), S_OK);
}

void TestAgentSchedules::cleanup()
{
    m_agent.reset();
    m_engine.reset();
    m_store.reset();
    m_environment.reset();
}

void TestAgentSchedules::firstRunsPerWeekday()
{
    CScheduleSettings settings;
    settings.start = WednesdayAt2();
    settings.type = CCadence::kWeekly;
    settings.weekdays = CCadence::kMonday | CCadence::kWednesday | CCadence::kSunday;
    QCOMPARE(CAgentSchedules::FirstRuns(settings, true),
             (std::set<double>{settings.start, settings.start + 4, settings.start + 5}));

    // A daily drive schedule without weekdays runs from the start; other kinds need weekdays.
    settings.type = CCadence::kDaily;
    settings.weekdays = 0;
    QCOMPARE(CAgentSchedules::FirstRuns(settings, true), std::set<double>{settings.start});
    QVERIFY(CAgentSchedules::FirstRuns(settings, false).empty());
    settings.type = CCadence::kOneTime;
    settings.weekdays = CCadence::kFriday;
    QCOMPARE(CAgentSchedules::FirstRuns(settings, false), std::set<double>{settings.start});
}

void TestAgentSchedules::weeklyDriveScheduleItems()
{
    CCadence::CScheduleData record =
        DriveSchedule(L"Weekly", CCadence::kWeekly, CCadence::kOnlinePass);
    record.settings.weekdays = CCadence::kMonday | CCadence::kFriday;
    record.settings.shutdownWhenComplete = true;
    record.settings.disabled = true;
    QCOMPARE(CAgentSchedules(*m_agent).Save(record), S_OK);

    QCOMPARE(m_store->Calls(), (QStringList{u"CreateSchedule:Weekly"_s, u"SetDisabled:Weekly"_s,
                                            u"AddItem:Weekly"_s, u"AddItem:Weekly"_s}));
    const auto stored = m_store->Schedule(u"Weekly"_s);
    QVERIFY(stored);
    QCOMPARE(stored->source, 1u);
    QCOMPARE(stored->code, 103u);
    QCOMPARE(stored->parameters, u"method=tl&volumes=C%3bD"_s);
    QVERIFY(stored->disabled);
    const double start = WednesdayAt2();
    QCOMPARE(stored->items,
             (QList<CTestScheduleStore::TItem>{{u"Item 1"_s, start + 2, 86400, 7200, 4},
                                               {u"Item 2"_s, start + 5, 86400, 7200, 4}}));
    QCOMPARE(COleDate::ToDateTime(stored->items[0].firstRun),
             QDateTime(QDate(2024, 1, 5), QTime(2, 0)));
    QCOMPARE(COleDate::ToDateTime(stored->items[1].firstRun),
             QDateTime(QDate(2024, 1, 8), QTime(2, 0)));
}

void TestAgentSchedules::bothPassesAddOnlineParts()
{
    CCadence::CScheduleData record =
        DriveSchedule(L"Once", CCadence::kOneTime, CCadence::kOnlinePass | CCadence::kOfflinePass);
    QCOMPARE(CAgentSchedules(*m_agent).Save(record), S_OK);
    const auto once = m_store->Schedule(u"Once"_s);
    QVERIFY(once);
    const double start = record.settings.start;
    QCOMPARE(once->items, (QList<CTestScheduleStore::TItem>{
                              {u"Item 1"_s, start, 86400, 7200, 1},
                              {u"Item 1.online-part"_s, start + 10.0 / 1440, 86400, 7200, 1}}));

    record =
        DriveSchedule(L"Daily", CCadence::kDaily, CCadence::kOnlinePass | CCadence::kOfflinePass);
    record.settings.weekdays = CCadence::kThursday | CCadence::kTuesday;
    QCOMPARE(CAgentSchedules(*m_agent).Save(record), S_OK);
    QCOMPARE(
        ItemNames(*m_store->Schedule(u"Daily"_s)),
        (QStringList{u"Item 1"_s, u"Item 1.online-part"_s, u"Item 2"_s, u"Item 2.online-part"_s}));
}

void TestAgentSchedules::refusalsSendNothing()
{
    const CAgentSchedules schedules(*m_agent);
    CCadence::CScheduleData drive = DriveSchedule(L"Bad", 6, CCadence::kOnlinePass);
    QCOMPARE(schedules.Save(drive), E_FAIL);
    drive.settings.type = CCadence::kDaily;
    drive.settings.option = 3;
    QCOMPARE(schedules.Save(drive), E_FAIL);
    CCadence::CExScheduleData exchange;
    exchange.settings.type = CCadence::kScreenSaver;
    QCOMPARE(schedules.Save(exchange), E_FAIL);
    CCadence::CVmScheduleData guest;
    QCOMPARE(schedules.Save(guest), E_FAIL); // type 0
    QVERIFY(m_store->Calls().isEmpty());

    m_agent->Disconnect();
    drive.settings.option = 0;
    QCOMPARE(schedules.Save(drive), E_UNEXPECTED);
    exchange.settings.type = CCadence::kOneTime;
    QCOMPARE(schedules.Save(exchange), E_FAIL); // the wrapper's answer
    QVERIFY(m_store->Calls().isEmpty());
}

void TestAgentSchedules::firstFailingCallEndsTheSave()
{
    const CAgentSchedules schedules(*m_agent);
    CCadence::CScheduleData record =
        DriveSchedule(L"Weekly", CCadence::kWeekly, CCadence::kOnlinePass);
    record.settings.weekdays = CCadence::kMonday | CCadence::kFriday;
    m_store->FailNext(u"AddItem"_s, E_ACCESSDENIED);
    QCOMPARE(schedules.Save(record), E_ACCESSDENIED);
    QCOMPARE(m_store->Calls().size(), 3);

    m_store->ClearCalls();
    m_store->FailNext(u"CreateSchedule"_s, E_OUTOFMEMORY);
    QCOMPARE(schedules.Save(record), E_OUTOFMEMORY);
    QCOMPARE(m_store->Calls(), QStringList{u"CreateSchedule:Weekly"_s});
}

void TestAgentSchedules::specialSchedulesHaveFixedNames()
{
    CCadence::CScheduleData record =
        DriveSchedule(L"My saver", CCadence::kScreenSaver, CCadence::kOnlinePass);
    record.settings.interval = 1;
    // The disabled flag goes to the record's own name, which the agent does not know here.
    QCOMPARE(CAgentSchedules(*m_agent).Save(record), CTestScheduleStore::kNotFound);
    QCOMPARE(m_store->Calls(),
             (QStringList{u"CreateSchedule:Screen Saver Schedule"_s, u"SetDisabled:My saver"_s}));
    const auto saver = m_store->Schedule(u"Screen Saver Schedule"_s);
    QVERIFY(saver);
    QCOMPARE(saver->code, 104u);
    QCOMPARE(saver->parameters, u"method=tl&volumes=C%3bD&interval=0.0416667"_s);
    QVERIFY(saver->items.isEmpty());
}

void TestAgentSchedules::schedulesRoundTrip()
{
    const CAgentSchedules schedules(*m_agent);
    const auto roundTrip = [&](const CCadence::CScheduleData& record) {
        QCOMPARE(schedules.Save(record), S_OK);
        CCadence::CScheduleData read;
        QCOMPARE(schedules.Read(record.name, &read), S_OK);
        QCOMPARE(read.name, record.name);
        QCOMPARE(read.source, 1u);
        QCOMPARE(read.settings, record.settings);
        QCOMPARE(read.settings.disabled, record.settings.disabled);
        QCOMPARE(read.settings.exclusionWindows, record.settings.exclusionWindows);
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

    CCadence::CScheduleData saver = DriveSchedule(std::wstring(CAgentSchedules::kScreenSaverName),
                                                  CCadence::kScreenSaver, CCadence::kOnlinePass);
    saver.settings.start = 0.0;
    saver.settings.interval = 120;
    saver.settings.maxDuration = 0;
    saver.allDrives = true;
    saver.drives.clear();
    roundTrip(saver);

    CCadence::CScheduleData quietWatch =
        DriveSchedule(std::wstring(CAgentSchedules::kQuietWatchName), CCadence::kQuietWatch,
                      CCadence::kOnlinePass);
    quietWatch.settings.start = 0.0;
    quietWatch.settings.maxDuration = 0;
    quietWatch.settings.idleMinutes = 15;
    quietWatch.settings.excludedPrograms = {L"backup.exe", L"game.exe"};
    quietWatch.settings.exclusionWindows = {{45000.25, 3, 1}};
    roundTrip(quietWatch);

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
    QCOMPARE(m_store->Schedule(u"Stores"_s)->items.size(), 2);

    CCadence::CVmScheduleData guests;
    guests.name = L"Guests";
    guests.settings.type = CCadence::kOneTime;
    guests.settings.start = WednesdayAt2();
    guests.settings.interval = 0;
    guests.guests.resize(2);
    guests.guests[0].name = L"web";
    guests.guests[0].SetGuestValue(0x01000101);
    guests.guests[1].name = L"db 2";
    QCOMPARE(schedules.Save(guests), S_OK);
    CCadence::CVmScheduleData guestsRead;
    QCOMPARE(schedules.Read(L"Guests", &guestsRead), S_OK);
    QCOMPARE(guestsRead.settings, guests.settings);
    QCOMPARE(guestsRead.guests, guests.guests);

    TStringList names;
    QCOMPARE(schedules.Names(1, &names), S_OK);
    QCOMPARE(names,
             (TStringList{L"Daily", L"Full Auto Schedule", L"Screen Saver Schedule", L"Weekly"}));
    QCOMPARE(schedules.Names(4 | 8, &names), S_OK);
    QCOMPARE(names, (TStringList{L"Guests", L"Stores"}));
}

void TestAgentSchedules::readFailuresLeaveTheRecord()
{
    const CAgentSchedules schedules(*m_agent);
    m_store->Put({u"Odd"_s, 1, 107, u"volumes=C&method=tl"_s, false, 0.0, {}});
    m_store->Put({u"Broken"_s, 2, 101, u"volumes=C"_s, false, 0.0, {}});
    m_store->Put({u"Volumes"_s,
                  2,
                  106,
                  u"volumes=E%3bF"_s,
                  true,
                  0.0,
                  {{u"Item 1"_s, 45000.75, 7200, 0, 0}}});

    CCadence::CScheduleData record = DriveSchedule(L"Kept", CCadence::kWeekly, 3);
    const CCadence::CScheduleData kept = record;
    QCOMPARE(schedules.Read(L"Odd", &record), S_FALSE);
    QCOMPARE(schedules.Read(L"Broken", &record), E_INVALIDARG);
    QCOMPARE(schedules.Read(L"Missing", &record), CTestScheduleStore::kNotFound);
    CCadence::CExScheduleData exchange;
    QCOMPARE(schedules.Read(L"Volumes", &exchange), S_FALSE);
    QCOMPARE(record.name, kept.name);
    QCOMPARE(record.settings, kept.settings);

    QCOMPARE(schedules.Read(L"Volumes", &record), S_OK);
    QCOMPARE(record.source, 2u);
    QCOMPARE(record.settings.type, quint32{CCadence::kDaily});
    QCOMPARE(record.drives, (TStringList{L"E", L"F"}));
    QCOMPARE(record.settings.start, 45000.75);
    QCOMPARE(record.settings.interval, 2u);
    QCOMPARE(record.settings.weekdays, 0u);
    QVERIFY(record.settings.disabled);
}

QTEST_GUILESS_MAIN(TestAgentSchedules)
#include "tst_AgentSchedules.moc"

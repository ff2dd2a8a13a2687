#include "core/COleDate.h"
#include "engine/CDefragStatisticsData.h"
#include "engine/CStatisticsHistory.h"
#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeReader.h"
#include "notify/CNoticeWriter.h"
#include "refengine/CAgentLogSettingsService.h"
#include "refengine/CAgentService.h"
#include "refengine/CAgentSettingsStore.h"
#include "refengine/CDefragSimulation.h"
#include "refengine/CEngineService.h"
#include "refengine/CEventLog.h"
#include "refengine/CHistoryStore.h"
#include "refengine/CJsonStateFile.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CRunningPrograms.h"
#include "refengine/CScheduleRunner.h"
#include "refengine/CScheduleStore.h"
#include "refengine/CStatisticsBlockBuilder.h"
#include "refengine/CVolumePass.h"
#include "refengine/CVolumeSettingsStore.h"
#include "schedule/CEngineParameters.h"
#include "schedule/CExclusionWindowsText.h"
#include "tests/refengine/TestFiles.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

#include <syslog.h>

#include <memory>

using namespace Qt::StringLiterals;

// State files: the checks every one shares, the agent's and the volumes' stores on theirs; the
// schedule runner driven by a clock of the test's; notices, passes and their statistics blocks.
class TestAgentStores : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unusableFilesAreSetAside_data();
    void unusableFilesAreSetAside();
    void eventLogQueriesAndPersists();
    void eventLogAppendsLinesAndCompacts();
    void eventLogBoundsTextsAndAnswers();
    void answersReadByTheConsole();
    void scheduleStoreKeepsWhatTheConsoleExpects();
    void settingsValidateAndPersist();
    void runnerRunsDueItems();
    void runnerDefersAndSkips();
    void runnerNoticesInOrder();
    void quietWatchRunsOnlyWhileIdleOutsideItsWindows();
    void quietWatchPausesAndResumesWithTheSession();
    void screenSaverScheduleFollowsTheScreenSaver();
    void itemsStopAfterTheirLongestTime();
    void oneTimeSchedulesRunOnce();
    void listedProgramsAreRecognised_data();
    void listedProgramsAreRecognised();
    void runningProgramsAreReadFromProc();
    void exclusionWindowsHoldTheirTimes_data();
    void exclusionWindowsHoldTheirTimes();
    void noticesKeepTheirOrderAndDeadListenersGo();
    void simulationReachesEachMethodsLayout();
    void passMethodAndThreshold_data();
    void passMethodAndThreshold();
    void volumeSettingsSurviveARestartAndDamage();
    void blocksReadBackAsTheConsoleReadsThem();

private:
    QString File(const QString& name) const { return m_environment->Root() + u'/' + name; }
    // An OLE date of 2030, so that nothing the test makes is in the past of the real clock.
    static double Base()
    {
        return COleDate::FromDateTime(QDateTime(QDate(2030, 3, 4), QTime(8, 0)));
    }
    static double Hours(double hours) { return hours / 24.0; }

    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestAgentStores::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
}

void TestAgentStores::cleanup()
{
    m_environment.reset();
}

void TestAgentStores::unusableFilesAreSetAside_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<bool>("usable");
    const auto row = [](const char* name, const QString& store, const QByteArray& content,
                        bool usable) { QTest::newRow(name) << store << content << usable; };
    // A state file of no store in particular: version 3, its reader taking "value" 7 only.
    const QByteArray intact = R"({"version":3,"value":7})";
    row("intact", u"state"_s, intact, true);
    row("above the limit", u"state"_s, intact + QByteArray(1024, ' '), false);
    row("refused by its reader", u"state"_s, R"({"version":3,"value":8})", false);
    row("other version", u"state"_s, R"({"version":4,"value":7})", false);
    row("version as text", u"state"_s, R"({"version":"3","value":7})", false);
    row("no version", u"state"_s, R"({"value":7})", false);
    row("array", u"state"_s, R"([{"version":3}])", false);
    row("truncated", u"state"_s, intact.left(12), false);
    row("empty", u"state"_s, "", false);
    row("missing", u"state"_s, QByteArray(), false);
    // The stores' own checks, each against its intact form.
    const QByteArray log = R"({"version":1,"entries":[[47000.5,"KVAgent",4,100,"started"]]})";
    const QByteArray history =
        R"({"version":1,"volumes":{"V":{"statistics":[[47000.5,1,2,3,4,5,6]],"freeSpace":[]}}})";
    const QByteArray schedules =
        R"({"version":1,"autoUpdate":{"intervalWeeks":1,"dayOfWeek":0},"schedules":[{"name":"S",)"
        R"("source":1,"code":101,"parameters":"","disabled":false,"lastRun":0,"items":[]}]})";
    const QByteArray settings = R"({"version":1,"settings":{"vssMode":2}})";
    row("log intact", u"log"_s, log, true);
    row("log wrong type", u"log"_s, QByteArray(log).replace("100", "\"100\""), false);
    row("log lines intact", u"log"_s, "{\"version\":2}\n[47000.5,\"KVAgent\",4,100,\"started\"]\n",
        true);
    row("log lines other version", u"log"_s, "{\"version\":3}\n[47000.5,\"A\",4,100,\"s\"]\n",
        false);
    row("log no version line", u"log"_s, "[47000.5,\"KVAgent\",4,100,\"started\"]\n", false);
    row("history intact", u"history"_s, history, true);
    row("history wrong type", u"history"_s, QByteArray(history).replace("[]", "{}"), false);
    row("schedules intact", u"schedules"_s, schedules, true);
    row("schedules bad code", u"schedules"_s, QByteArray(schedules).replace("101", "150"), false);
    row("schedules wrong type", u"schedules"_s, QByteArray(schedules).replace("false", "0"), false);
    row("settings intact", u"settings"_s, settings, true);
    row("settings out of range", u"settings"_s, QByteArray(settings).replace("2}", "7}"), false);
    row("settings wrong type", u"settings"_s, QByteArray(settings).replace("2}", "true}"), false);
}

void TestAgentStores::unusableFilesAreSetAside()
{
    QFETCH(QString, store);
    QFETCH(QByteArray, content);
    QFETCH(bool, usable);
    const QString path = File(store + u".json"_s);
    if (!content.isNull())
        QVERIFY(WriteTestFile(path, content));
    // An older damaged file gives way to a newer one.
    QVERIFY(WriteTestFile(path + u".damaged"_s, "older"));
    const bool damaged = !usable && !content.isNull();
    // A damaged file is reported, not passed over in silence.
    if (damaged)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"damaged"_s));
    bool loaded = false;
    if (store == u"state"_s) {
        loaded = CJsonStateFile::Load(path, 1024, 3, "test state", "starting empty",
                                      [](const QJsonObject& root) {
                                          return root.value(u"value"_s).toInt() == 7;
                                      }) == S_OK;
    } else if (store == u"log"_s) {
        loaded = CEventLog(path).Count() == 1;
    } else if (store == u"history"_s) {
        loaded = !CHistoryStore(path).Volumes().isEmpty();
    } else if (store == u"schedules"_s) {
        loaded = !CScheduleStore(path).Schedules().isEmpty();
    } else {
        const CAgentSettingsStore::TSettings read = CAgentSettingsStore(path).Settings();
        loaded = read.vssMode == 2;
        QVERIFY(loaded || read == CAgentSettingsStore::TSettings());
    }
    QCOMPARE(loaded, usable);
    // A damaged file is kept aside, never overwritten unseen.
    QCOMPARE(QFile::exists(path), !damaged && !content.isNull());
    QFile aside(path + u".damaged"_s);
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), damaged ? content : "older"_ba);
}

void TestAgentStores::eventLogQueriesAndPersists()
{
    double now = Base();
    {
        CEventLog log(File(u"log.json"_s), 4);
        log.SetClock([&] { return now; });
        for (int i = 1; i <= 5; ++i) {
            now = Base() + i;
            QVERIFY(log.Append(u"KVEngine"_s, CEventLog::kWarning, i, u"event %1"_s.arg(i)));
        }
        // An entry dated before others (a clock set back) sorts among them by its date; beyond
        // the capacity the oldest by date go.
        now = Base() + 2.5;
        QVERIFY(log.Append(u"KVAgent"_s, CEventLog::kError, 9, u"late"_s));
    }
    CEventLog log(File(u"log.json"_s), 4);
    int total = -1;
    QCOMPARE(log.Query(0, 0, 0, 1, &total).first(),
             (CEventLog::TEntry{Base() + 2.5, u"KVAgent"_s, CEventLog::kError, 9, u"late"_s}));
    // "total: ids" of a query from, to, first, count.
    const auto ids = [&log](double from, double to, int first, int count) {
        int all = -1;
        QStringList found;
        for (const CEventLog::TEntry& entry : log.Query(from, to, first, count, &all))
            found << QString::number(entry.eventId);
        return u"%1: %2"_s.arg(all).arg(found.join(u','));
    };
    QCOMPARE(ids(0, 0, 0, 0), u"4: 9,3,4,5"_s);
    QCOMPARE(ids(Base() + 4, 0, 0, 0), u"2: 4,5"_s);
    QCOMPARE(ids(Base() + 3, Base() + 4, 1, 5), u"2: 4"_s);
    QCOMPARE(ids(0, 0, 10, 0), u"4: "_s);
    QCOMPARE(ids(Base() + 5, Base() + 3, 0, 0), u"0: "_s);

    QVERIFY(log.Clear());
    QCOMPARE(CEventLog(File(u"log.json"_s)).Count(), 0);
}

void TestAgentStores::eventLogAppendsLinesAndCompacts()
{
    const QString path = File(u"log.json"_s);
    const auto lines = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
    };
    double now = Base();
    {
        // Capacity 20: the file may hold 16 lines more before it is written afresh.
        CEventLog log(path, 20);
        log.SetClock([&] { return now += Hours(1); });
        for (int i = 1; i <= 36; ++i)
            QVERIFY(log.Append(u"KVEngine"_s, CEventLog::kInformation, i, u"event %1"_s.arg(i)));
        // One appended line each: the version line, 36 entries and the final line break.
        QCOMPARE(lines().size(), 38);
        QCOMPARE(lines().first(), "{\"version\":2}"_ba);
        QCOMPARE(log.Count(), 20);
        QVERIFY(log.Append(u"KVEngine"_s, CEventLog::kInformation, 37, u"event 37"_s));
        QCOMPARE(lines().size(), 22);
    }
    // A line cut short and a line of something else cost those entries only; the next entry
    // writes the file afresh without them.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("[47000.5,\"KVEng\n{\"not\":\"an entry\"}\n");
    file.close();
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"2 damaged lines"_s));
        CEventLog log(path, 20);
        QCOMPARE(log.Count(), 20);
        QCOMPARE(log.Query(0, 0, 19, 1, nullptr).first().eventId, 37);
        log.SetClock([&] { return now += Hours(1); });
        QVERIFY(log.Append(u"KVAgent"_s, CEventLog::kError, 38, u"after"_s));
        QCOMPARE(lines().size(), 22);
        QVERIFY(!lines().contains("{\"not\":\"an entry\"}"));
    }
    // The older form is read, and rewritten in lines by the first new entry.
    QVERIFY(WriteTestFile(path, R"({"version":1,"entries":[[47000.5,"KVAgent",4,100,"old"]]})"));
    {
        CEventLog log(path);
        QCOMPARE(log.Count(), 1);
        log.SetClock([&] { return now += Hours(1); });
        QVERIFY(log.Append(u"KVAgent"_s, CEventLog::kWarning, 101, u"new"_s));
    }
    QCOMPARE(lines().size(), 4);
    QCOMPARE(CEventLog(path).Query(0, 0, 0, 0, nullptr).first().message, u"old"_s);

    // A file that cannot be written keeps the entry in memory; the next change writes it.
    const QString away = File(u"away/log.json"_s);
    QVERIFY(QDir().mkpath(File(u"away"_s)));
    {
        CEventLog log(away);
        QVERIFY(log.Append(u"A"_s, CEventLog::kInformation, 1, u"one"_s));
        QVERIFY(QDir(File(u"away"_s)).removeRecursively());
        QVERIFY(!log.Append(u"A"_s, CEventLog::kInformation, 2, u"two"_s));
        QCOMPARE(log.Count(), 2);
        QVERIFY(QDir().mkpath(File(u"away"_s)));
        QVERIFY(log.Append(u"A"_s, CEventLog::kInformation, 3, u"three"_s));
    }
    QCOMPARE(CEventLog(away).Count(), 3);
}

void TestAgentStores::eventLogBoundsTextsAndAnswers()
{
    CEventLog log(File(u"log.json"_s));
    QList<std::pair<int, QByteArray>> journal;
    log.SetJournalWriter([&](int priority, const QByteArray& text) {
        journal.append({priority, text});
    });

    // Huge texts are kept cut, with a mark; a surrogate pair is never split.
    const QString huge = QString(1024 * 1024, u'x');
    QVERIFY(log.Append(QString(300, u's'), CEventLog::kWarning, 1, huge));
    const CEventLog::TEntry kept = log.Query(0, 0, 0, 0, nullptr).first();
    QCOMPARE(kept.message,
             huge.left(CEventLog::kMaxMessageLength) +
                 u" [%1 more characters cut]"_s.arg(1024 * 1024 - CEventLog::kMaxMessageLength));
    QCOMPARE(kept.source, QString(256, u's') + u" [44 more characters cut]"_s);
    QCOMPARE(CEventLog::Bounded(u"ab\U0001F600cd"_s, 3), u"ab [4 more characters cut]"_s);
    QCOMPARE(CEventLog::Bounded(u"short"_s, 5), u"short"_s);
    QVERIFY(journal.isEmpty());

    // The system log as destination: every new entry also goes to the journal, by its type.
    const QString settings = File(u"logsettings.json"_s);
    {
        CAgentLogSettingsService service(log, settings);
        QVERIFY(!log.SystemJournal());
        QCOMPARE(service.SetLogDestination(CAgentLogSettingsService::kSystemLog), S_OK);
        QVERIFY(log.Append(u"KVEngine"_s, CEventLog::kError, 2, u"broke"_s));
        QVERIFY(log.Append(u"KVAgent"_s, 99, 3, u"odd"_s));
    }
    QCOMPARE(journal, (QList<std::pair<int, QByteArray>>{{LOG_ERR, "KVEngine: broke"},
                                                         {LOG_INFO, "KVAgent: odd"}}));
    QCOMPARE(CEventLog::JournalPriority(CEventLog::kWarning), LOG_WARNING);
    log.SetSystemJournal(false);
    {
        // The stored destination holds for the next start; the own log is set back.
        CAgentLogSettingsService service(log, settings);
        QVERIFY(log.SystemJournal());
        QCOMPARE(service.SetLogDestination(CAgentLogSettingsService::kOwnLog), S_OK);
        QVERIFY(!log.SystemJournal());
    }
    QCOMPARE(log.Count(), 3);

    // An answer stops before it grows too large for one message, but holds one entry at least.
    const CEventLog::TEntry big{Base(), u"S"_s, CEventLog::kInformation, 1,
                                QString(CEventLog::kMaxMessageLength, u'm')};
    const QList<CEventLog::TEntry> page(600, big);
    const qsizetype fitting = CAgentService::WithinAnswer(page).size();
    QVERIFY(fitting > 1 && fitting < 600);
    QVERIFY(fitting * big.message.size() <= CAgentService::kMaxAnswerCharacters);
    QCOMPARE(CAgentService::WithinAnswer(page.mid(0, 3)).size(), 3);
    CEventLog::TEntry larger = big;
    larger.message = QString(CAgentService::kMaxAnswerCharacters + 1, u'm');
    QCOMPARE(CAgentService::WithinAnswer({larger, big}).size(), 1);
}

void TestAgentStores::answersReadByTheConsole()
{
    const QString volume = u"{0c6f3e8a-1d2b}"_s;
    {
        CHistoryStore store(File(u"history.json"_s));
        for (int i = 0; i < CHistoryStore::kMaxPoints + 3; ++i) {
            const double date = Base() + i;
            QCOMPARE(store.AddStatisticsPoint(volume,
                                              {date, 10.0 + i, 1.0, 20.0 + i, 2.0, 30.0 + i, 90.0}),
                     S_OK);
        }
        const quint64 big = (1ULL << 60) + 1; // beyond a double's exact integers in the file
        QCOMPARE(store.AddFreeSpacePoint(volume, {Base(), big / 4, big / 2, big}), S_OK);
        QCOMPARE(store.AddFreeSpacePoint(volume, {Base() + 1, 500, 750, 1000}), S_OK);
        QCOMPARE(store.AddFreeSpacePoint(volume, {Base() + 2, 1001, 1, 1000}), E_INVALIDARG);
        QCOMPARE(store.AddStatisticsPoint(volume, {0.0, 1, 1, 1, 1, 1, 1}), E_INVALIDARG);
        QCOMPARE(store.AddStatisticsPoint(u""_s, {Base(), 1, 1, 1, 1, 1, 1}), E_INVALIDARG);
        QCOMPARE(store.AddStatisticsPoint(volume, {Base(), qQNaN(), 1, 1, 1, 1, 1}), E_INVALIDARG);
    }
    const CHistoryStore store(File(u"history.json"_s));
    QCOMPARE(store.FreeSpacePoints(volume).first().totalBytes, (1ULL << 60) + 1);

    QList<CStatisticsHistory::CDataPoint> files, freeSpace, performance, space;
    const DBusContract::TPropertyBag bag = store.PropertyBag(volume);
    QCOMPARE(CStatisticsHistory::ParseStatisticsBag(bag, &files, &freeSpace, &performance), S_OK);
    QCOMPARE(files.size(), CHistoryStore::kMaxPoints);
    // The oldest three went; the rest oldest first.
    QCOMPARE(files.first(), (CStatisticsHistory::CDataPoint{CDateTime(Base() + 3), 13.0, 1.0}));
    QVERIFY(freeSpace.last().before == 20.0 + CHistoryStore::kMaxPoints + 2 &&
            performance.last().after == 90.0);
    QCOMPARE(CStatisticsHistory::ParseFreeSpaceBag(bag, &space), S_OK);
    QCOMPARE(space, (QList<CStatisticsHistory::CDataPoint>{{CDateTime(Base()), 25.0, 50.0},
                                                           {CDateTime(Base() + 1), 50.0, 75.0}}));

    // The log, with separators and line breaks inside its fields.
    const QList<CEventLog::TEntry> entries{
        {Base() + 1.0 / 3, u"KV\u001EEngine"_s, CEventLog::kError, -7, u"two\nlines\r\nand more"_s},
        {45000.0, u"KVAgent"_s, CEventLog::kInformation, 100, u"a\u001Fb\u001Ec"_s},
        {-1.25, u""_s, CEventLog::kWarning, 0, u""_s}};
    QList<CStatisticsHistory::CLogPoint> points;
    int total = 0;
    QCOMPARE(CStatisticsHistory::ParseLogText(CAgentService::LogText(entries, 9).toStdWString(),
                                              &points, &total),
             S_OK);
    QCOMPARE(total, 9);
    QCOMPARE(points.size(), 3);
    // Dates read back exactly; separators inside fields became blanks, line breaks stayed.
    QCOMPARE(points[0].logTime, CDateTime(Base() + 1.0 / 3));
    QCOMPARE(points[0].source + L'|' + points[0].message,
             std::wstring(L"KV Engine|two\nlines\r\nand more"));
    QCOMPARE(points[0].eventId, -7);
    QCOMPARE(points[1].message, std::wstring(L"a b c"));
    QVERIFY(points[2].logTime == CDateTime(-1.25) && points[2].eventType == CEventLog::kWarning);

    // The bag keeps the separators as they are.
    QCOMPARE(CStatisticsHistory::ParseLogBag(CAgentService::LogBag(entries, 3), &points, &total),
             S_OK);
    QCOMPARE(points[1].message, std::wstring(L"a\u001Fb\u001Ec"));
}

void TestAgentStores::scheduleStoreKeepsWhatTheConsoleExpects()
{
    const QString path = File(u"schedules.json"_s);
    {
        CScheduleStore store(path);
        QCOMPARE(store.Create(u"Nightly"_s, 1, 102, u"volumes=C&method=tl"_s), S_OK);
        QCOMPARE(store.AddItem(u"Nightly"_s, u"Item 1"_s, Base(), 86400, 3600, 5), S_OK);
        QCOMPARE(store.AddItem(u"Nightly"_s, u"Item 1"_s, Base(), 0, 0, 0),
                 CScheduleStore::kAlreadyExists);
        QCOMPARE(store.AddItem(u"nightly"_s, u"Item 2"_s, Base(), 0, 0, 0),
                 CScheduleStore::kNotFound); // names compare exactly
        QCOMPARE(store.AddItem(u"Nightly"_s, u"Item 2"_s, Base(), 0, 0, 2), E_INVALIDARG);
        QCOMPARE(store.AddItem(u"Nightly"_s, u"Item 2"_s, 0.0, 0, 0, 0), E_INVALIDARG);
        QCOMPARE(store.AddItem(u"Nightly"_s, u"Item 2"_s, Base() + 1, 0, 0, 1), S_OK);
        QCOMPARE(store.Create(u"Policy"_s, 2, 101, QString()), S_OK);
        QCOMPARE(store.Create(u"Stores"_s, 1, 201, u"sgs=ALL"_s), S_OK);
        QCOMPARE(store.Create(u"Guests"_s, 1, 403, QString()), S_OK);
        QCOMPARE(store.SetDisabled(u"Guests"_s, true), S_OK);
        QCOMPARE(store.SetAutoUpdate(4, 6), S_OK);
        QCOMPARE(store.MarkHandled(u"Nightly"_s, u"Item 1"_s, Base(), Base() + 0.5), S_OK);
        for (const auto& bad : {std::tuple<QString, uint, uint>{QString(), 1, 101},
                                {u"  "_s, 1, 101},
                                {u"Line\nbreak"_s, 1, 101},
                                {QString(300, u'x'), 1, 101},
                                {u"Source"_s, 3, 101},
                                {u"Code"_s, 1, 107},
                                {u"Code"_s, 1, 301}})
            QCOMPARE(store.Create(std::get<0>(bad), std::get<1>(bad), std::get<2>(bad), {}),
                     E_INVALIDARG);
        QCOMPARE(store.SetAutoUpdate(0, 1), E_INVALIDARG);
        QCOMPARE(store.SetAutoUpdate(1, 7), E_INVALIDARG);
    }
    CScheduleStore store(path);
    CScheduleStore::TSchedule nightly;
    QCOMPARE(store.Get(u"Nightly"_s, &nightly), S_OK);
    QVERIFY(nightly.code == 102 && nightly.parameters == u"volumes=C&method=tl"_s);
    QCOMPARE(nightly.lastRun, Base() + 0.5);
    QCOMPARE(nightly.items,
             (QList<CScheduleStore::TItem>{{u"Item 1"_s, Base(), 86400, 3600, 5, Base()},
                                           {u"Item 2"_s, Base() + 1, 0, 0, 1, 0.0}}));
    QCOMPARE(store.AutoUpdate(), (CScheduleStore::TAutoUpdate{4, 6}));
    CScheduleStore::TSchedule guests;
    QVERIFY(store.Get(u"Guests"_s, &guests) == S_OK && guests.disabled);

    const auto names = [](const CScheduleStore& from, uint kinds) {
        QStringList found;
        return from.Names(kinds, &found) == S_OK ? found : QStringList{u"failed"_s};
    };
    QCOMPARE(names(store, 1), QStringList{u"Nightly"_s});
    QCOMPARE(names(store, 2 | 4 | 8), (QStringList{u"Guests"_s, u"Policy"_s, u"Stores"_s}));
    QCOMPARE(names(store, 16), QStringList{u"failed"_s});

    // A replacement starts again without items and enabled, keeping only its last run, as the
    // console's save adds the items afresh.
    QCOMPARE(store.Create(u"Nightly"_s, 1, 103, u"volumes=D"_s), S_OK);
    QCOMPARE(store.Get(u"Nightly"_s, &nightly), S_OK);
    QVERIFY(nightly.items.isEmpty() && nightly.code == 103 && nightly.lastRun == Base() + 0.5);

    QCOMPARE(store.Rename(u"Nightly"_s, u"Stores"_s), CScheduleStore::kAlreadyExists);
    QCOMPARE(store.Rename(u"Missing"_s, u"Other"_s), CScheduleStore::kNotFound);
    QCOMPARE(store.Rename(u"Nightly"_s, QString()), E_INVALIDARG);
    QCOMPARE(store.Rename(u"Nightly"_s, u"Weekly"_s), S_OK);
    QCOMPARE(store.Delete(u"Nightly"_s), CScheduleStore::kNotFound);
    QCOMPARE(store.Delete(u"Stores"_s), S_OK);
    QCOMPARE(names(CScheduleStore(path), 15), (QStringList{u"Guests"_s, u"Policy"_s, u"Weekly"_s}));
}

void TestAgentStores::settingsValidateAndPersist()
{
    // A file others could read loses their access when it is next written: it holds passwords.
    const QString path = File(u"settings.json"_s);
    QVERIFY(WriteTestFile(path, R"({"version":1,"settings":{}})"));
    QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther));
    {
        CAgentSettingsStore store(path);
        QCOMPARE(store.Update([](auto& s) {
            s.vssMode = 2;
            s.proxyPassword = u"p\u00e4ss"_s;
            s.customFileTypes.music = {u"mod"_s};
        }),
                 S_OK);
        // A bad value anywhere in a change leaves all of it undone.
        QCOMPARE(store.Update([](auto& s) {
            s.cpuPriority = 2;
            s.bootFileLayout = 4;
        }),
                 E_INVALIDARG);
        QCOMPARE(store.Update([](auto& s) { s.vssThreshold = 101; }), E_INVALIDARG);
        QCOMPARE(store.Update([](auto& s) { s.customFileTypes.text = {u"a/b"_s}; }), E_INVALIDARG);
        QCOMPARE(store.Update([](auto& s) { s.smtpServer = u"mail\nhost"_s; }), E_INVALIDARG);
        QCOMPARE(store.Settings().cpuPriority, 0u);
    }
    const CAgentSettingsStore store(path);
    QCOMPARE(store.Settings().vssMode, 2u);
    QCOMPARE(store.Settings().proxyPassword, u"p\u00e4ss"_s);
    QCOMPARE(store.FileTypesInUse().music, QStringList{u"mod"_s});
    QCOMPARE(store.FileTypesInUse().text, CAgentSettingsStore::DefaultFileTypes().text);
    QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());
}

namespace {

// The runner on stores of its own, on the test's clock, with the requests for passes it made.
struct TRunnerFixture {
    explicit TRunnerFixture(const QString& root)
        : log(root + u"/log.json"_s)
        , store(root + u"/schedules.json"_s)
        , runner(store, sink, log)
    {
        runner.SetClock([this] { return now; });
        log.SetClock([this] { return now; });
        QObject::connect(&runner, &CScheduleRunner::PassesRequested, &runner,
                         [this](const QString& schedule, const QString& item,
                                const QStringList& volumes, bool all, uint methods, uint flags) {
                             requests.append(u"%1/%2/%3/%4/%5/%6"_s.arg(
                                 schedule, item, volumes.join(u','), all ? u"all"_s : u"list"_s,
                                 QString::number(methods), QString::number(flags)));
                         });
        QObject::connect(&runner, &CScheduleRunner::PauseRequested, &runner,
                         [this](const QString& schedule, const QString&, bool paused) {
                             requests.append((paused ? u"pause "_s : u"resume "_s) + schedule);
                         });
        QObject::connect(&runner, &CScheduleRunner::StopRequested, &runner,
                         [this](const QString& schedule, const QString&) {
                             requests.append(u"stop "_s + schedule);
                         });
    }

    // A local schedule with one item, "Item 1".
    bool Add(const QString& name, uint code, const QString& parameters, double first, uint interval,
             uint flags, double handledThrough = 0)
    {
        return store.Create(name, 1, code, parameters) == S_OK &&
               store.AddItem(name, u"Item 1"_s, first, interval, 0, flags, handledThrough) == S_OK;
    }
    // The requests of a check for due items at that time.
    QStringList DueAt(double time)
    {
        now = time;
        runner.CheckDue();
        return std::exchange(requests, {});
    }
    double NextRun(const QString& name) const
    {
        CScheduleStore::TSchedule schedule;
        return store.Get(name, &schedule) == S_OK ? runner.NextRun(schedule) : -1;
    }

    double now = 0.0;
    CEventLog log;
    CScheduleStore store;
    CNoticeSink sink;
    CScheduleRunner runner;
    QStringList requests;
};

} // namespace

void TestAgentStores::runnerRunsDueItems()
{
    TRunnerFixture f(m_environment->Root());
    CScheduleRunner& runner = f.runner;
    f.now = Base();
    const double handled = runner.NewItemHandledThrough();
    QVERIFY(f.Add(u"Once"_s, 101, u"volumes=C%3bD,E&method=offline&method=DEFRAG"_s,
                  Base() + Hours(1), 0, 1, handled));
    QVERIFY(f.Add(u"Hourly"_s, 102, u"volumes=ALLDRIVES&method=tl"_s, Base() + Hours(1), 3600, 4,
                  handled));
    // Added long after its first run: the runs before it are past.
    QVERIFY(f.Add(u"Old"_s, 101, u"volumes=C"_s, Base() - 2, 0, 0, handled));

    QVERIFY(f.DueAt(Base()).isEmpty());
    QCOMPARE(f.NextRun(u"Once"_s), Base() + Hours(1));
    QCOMPARE(f.DueAt(Base() + Hours(3.5)),
             (QStringList{u"Hourly/Item 1//all/4/4"_s, u"Once/Item 1/C,D,E/list/3/1"_s}));
    QVERIFY(runner.IsRunning(u"Once"_s));
    // Running schedules are not started again, though the next hour has come.
    QVERIFY(f.DueAt(Base() + Hours(4.5)).isEmpty());
    QCOMPARE(runner.RunNow(u"Once"_s), S_FALSE);
    QCOMPARE(runner.RunNow(u"Missing"_s), CScheduleStore::kNotFound);
    QVERIFY(runner.PassesFinished(u"Once"_s, u"Item 1"_s, S_OK));
    QVERIFY(!runner.PassesFinished(u"Once"_s, u"Item 1"_s, S_OK));
    QVERIFY(runner.PassesFinished(u"Hourly"_s, u"Item 1"_s, E_ABORT));

    // Interval 0 ran once; the hourly item's next run is the hour after the one it ran for,
    // which came while it ran and runs now.
    CScheduleStore::TSchedule once;
    QCOMPARE(f.store.Get(u"Once"_s, &once), S_OK);
    QCOMPARE(once.lastRun, Base() + Hours(3.5));
    QCOMPARE(f.NextRun(u"Once"_s), 0.0);
    QCOMPARE(f.NextRun(u"Hourly"_s), Base() + Hours(4));
    QCOMPARE(f.DueAt(f.now), QStringList{u"Hourly/Item 1//all/4/4"_s});
    QVERIFY(runner.PassesFinished(u"Hourly"_s, u"Item 1"_s, S_OK));
    QCOMPARE(f.NextRun(u"Hourly"_s), Base() + Hours(5));

    QCOMPARE(f.store.SetDisabled(u"Hourly"_s, true), S_OK);
    QVERIFY(f.DueAt(Base() + Hours(5)).isEmpty());
    QCOMPARE(f.store.SetDisabled(u"Hourly"_s, false), S_OK);
    // Only the latest run due, not every one missed while disabled.
    QCOMPARE(f.DueAt(Base() + Hours(6.2)), QStringList{u"Hourly/Item 1//all/4/4"_s});
    QVERIFY(runner.PassesFinished(u"Hourly"_s, u"Item 1"_s, S_OK));

    // What ran is kept: a runner on the reread store does not run it again.
    CScheduleStore reread(f.store.FilePath());
    CScheduleRunner again(reread, f.sink, f.log);
    again.SetClock([&] { return f.now; });
    QObject::connect(&again, &CScheduleRunner::PassesRequested, &again,
                     [&](const QString& schedule) { f.requests.append(schedule); });
    again.CheckDue();
    QCOMPARE(again.RunNow(u"Old"_s), S_OK);
    QCOMPARE(f.requests, QStringList{u"Old"_s});
}

void TestAgentStores::runnerDefersAndSkips()
{
    TRunnerFixture f(m_environment->Root());
    const double first = Base() + Hours(1);
    QVERIFY(f.Add(u"Both"_s, 101, u"volumes=C&method=offline&method=defrag"_s, first, 0, 1));
    QCOMPARE(f.store.AddItem(u"Both"_s, u"Item 1.online-part"_s, first + 10.0 / 1440, 0, 0, 1),
             S_OK);
    // One item of a schedule at a time; the item that came due meanwhile runs after.
    QCOMPARE(f.DueAt(first + 20.0 / 1440), QStringList{u"Both/Item 1/C/list/3/1"_s});
    QVERIFY(f.DueAt(f.now).isEmpty());
    QVERIFY(f.runner.PassesFinished(u"Both"_s, u"Item 1"_s, S_OK));
    QCOMPARE(f.DueAt(f.now), QStringList{u"Both/Item 1.online-part/C/list/3/1"_s});
    QVERIFY(f.runner.PassesFinished(u"Both"_s, u"Item 1.online-part"_s, S_OK));

    // A run missed by far is left to its next time when the settings say so.
    QVERIFY(f.Add(u"Daily"_s, 102, u"volumes=C"_s, Base(), 86400, 0));
    f.runner.SetRunMissed([] { return false; });
    QVERIFY(f.DueAt(Base() + 3 + Hours(5)).isEmpty());
    QCOMPARE(f.NextRun(u"Daily"_s), Base() + 4);
    QCOMPARE(f.log.Query(0, 0, 0, 0, nullptr).last().eventId, CScheduleRunner::kEventMissed);
    f.runner.SetRunMissed([] { return true; });
    QCOMPARE(f.DueAt(Base() + 4 + Hours(5)), QStringList{u"Daily/Item 1/C/list/0/0"_s});
    QVERIFY(f.runner.PassesFinished(u"Daily"_s, u"Item 1"_s, S_OK));
    QCOMPARE(f.store.Delete(u"Daily"_s), S_OK);

    // As the daemon asks the settings: "reschedule" never runs a missed one-time schedule, for
    // it has no next time, and says so; "run at restart" runs it.
    CAgentSettingsStore settings(File(u"settings.json"_s));
    f.runner.SetRunMissed([&settings] { return settings.Settings().missedSchedules == 0; });
    QCOMPARE(settings.Update([](CAgentSettingsStore::TSettings& s) { s.missedSchedules = 1; }),
             S_OK);
    QVERIFY(f.Add(u"Once"_s, 101, u"volumes=D"_s, Base() + 5, 0, 0));
    QVERIFY(f.Add(u"Once more"_s, 101, u"volumes=E"_s, Base() + 5, 0, 0));
    QVERIFY(f.DueAt(Base() + 5 + Hours(2)).isEmpty());
    const CEventLog::TEntry missed = f.log.Query(0, 0, 0, 0, nullptr).last();
    QCOMPARE(missed.eventId, CScheduleRunner::kEventMissed);
    QVERIFY2(missed.message.contains(u"not rescheduled"_s), qPrintable(missed.message));
    QCOMPARE(f.NextRun(u"Once"_s), 0.0);
    QVERIFY(f.DueAt(Base() + 6).isEmpty());
    QCOMPARE(settings.Update([](CAgentSettingsStore::TSettings& s) { s.missedSchedules = 0; }),
             S_OK);
    QCOMPARE(f.store.AddItem(u"Once more"_s, u"Item 2"_s, Base() + 6, 0, 0, 0), S_OK);
    QCOMPARE(f.DueAt(Base() + 6 + Hours(2)), QStringList{u"Once more/Item 2/E/list/0/0"_s});
}

void TestAgentStores::runnerNoticesInOrder()
{
    CMailSlotTransport reader;
    const QString name = CMailSlotTransport::NewName();
    QCOMPARE(reader.Create(name), ERROR_SUCCESS);
    TRunnerFixture f(m_environment->Root());
    QCOMPARE(f.sink.Subscribe(QString(), name), S_OK);
    f.now = Base();
    QCOMPARE(f.store.Create(u"Stores"_s, 1, 201, u"sgs=ALL"_s), S_OK);
    QCOMPARE(f.store.Create(u"Nothing"_s, 1, 101, u"method=tl"_s), S_OK);
    QVERIFY(f.Add(u"Drives"_s, 101, u"volumes=C&method=tl"_s, Base() + 1, 0, 0));
    // Exchange has no passes here: started and stopped at once; so has a schedule of no volume.
    for (const QString& schedule : {u"Stores"_s, u"Nothing"_s, u"Drives"_s})
        QCOMPARE(f.runner.RunNow(schedule), S_OK);
    QVERIFY(f.runner.IsRunning(u"Drives"_s) && !f.runner.IsRunning(u"Stores"_s));
    QVERIFY(f.runner.PassesFinished(u"Drives"_s, u"Item 1"_s, S_OK));
    f.sink.Flush();

    QStringList notices;
    bool available = false;
    while (reader.HasMessage(available) == ERROR_SUCCESS && available) {
        QByteArray body;
        bool nothing = false;
        QCOMPARE(reader.Read(body, nothing), ERROR_SUCCESS);
        CNoticeReader notice(body);
        quint32 type = 0;
        std::wstring schedule, item;
        QVERIFY(notice.U32(&type) && notice.String(&schedule) && notice.String(&item));
        notices << u"%1 %2 %3"_s.arg(type).arg(QString::fromStdWString(schedule),
                                               QString::fromStdWString(item));
    }
    QCOMPARE(notices,
             (QStringList{u"6000 Stores "_s, u"6001 Stores "_s, u"6000 Nothing "_s,
                          u"6001 Nothing "_s, u"6000 Drives Item 1"_s, u"6001 Drives Item 1"_s}));
    // Each run logged as started and finished, with why nothing ran where nothing did.
    QList<qint32> events;
    for (const CEventLog::TEntry& entry : f.log.Query(0, 0, 0, 0, nullptr))
        events.append(entry.source == CScheduleRunner::kLogSource ? entry.eventId : -1);
    QCOMPARE(events, (QList<qint32>{100, 103, 101, 100, 105, 101, 100, 101}));
}

void TestAgentStores::quietWatchRunsOnlyWhileIdleOutsideItsWindows()
{
    TRunnerFixture f(m_environment->Root());
    double idleSince = 0.0;
    int asked = 0;
    f.runner.SetIdleSource([&] {
        ++asked;
        return idleSince;
    });
    // At least two hours apart, after ten idle minutes; never from 8:00 to 11:00 on the first day
    // nor from 20:00 to 22:00 on any day.
    const QString name = u"Full Auto Schedule"_s;
    const QString windows =
        CExclusionWindowsText::Write({{Base(), 3, 0}, {Base() + Hours(12), 2, 1}});
    QCOMPARE(f.store.Create(name, 1, 105,
                            u"volumes=ALLDRIVES&method=defrag&interval="_s +
                                CEngineParameters::IntervalDays(2) + u"&timeout=10&exclude="_s +
                                windows),
             S_OK);

    QVERIFY(f.DueAt(Base() + Hours(4)).isEmpty());
    QCOMPARE(asked, 1);
    idleSince = f.now - 5.0 / 1440;
    QVERIFY(f.DueAt(f.now).isEmpty());
    idleSince = Base() - 1;
    for (const double inWindow : {Hours(1), Hours(12.5), Hours(36.5)})
        QVERIFY2(f.DueAt(Base() + inWindow).isEmpty(), qPrintable(QString::number(inWindow)));

    const QString run = name + u"///all/2/0"_s;
    QCOMPARE(f.DueAt(Base() + Hours(4)), QStringList{run});
    // Running: not started again.
    QVERIFY(f.DueAt(f.now).isEmpty());
    QVERIFY(f.runner.PassesFinished(name, QString(), S_OK));
    QVERIFY(f.DueAt(Base() + Hours(5.9)).isEmpty());
    QCOMPARE(f.DueAt(Base() + Hours(6)), QStringList{run});
    QVERIFY(f.runner.PassesFinished(name, QString(), S_OK));

    QCOMPARE(f.store.SetDisabled(name, true), S_OK);
    asked = 0;
    QVERIFY(f.DueAt(Base() + Hours(9)).isEmpty());
    QCOMPARE(asked, 0);

    // A QuietWatch schedule that cannot be read never runs and is logged once.
    QCOMPARE(f.store.Create(u"Broken"_s, 1, 105, u"volumes=C&method=defrag&timeout=10"_s), S_OK);
    QVERIFY(f.DueAt(Base() + Hours(9)).isEmpty());
    QVERIFY(f.DueAt(Base() + Hours(10)).isEmpty());
    int unreadable = 0;
    for (const CEventLog::TEntry& entry : f.log.Query(0, 0, 0, 0, nullptr))
        unreadable += entry.eventId == CScheduleRunner::kEventUnreadable ? 1 : 0;
    QCOMPARE(unreadable, 1);
}

void TestAgentStores::quietWatchPausesAndResumesWithTheSession()
{
    TRunnerFixture f(m_environment->Root());
    double idleSince = Base() - 1;
    QStringList programs{u"bash"_s};
    f.runner.SetIdleSource([&] { return idleSince; });
    f.runner.SetProgramSource([&] { return programs; });
    // Ten idle minutes; never from 20:00 to 22:00 on any day; never while "backup.exe" runs.
    const QString name = u"Full Auto Schedule"_s;
    const QString parameters = u"volumes=ALLDRIVES&method=defrag&interval="_s +
                               CEngineParameters::IntervalDays(24) +
                               u"&timeout=10&processes=C:\\Tools\\backup.exe;rsync&exclude="_s +
                               CExclusionWindowsText::Write({{Base() + Hours(20), 2, 1}});
    QCOMPARE(f.store.Create(name, 1, 105, parameters), S_OK);
    const QString run = name + u"///all/2/0"_s;

    programs.append(u"rsync"_s);
    QVERIFY(f.DueAt(Base() + Hours(1)).isEmpty());
    programs.removeLast();
    QCOMPARE(f.DueAt(Base() + Hours(1)), QStringList{run});
    QVERIFY(f.runner.IsRunning(name));

    // In use: paused at once; idle again: goes on only after the ten minutes.
    idleSince = 0;
    QCOMPARE(f.DueAt(Base() + Hours(2)), QStringList{u"pause "_s + name});
    QVERIFY(f.runner.IsPaused(name));
    QVERIFY(f.DueAt(Base() + Hours(2.1)).isEmpty());
    idleSince = Base() + Hours(2.1);
    QVERIFY(f.DueAt(Base() + Hours(2.2)).isEmpty());
    QCOMPARE(f.DueAt(Base() + Hours(2.3)), QStringList{u"resume "_s + name});
    QVERIFY(!f.runner.IsPaused(name));

    // A listed program started, then the window begins: each pauses once.
    programs.append(u"backup"_s);
    QCOMPARE(f.DueAt(Base() + Hours(3)), QStringList{u"pause "_s + name});
    programs.removeLast();
    QCOMPARE(f.DueAt(Base() + Hours(3.1)), QStringList{u"resume "_s + name});
    QCOMPARE(f.DueAt(Base() + Hours(20.5)), QStringList{u"pause "_s + name});
    QVERIFY(f.DueAt(Base() + Hours(21)).isEmpty());
    QCOMPARE(f.DueAt(Base() + Hours(22)), QStringList{u"resume "_s + name});

    // Disabled while it runs: stopped once; the run ends as ever.
    QCOMPARE(f.store.SetDisabled(name, true), S_OK);
    QCOMPARE(f.DueAt(Base() + Hours(22.5)), QStringList{u"stop "_s + name});
    QVERIFY(f.DueAt(Base() + Hours(22.6)).isEmpty());
    QVERIFY(f.runner.PassesFinished(name, QString(), S_OK));
    QVERIFY(!f.runner.IsRunning(name));
}

void TestAgentStores::screenSaverScheduleFollowsTheScreenSaver()
{
    TRunnerFixture f(m_environment->Root());
    bool active = false;
    int asked = 0;
    f.runner.SetScreenSaverSource([&] {
        ++asked;
        return active;
    });
    const QString name = u"Screen Saver Schedule"_s;
    QCOMPARE(f.store.Create(name, 1, 104,
                            u"volumes=ALLDRIVES&method=defrag&interval="_s +
                                CEngineParameters::IntervalDays(4)),
             S_OK);
    const QString run = name + u"///all/2/0"_s;
    QVERIFY(f.DueAt(Base()).isEmpty());
    active = true;
    QCOMPARE(f.DueAt(Base() + Hours(1)), QStringList{run});
    active = false;
    QCOMPARE(f.DueAt(Base() + Hours(2)), QStringList{u"pause "_s + name});
    active = true;
    QCOMPARE(f.DueAt(Base() + Hours(3)), QStringList{u"resume "_s + name});
    QVERIFY(f.runner.PassesFinished(name, QString(), S_OK));
    // Not again before its interval since the last run.
    QVERIFY(f.DueAt(Base() + Hours(4.9)).isEmpty());
    QCOMPARE(f.DueAt(Base() + Hours(5)), QStringList{run});
    QVERIFY(f.runner.PassesFinished(name, QString(), S_OK));

    // No screen-saver schedule enabled: the desktop is not asked.
    QCOMPARE(f.store.SetDisabled(name, true), S_OK);
    asked = 0;
    QVERIFY(f.DueAt(Base() + Hours(10)).isEmpty());
    QCOMPARE(asked, 0);
}

void TestAgentStores::itemsStopAfterTheirLongestTime()
{
    TRunnerFixture f(m_environment->Root());
    QCOMPARE(f.store.Create(u"Nightly"_s, 1, 102, u"volumes=C&method=defrag"_s), S_OK);
    QCOMPARE(f.store.AddItem(u"Nightly"_s, u"Item 1"_s, Base(), 86400, 3600, 0), S_OK);
    QCOMPARE(f.DueAt(Base()), QStringList{u"Nightly/Item 1/C/list/2/0"_s});
    QVERIFY(f.DueAt(Base() + Hours(0.99)).isEmpty());
    QCOMPARE(f.DueAt(Base() + Hours(1)), QStringList{u"stop Nightly"_s});
    QVERIFY(f.DueAt(Base() + Hours(1.5)).isEmpty());
    QVERIFY(f.runner.PassesFinished(u"Nightly"_s, u"Item 1"_s, S_OK));

    // Run now keeps the first item's limit; an item without one runs on.
    QCOMPARE(f.runner.RunNow(u"Nightly"_s), S_OK);
    f.requests.clear();
    QVERIFY(f.DueAt(Base() + Hours(2.4)).isEmpty());
    QCOMPARE(f.DueAt(Base() + Hours(2.5)), QStringList{u"stop Nightly"_s});
    QVERIFY(f.runner.PassesFinished(u"Nightly"_s, u"Item 1"_s, S_OK));
    QCOMPARE(f.store.Delete(u"Nightly"_s), S_OK);
    QVERIFY(f.Add(u"Open"_s, 101, u"volumes=C&method=defrag"_s, Base() + 1, 0, 0));
    QCOMPARE(f.DueAt(Base() + 1).size(), 1);
    QVERIFY(f.DueAt(Base() + 30).isEmpty());
}

void TestAgentStores::oneTimeSchedulesRunOnce()
{
    // Whatever interval its item was given.
    TRunnerFixture f(m_environment->Root());
    QVERIFY(f.Add(u"Once"_s, 101, u"volumes=C&method=defrag"_s, Base(), 3600, 0));
    QCOMPARE(f.DueAt(Base()), QStringList{u"Once/Item 1/C/list/2/0"_s});
    QVERIFY(f.runner.PassesFinished(u"Once"_s, u"Item 1"_s, S_OK));
    QVERIFY(f.DueAt(Base() + Hours(5)).isEmpty());
    QCOMPARE(f.NextRun(u"Once"_s), 0.0);
}

void TestAgentStores::listedProgramsAreRecognised_data()
{
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("running");
    QTest::addColumn<bool>("runs");

    QTest::newRow("same name") << u"rsync"_s << u"rsync"_s << true;
    QTest::newRow("path and case") << u"/usr/bin/RSync"_s << u"rsync"_s << true;
    QTest::newRow("windows path and .exe") << u"C:\\Tools\\Backup.EXE"_s << u"backup"_s << true;
    QTest::newRow("command name cut to 15")
        << u"long-running-backup-tool"_s << u"long-running-ba"_s << true;
    QTest::newRow("a prefix is not enough") << u"rsyncd"_s << u"rsync"_s << false;
    QTest::newRow("blank entry") << u" "_s << u""_s << false;
}

void TestAgentStores::listedProgramsAreRecognised()
{
    QFETCH(QString, listed);
    QFETCH(QString, running);
    QFETCH(bool, runs);
    QCOMPARE(CScheduleRunner::AnyProgramRuns({listed}, {u"init"_s, running}), runs);
}

void TestAgentStores::runningProgramsAreReadFromProc()
{
    // A made-up /proc: a process with a long program name, one whose details are hidden, and
    // entries that are not processes.
    const QString proc = m_environment->Root() + u"/proc"_s;
    const auto write = [](const QString& path, const QByteArray& data) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    };
    QVERIFY(QDir().mkpath(proc + u"/12"_s) && QDir().mkpath(proc + u"/34"_s) &&
            QDir().mkpath(proc + u"/self"_s));
    QVERIFY(write(proc + u"/12/comm"_s, "long-running-ba\n"));
    QVERIFY(write(proc + u"/12/cmdline"_s, QByteArray("/opt/long-running-backup\0--all\0", 31)));
    QVERIFY(write(proc + u"/self/comm"_s, "self\n"));
    QStringList names = CRunningPrograms::Names(proc);
    names.sort();
    QCOMPARE(names, (QStringList{u"long-running-ba"_s, u"long-running-backup"_s}));
    QVERIFY(CRunningPrograms::Names().contains(u"tst_refengine_agentstores"_s));
}

void TestAgentStores::exclusionWindowsHoldTheirTimes_data()
{
    QTest::addColumn<double>("offsetHours"); // from the window's start
    QTest::addColumn<uint>("lengthHours");
    QTest::addColumn<uint>("repeatDays");
    QTest::addColumn<bool>("inside");

    QTest::newRow("at the start") << 0.0 << 3u << 0u << true;
    QTest::newRow("just before the end") << 2.99 << 3u << 0u << true;
    QTest::newRow("at the end") << 3.0 << 3u << 0u << false;
    QTest::newRow("before the start") << -0.01 << 3u << 1u << false;
    QTest::newRow("a repeat later") << 24.0 * 7 + 1 << 3u << 7u << true;
    QTest::newRow("between repeats") << 24.0 * 7 - 1 << 3u << 7u << false;
    QTest::newRow("not repeating") << 24.0 + 1 << 3u << 0u << false;
    QTest::newRow("longer than its repeat") << 24.0 * 30 + 5 << 30u << 1u << true;
    QTest::newRow("no length") << 0.0 << 0u << 1u << false;
}

void TestAgentStores::exclusionWindowsHoldTheirTimes()
{
    QFETCH(double, offsetHours);
    QFETCH(uint, lengthHours);
    QFETCH(uint, repeatDays);
    QFETCH(bool, inside);
    const CScheduleSettings::TExclusionWindows windows{{Base(), lengthHours, repeatDays}};
    QCOMPARE(CScheduleRunner::InExclusionWindow(windows, Base() + Hours(offsetHours)), inside);
    QVERIFY(!CScheduleRunner::InExclusionWindow({}, Base()));
}

void TestAgentStores::passMethodAndThreshold_data()
{
    QTest::addColumn<bool>("optiwise");
    QTest::addColumn<int>("requested");
    QTest::addColumn<double>("files");
    QTest::addColumn<double>("freeSpace");
    QTest::addColumn<int>("method");
    QTest::addColumn<bool>("runs"); // with a threshold of 15
    QTest::newRow("as requested") << false << 1 << 30.0 << 5.0 << 1 << true;
    QTest::newRow("below the threshold") << false << 0 << 14.9 << 90.0 << 0 << false;
    QTest::newRow("consolidation measures free space") << false << 2 << 1.0 << 15.0 << 2 << true;
    QTest::newRow("optiwise: fragmented files") << true << 2 << 10.0 << 90.0 << 0 << false;
    QTest::newRow("optiwise: scattered free space") << true << 0 << 9.9 << 20.0 << 2 << true;
    QTest::newRow("optiwise: little to do") << true << 0 << 2.0 << 19.9 << 1 << false;
}

void TestAgentStores::passMethodAndThreshold()
{
    QFETCH(bool, optiwise);
    QFETCH(int, requested);
    QFETCH(double, files);
    QFETCH(double, freeSpace);
    TVolumeSettings settings;
    settings.optiwise = optiwise;
    settings.fragmentationThreshold = 15;
    TAnalysisFigures before;
    before.fileFragmentationPercent = files;
    before.freeSpaceFragmentationPercent = freeSpace;
    const int method = CVolumePass::ChosenMethod(before, settings, requested);
    QTEST(method, "method");
    QTEST(CVolumePass::ThresholdExceeded(before, settings, method), "runs");
    settings.fragmentationThreshold = 0;
    QVERIFY(CVolumePass::ThresholdExceeded(before, settings, method));
}

void TestAgentStores::simulationReachesEachMethodsLayout()
{
    // recent+fragmented, free, rarely, metadata (fixed), directory, free, occasionally
    const QList<quint8> map{0x13, 9, 1, 7, 4, 9, 2};
    // A damaged zone order (the last) means the natural one.
    const std::tuple<int, QList<uint>, QList<quint8>> methods[] = {
        {CDefragSimulation::kDefragOnly, {}, {3, 9, 1, 7, 4, 9, 2}},
        {CDefragSimulation::kConsolidateFreeSpace, {}, {3, 1, 4, 7, 2, 9, 9}},
        {CDefragSimulation::kTierLayout, {1, 2, 3, 4, 0}, {4, 1, 2, 7, 3, 9, 9}},
        {CDefragSimulation::kTierLayout, {1, 1, 2, 3, 4}, {4, 1, 2, 7, 3, 9, 9}}};
    for (const auto& [method, zones, target] : methods)
        QCOMPARE(CDefragSimulation(map, method, zones).Target(), target);

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

void TestAgentStores::volumeSettingsSurviveARestartAndDamage()
{
    const QString path = File(u"volumes.json"_s);
    TVolumeSettings written;
    {
        CVolumeSettingsStore store(path);
        QVERIFY(store.Get(u"{a}"_s).number == 1 && store.Get(u"{b}"_s).number == 2);
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
    QCOMPARE(damaged.zoneOrder, TVolumeSettings().zoneOrder);
    QVERIFY(damaged.defaultAlgorithm == 0 && damaged.overrideType == -1);
    QVERIFY(!damaged.analysed && damaged.driveMap.isEmpty());
}

void TestAgentStores::noticesKeepTheirOrderAndDeadListenersGo()
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
        QVERIFY(listener.Read(body, nothing) == ERROR_SUCCESS && !nothing);
        QCOMPARE(qFromLittleEndian<quint32>(body.constData()), i);
    }
    QCOMPARE(sink.Unsubscribe(QString(), name), S_OK);
    QCOMPARE(sink.Unsubscribe(QString(), name), S_FALSE);
}

void TestAgentStores::blocksReadBackAsTheConsoleReadsThem()
{
    TVolumeDescription volume;
    volume.id = u"{6a0e9f1c-0000-4000-8000-000000000001}"_s;
    volume.bytesPerCluster = 4096;
    TAnalysisFigures before;
    before.files = 1000;
    before.fragmentedFiles = 120;
    before.fileFragmentationPercent = 25;
    before.freeSpaceFragmentationPercent = 12;
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
    // The status 2 is the third level, poor.
    QCOMPARE(u"%1%, status %2, %3 fragmented, largest free %4"_s.arg(record->fileFragmentation)
                 .arg(record->fileFragmentationStatus)
                 .arg(record->fragmentedFiles)
                 .arg(record->largestFreeSpaceChunk, 0, 'f', 0),
             u"25%, status 2, 120 fragmented, largest free 10737418240"_s);
    // The free bytes travel as category 9 of the category table.
    QVERIFY(!record->categories.Entries().empty());
    QVERIFY(record->categories.Entries().back() ==
            (CStatisticsBlockCategoryTable::TEntry{9, 0, 40ULL << 30}));

    const TAnalysisFigures after =
        CStatisticsBlockBuilder::Improved(before, CDefragSimulation::kConsolidateFreeSpace, 1.0);
    QVERIFY(after.fragmentedFiles == 0 && after.largestFreeRun == before.freeBytes);
    QCOMPARE(after.fragmentHistogram.first().files, 1000u);
    std::unique_ptr<CDefragStatisticsData::COnline> onlineRecord;
    QCOMPARE(CDefragStatisticsData::MakeOnline(
                 CStatisticsBlockBuilder::Online(volume, before, after, 45001, 9000), 4096, notNtfs,
                 &onlineRecord),
             S_OK);
    const CDefragStatisticsData::COnline& online = *onlineRecord;
    QCOMPARE(
        u"%1 before, %2 defragmented, %3% after, next %4 for %5"_s.arg(online.fragmentedFilesBefore)
            .arg(online.filesDefragmented)
            .arg(online.fileFragmentationAfter)
            .arg(online.stopReason)
            .arg(online.stopReasonValue),
        u"120 before, 120 defragmented, 0% after, next 0 for 0"_s);
    // The analysis recommends TierLayout for its fragmented files and scattered free space.
    QCOMPARE(record->stopReason, 3u);
    QCOMPARE(record->stopReasonValue, 0x01u | 0x40u);
    TAnalysisFigures directories;
    directories.directoryFragmentationPercent = 5;
    const auto next = CStatisticsBlockBuilder::Recommend(directories);
    QVERIFY(next.field == 78 && next.reasons == 0x02);

    // Half done, Defrag Only: half the fragmented files, the free space as it was.
    const TAnalysisFigures half =
        CStatisticsBlockBuilder::Improved(before, CDefragSimulation::kDefragOnly, 0.5);
    QCOMPARE(half.fragmentedFiles, 60u);
    QVERIFY(half.freeSpaceFragmentationPercent == 12 &&
            half.largestFreeRun == before.largestFreeRun);
}

QTEST_GUILESS_MAIN(TestAgentStores)
#include "tst_AgentStores.moc"

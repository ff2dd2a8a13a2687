#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "engine/CKV100AgentInterface.h"
#include "resources/CSkinResources.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceTableModel.h"
#include "schedule/CCadenceTableSortFilterModel.h"
#include "schedule/CCadenceWidget.h"
#include "schedule/CScheduleCodes.h"
#include "schedule/CScheduleTitleContainerWidget.h"
#include "schedule/CScheduleWidget.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestAgentRig.h"

#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

using TWindows = CScheduleSettings::TExclusionWindows;
Q_DECLARE_METATYPE(CScheduleWidget::TRow)

// The scheduling tab's detail pane: what it shows of each kind of schedule, how it follows the
// tab, and the QuietWatch schedule's exclusion windows written through a test agent.
class TestScheduleDetail : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void texts_data();
    void texts();
    void driveRunsAndStatus();
    void unknownNameEmptiesThePane();
    void followsTheTab();
    void headerFollowsTheSkin();
    void storesExclusionWindows();
    void failedStoreLeavesTheModel_data();
    void failedStoreLeavesTheModel();
    void refusesBadWindowsBeforeAnyCall();

private:
    // Writes the QuietWatch schedule to the agent and reloads the model from it.
    void PutQuietWatch(const TWindows& windows);

    std::optional<CTestAgentRig> m_rig;
    std::optional<CCadence> m_cadence;
    std::optional<CCadenceFeed> m_feed;
    std::optional<CScriptedPresenter> m_presenter;
    std::optional<CScheduleWidget> m_pane;
};

namespace {

double Date(int day, int hour)
{
    return COleDate::FromDateTime(QDateTime(QDate(2024, 1, day), QTime(hour, 0)));
}

CScheduleSettings Settings(quint32 type, quint32 interval, quint32 weekdays)
{
    CScheduleSettings settings;
    settings.type = type;
    settings.interval = interval;
    settings.weekdays = weekdays;
    settings.start = Date(8, 22);
    settings.nextRun = Date(9, 22);
    settings.option = 1;
    settings.idleMinutes = 10;
    settings.excludedPrograms = {L"backup.exe", L"render.exe"};
    return settings;
}

} // namespace

void TestScheduleDetail::init()
{
    m_rig.emplace();
    QVERIFY(m_rig->Connect());
    m_cadence.emplace();
    m_feed.emplace(m_rig->agent, *m_cadence);
    m_presenter.emplace();
    m_pane.emplace(*m_feed);
}

void TestScheduleDetail::cleanup()
{
    m_pane.reset();
    m_presenter.reset();
    m_feed.reset();
    m_cadence.reset();
    m_rig.reset();
}

void TestScheduleDetail::PutQuietWatch(const TWindows& windows)
{
    CCadence::CScheduleData schedule;
    schedule.name = CAgentSchedules::kQuietWatchName;
    schedule.settings = Settings(CCadence::kQuietWatch, 6, 0);
    schedule.settings.exclusionWindows = windows;
    schedule.allDrives = true;
    QCOMPARE(CAgentSchedules(m_rig->agent).Save(schedule), S_OK);
    m_feed->Reload();
    QVERIFY(m_cadence->Schedules().contains(CAgentSchedules::kQuietWatchName));
    m_rig->store.ClearCalls();
}

void TestScheduleDetail::texts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<uint>("type");
    QTest::addColumn<uint>("interval");
    QTest::addColumn<uint>("weekdays");
    QTest::addColumn<CScheduleWidget::TRow>("row");
    QTest::addColumn<QString>("heading");
    // The row's last line; empty for a hidden row.
    QTest::addColumn<QString>("value");

    using W = CScheduleWidget;
    QTest::newRow("one time: the start alone")
        << u"drive"_s << 1u << 0u << 0u << W::kStarts << u"<b>Starts</b>"_s
        << CTextFormat::LocaleDateTimeText(Date(8, 22));
    QTest::newRow("one time: drives in parallel")
        << u"drive"_s << 1u << 0u << 0u << W::kTargets << u"<b>Drives</b>"_s << u"in parallel"_s;
    QTest::newRow("every two days")
        << u"drive"_s << 2u << 48u << 0u << W::kStarts << u"<b>Starts</b>"_s << u"every 2 day"_s;
    QTest::newRow("weekdays only") << u"drive"_s << 2u << 168u << 31u << W::kStarts
                                   << u"<b>Starts</b>"_s << u"Weekdays only"_s;
    QTest::newRow("weekends only") << u"drive"_s << 2u << 168u << 96u << W::kStarts
                                   << u"<b>Starts</b>"_s << u"Weekends only"_s;
    QTest::newRow("weekly on Mondays and Sundays")
        << u"drive"_s << 3u << 336u << 65u << W::kStarts << u"<b>Starts</b>"_s
        << u"Mondays, Sundays, every 2 week(s)"_s;
    QTest::newRow("weekly without days") << u"drive"_s << 3u << 168u << 0u << W::kStarts
                                         << u"<b>Starts</b>"_s << u"every 1 week(s)"_s;
    QTest::newRow("screen saver: period in days")
        << u"drive"_s << 4u << 48u << 0u << W::kPeriod << u"<b>Period</b>"_s << u"2 day"_s;
    QTest::newRow("screen saver: no start")
        << u"drive"_s << 4u << 48u << 0u << W::kStarts << QString() << QString();
    QTest::newRow("screen saver: no timeout")
        << u"drive"_s << 4u << 48u << 0u << W::kActivityTimeout << QString() << QString();
    QTest::newRow("QuietWatch: period in hours")
        << u"drive"_s << 5u << 30u << 0u << W::kPeriod << u"<b>Period</b>"_s << u"30 hour"_s;
    QTest::newRow("QuietWatch: no next run")
        << u"drive"_s << 5u << 30u << 0u << W::kNextRun << QString() << QString();
    QTest::newRow("QuietWatch: timeout") << u"drive"_s << 5u << 30u << 0u << W::kActivityTimeout
                                         << u"<b>Activity Timeout</b>"_s << u"10 minute(s)"_s;
    QTest::newRow("QuietWatch: processes")
        << u"drive"_s << 5u << 30u << 0u << W::kImportantProcesses
        << u"<b>Important Processes</b>"_s << u"render.exe"_s;
    QTest::newRow("Exchange: all data stores") << u"exchange"_s << 3u << 168u << 4u << W::kTargets
                                               << u"<b>Data stores</b>"_s << u"All datastores"_s;
    QTest::newRow("Exchange weekly by its interval")
        << u"exchange"_s << 1u << 168u << 4u << W::kStarts << u"<b>Starts</b>"_s
        << u"Wednesdays, every 1 week(s)"_s;
    QTest::newRow("Exchange: nothing to defragment")
        << u"exchange"_s << 3u << 168u << 4u << W::kDefragment << QString() << QString();
    QTest::newRow("guests") << u"guest"_s << 2u << 24u << 0u << W::kTargets
                            << u"<b>Virtual Guests</b>"_s << u"db"_s;
    QTest::newRow("guest daily") << u"guest"_s << 2u << 24u << 0u << W::kStarts
                                 << u"<b>Starts</b>"_s << u"every 1 day"_s;
}

void TestScheduleDetail::texts()
{
    QFETCH(QString, kind);
    QFETCH(uint, type);
    QFETCH(uint, interval);
    QFETCH(uint, weekdays);
    QFETCH(CScheduleWidget::TRow, row);
    QFETCH(QString, heading);
    QFETCH(QString, value);

    const CScheduleSettings settings = Settings(type, interval, weekdays);
    QString displayName;
    if (kind == u"drive") {
        CCadence::CScheduleData& schedule = m_cadence->Schedules()[L"S"];
        schedule.name = L"S";
        schedule.settings = settings;
        schedule.allDrives = true;
        displayName = schedule.DisplayName();
    } else if (kind == u"exchange") {
        CCadence::CExScheduleData& schedule = m_cadence->ExSchedules()[L"S"];
        schedule.name = L"S";
        schedule.settings = settings;
        schedule.allDataStores = true;
        displayName = schedule.DisplayName();
    } else {
        CCadence::CVmScheduleData& schedule = m_cadence->VmSchedules()[L"S"];
        schedule.name = L"S";
        schedule.settings = settings;
        schedule.guests.push_back({L"web", {}, 0});
        schedule.guests.push_back({L"db", {}, 0});
        displayName = schedule.DisplayName();
    }
    m_pane->ShowSchedule(L"S");

    QCOMPARE(m_pane->ShownSchedule(), std::optional<TName>(L"S"));
    QCOMPARE(m_pane->Title(), u"<b>%1</b>"_s.arg(displayName));
    QVERIFY(m_pane->TitleBar()->HasIcon());
    QCOMPARE(m_pane->Heading(row), heading);
    QCOMPARE(m_pane->Value(row).section(u'\n', -1), value);
    // Only the QuietWatch schedule has exclusions.
    QCOMPARE(m_pane->ExclusionsHost()->isVisibleTo(&*m_pane), type == CCadence::kQuietWatch);
}

void TestScheduleDetail::driveRunsAndStatus()
{
    CCadence::CScheduleData& schedule = m_cadence->Schedules()[L"<Nightly & co>"];
    schedule.name = L"<Nightly & co>";
    schedule.settings = Settings(CCadence::kDaily, 24, 0);
    schedule.settings.lastRun = Date(7, 22);
    schedule.settings.passes = CCadence::kOnlinePass | CCadence::kOfflinePass;
    schedule.settings.maxDuration = 5400;
    schedule.settings.shutdownWhenComplete = true;
    schedule.settings.freeSpaceOptions = 3;
    schedule.settings.option = 0;
    schedule.drives = {L"vol-a", L"vol-b"};
    m_pane->SetDriveNamer(
        [](const TName& volume) { return u"(%1)"_s.arg(QString::fromStdWString(volume)); });
    m_pane->ShowSchedule(schedule.name);

    // The name is shown, not read as markup.
    QCOMPARE(m_pane->Title(), u"<b>&lt;Nightly &amp; co&gt;</b>"_s);
    QVERIFY(m_pane->Value(CScheduleWidget::kStatus).isEmpty());
    QCOMPARE(m_pane->Value(CScheduleWidget::kLastRun),
             CTextFormat::LocaleDateTimeText(Date(7, 22)));
    QCOMPARE(m_pane->Value(CScheduleWidget::kNextRun),
             CTextFormat::LocaleDateTimeText(Date(9, 22)));
    QCOMPARE(m_pane->Value(CScheduleWidget::kTargets), u"(vol-a)\n(vol-b)\nin series"_s);
    QCOMPARE(m_pane->Value(CScheduleWidget::kDefragment),
             u"Using TierLayout\nOffline\nno longer than 1.5 hour(s)\nshutdown when completed"_s);
    QCOMPARE(m_pane->Value(CScheduleWidget::kReclaimFreeSpace),
             u"Empty Recycle Bin\nClean Temporary Files"_s);
    QVERIFY(m_pane->Value(CScheduleWidget::kPeriod).isEmpty());

    // Disabled: said so, and no next run.
    schedule.settings.disabled = true;
    m_pane->OnScheduleEnabled(schedule.name, false);
    QCOMPARE(m_pane->Heading(CScheduleWidget::kStatus), u"<b>Status</b>"_s);
    QCOMPARE(m_pane->Value(CScheduleWidget::kStatus), u"Disabled"_s);
    QVERIFY(m_pane->Value(CScheduleWidget::kNextRun).isEmpty());
    QVERIFY(!m_pane->Value(CScheduleWidget::kLastRun).isEmpty());
}

void TestScheduleDetail::unknownNameEmptiesThePane()
{
    CCadence::CScheduleData& schedule = m_cadence->Schedules()[CAgentSchedules::kQuietWatchName];
    schedule.name = CAgentSchedules::kQuietWatchName;
    schedule.settings = Settings(CCadence::kQuietWatch, 24, 0);
    schedule.settings.exclusionWindows = {{Date(2, 1), 2, 0}};
    QSignalSpy shown(&*m_pane, &CScheduleWidget::ExclusionWindowsShown);
    m_pane->ShowSchedule(schedule.name);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown[0][0].value<TWindows>(), schedule.settings.exclusionWindows);
    QVERIFY(m_pane->ExclusionsHost()->isVisibleTo(&*m_pane));
    QVERIFY(m_pane->ExclusionsHost()->layout());

    m_pane->ShowSchedule(L"Nowhere");
    QCOMPARE(m_pane->ShownSchedule(), std::nullopt);
    QVERIFY(m_pane->Title().isEmpty());
    QVERIFY(!m_pane->TitleBar()->HasIcon());
    for (int row = 0; row < CScheduleWidget::kRowCount; ++row) {
        QVERIFY(m_pane->Heading(CScheduleWidget::TRow(row)).isEmpty());
        QVERIFY(m_pane->Value(CScheduleWidget::TRow(row)).isEmpty());
    }
    QVERIFY(!m_pane->ExclusionsHost()->isVisibleTo(&*m_pane));
    QCOMPARE(shown.count(), 1);
}

void TestScheduleDetail::followsTheTab()
{
    CTestScheduleStore::TSchedule nightly{
        u"Nightly"_s, 1, CScheduleCodes::kDriveDaily, u"volumes=C&method=tl"_s, false, 0.0, {}};
    nightly.items.append({u"Item 1"_s, Date(3, 2), 86400u, 0, 0});
    m_rig->store.Put(nightly);
    m_rig->store.Put({u"Stores"_s, 1, 201, u"datastores=ALLDATASTORES"_s, false, 0.0, {}});
    CCadenceWidget page(*m_feed);
    m_pane->Follow(page);
    page.UpdateModel();
    QVERIFY(!m_pane->ShownSchedule());

    // A row chosen in the table is shown.
    const QModelIndex stores = page.SortModel()->mapFromSource(
        page.TableModel()->index(page.TableModel()->RowOf(L"Stores"), 0));
    page.Table()->setCurrentIndex(stores);
    QCOMPARE(m_pane->ShownSchedule(), std::optional<TName>(L"Stores"));
    QCOMPARE(m_pane->Value(CScheduleWidget::kTargets), u"All datastores"_s);

    // Toggled on the agent: the pane reads the record again.
    page.Disable();
    QCOMPARE(m_pane->Value(CScheduleWidget::kStatus), u"Disabled"_s);

    // Deleted: nothing is current, nothing shown.
    m_presenter->messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Yes)};
    page.Delete();
    QVERIFY(!m_cadence->ExSchedules().contains(L"Stores"));
    QCOMPARE(m_pane->ShownSchedule(), std::nullopt);
    QVERIFY(m_pane->Title().isEmpty());
}

void TestScheduleDetail::headerFollowsTheSkin()
{
    const QString gray = CSkinResources::ImageFolder(CSkinResources::kGray);
    const QImage blueHeader = m_pane->TitleBar()->Background().toImage();
    QVERIFY(!blueHeader.isNull());
    m_pane->ApplySkin(gray);
    const QImage grayHeader = m_pane->TitleBar()->Background().toImage();
    QCOMPARE(grayHeader,
             QPixmap(CSkinResources::SkinImagePath(gray, u"header_BG.png"_s)).toImage());
    QVERIFY(grayHeader != blueHeader);
    // A change of style takes the application's skin again: blue without a controller.
    QEvent styleChange(QEvent::StyleChange);
    QCoreApplication::sendEvent(&*m_pane, &styleChange);
    QCOMPARE(m_pane->ImageFolder(), CSkinResources::ImageFolder(CSkinResources::kBlue));
    QCOMPARE(m_pane->TitleBar()->Background().toImage(), blueHeader);
}

void TestScheduleDetail::storesExclusionWindows()
{
    PutQuietWatch({});
    m_pane->ShowSchedule(CAgentSchedules::kQuietWatchName);
    const TWindows windows{{Date(2, 1), 3, 7}, {Date(20, 13), 1, 0}};
    QCOMPARE(m_pane->StoreExclusionWindows(windows), S_OK);

    // Written on the agent and read back from it into the model.
    QVERIFY(m_rig->store.Calls().contains(u"CreateSchedule:Full Auto Schedule"_s));
    QVERIFY(m_rig->store.Calls().contains(u"GetSchedule:Full Auto Schedule"_s));
    QCOMPARE(m_cadence->Schedules().at(CAgentSchedules::kQuietWatchName).settings.exclusionWindows,
             windows);
    QVERIFY(m_presenter->messages.isEmpty());

    // The same windows again: nothing to write.
    m_rig->store.ClearCalls();
    QCOMPARE(m_pane->StoreExclusionWindows(windows), S_FALSE);
    QVERIFY(m_rig->store.Calls().isEmpty());

    // The editor's windows, through the timeline's slot.
    m_pane->SetExclusionsSource([] { return TWindows{}; });
    m_pane->OnTimelineUpdated();
    QVERIFY(m_cadence->Schedules()
                .at(CAgentSchedules::kQuietWatchName)
                .settings.exclusionWindows.empty());
}

void TestScheduleDetail::failedStoreLeavesTheModel_data()
{
    QTest::addColumn<QString>("failing");
    QTest::newRow("the write") << u"CreateSchedule"_s;
    QTest::newRow("the read back") << u"GetSchedule"_s;
}

void TestScheduleDetail::failedStoreLeavesTheModel()
{
    QFETCH(QString, failing);
    const TWindows before{{Date(2, 1), 3, 0}};
    PutQuietWatch(before);
    m_pane->ShowSchedule(CAgentSchedules::kQuietWatchName);
    QSignalSpy shown(&*m_pane, &CScheduleWidget::ExclusionWindowsShown);

    m_rig->store.FailNext(failing, E_ACCESSDENIED);
    QCOMPARE(m_pane->StoreExclusionWindows({{Date(5, 1), 1, 1}}), E_ACCESSDENIED);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages[0].icon, QMessageBox::Warning);
    QCOMPARE(m_presenter->messages[0].title, u"Unable to Edit Schedule"_s);
    QCOMPARE(m_presenter->messages[0].text, u"Unable to edit schedule due to error 0x80070005"_s);
    QCOMPARE(m_cadence->Schedules().at(CAgentSchedules::kQuietWatchName).settings.exclusionWindows,
             before);
    // The editor is given the schedule's windows back.
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown[0][0].value<TWindows>(), before);
}

void TestScheduleDetail::refusesBadWindowsBeforeAnyCall()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"no QuietWatch schedule"_s));
    QCOMPARE(m_pane->StoreExclusionWindows({{Date(2, 1), 3, 0}}), E_UNEXPECTED);

    PutQuietWatch({});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"without a start or hours"_s));
    QCOMPARE(m_pane->StoreExclusionWindows({{Date(2, 1), 3, 0}, {Date(3, 1), 0, 0}}), E_INVALIDARG);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"without a start or hours"_s));
    QCOMPARE(m_pane->StoreExclusionWindows({{0.0, 3, 0}}), E_INVALIDARG);
    QVERIFY(m_rig->store.Calls().isEmpty());
    QVERIFY(m_presenter->messages.isEmpty());
    QVERIFY(m_cadence->Schedules()
                .at(CAgentSchedules::kQuietWatchName)
                .settings.exclusionWindows.empty());
}

QTEST_MAIN(TestScheduleDetail)
#include "tst_ScheduleDetail.moc"

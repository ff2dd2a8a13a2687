#include "appmodel/CModel.h"
#include "core/COleDate.h"
#include "core/CSystemMessage.h"
#include "engine/CKV100AgentInterface.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceTableModel.h"
#include "schedule/CCadenceTableSortFilterModel.h"
#include "schedule/CCadenceWidget.h"
#include "schedule/CDisplayPowerOff.h"
#include "tests/support/CTestCadencePageRig.h"

#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

// The scheduling tab over the agent's schedule object of a test engine: the table's rows, its
// sorting and context menu, and the operations on the current schedule.
class TestCadencePage : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowsFollowTheKindsInMapOrder();
    void disabledAndSpecialSchedulesShowNoNextRun();
    void sortsRunDatesByValue();
    void menuEntries_data();
    void menuEntries();
    void withoutCurrentScheduleNothingIsCalled();
    void deleteAsksAboutTheShownName();
    void failingCallsLeaveTheModel_data();
    void failingCallsLeaveTheModel();
    void disableTogglesAndReadsBack();
    void runNowCallsTheAgent();
    void reloadListsUnreadableAndDropsVanishedCurrent();
    void reloadWarnings_data();
    void reloadWarnings();
    void reloadLeavesOutPolicySchedulesWhenAsked();
    void createWritesReadsBackAndAnnounces();
    void createFailures_data();
    void createFailures();
    void screenSaverWarnsWhenTheDisplayTurnsOff();
    void displayPowerOffFromXset_data();
    void displayPowerOffFromXset();

private:
    QStringList Column(int column) const;
    void Select(const TName& name);

    std::optional<CTestCadencePageRig> m_tab;
};

namespace {

// A display that turns off after the given minutes (none: never).
class CFakeDisplay : public IDisplayPowerOff {
public:
    explicit CFakeDisplay(std::optional<int> minutes)
        : m_minutes(minutes)
    {}
    std::optional<int> PowerOffMinutes() const override { return m_minutes; }

private:
    std::optional<int> m_minutes;
};

// A one-time drive schedule of drive C as a wizard gives it.
CCadence::CScheduleData NewDriveSchedule(const TName& name, uint type, double start)
{
    CCadence::CScheduleData record;
    record.name = name;
    record.settings.type = type;
    record.settings.start = start;
    record.settings.method = CCadence::kMethodAnalyzeOnly;
    record.settings.passes = CCadence::kOnlinePass;
    record.drives = {L"C"};
    return record;
}

double Date(int day, int hour)
{
    return COleDate::FromDateTime(QDateTime(QDate(2024, 1, day), QTime(hour, 0)));
}

// A drive schedule as the agent keeps it: code 10x for drive type x.
CTestScheduleStore::TSchedule Drive(const QString& name, uint type, double firstRun,
                                    bool disabled = false, uint source = 1)
{
    CTestScheduleStore::TSchedule schedule{name,     source, 100 + type, u"volumes=C&method=tl"_s,
                                           disabled, 0.0,    {}};
    if (firstRun > 0)
        schedule.items.append({u"Item 1"_s, firstRun, type == 1 ? 0u : 86400u, 0, 0});
    return schedule;
}

} // namespace

void TestCadencePage::init()
{
    m_tab.emplace();
    QVERIFY(m_tab->connected);

    m_tab->agentRig.store.Put(Drive(u"Nightly"_s, 2, Date(3, 2)));
    m_tab->agentRig.store.Put(Drive(u"Once"_s, 1, Date(5, 4), true));
    m_tab->agentRig.store.Put(Drive(u"Policy"_s, 1, Date(4, 1), false, 2));
    m_tab->agentRig.store.Put({u"Stores"_s, 1, 201, u"datastores=ALLDATASTORES"_s, false, 0.0, {}});
    m_tab->agentRig.store.Put({u"Guests"_s, 1, 401, u"Virtual+Machines=web%7c1"_s, false, 0.0, {}});
    QSignalSpy updated(&m_tab->page, &CCadenceWidget::ModelUpdated);
    m_tab->page.UpdateModel();
    QCOMPARE(updated.count(), 1);
    m_tab->agentRig.store.ClearCalls();
}

void TestCadencePage::cleanup()
{
    m_tab.reset();
}

QStringList TestCadencePage::Column(int column) const
{
    QStringList texts;
    const QAbstractItemModel* model = m_tab->page.Table()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data().toString());
    return texts;
}

void TestCadencePage::Select(const TName& name)
{
    m_tab->page.SelectSchedule(name);
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(name));
}

void TestCadencePage::rowsFollowTheKindsInMapOrder()
{
    CCadenceTableModel& model = *m_tab->page.TableModel();
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.columnCount(), 5);
    // Drive schedules by name, then Exchange, then guests.
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.index(row, CCadenceTableModel::kNameColumn).data().toString());
    QCOMPARE(names, (QStringList{u"Nightly"_s, u"Once"_s, u"Policy"_s, u"Stores"_s, u"Guests"_s}));
    QCOMPARE(model.KindAt(3), std::optional(CCadenceTableModel::kExchangeKind));
    QCOMPARE(model.KindAt(4), std::optional(CCadenceTableModel::kGuestKind));
    QCOMPARE(model.KindAt(5), std::nullopt);
    QCOMPARE(model.RowOf(L"Guests"), 4);
    QCOMPARE(model.RowOf(L"Nowhere"), -1);
    QCOMPARE(model.index(0, CCadenceTableModel::kTypeColumn).data().toString(),
             CCadence::TypeText(CCadence::kDaily));
    QCOMPARE(model.headerData(CCadenceTableModel::kNextRunColumn, Qt::Horizontal).toString(),
             u"Next Run"_s);
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());
    // Only the marking role of the name column is taken.
    QVERIFY(model.setData(model.index(0, 0), true, 10));
    QVERIFY(!model.setData(model.index(0, 1), true, 10));
}

void TestCadencePage::disabledAndSpecialSchedulesShowNoNextRun()
{
    CCadenceTableModel& model = *m_tab->page.TableModel();
    const int nightly = model.RowOf(L"Nightly");
    const int once = model.RowOf(L"Once");
    QVERIFY(!model.index(nightly, CCadenceTableModel::kNextRunColumn).data().toString().isEmpty());
    QCOMPARE(model.index(nightly, CCadenceTableModel::kDisabledColumn).data().toString(), u"No"_s);
    QCOMPARE(model.index(once, CCadenceTableModel::kDisabledColumn).data().toString(), u"Yes"_s);
    QVERIFY(model.index(once, CCadenceTableModel::kNextRunColumn).data().toString().isEmpty());
    // Never run: no last run.
    QVERIFY(model.index(nightly, CCadenceTableModel::kLastRunColumn).data().toString().isEmpty());

    // The special schedules show neither run.
    CCadence::CScheduleData& record = m_tab->cadence.Schedules().at(L"Nightly");
    record.settings.type = CCadence::kScreenSaver;
    record.settings.lastRun = Date(1, 1);
    QVERIFY(model.index(nightly, CCadenceTableModel::kNextRunColumn).data().toString().isEmpty());
    QVERIFY(model.index(nightly, CCadenceTableModel::kLastRunColumn).data().toString().isEmpty());
    QCOMPARE(model.index(nightly, 0).data().toString(), record.DisplayName());
}

void TestCadencePage::sortsRunDatesByValue()
{
    // Next runs: Nightly 3 Jan, Policy 4 Jan, the others none.
    CCadenceTableSortFilterModel& sorted = *m_tab->page.SortModel();
    sorted.sort(CCadenceTableModel::kNextRunColumn, Qt::DescendingOrder);
    QCOMPARE(Column(0).mid(0, 2), (QStringList{u"Policy"_s, u"Nightly"_s}));
    sorted.sort(CCadenceTableModel::kNameColumn, Qt::AscendingOrder);
    QCOMPARE(Column(0),
             (QStringList{u"Guests"_s, u"Nightly"_s, u"Once"_s, u"Policy"_s, u"Stores"_s}));
    // The current row survives a reset of the sorted table.
    Select(L"Once");
    m_tab->page.TableModel()->Reset();
    QCOMPARE(m_tab->page.Table()->currentIndex().data().toString(), u"Once"_s);
}

void TestCadencePage::menuEntries_data()
{
    QTest::addColumn<bool>("hasCurrent");
    QTest::addColumn<bool>("local");
    QTest::addColumn<bool>("allowRun");
    QTest::addColumn<bool>("allowModify");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("run");
    QTest::addColumn<bool>("change");

    QTest::newRow("no current schedule")
        << false << true << true << true << false << false << false;
    QTest::newRow("local, all allowed") << true << true << true << true << true << true << true;
    QTest::newRow("policy schedule") << true << false << true << true << true << true << false;
    QTest::newRow("no running") << true << true << false << true << true << false << true;
    QTest::newRow("no changes") << true << true << true << false << true << true << false;
}

void TestCadencePage::menuEntries()
{
    QFETCH(bool, hasCurrent);
    QFETCH(bool, local);
    QFETCH(bool, allowRun);
    QFETCH(bool, allowModify);
    QFETCH(bool, shown);
    QFETCH(bool, run);
    QFETCH(bool, change);

    CScheduleTable::TMenuContext context;
    context.hasCurrent = hasCurrent;
    context.local = local;
    context.allowRun = allowRun;
    context.allowModify = allowModify;
    const CScheduleTable::TMenuEntries entries = CScheduleTable::MenuEntries(context);
    QCOMPARE(entries.shown, shown);
    QCOMPARE(entries.runNow, run);
    QCOMPARE(entries.edit, change);
    QCOMPARE(entries.rename, change);
    QCOMPARE(entries.remove, change);
    QCOMPARE(entries.toggle, change);
}

void TestCadencePage::withoutCurrentScheduleNothingIsCalled()
{
    QVERIFY(!m_tab->cadence.CurrentSchedule());
    QVERIFY(!m_tab->page.MenuContext().hasCurrent);
    m_tab->page.RunNow();
    m_tab->page.Delete();
    m_tab->page.Disable();
    QVERIFY(m_tab->presenter.messages.isEmpty());
    m_tab->page.Edit();
    m_tab->page.Rename();
    QCOMPARE(m_tab->presenter.messages.size(), 2);
    QCOMPARE(m_tab->presenter.messages[0].title, u"Cannot edit schedule"_s);
    QCOMPARE(m_tab->presenter.messages[1].title, u"Cannot rename schedule"_s);
    QVERIFY(m_tab->agentRig.store.Calls().isEmpty());
}

void TestCadencePage::deleteAsksAboutTheShownName()
{
    // Only its name matters here.
    m_tab->agentRig.store.Put(Drive(u"Screen Saver Schedule"_s, 1, 0.0));
    m_tab->page.UpdateModel();
    m_tab->agentRig.store.ClearCalls();
    Select(L"Screen Saver Schedule");

    // No: nothing is deleted.
    m_tab->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::No)};
    m_tab->page.Delete();
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].text,
             u"Are you sure you want to delete schedule Screen Saver Schedule?"_s);
    QVERIFY(m_tab->agentRig.store.Calls().isEmpty());

    QSignalSpy deleted(&m_tab->page, &CCadenceWidget::ScheduleDeleted);
    m_tab->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Yes)};
    m_tab->page.Delete();
    QCOMPARE(m_tab->agentRig.store.Calls(), QStringList{u"DeleteSchedule:Screen Saver Schedule"_s});
    QCOMPARE(deleted.count(), 1);
    QVERIFY(!m_tab->cadence.Schedules().contains(L"Screen Saver Schedule"));
    QVERIFY(!m_tab->cadence.CurrentSchedule());
    QCOMPARE(m_tab->page.TableModel()->rowCount(), 5);
}

void TestCadencePage::failingCallsLeaveTheModel_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("title");

    QTest::newRow("delete") << u"Delete"_s << u"DeleteSchedule"_s << u"Unable to Delete Schedule"_s;
    QTest::newRow("toggle, reading the flag")
        << u"Disable"_s << u"GetDisabled"_s << u"Unable to Toggle Disabled status of Schedule"_s;
    QTest::newRow("toggle, setting the flag")
        << u"Disable"_s << u"SetDisabled"_s << u"Unable to Toggle Disabled status of Schedule"_s;
    QTest::newRow("run") << u"RunNow"_s << u"RunNow"_s << u"Unable to Run Schedule"_s;
}

void TestCadencePage::failingCallsLeaveTheModel()
{
    QFETCH(QString, operation);
    QFETCH(QString, failing);
    QFETCH(QString, title);

    Select(L"Nightly");
    const CCadence::CScheduleData before = m_tab->cadence.Schedules().at(L"Nightly");
    m_tab->agentRig.store.FailNext(failing, E_ACCESSDENIED);
    m_tab->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Yes)};
    QSignalSpy updated(&m_tab->page, &CCadenceWidget::ModelUpdated);
    QVERIFY(QMetaObject::invokeMethod(&m_tab->page, operation.toLatin1().constData()));

    const CScriptedPresenter::TMessage& warning = m_tab->presenter.messages.last();
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QCOMPARE(warning.title, title);
    QVERIFY2(warning.text.contains(u"Nightly due to error 0x80070005"_s), qPrintable(warning.text));
    QCOMPARE(updated.count(), 0);
    QCOMPARE(m_tab->cadence.Schedules().size(), 3u);
    QCOMPARE(m_tab->cadence.Schedules().at(L"Nightly").settings.disabled, before.settings.disabled);
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(L"Nightly"));
    QVERIFY(!m_tab->agentRig.store.Schedule(u"Nightly"_s)->disabled);
}

void TestCadencePage::disableTogglesAndReadsBack()
{
    Select(L"Once");
    QVERIFY(m_tab->page.MenuContext().disabled);
    QSignalSpy enabled(&m_tab->page, &CCadenceWidget::ScheduleEnabled);
    m_tab->page.Disable();
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(enabled[0][1].toBool(), true);
    QVERIFY(!m_tab->agentRig.store.Schedule(u"Once"_s)->disabled);
    QVERIFY(!m_tab->cadence.Schedules().at(L"Once").settings.disabled);
    const int row = m_tab->page.TableModel()->RowOf(L"Once");
    QCOMPARE(
        m_tab->page.TableModel()->index(row, CCadenceTableModel::kDisabledColumn).data().toString(),
        u"No"_s);

    m_tab->page.Disable();
    QCOMPARE(enabled[1][1].toBool(), false);
    QVERIFY(m_tab->agentRig.store.Schedule(u"Once"_s)->disabled);
    QVERIFY(m_tab->presenter.messages.isEmpty());
}

void TestCadencePage::runNowCallsTheAgent()
{
    Select(L"Guests");
    m_tab->page.RunNow();
    QCOMPARE(m_tab->agentRig.store.Calls(), QStringList{u"RunNow:Guests"_s});
    QVERIFY(m_tab->presenter.messages.isEmpty());
}

void TestCadencePage::reloadListsUnreadableAndDropsVanishedCurrent()
{
    Select(L"Policy");
    m_tab->agentRig.store.Put({u"Broken"_s, 1, 101, u"method=tl"_s, false, 0.0, {}});
    CTestScheduleStore::TSchedule gone = *m_tab->agentRig.store.Schedule(u"Policy"_s);
    m_tab->agentRig.store.Put(
        {gone.name, gone.source, 999, gone.parameters, false, 0.0, {}}); // no kind
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(u"^The schedule Broken cannot be read"_s));
    m_tab->page.UpdateModel();
    QVERIFY(m_tab->cadence.Schedules().contains(L"Broken"));
    QVERIFY(!m_tab->cadence.Schedules().contains(L"Policy"));
    QVERIFY(!m_tab->cadence.CurrentSchedule());
    QVERIFY(!m_tab->page.Table()->currentIndex().isValid());
    const int broken = m_tab->page.TableModel()->RowOf(L"Broken");
    QVERIFY(broken >= 0);
    // Listed by its name with no type.
    const CCadenceTableModel& model = *m_tab->page.TableModel();
    QCOMPARE(model.index(broken, CCadenceTableModel::kNameColumn).data().toString(), u"Broken"_s);
    QVERIFY(model.index(broken, CCadenceTableModel::kTypeColumn).data().toString().isEmpty());
    QVERIFY(m_tab->presenter.messages.isEmpty());
}

void TestCadencePage::reloadWarnings_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString denied = u"0x80070005("_s + CSystemMessage::Text(E_ACCESSDENIED) + u")"_s;
    QTest::newRow("listing, local")
        << u"GetScheduleNames"_s << false << u"Unable to get model data - GetScheduleNames()"_s
        << u"Unable to get Model Data due to error: "_s + denied;
    QTest::newRow("listing, remote")
        << u"GetScheduleNames"_s << true
        << u"Unable to get model data - Remote Connection - GetScheduleNames()"_s
        << u"Unable to get Model Data due to error: "_s + denied;
    // The first schedule read is the first drive schedule by name.
    QTest::newRow("drive schedule")
        << u"GetSchedule"_s << false << u"Unable to get Schedule data - GetSchedule()"_s
        << u"Unable to get Schedule Data for schedule (Nightly) due to error: "_s + denied;
}

void TestCadencePage::reloadWarnings()
{
    QFETCH(QString, failing);
    QFETCH(bool, remote);
    QFETCH(QString, title);
    QFETCH(QString, text);

    m_tab->console.SetRemote(remote);
    m_tab->agentRig.store.FailNext(failing, E_ACCESSDENIED);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot be (listed|read)"_s));
    QSignalSpy updated(&m_tab->page, &CCadenceWidget::ModelUpdated);
    m_tab->page.UpdateModel();
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(m_tab->presenter.messages[0].title, title);
    QCOMPARE(m_tab->presenter.messages[0].text, text);
    // The rest is reloaded all the same.
    QCOMPARE(updated.count(), 1);
    QVERIFY(m_tab->cadence.ExSchedules().contains(L"Stores"));
    QCOMPARE(m_tab->page.TableModel()->rowCount(), int(m_tab->cadence.ScheduleCount() + 2));
}

void TestCadencePage::reloadLeavesOutPolicySchedulesWhenAsked()
{
    m_tab->console.SetSkipPolicySchedules(true);
    m_tab->page.UpdateModel();
    QVERIFY(!m_tab->cadence.Schedules().contains(L"Policy"));
    QVERIFY(m_tab->cadence.Schedules().contains(L"Nightly"));
    QVERIFY(m_tab->presenter.messages.isEmpty());
    QVERIFY(!m_tab->agentRig.store.Calls().contains(u"GetSchedule:Policy"_s));
}

void TestCadencePage::createWritesReadsBackAndAnnounces()
{
    QSignalSpy created(&m_tab->page, &CCadenceWidget::ScheduleCreated);
    QCOMPARE(m_tab->page.CreateSchedule(NewDriveSchedule(L"Fresh", CCadence::kOneTime, Date(9, 3))),
             S_OK);
    QCOMPARE(created.count(), 1);
    QCOMPARE(created[0][0].value<TName>(), TName(L"Fresh"));
    // Read back: what the agent keeps, not what was given.
    QCOMPARE(m_tab->cadence.Schedules().at(L"Fresh").settings.start, Date(9, 3));
    QVERIFY(m_tab->agentRig.store.Schedule(u"Fresh"_s));
    QVERIFY(m_tab->page.TableModel()->RowOf(L"Fresh") >= 0);

    // The special schedules are created under their fixed names.
    CCadence::CScheduleData quiet = NewDriveSchedule(L"whatever", CCadence::kQuietWatch, 0.0);
    QCOMPARE(m_tab->page.CreateSchedule(quiet), S_OK);
    QCOMPARE(created[1][0].value<TName>(), TName(L"Full Auto Schedule"));
    QVERIFY(m_tab->cadence.Schedules().contains(L"Full Auto Schedule"));
    QVERIFY(m_tab->presenter.messages.isEmpty());
}

void TestCadencePage::createFailures_data()
{
    QTest::addColumn<QString>("failing");
    QTest::newRow("create") << u"CreateSchedule"_s;
    QTest::newRow("an item, in the middle") << u"AddItem"_s;
    QTest::newRow("reading back") << u"GetSchedule"_s;
}

void TestCadencePage::createFailures()
{
    QFETCH(QString, failing);
    const std::size_t before = m_tab->cadence.ScheduleCount();
    m_tab->agentRig.store.FailNext(failing, E_ACCESSDENIED);
    QSignalSpy created(&m_tab->page, &CCadenceWidget::ScheduleCreated);
    QCOMPARE(m_tab->page.CreateSchedule(NewDriveSchedule(L"Fresh", CCadence::kDaily, Date(9, 3))),
             E_ACCESSDENIED);
    QCOMPARE(created.count(), 0);
    QCOMPARE(m_tab->cadence.ScheduleCount(), before);
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].title, u"Unable to Create Schedule"_s);
    QCOMPARE(m_tab->presenter.messages[0].text,
             u"Unable to create schedule due to error 0x80070005"_s);
}

void TestCadencePage::screenSaverWarnsWhenTheDisplayTurnsOff()
{
    m_tab->page.SetDisplayPowerOff(std::make_unique<CFakeDisplay>(std::nullopt));
    m_tab->page.ScreenSaver();
    // Straight to the wizard.
    QVERIFY(m_tab->presenter.messages.isEmpty());
    QCOMPARE(m_tab->presenter.dialogTitles, QStringList{u"Screen Saver Schedule Wizard"_s});

    m_tab->presenter.messages.clear();
    m_tab->page.SetDisplayPowerOff(std::make_unique<CFakeDisplay>(15));
    m_tab->page.ScreenSaver();
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].icon, QMessageBox::Information);
    QCOMPARE(m_tab->presenter.messages[0].title,
             u"Screen Saver Schedule only runs when monitor is powered on."_s);
    QVERIFY(
        m_tab->presenter.messages[0].text.contains(u"turn your monitor off after 15 minutes"_s));

    // QuietWatch does not care about the display.
    m_tab->presenter.messages.clear();
    m_tab->page.Automatic();
    QVERIFY(m_tab->presenter.messages.isEmpty());
}

void TestCadencePage::displayPowerOffFromXset_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("minutes"); // 0: none

    const QString head = u"Screen Saver:\n  prefer blanking:  yes    allow exposures:  yes\n"
                         "  timeout:  600    cycle:  600\nDPMS (Energy Star):\n"_s;
    QTest::newRow("enabled") << head + u"  Standby: 600    Suspend: 900    Off: 1200\n"
                                       "  DPMS is Enabled\n  Monitor is On\n"_s
                             << 20;
    QTest::newRow("part of a minute counts")
        << head + u"  Standby: 0    Suspend: 0    Off: 61\n  DPMS is Enabled\n"_s << 2;
    QTest::newRow("disabled") << head + u"  Standby: 600    Suspend: 600    Off: 600\n"
                                        "  DPMS is Disabled\n"_s
                              << 0;
    QTest::newRow("never off") << head + u"  Standby: 600    Suspend: 600    Off: 0\n"
                                         "  DPMS is Enabled\n"_s
                               << 0;
    QTest::newRow("no extension") << u"Server does not have the DPMS Extension\n"_s << 0;
    QTest::newRow("nothing") << QString() << 0;
}

void TestCadencePage::displayPowerOffFromXset()
{
    QFETCH(QString, output);
    QFETCH(int, minutes);
    QCOMPARE(CXsetDisplayPowerOff::ParseQuery(output).value_or(0), minutes);
}

QTEST_MAIN(TestCadencePage)
#include "tst_CadencePage.moc"

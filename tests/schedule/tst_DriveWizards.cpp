// The drive schedule wizards as the scheduling tab opens them: the pages each shows in order,
// the schedule the agent is given when it finishes, edits that keep what was not changed, and the
// rename wizard.
#include "appmodel/CModel.h"
#include "core/COleDate.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceWidget.h"
#include "schedule/CRenameWizard.h"
#include "schedule/CWirePageBase.h"
#include "schedule/CWireWizardBase.h"
#include "tests/support/CTestCadencePageRig.h"

#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CCadence::CScheduleData)

class TestDriveWizards : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesAndWrittenSchedule_data();
    void pagesAndWrittenSchedule();
    void refusedOrClosedWizardCallsNothing();
    void editKeepsWhatWasNotChanged();
    void editRenamesAndReportsFailures();
    void specialSchedulesAreEditedOnceTheyExist();
    void aRecordOfAnotherTypeTakesTheWizardsType();
    void renameWizard();

private:
    void Select(const TName& name);

    std::optional<CTestCadencePageRig> m_tab;
};

namespace {

// What a wizard saw when the script answered it.
struct TShown {
    QString windowTitle;
    QString header;
    QStringList pages;
    bool editing = false;
    int messages = 0;
};

// Answers a wizard: takes the record (as a template would), then goes through every page with
// Enter, as a user accepting each page does; finishes on the last one.
CScriptedPresenter::TDialogScript Walk(std::optional<CCadence::CScheduleData> record, TShown* shown,
                                       const CScriptedPresenter* presenter)
{
    return [record, shown, presenter](QDialog& dialog) {
        auto& wizard = dynamic_cast<CWireWizardBase&>(dialog);
        shown->windowTitle = wizard.windowTitle();
        shown->header = wizard.Header();
        shown->editing = wizard.Editing();
        for (int i = 0; i < wizard.PageCount(); ++i)
            shown->pages.append(wizard.Page(i)->Title());
        if (record)
            wizard.SetRecord(TWireRecord(*record));
        const qsizetype before = presenter->messages.size();
        // One Enter per page at most: a refusal leaves the wizard where it is.
        for (int step = 0; step < wizard.PageCount() && wizard.result() != QDialog::Accepted;
             ++step)
            wizard.EnterKey();
        shown->messages = int(presenter->messages.size() - before);
        return wizard.result();
    };
}

// A whole minute two days from now: every date page keeps it as it is.
double Later()
{
    QDateTime later = QDateTime::currentDateTime().addDays(2);
    later.setTime(QTime(later.time().hour(), 0));
    return COleDate::FromDateTime(later);
}

CCadence::CScheduleData Record(const TName& name, CCadence::TScheduleType type)
{
    CCadence::CScheduleData record;
    record.name = name;
    record.settings.type = type;
    record.settings.start = Later();
    record.drives = {L"C"};
    return record;
}

CTestScheduleStore::TSchedule Daily(const QString& name, double firstRun)
{
    return {name,
            1,
            102,
            u"method=tl&volumes=C"_s,
            false,
            0.0,
            {{u"Item 1"_s, firstRun, 86400u, 0, 0}}};
}

} // namespace

void TestDriveWizards::init()
{
    m_tab.emplace();
    QVERIFY(m_tab->connected);
    m_tab->page.SetDriveLister([] {
        return CSelectDrivesPage::TDrives{{L"C", u"/"_s, u"system"_s},
                                          {L"D", u"/srv"_s, u"data"_s}};
    });
    // Started long ago: an edit that leaves the start alone keeps it.
    m_tab->agentRig.store.Put(
        Daily(u"Nightly"_s, COleDate::FromDateTime(QDateTime(QDate(2024, 1, 3), QTime(2, 0)))));
    m_tab->page.UpdateModel();
    m_tab->agentRig.store.ClearCalls();
}

void TestDriveWizards::cleanup()
{
    m_tab.reset();
}

void TestDriveWizards::Select(const TName& name)
{
    m_tab->page.SelectSchedule(name);
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(name));
}

void TestDriveWizards::pagesAndWrittenSchedule_data()
{
    QTest::addColumn<CCadence::CScheduleData>("record");
    QTest::addColumn<QString>("windowTitle");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("pages");

    const QStringList dated = {u"Schedule Name"_s, u"Select Drives"_s, u"Defrag Method"_s,
                               u"Time and Date"_s};
    CCadence::CScheduleData once = Record(L"Before the trip", CCadence::kOneTime);
    once.settings.interval = 0;
    once.settings.method = CCadence::kMethodDefragOnly;
    once.settings.maxDuration = 2 * 3600;
    once.settings.shutdownWhenComplete = true;
    QTest::newRow("one time, one drive, at most two hours")
        << once << u"One Time Schedule Wizard"_s << u"One Time Schedule"_s << dated;

    // Both passes with the offline files, reclaiming space first, every drive in parallel.
    CCadence::CScheduleData workdays = Record(L"Workdays", CCadence::kDaily);
    workdays.allDrives = true;
    workdays.drives.clear();
    workdays.settings.option = 1;
    workdays.settings.interval = 168;
    workdays.settings.weekdays = 31;
    workdays.settings.passes = CCadence::kOnlinePass | CCadence::kOfflinePass;
    workdays.settings.offlineOptions = 6;
    workdays.settings.freeSpaceConsolidation = true;
    workdays.settings.freeSpaceOptions = 3;
    QTest::newRow("daily on workdays, both passes")
        << workdays << u"Daily Schedule Wizard"_s << u"Daily Schedule"_s << dated;

    CCadence::CScheduleData weekly = Record(L"Twice a fortnight", CCadence::kWeekly);
    weekly.drives = {L"C", L"D"};
    weekly.settings.interval = 2 * 168;
    weekly.settings.weekdays = 1 | 16;
    weekly.settings.method = CCadence::kMethodConsolidateFreeSpace;
    QTest::newRow("weekly, two drives, Mondays and Fridays")
        << weekly << u"Weekly Schedule Wizard"_s << u"Weekly Schedule"_s << dated;

    CCadence::CScheduleData screen = Record(L"Screen Saver Schedule", CCadence::kScreenSaver);
    screen.settings.start = 0.0;
    screen.settings.interval = 5;
    screen.settings.method = CCadence::kMethodDriveDefault;
    QTest::newRow("screen saver, drive defaults")
        << screen << u"Screen Saver Schedule Wizard"_s << u"Screen Saver Schedule"_s
        << QStringList{u"Select Drives"_s, u"Defrag Method"_s, u"Minimum Period"_s};

    CCadence::CScheduleData quiet = Record(L"Full Auto Schedule", CCadence::kQuietWatch);
    quiet.settings.start = 0.0;
    quiet.settings.interval = 30;
    quiet.settings.idleMinutes = 10;
    quiet.settings.excludedPrograms = {L"rsync", L"ffmpeg"};
    quiet.settings.exclusionWindows = {{Later(), 3, 0}};
    QTest::newRow("QuietWatch with exclusions")
        << quiet << u"QuietWatch Schedule Wizard"_s << u"QuietWatch Schedule"_s
        << QStringList{u"Select Drives"_s, u"Defrag Method"_s, u"Minimum Period"_s,
                       u"Exclusions"_s};
}

void TestDriveWizards::pagesAndWrittenSchedule()
{
    QFETCH(CCadence::CScheduleData, record);
    QFETCH(QString, windowTitle);
    QFETCH(QString, header);
    QFETCH(QStringList, pages);

    TShown shown;
    m_tab->presenter.dialogScripts = {Walk(record, &shown, &m_tab->presenter)};
    QSignalSpy created(&m_tab->page, &CCadenceWidget::ScheduleCreated);
    QSignalSpy selected(&m_tab->page, &CCadenceWidget::ScheduleSelected);
    QVERIFY(m_tab->page.CallWizard(CCadence::TScheduleType(record.settings.type)));
    QCOMPARE(shown.windowTitle, windowTitle);
    QCOMPARE(shown.header, header);
    QCOMPARE(shown.pages, pages);
    QVERIFY(!shown.editing);
    QCOMPARE(shown.messages, 0);
    QCOMPARE(created.count(), 1);
    QVERIFY(m_tab->presenter.messages.isEmpty());
    // The new schedule is the current one, and the views are told.
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(record.name));
    QCOMPARE(selected.count(), 1);

    // What the agent keeps, read back: every choice of the pages arrived.
    const CCadence::CScheduleData& kept = m_tab->cadence.Schedules().at(record.name);
    QCOMPARE(kept.allDrives, record.allDrives);
    if (!record.allDrives)
        QCOMPARE(kept.drives, record.drives);
    const CScheduleSettings& want = record.settings;
    const CScheduleSettings& got = kept.settings;
    QCOMPARE(got.type, want.type);
    QCOMPARE(got.method, want.method);
    QCOMPARE(got.option, want.option);
    QCOMPARE(got.interval, want.interval);
    if (!record.IsSpecial()) {
        QCOMPARE(got.passes, want.passes);
        QCOMPARE(got.offlineOptions, want.offlineOptions);
        QCOMPARE(got.freeSpaceConsolidation, want.freeSpaceConsolidation);
        QCOMPARE(got.freeSpaceOptions, want.freeSpaceOptions);
        QCOMPARE(got.weekdays, want.weekdays);
        // The pages keep the start to the second; a weekly schedule first runs on the first
        // of its days from there.
        if (want.type == CCadence::kWeekly)
            QVERIFY(got.start > want.start - 1.0 / 86400 && got.start < want.start + 7);
        else
            QVERIFY(qAbs(got.start - want.start) < 1.0 / 86400);
        QCOMPARE(got.maxDuration, want.maxDuration);
        QCOMPARE(got.shutdownWhenComplete, want.shutdownWhenComplete);
    }
    if (record.IsQuietWatch()) {
        QCOMPARE(got.idleMinutes, want.idleMinutes);
        QCOMPARE(got.excludedPrograms, want.excludedPrograms);
        QCOMPARE(got.exclusionWindows.size(), want.exclusionWindows.size());
        for (std::size_t i = 0; i < want.exclusionWindows.size(); ++i) {
            QCOMPARE(qRound(got.exclusionWindows[i].start * 24),
                     qRound(want.exclusionWindows[i].start * 24));
            QCOMPARE(got.exclusionWindows[i].lengthHours, want.exclusionWindows[i].lengthHours);
            QCOMPARE(got.exclusionWindows[i].repeat, want.exclusionWindows[i].repeat);
        }
    }
}

void TestDriveWizards::refusedOrClosedWizardCallsNothing()
{
    // A name that is taken keeps the wizard on its first page: the script gives up there.
    TShown shown;
    m_tab->presenter.dialogScripts = {
        Walk(Record(L"Nightly", CCadence::kOneTime), &shown, &m_tab->presenter)};
    QVERIFY(m_tab->page.CallWizard(CCadence::kOneTime));
    QVERIFY(shown.messages > 0);
    QCOMPARE(m_tab->presenter.messages.first().text, u"A unique schedule name is required"_s);

    // A template with that name loaded on the last page: Finish shows the name page and its
    // refusal instead of replacing the other schedule.
    m_tab->presenter.messages.clear();
    int shownPage = -1;
    m_tab->presenter.dialogScripts = {[&shownPage](QDialog& dialog) {
        auto& wizard = dynamic_cast<CWireWizardBase&>(dialog);
        wizard.SetRecord(TWireRecord(Record(L"Fresh", CCadence::kOneTime)));
        for (int step = 1; step < wizard.PageCount(); ++step)
            wizard.Forward();
        wizard.SetRecord(TWireRecord(Record(L"Nightly", CCadence::kOneTime)));
        wizard.TestFinish();
        shownPage = wizard.CurrentIndex();
        return wizard.result();
    }};
    QVERIFY(m_tab->page.CallWizard(CCadence::kOneTime));
    QCOMPARE(shownPage, 0);
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].text, u"A unique schedule name is required"_s);

    // Closed at once.
    QVERIFY(m_tab->page.CallWizard(CCadence::kDaily));
    QVERIFY(m_tab->agentRig.store.Calls().isEmpty());
    QCOMPARE(m_tab->cadence.Schedules().size(), std::size_t(1));
    // Only drive types have wizards here.
    QVERIFY(!m_tab->page.CallWizard(CCadence::kNotSet));
}

void TestDriveWizards::editKeepsWhatWasNotChanged()
{
    const CTestScheduleStore::TSchedule before = *m_tab->agentRig.store.Schedule(u"Nightly"_s);
    Select(L"Nightly");
    TShown shown;
    m_tab->presenter.dialogScripts = {Walk(std::nullopt, &shown, &m_tab->presenter)};
    QSignalSpy changed(&m_tab->page, &CCadenceWidget::ScheduleChanged);
    m_tab->page.Edit();
    QCOMPARE(shown.windowTitle, u"Daily Schedule Wizard"_s);
    QVERIFY(shown.editing);
    QCOMPARE(shown.messages, 0);
    QCOMPARE(changed.count(), 1);

    // Written again, to the same effect: its past start included.
    const CTestScheduleStore::TSchedule after = *m_tab->agentRig.store.Schedule(u"Nightly"_s);
    QVERIFY(m_tab->agentRig.store.Calls().contains(u"CreateSchedule:Nightly"_s));
    QCOMPARE(after.code, before.code);
    QCOMPARE(after.parameters, before.parameters);
    QCOMPARE(after.items, before.items);
}

void TestDriveWizards::editRenamesAndReportsFailures()
{
    Select(L"Nightly");
    CCadence::CScheduleData renamed = m_tab->cadence.Schedules().at(L"Nightly");
    renamed.name = L"Late";
    TShown shown;
    m_tab->presenter.dialogScripts = {Walk(renamed, &shown, &m_tab->presenter)};
    QSignalSpy changed(&m_tab->page, &CCadenceWidget::ScheduleChanged);
    m_tab->page.Edit();
    QCOMPARE(m_tab->agentRig.store.Calls().first(), u"RenameSchedule:Nightly"_s);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].value<TName>(), TName(L"Late"));
    QVERIFY(!m_tab->cadence.Schedules().contains(L"Nightly"));
    QVERIFY(m_tab->cadence.Schedules().contains(L"Late"));
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(L"Late"));

    // A failing write: the box, and no change announced.
    m_tab->agentRig.store.FailNext(u"CreateSchedule"_s, E_ACCESSDENIED);
    m_tab->presenter.dialogScripts = {Walk(std::nullopt, &shown, &m_tab->presenter)};
    m_tab->page.Edit();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].title, u"Unable to Edit Schedule"_s);
    QCOMPARE(m_tab->presenter.messages[0].text,
             u"Unable to edit schedule due to error 0x80070005"_s);
}

void TestDriveWizards::specialSchedulesAreEditedOnceTheyExist()
{
    TShown first;
    m_tab->presenter.dialogScripts = {Walk(std::nullopt, &first, &m_tab->presenter)};
    m_tab->page.Automatic();
    QCOMPARE(first.windowTitle, u"QuietWatch Schedule Wizard"_s);
    QVERIFY(!first.editing);
    QVERIFY(m_tab->agentRig.store.Schedule(u"Full Auto Schedule"_s));

    TShown again;
    m_tab->presenter.dialogScripts = {Walk(std::nullopt, &again, &m_tab->presenter)};
    m_tab->page.Automatic();
    QCOMPARE(again.windowTitle, u"QuietWatch Schedule Wizard"_s);
    QVERIFY(again.editing);
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(L"Full Auto Schedule"));
    QVERIFY(m_tab->presenter.messages.isEmpty());
}

void TestDriveWizards::aRecordOfAnotherTypeTakesTheWizardsType()
{
    // As a daily template loaded into the screen-saver wizard gives it.
    CCadence::CScheduleData daily = Record(L"Daily template", CCadence::kDaily);
    TShown shown;
    m_tab->presenter.dialogScripts = {Walk(daily, &shown, &m_tab->presenter)};
    QVERIFY(m_tab->page.CallWizard(CCadence::kScreenSaver));
    QVERIFY(m_tab->agentRig.store.Schedule(u"Screen Saver Schedule"_s));
    QVERIFY(!m_tab->agentRig.store.Schedule(u"Daily template"_s));
    QVERIFY(m_tab->cadence.Schedules().at(L"Screen Saver Schedule").IsScreenSaver());
}

void TestDriveWizards::renameWizard()
{
    Select(L"Nightly");
    const CCadence::CScheduleData record = m_tab->cadence.Schedules().at(L"Nightly");
    const auto rename = [&record](const TName& name) {
        CCadence::CScheduleData renamed = record;
        renamed.name = name;
        return [renamed](QDialog& dialog) {
            auto& wizard = dynamic_cast<CRenameWizard&>(dialog);
            wizard.SetRecord(TWireRecord(renamed));
            wizard.EnterKey();
            return wizard.result();
        };
    };
    // Its own name is refused before any call.
    m_tab->presenter.dialogScripts = {rename(L"Nightly")};
    m_tab->page.Rename();
    QCOMPARE(m_tab->presenter.dialogTitles, QStringList{u"Rename Schedule Wizard"_s});
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QVERIFY(m_tab->agentRig.store.Calls().isEmpty());

    // A failing call: a box, and the model as it was.
    m_tab->presenter.messages.clear();
    m_tab->agentRig.store.FailNext(u"RenameSchedule"_s, E_ACCESSDENIED);
    m_tab->presenter.dialogScripts = {rename(L"Late")};
    m_tab->page.Rename();
    QCOMPARE(m_tab->presenter.messages.size(), 1);
    QCOMPARE(m_tab->presenter.messages[0].title, u"Unable to Rename Schedule"_s);
    QVERIFY(m_tab->cadence.Schedules().contains(L"Nightly"));

    m_tab->presenter.dialogScripts = {rename(L"Late")};
    m_tab->page.Rename();
    QVERIFY(m_tab->agentRig.store.Schedule(u"Late"_s));
    QVERIFY(!m_tab->cadence.Schedules().contains(L"Nightly"));
    QCOMPARE(m_tab->cadence.CurrentSchedule(), std::optional<TName>(L"Late"));
}

QTEST_MAIN(TestDriveWizards)
#include "tst_DriveWizards.moc"

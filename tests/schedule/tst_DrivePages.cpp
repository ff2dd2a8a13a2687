#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "schedule/CDefragDailyTimeDatePage.h"
#include "schedule/CDefragMethodPage.h"
#include "schedule/CDefragOneTimeDatePage.h"
#include "schedule/CDefragWeeklyTimeDatePage.h"
#include "schedule/CPrettyCalendar.h"
#include "schedule/CSelectDrivesPage.h"
#include "schedule/CWizardSpinBox.h"
#include "tests/support/CScriptedPresenter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The moment every date page test takes as now.
const QDateTime kNow(QDate(2026, 5, 10), QTime(10, 45));
const QString kPast = u"The schedule start date and time have to be in the future"_s;
const QString kNotNumeric = u"Invalid maximum duration value.  Must be numeric."_s;

double Ole(const QDate& date, const QTime& time)
{
    return COleDate::FromDateTime(QDateTime(date, time));
}

CCadence::CScheduleData Schedule()
{
    CCadence::CScheduleData schedule;
    schedule.name = L"Nightly";
    return schedule;
}

// Stores the page into a record whose every field holds something no page would leave there,
// so that a field the page forgets to store shows up.
template <typename TPage>
CCadence::CScheduleData StoredSchedule(TPage& page)
{
    CCadence::CScheduleData schedule = Schedule();
    schedule.allDrives = true;
    schedule.drives = {L"stale"};
    CScheduleSettings& s = schedule.settings;
    s.type = s.method = s.option = 99;
    s.passes = s.offlineOptions = s.freeSpaceOptions = s.weekdays = 0xf0;
    s.freeSpaceConsolidation = s.shutdownWhenComplete = true;
    s.start = 12345.5;
    s.interval = s.maxDuration = 9999;
    TWireRecord record(schedule);
    page.Store(&record);
    return std::get<CCadence::CScheduleData>(record);
}

template <typename TPage>
CScheduleSettings Stored(TPage& page)
{
    return StoredSchedule(page).settings;
}

template <typename TPage>
CCadence::CScheduleData RoundTrip(TPage& page, const CCadence::CScheduleData& schedule)
{
    page.Load(TWireRecord(schedule));
    return StoredSchedule(page);
}

CSelectDrivesPage::TDrives ThreeDrives()
{
    return {{L"vol-c", u"/"_s, u"System"_s},
            {L"vol-d", u"/data"_s, u"Data"_s},
            {L"vol-e", u"/media/usb"_s, u"Stick"_s}};
}

} // namespace

class TestDrivePages : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        CDefragDatePageBase::SetClock([] { return kNow; });
    }
    void cleanup() { CDefragDatePageBase::SetClock({}); }

    void drives();
    void methodRoundTrip();
    void methodValidation_data();
    void methodValidation();
    void defaultStart_data();
    void defaultStart();
    void dateRoundTrip();
    void dateValidation_data();
    void dateValidation();
    void dailyFrequency();
    void weekly();
    void editInTheWizard();
    void spinBoxRefusesTypingBeyondItsRange();
};

void TestDrivePages::drives()
{
    CSelectDrivesPage page(ThreeDrives());
    CCadence::CScheduleData schedule = Schedule();
    schedule.drives = {L"vol-c", L"vol-e"};
    schedule.settings.option = 1;
    CCadence::CScheduleData stored = RoundTrip(page, schedule);
    QCOMPARE(stored.allDrives, false);
    QCOMPARE(stored.drives, schedule.drives);
    QCOMPARE(stored.settings.option, 1u);

    // A drive the computer does not show any more, and an option without a button, are kept.
    schedule.drives = {L"vol-d", L"vol-gone"};
    schedule.settings.option = 7;
    stored = RoundTrip(page, schedule);
    QCOMPARE(stored.drives, schedule.drives);
    QCOMPARE(stored.settings.option, 7u);
    QCOMPARE(page.Summary(), u"/data vol-gone"_s);

    // Another record forgets the unknown drive; nothing chosen is refused.
    page.Load(TWireRecord(Schedule()));
    QCOMPARE(page.DriveTree()->topLevelItemCount(), 3);
    QCOMPARE(page.Validate(), u"All drives or individual drives should be selected"_s);
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    page.AllDrivesBox()->setChecked(true);
    QVERIFY(!changed.isEmpty());
    QCOMPARE(page.Validate(), QString());
    page.AllDrivesBox()->setChecked(false);
    changed.clear();
    page.DriveTree()->topLevelItem(2)->setCheckState(0, Qt::Checked);
    QVERIFY(!changed.isEmpty());
    QCOMPARE(page.Validate(), QString());
    QCOMPARE(StoredSchedule(page).drives, TStringList{L"vol-e"});
}

void TestDrivePages::methodRoundTrip()
{
    CDefragMethodPage page;
    // Passes, method, offline options, free-space options: a typical record, then one with what
    // the page does not offer (analyse only, offline bit 0, higher bits), which is kept.
    const quint32 records[][4] = {{3, 2, 6, 3}, {7, 3, 3, 5}};
    for (const auto& record : records) {
        CCadence::CScheduleData schedule = Schedule();
        CScheduleSettings& s = schedule.settings;
        s.passes = record[0];
        s.method = record[1];
        s.offlineOptions = record[2];
        s.freeSpaceOptions = record[3];
        s.freeSpaceConsolidation = true;
        const CScheduleSettings stored = RoundTrip(page, schedule).settings;
        QCOMPARE(stored.passes, s.passes);
        QCOMPARE(stored.method, s.method);
        QCOMPARE(stored.offlineOptions, s.offlineOptions);
        QCOMPARE(stored.freeSpaceOptions, s.freeSpaceOptions);
    }

    // Groups turned off clear their options, but keep their marks for when they come back on.
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.passes = 3;
    schedule.settings.offlineOptions = 6;
    schedule.settings.freeSpaceConsolidation = true;
    page.Load(TWireRecord(schedule));
    page.OfflineGroup()->setChecked(false);
    page.ReclaimGroup()->setChecked(false);
    page.DriveDefaultButton()->click();
    CScheduleSettings stored = Stored(page);
    QCOMPARE(stored.passes, quint32(CCadence::kOnlinePass));
    QCOMPARE(stored.method, quint32(CCadence::kMethodDriveDefault));
    QCOMPARE(stored.offlineOptions, 0u);
    QCOMPARE(stored.freeSpaceConsolidation, false);
    QCOMPARE(stored.freeSpaceOptions, 0u);
    page.OfflineGroup()->setChecked(true);
    page.SystemFilesBox()->setChecked(false);
    page.OverrideButton()->click();
    page.MethodButton(0)->click();
    stored = Stored(page);
    QCOMPARE(stored.offlineOptions, 4u);
    QCOMPARE(stored.method, 0u);
    QCOMPARE(page.Summary(), u"TierLayout, Offline"_s);
}

void TestDrivePages::methodValidation_data()
{
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("message");

    const QString noPass = u"You must select at least one defragmentation setting"_s;
    const QString noLocation = u"You must select locations to reclaim free space from"_s;
    QTest::newRow("offline only") << u"offline"_s << QString();
    QTest::newRow("no pass") << QString() << noPass;
    QTest::newRow("no pass, reclaiming") << u"reclaim bin"_s << noPass;
    QTest::newRow("reclaim nowhere") << u"online reclaim"_s << noLocation;
    QTest::newRow("reclaim temporary files") << u"online offline reclaim temp"_s << QString();
}

void TestDrivePages::methodValidation()
{
    QFETCH(QString, checked);
    QFETCH(QString, message);

    const QStringList on = checked.split(u' ');
    CDefragMethodPage page;
    page.Load(TWireRecord(Schedule()));
    page.OnlineGroup()->setChecked(on.contains(u"online"_s));
    page.OfflineGroup()->setChecked(on.contains(u"offline"_s));
    page.ReclaimGroup()->setChecked(on.contains(u"reclaim"_s));
    page.RecycleBinBox()->setChecked(on.contains(u"bin"_s));
    page.TemporaryFilesBox()->setChecked(on.contains(u"temp"_s));
    QCOMPARE(page.Validate(), message);
}

void TestDrivePages::defaultStart_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QDateTime>("start");

    const QDate day = kNow.date();
    QTest::newRow("ten minutes before") << QTime(10, 50) << QDateTime(day, QTime(11, 0));
    QTest::newRow("just under ten minutes") << QTime(10, 50, 30) << QDateTime(day, QTime(12, 0));
    QTest::newRow("late evening") << QTime(23, 55) << QDateTime(day.addDays(1), QTime(1, 0));
}

void TestDrivePages::defaultStart()
{
    QFETCH(QTime, now);
    QFETCH(QDateTime, start);

    CDefragDatePageBase::SetClock([now] { return QDateTime(kNow.date(), now); });
    CDefragOneTimeDatePage page;
    page.Load(TWireRecord(Schedule()));
    QCOMPARE(page.Calendar()->Today(), kNow.date());
    QCOMPARE(page.Validate(), QString());
    const CCadence::CScheduleData stored = StoredSchedule(page);
    QCOMPARE(COleDate::ToDateTime(stored.settings.start), start);

    // Shown again an hour later, the page keeps the start it stored.
    CDefragDatePageBase::SetClock([now] { return QDateTime(kNow.date(), now.addSecs(3600)); });
    page.Load(TWireRecord(stored));
    QCOMPARE(page.Start(), start);
}

void TestDrivePages::dateRoundTrip()
{
    // Seconds the time field does not show survive an untouched start.
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.passes = 1;
    schedule.settings.start = Ole(QDate(2026, 6, 1), QTime(22, 30, 27));
    schedule.settings.maxDuration = 5400;
    schedule.settings.shutdownWhenComplete = true;
    CDefragOneTimeDatePage page;
    CScheduleSettings stored = RoundTrip(page, schedule).settings;
    QCOMPARE(stored.start, schedule.settings.start);
    QCOMPARE(stored.maxDuration, 5400u);
    QCOMPARE(stored.type, quint32(CCadence::kOneTime));
    QCOMPARE(stored.interval, 0u);
    QCOMPARE(stored.weekdays, 0u);
    QVERIFY(page.Summary().contains(u"22:30"_s));

    // Seconds the hours field rounds survive when the field is left alone.
    schedule.settings.maxDuration = 1001;
    QCOMPARE(RoundTrip(page, schedule).settings.maxDuration, 1001u);
    QCOMPARE(page.HoursEdit()->text(), u"0.278"_s);

    // Typed fractions of hours are truncated to whole seconds.
    page.HoursEdit()->setText(u"0.3333"_s);
    QCOMPARE(page.Validate(), kNotNumeric);
    page.HoursEdit()->setText(u"0.333"_s);
    QCOMPARE(page.Validate(), QString());
    QCOMPARE(Stored(page).maxDuration, 1198u);

    // Edge: no shutdown, and no limit without an online pass.
    schedule.settings.passes = CCadence::kOfflinePass;
    schedule.settings.shutdownWhenComplete = false;
    stored = RoundTrip(page, schedule).settings;
    QCOMPARE(stored.maxDuration, 0u);
    QCOMPARE(stored.shutdownWhenComplete, false);
    // A changed start is stored to the minute shown.
    page.TimeEdit()->setTime(QTime(23, 15));
    QCOMPARE(COleDate::ToDateTime(Stored(page).start), QDateTime(QDate(2026, 6, 1), QTime(23, 15)));
}

void TestDrivePages::dateValidation_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<bool>("maximum");
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("message");

    const QDateTime later = kNow.addSecs(60);
    QTest::newRow("now") << kNow << false << QString() << kPast;
    QTest::newRow("past and bad hours") << kNow.addDays(-1) << true << u"x"_s << kPast;
    QTest::newRow("a minute from now, hours") << later << true << u"2.25"_s << QString();
    QTest::newRow("hours not a number") << later << true << u"two"_s << kNotNumeric;
    QTest::newRow("hours below the bound") << later << true << u"0"_s << kNotNumeric;
    QTest::newRow("bad hours unchecked") << later << false << u"two"_s << QString();
}

void TestDrivePages::dateValidation()
{
    QFETCH(QDateTime, start);
    QFETCH(bool, maximum);
    QFETCH(QString, hours);
    QFETCH(QString, message);

    CDefragOneTimeDatePage page;
    page.Load(TWireRecord(Schedule()));
    page.Calendar()->setSelectedDate(start.date());
    page.TimeEdit()->setTime(start.time());
    page.MaximumBox()->setChecked(maximum);
    page.HoursEdit()->setText(hours);
    QCOMPARE(page.Validate(), message);
}

void TestDrivePages::dailyFrequency()
{
    // Interval and weekdays loaded, then as stored: every third day, weekends only, and other
    // agents' records, which come in whole days within the box's range.
    const quint32 records[][4] = {
        {72, 0, 72, 0}, {168, 96, 168, 96}, {168, 3, 168, 0}, {36, 0, 48, 0}, {24000, 0, 8760, 0}};
    CDefragDailyTimeDatePage page;
    for (const auto& record : records) {
        CCadence::CScheduleData schedule = Schedule();
        schedule.settings.start = Ole(QDate(2026, 6, 1), QTime(3, 0));
        schedule.settings.interval = record[0];
        schedule.settings.weekdays = record[1];
        const CScheduleSettings stored = RoundTrip(page, schedule).settings;
        QCOMPARE(stored.type, quint32(CCadence::kDaily));
        QCOMPARE(stored.interval, record[2]);
        QCOMPARE(stored.weekdays, record[3]);
    }
}

void TestDrivePages::weekly()
{
    CDefragWeeklyTimeDatePage page;
    // A fresh record starts on the day of its default start: Sunday 10 May 2026, 11:00.
    page.Load(TWireRecord(Schedule()));
    CScheduleSettings stored = Stored(page);
    QCOMPARE(stored.weekdays, quint32(CCadence::kSunday));
    QCOMPARE(stored.interval, 168u);

    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.start = Ole(QDate(2026, 6, 1), QTime(3, 0));
    schedule.settings.interval = 2 * 168;
    schedule.settings.weekdays = CCadence::kMonday | CCadence::kThursday | CCadence::kSunday;
    stored = RoundTrip(page, schedule).settings;
    QCOMPARE(stored.type, quint32(CCadence::kWeekly));
    QCOMPARE(stored.interval, 2u * 168);
    QCOMPARE(stored.weekdays, schedule.settings.weekdays);

    page.WeeksBox()->setValue(4);
    page.DayBox(0)->setChecked(false);
    page.DayBox(5)->setChecked(true);
    stored = Stored(page);
    QCOMPARE(stored.interval, 4u * 168);
    QCOMPARE(stored.weekdays,
             quint32(CCadence::kThursday | CCadence::kSaturday | CCadence::kSunday));

    for (int day = 0; day < 7; ++day)
        page.DayBox(day)->setChecked(false);
    QCOMPARE(page.Validate(), u"One or more days of the week should be checked"_s);
    // The start is looked at first.
    page.Calendar()->setSelectedDate(kNow.date().addDays(-1));
    QCOMPARE(page.Validate(), kPast);
}

void TestDrivePages::editInTheWizard()
{
    CScriptedPresenter presenter;
    const double oldStart = Ole(QDate(2026, 4, 20), QTime(2, 0, 12));
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.type = CCadence::kDaily;
    schedule.settings.passes = 3;
    schedule.settings.start = oldStart;
    schedule.settings.interval = 48;
    schedule.settings.maxDuration = 3600;
    CWireWizardBase wizard(CWireWizardBase::kDaily, TWireRecord(schedule), "TestWizard");
    auto* method = new CDefragMethodPage;
    auto* date = new CDefragDailyTimeDatePage;
    connect(method, &CDefragMethodPage::OnlineSelected, date,
            &CDefragDatePageBase::OnOnlineSelected);
    wizard.AddPage(method);
    wizard.AddPage(date);
    wizard.SetEdit();
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    method->OnlineGroup()->setChecked(false);
    wizard.NextButton()->click();
    QCOMPARE(wizard.CurrentPage(), date);

    // A changed start must lie in the future, judged against the schedule's own start even after
    // the page was stored and loaded again on the way back and forth.
    date->TimeEdit()->setTime(QTime(3, 0));
    wizard.BackButton()->click();
    wizard.NextButton()->click();
    QCOMPARE(date->Start(), QDateTime(QDate(2026, 4, 20), QTime(3, 0)));
    // Enter in the calendar, which has the focus, reaches the wizard.
    QTRY_VERIFY(date->Calendar()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(presenter.messages.size(), 1);
    const QString refusal = presenter.messages.first().text;
    QVERIFY(refusal.startsWith(u"If you change the date/time, the schedule start date and time "
                               u"have to be in the future, otherwise set it back to "_s));
    QVERIFY(refusal.endsWith(CTextFormat::LocaleDateTimeText(oldStart)));
    QVERIFY(wizard.isVisible());

    // Set back, the start is kept to the second; without an online pass a bad number in the
    // hours field does not matter.
    date->HoursEdit()->setText(u"x"_s);
    date->TimeEdit()->setTime(QTime(2, 0));
    QSignalSpy finished(&wizard, &CWireWizardBase::Finish);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(wizard.result(), int(QDialog::Accepted));
    const CScheduleSettings& stored = std::get<CCadence::CScheduleData>(wizard.Record()).settings;
    QCOMPARE(stored.start, oldStart);
    QCOMPARE(stored.passes, quint32(CCadence::kOfflinePass));
    QCOMPARE(stored.maxDuration, 0u);
    QCOMPARE(stored.interval, 48u);
}

void TestDrivePages::spinBoxRefusesTypingBeyondItsRange()
{
    CWizardSpinBox spin(1, 52);
    spin.setValue(3);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    QLineEdit* edit = spin.findChild<QLineEdit*>();
    edit->selectAll();
    // The second 9 is refused rather than the number clamped to 52, and so is a 0 alone.
    QTest::keyClicks(edit, u"99"_s);
    QCOMPARE(edit->text(), u"9"_s);
    edit->selectAll();
    QTest::keyClicks(edit, u"0"_s);
    QCOMPARE(spin.value(), 9);

    // More digits may still reach a range that starts higher, but not one past its end.
    CWizardSpinBox hours(24, 99);
    const QValidator* validator = hours.findChild<QLineEdit*>()->validator();
    int pos = 1;
    QString text = u"3"_s;
    QCOMPARE(validator->validate(text, pos), QValidator::Intermediate);
    text = u"10"_s;
    QCOMPARE(validator->validate(text, pos), QValidator::Invalid);
}

QTEST_MAIN(TestDrivePages)
#include "tst_DrivePages.moc"

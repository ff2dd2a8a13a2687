#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "schedule/CDefragDatePages.h"
#include "schedule/CDefragMethodPage.h"
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

// A record whose every field a page writes holds something no page would leave there, so
// that a field the page forgets to store shows up.
CCadence::CScheduleData Scribbled()
{
    CCadence::CScheduleData schedule = Schedule();
    schedule.allDrives = true;
    schedule.drives = {L"stale"};
    CScheduleSettings& s = schedule.settings;
    s.type = 99;
    s.method = 99;
    s.passes = 0xf0;
    s.offlineOptions = 0xf0;
    s.freeSpaceConsolidation = true;
    s.freeSpaceOptions = 0xf0;
    s.start = 12345.5;
    s.interval = 9999;
    s.maxDuration = 9999;
    s.shutdownWhenComplete = true;
    s.weekdays = 0xf0;
    s.option = 99;
    return schedule;
}

template <typename TPage>
CCadence::CScheduleData RoundTrip(TPage& page, const CCadence::CScheduleData& schedule)
{
    page.Load(TWireRecord(schedule));
    TWireRecord stored(Scribbled());
    page.Store(&stored);
    return std::get<CCadence::CScheduleData>(stored);
}

CSelectDrivesPage::TDrives ThreeDrives()
{
    return {{L"vol-c", u"/"_s, u"System"_s},
            {L"vol-d", u"/data"_s, u"Data"_s},
            {L"vol-e", u"/media/usb"_s, u"Stick"_s}};
}

QLineEdit* LineEditOf(QSpinBox* spin)
{
    return spin->findChild<QLineEdit*>();
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

    void drivesRoundTrip_data();
    void drivesRoundTrip();
    void drivesValidation_data();
    void drivesValidation();
    void drivesSummary();

    void methodRoundTrip_data();
    void methodRoundTrip();
    void methodGroupsOffClearTheirOptions();
    void methodValidation_data();
    void methodValidation();
    void onlineChoiceReachesTheMaximumDuration();

    void defaultStart_data();
    void defaultStart();
    void dateRoundTrip();
    void dateValidation_data();
    void dateValidation();
    void editedStartMayStayInThePast();
    void dailyFrequency_data();
    void dailyFrequency();
    void weekly();
    void editInTheWizard();

    void spinBoxAcceptsOnlyItsRange_data();
    void spinBoxAcceptsOnlyItsRange();
    void spinBoxTypingBeyondRangeIsRefused();
    void calendarTodayFollowsTheClock();
};

// --- drives ---

void TestDrivePages::drivesRoundTrip_data()
{
    QTest::addColumn<bool>("allDrives");
    QTest::addColumn<TStringList>("drives");
    QTest::addColumn<quint32>("option");
    QTest::addColumn<int>("rows");
    QTest::addColumn<TStringList>("expectedDrives");

    QTest::newRow("two drives in parallel")
        << false << TStringList{L"vol-c", L"vol-e"} << 1u << 3 << TStringList{L"vol-c", L"vol-e"};
    QTest::newRow("all drives, auto") << true << TStringList{} << 2u << 3 << TStringList{};
    // A drive the computer does not show any more stays in the schedule.
    QTest::newRow("unknown drive kept") << false << TStringList{L"vol-d", L"vol-gone"} << 0u << 4
                                        << TStringList{L"vol-d", L"vol-gone"};
    // An option the page has no button for survives.
    QTest::newRow("foreign option")
        << false << TStringList{L"vol-d"} << 7u << 3 << TStringList{L"vol-d"};
}

void TestDrivePages::drivesRoundTrip()
{
    QFETCH(bool, allDrives);
    QFETCH(TStringList, drives);
    QFETCH(quint32, option);
    QFETCH(int, rows);
    QFETCH(TStringList, expectedDrives);

    CSelectDrivesPage page(ThreeDrives());
    CCadence::CScheduleData schedule = Schedule();
    schedule.allDrives = allDrives;
    schedule.drives = drives;
    schedule.settings.option = option;
    const CCadence::CScheduleData stored = RoundTrip(page, schedule);
    QCOMPARE(page.DriveTree()->topLevelItemCount(), rows);
    QCOMPARE(stored.allDrives, allDrives);
    QCOMPARE(stored.drives, expectedDrives);
    QCOMPARE(stored.settings.option, option);
    QCOMPARE(page.DriveTree()->isEnabled(), !allDrives);

    // Loading another record forgets the unknown drives of the first.
    page.Load(TWireRecord(Schedule()));
    QCOMPARE(page.DriveTree()->topLevelItemCount(), 3);
}

void TestDrivePages::drivesValidation_data()
{
    QTest::addColumn<bool>("allDrives");
    QTest::addColumn<QList<int>>("checkedRows");
    QTest::addColumn<bool>("valid");

    QTest::newRow("nothing") << false << QList<int>{} << false;
    QTest::newRow("all drives") << true << QList<int>{} << true;
    QTest::newRow("one drive") << false << QList<int>{2} << true;
}

void TestDrivePages::drivesValidation()
{
    QFETCH(bool, allDrives);
    QFETCH(QList<int>, checkedRows);
    QFETCH(bool, valid);

    CSelectDrivesPage page(ThreeDrives());
    page.Load(TWireRecord(Schedule()));
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    page.AllDrivesBox()->setChecked(allDrives);
    for (int row : checkedRows)
        page.DriveTree()->topLevelItem(row)->setCheckState(0, Qt::Checked);
    QCOMPARE(changed.isEmpty(), !allDrives && checkedRows.isEmpty());
    QCOMPARE(page.Validate().isEmpty(), valid);
    if (!valid)
        QCOMPARE(page.Validate(), u"All drives or individual drives should be selected"_s);
}

void TestDrivePages::drivesSummary()
{
    CSelectDrivesPage page(ThreeDrives());
    CCadence::CScheduleData schedule = Schedule();
    schedule.drives = {L"vol-c", L"vol-gone"};
    schedule.settings.option = 1;
    page.Load(TWireRecord(schedule));
    QVERIFY(page.DriveTree()->topLevelItem(0)->text(0) == u"(/) System"_s);
    QCOMPARE(page.Summary(), u"/ vol-gone, Parallel"_s);
    page.AllDrivesBox()->setChecked(true);
    page.SequenceButton(2)->click();
    QCOMPARE(page.Summary(), u"All Drives, Auto"_s);
}

// --- method ---

void TestDrivePages::methodRoundTrip_data()
{
    QTest::addColumn<quint32>("passes");
    QTest::addColumn<quint32>("method");
    QTest::addColumn<quint32>("offlineOptions");
    QTest::addColumn<bool>("consolidation");
    QTest::addColumn<quint32>("freeSpaceOptions");
    QTest::addColumn<QString>("summary");

    QTest::newRow("online by drive settings") << 1u << 4u << 0u << false << 0u << u"Default"_s;
    QTest::newRow("both passes, everything on")
        << 3u << 2u << 6u << true << 3u << u"CFS, Offline"_s;
    QTest::newRow("offline only, paging files") << 2u << 0u << 4u << true << 2u << u"Offline"_s;
    // What the page does not offer (analyse only, offline bit 0, higher bits) is kept.
    QTest::newRow("foreign values") << 7u << 3u << 3u << true << 5u << u"Offline"_s;
}

void TestDrivePages::methodRoundTrip()
{
    QFETCH(quint32, passes);
    QFETCH(quint32, method);
    QFETCH(quint32, offlineOptions);
    QFETCH(bool, consolidation);
    QFETCH(quint32, freeSpaceOptions);
    QFETCH(QString, summary);

    CDefragMethodPage page;
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.passes = passes;
    schedule.settings.method = method;
    schedule.settings.offlineOptions = offlineOptions;
    schedule.settings.freeSpaceConsolidation = consolidation;
    schedule.settings.freeSpaceOptions = freeSpaceOptions;
    const CScheduleSettings stored = RoundTrip(page, schedule).settings;
    QCOMPARE(stored.passes, passes);
    QCOMPARE(stored.method, method);
    QCOMPARE(stored.offlineOptions, offlineOptions);
    QCOMPARE(stored.freeSpaceConsolidation, consolidation);
    QCOMPARE(stored.freeSpaceOptions, freeSpaceOptions);
    QCOMPARE(page.Summary(), summary);
}

void TestDrivePages::methodGroupsOffClearTheirOptions()
{
    CDefragMethodPage page;
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.passes = 3;
    schedule.settings.method = 1;
    schedule.settings.offlineOptions = 6;
    schedule.settings.freeSpaceConsolidation = true;
    schedule.settings.freeSpaceOptions = 3;
    page.Load(TWireRecord(schedule));
    QCOMPARE(page.Summary(), u"Defrag, Offline"_s);

    page.OfflineGroup()->setChecked(false);
    page.ReclaimGroup()->setChecked(false);
    page.DriveDefaultButton()->click();
    TWireRecord record(Scribbled());
    page.Store(&record);
    const CScheduleSettings& stored = std::get<CCadence::CScheduleData>(record).settings;
    QCOMPARE(stored.passes, quint32(CCadence::kOnlinePass));
    QCOMPARE(stored.method, quint32(CCadence::kMethodDriveDefault));
    QCOMPARE(stored.offlineOptions, 0u);
    QCOMPARE(stored.freeSpaceConsolidation, false);
    QCOMPARE(stored.freeSpaceOptions, 0u);
    // The boxes keep their marks for when the group comes back on.
    QVERIFY(page.PagingFilesBox()->isChecked());
    QVERIFY(!page.MethodButton(0)->isEnabled());

    page.OfflineGroup()->setChecked(true);
    page.SystemFilesBox()->setChecked(false);
    page.OverrideButton()->click();
    page.MethodButton(0)->click();
    page.Store(&record);
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.offlineOptions, 4u);
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.method, 0u);
    QCOMPARE(page.Summary(), u"TierLayout, Offline"_s);
}

void TestDrivePages::methodValidation_data()
{
    QTest::addColumn<bool>("online");
    QTest::addColumn<bool>("offline");
    QTest::addColumn<bool>("reclaim");
    QTest::addColumn<bool>("recycleBin");
    QTest::addColumn<bool>("temporaryFiles");
    QTest::addColumn<QString>("message");

    const QString noPass = u"You must select at least one defragmentation setting"_s;
    const QString noLocation = u"You must select locations to reclaim free space from"_s;
    QTest::newRow("online") << true << false << false << false << false << QString();
    QTest::newRow("offline") << false << true << false << false << false << QString();
    QTest::newRow("no pass") << false << false << false << false << false << noPass;
    QTest::newRow("no pass, reclaiming") << false << false << true << true << false << noPass;
    QTest::newRow("reclaim nowhere") << true << false << true << false << false << noLocation;
    QTest::newRow("reclaim temporary files") << true << true << true << false << true << QString();
}

void TestDrivePages::methodValidation()
{
    QFETCH(bool, online);
    QFETCH(bool, offline);
    QFETCH(bool, reclaim);
    QFETCH(bool, recycleBin);
    QFETCH(bool, temporaryFiles);
    QFETCH(QString, message);

    CDefragMethodPage page;
    page.Load(TWireRecord(Schedule()));
    page.OnlineGroup()->setChecked(online);
    page.OfflineGroup()->setChecked(offline);
    page.ReclaimGroup()->setChecked(reclaim);
    page.RecycleBinBox()->setChecked(recycleBin);
    page.TemporaryFilesBox()->setChecked(temporaryFiles);
    QCOMPARE(page.Validate(), message);
}

void TestDrivePages::onlineChoiceReachesTheMaximumDuration()
{
    CDefragMethodPage method;
    CDefragDailyTimeDatePage date;
    connect(&method, &CDefragMethodPage::OnlineSelected, &date,
            &CDefragDatePageBase::OnOnlineSelected);
    QSignalSpy online(&method, &CDefragMethodPage::OnlineSelected);

    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.passes = 3;
    schedule.settings.maxDuration = 7200;
    schedule.settings.start = Ole(QDate(2026, 5, 11), QTime(1, 0));
    method.Load(TWireRecord(schedule));
    date.Load(TWireRecord(schedule));
    QCOMPARE(online.count(), 1);
    QVERIFY(date.MaximumBox()->isEnabled());
    QVERIFY(date.HoursEdit()->isEnabled());

    method.OnlineGroup()->setChecked(false);
    QCOMPARE(online.count(), 2);
    QCOMPARE(online.last().at(0).toBool(), false);
    QVERIFY(!date.MaximumBox()->isEnabled());
    QVERIFY(!date.HoursEdit()->isEnabled());
    // No limit without an online pass, and a bad number there no longer matters.
    date.HoursEdit()->setText(u"x"_s);
    QCOMPARE(date.Validate(), QString());
    TWireRecord record(Scribbled());
    date.Store(&record);
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.maxDuration, 0u);

    method.OnlineGroup()->setChecked(true);
    QVERIFY(date.HoursEdit()->isEnabled());
    QCOMPARE(date.Validate(), u"Invalid maximum duration value.  Must be numeric."_s);
    // The date page reads the passes of the record it loads, too.
    schedule.settings.passes = 2;
    date.Load(TWireRecord(schedule));
    QVERIFY(!date.MaximumBox()->isEnabled());
}

// --- dates ---

void TestDrivePages::defaultStart_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QDateTime>("start");

    const QDate day(2026, 5, 10);
    QTest::newRow("well before the hour") << QTime(10, 12) << QDateTime(day, QTime(11, 0));
    QTest::newRow("ten minutes before") << QTime(10, 50) << QDateTime(day, QTime(11, 0));
    QTest::newRow("just under ten minutes") << QTime(10, 50, 30) << QDateTime(day, QTime(12, 0));
    QTest::newRow("late evening") << QTime(23, 55) << QDateTime(day.addDays(1), QTime(1, 0));
}

void TestDrivePages::defaultStart()
{
    QFETCH(QTime, now);
    QFETCH(QDateTime, start);

    CDefragDatePageBase::SetClock([now] { return QDateTime(QDate(2026, 5, 10), now); });
    CDefragOneTimeDatePage page;
    page.Load(TWireRecord(Schedule()));
    QCOMPARE(page.Start(), start);
    QCOMPARE(page.Validate(), QString());
    TWireRecord record(Scribbled());
    page.Store(&record);
    QCOMPARE(COleDate::ToDateTime(std::get<CCadence::CScheduleData>(record).settings.start), start);

    // Shown again an hour later, the page keeps the start it stored.
    CDefragDatePageBase::SetClock(
        [now] { return QDateTime(QDate(2026, 5, 10), now.addSecs(3600)); });
    page.Load(record);
    QCOMPARE(page.Start(), start);
}

void TestDrivePages::dateRoundTrip()
{
    // Seconds the time field does not show survive an untouched start.
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.type = CCadence::kOneTime;
    schedule.settings.passes = 1;
    schedule.settings.start = Ole(QDate(2026, 6, 1), QTime(22, 30, 27));
    schedule.settings.maxDuration = 5400;
    schedule.settings.shutdownWhenComplete = true;
    schedule.settings.interval = 0;
    schedule.settings.weekdays = 0;

    CDefragOneTimeDatePage oneTime;
    CScheduleSettings stored = RoundTrip(oneTime, schedule).settings;
    QCOMPARE(stored.start, schedule.settings.start);
    QCOMPARE(stored.maxDuration, 5400u);
    QCOMPARE(oneTime.HoursEdit()->text(), u"1.5"_s);
    QCOMPARE(stored.shutdownWhenComplete, true);
    QCOMPARE(stored.type, 1u);
    QCOMPARE(stored.interval, 0u);
    QCOMPARE(stored.weekdays, 0u);
    QVERIFY(oneTime.Summary().contains(u"22:30"_s));

    // Seconds the hours field rounds survive when the field is left alone.
    schedule.settings.maxDuration = 1001;
    stored = RoundTrip(oneTime, schedule).settings;
    QCOMPARE(oneTime.HoursEdit()->text(), u"0.278"_s);
    QCOMPARE(stored.maxDuration, 1001u);

    // Edge: no limit, no shutdown, fractions of hours truncated to whole seconds.
    schedule.settings.maxDuration = 0;
    schedule.settings.shutdownWhenComplete = false;
    stored = RoundTrip(oneTime, schedule).settings;
    QCOMPARE(stored.maxDuration, 0u);
    QVERIFY(!oneTime.MaximumBox()->isChecked());
    QCOMPARE(stored.shutdownWhenComplete, false);
    oneTime.MaximumBox()->setChecked(true);
    oneTime.HoursEdit()->setText(u"0.3333"_s);
    QVERIFY(!oneTime.Validate().isEmpty()); // more decimals than the field takes
    oneTime.HoursEdit()->setText(u"0.333"_s);
    QCOMPARE(oneTime.Validate(), QString());
    TWireRecord record(Scribbled());
    oneTime.Store(&record);
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.maxDuration, 1198u);

    // A changed start is stored to the minute shown.
    oneTime.TimeEdit()->setTime(QTime(23, 15));
    oneTime.Store(&record);
    QCOMPARE(COleDate::ToDateTime(std::get<CCadence::CScheduleData>(record).settings.start),
             QDateTime(QDate(2026, 6, 1), QTime(23, 15)));
}

void TestDrivePages::dateValidation_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<bool>("maximum");
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("message");

    const QString past = u"The schedule start date and time have to be in the future"_s;
    const QString notNumeric = u"Invalid maximum duration value.  Must be numeric."_s;
    const QDateTime later = kNow.addSecs(60);
    QTest::newRow("a minute from now") << later << false << QString() << QString();
    QTest::newRow("now") << kNow << false << QString() << past;
    QTest::newRow("yesterday") << kNow.addDays(-1) << false << QString() << past;
    QTest::newRow("past and bad hours") << kNow.addDays(-1) << true << u"x"_s << past;
    QTest::newRow("hours") << later << true << u"2.25"_s << QString();
    QTest::newRow("hours empty") << later << true << QString() << notNumeric;
    QTest::newRow("hours not a number") << later << true << u"two"_s << notNumeric;
    QTest::newRow("hours below the bound") << later << true << u"0"_s << notNumeric;
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
    QCOMPARE(page.HoursEdit()->isEnabled(), maximum);
    QCOMPARE(page.Validate(), message);
}

void TestDrivePages::editedStartMayStayInThePast()
{
    const double oldStart = Ole(QDate(2026, 5, 1), QTime(8, 0, 12));
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.start = oldStart;
    schedule.settings.interval = 24;

    CDefragDailyTimeDatePage page;
    page.SetEditing(true);
    page.Load(TWireRecord(schedule));
    QCOMPARE(page.Validate(), QString());

    page.TimeEdit()->setTime(QTime(9, 0));
    const QString refusal = page.Validate();
    QVERIFY(refusal.startsWith(u"If you change the date/time, the schedule start date and time "
                               u"have to be in the future, otherwise set it back to "_s));
    QVERIFY(refusal.endsWith(CTextFormat::LocaleDateTimeText(oldStart)));
    QVERIFY(!CTextFormat::LocaleDateTimeText(oldStart).isEmpty());

    // The wizard stores a page when it goes back and loads it again when it comes back: the
    // changed start is still judged against the one the schedule had.
    TWireRecord left(schedule);
    page.Store(&left);
    page.Load(left);
    QCOMPARE(page.Start(), QDateTime(QDate(2026, 5, 1), QTime(9, 0)));
    QCOMPARE(page.Validate(), refusal);

    // Set back, it is accepted and stored exactly as it was.
    page.TimeEdit()->setTime(QTime(8, 0));
    QCOMPARE(page.Validate(), QString());
    TWireRecord record(Scribbled());
    page.Store(&record);
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.start, oldStart);

    // Moved into the future, it is accepted too.
    page.Calendar()->setSelectedDate(kNow.date().addDays(1));
    QCOMPARE(page.Validate(), QString());

    // A new schedule gets the plain refusal.
    CDefragDailyTimeDatePage fresh;
    fresh.Load(TWireRecord(schedule));
    QCOMPARE(fresh.Validate(), u"The schedule start date and time have to be in the future"_s);
}

void TestDrivePages::dailyFrequency_data()
{
    QTest::addColumn<quint32>("interval");
    QTest::addColumn<quint32>("weekdays");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("days");
    QTest::addColumn<quint32>("storedInterval");
    QTest::addColumn<quint32>("storedWeekdays");

    QTest::newRow("every day") << 24u << 0u << u"every"_s << 1 << 24u << 0u;
    QTest::newRow("every third day") << 72u << 0u << u"every"_s << 3 << 72u << 0u;
    QTest::newRow("weekdays only") << 168u << 31u << u"weekdays"_s << 1 << 168u << 31u;
    QTest::newRow("weekends only") << 168u << 96u << u"weekends"_s << 1 << 168u << 96u;
    // Other agents' records come in whole days within the box's range.
    QTest::newRow("a week with other days") << 168u << 3u << u"every"_s << 7 << 168u << 0u;
    QTest::newRow("hours between days") << 36u << 0u << u"every"_s << 2 << 48u << 0u;
    QTest::newRow("no interval") << 0u << 0u << u"every"_s << 1 << 24u << 0u;
    QTest::newRow("beyond the range") << 24u * 1000 << 0u << u"every"_s << 365 << 24u * 365 << 0u;
}

void TestDrivePages::dailyFrequency()
{
    QFETCH(quint32, interval);
    QFETCH(quint32, weekdays);
    QFETCH(QString, choice);
    QFETCH(int, days);
    QFETCH(quint32, storedInterval);
    QFETCH(quint32, storedWeekdays);

    CDefragDailyTimeDatePage page;
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.start = Ole(QDate(2026, 6, 1), QTime(3, 0));
    schedule.settings.interval = interval;
    schedule.settings.weekdays = weekdays;
    const CScheduleSettings stored = RoundTrip(page, schedule).settings;
    QCOMPARE(page.EveryButton()->isChecked(), choice == u"every"_s);
    QCOMPARE(page.WeekdaysButton()->isChecked(), choice == u"weekdays"_s);
    QCOMPARE(page.WeekendsButton()->isChecked(), choice == u"weekends"_s);
    QCOMPARE(page.DaysBox()->isEnabled(), choice == u"every"_s);
    QCOMPARE(page.DaysBox()->value(), days);
    QCOMPARE(stored.type, quint32(CCadence::kDaily));
    QCOMPARE(stored.interval, storedInterval);
    QCOMPARE(stored.weekdays, storedWeekdays);
}

void TestDrivePages::weekly()
{
    CDefragWeeklyTimeDatePage page;
    // A fresh record starts on the day of its default start: Sunday 10 May 2026, 11:00.
    page.Load(TWireRecord(Schedule()));
    QCOMPARE(page.Validate(), QString());
    TWireRecord record(Scribbled());
    page.Store(&record);
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.weekdays,
             quint32(CCadence::kSunday));
    QCOMPARE(std::get<CCadence::CScheduleData>(record).settings.interval, 168u);

    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.start = Ole(QDate(2026, 6, 1), QTime(3, 0));
    schedule.settings.interval = 2 * 168;
    schedule.settings.weekdays = CCadence::kMonday | CCadence::kThursday | CCadence::kSunday;
    CScheduleSettings stored = RoundTrip(page, schedule).settings;
    QCOMPARE(page.WeeksBox()->value(), 2);
    QVERIFY(page.DayBox(3)->isChecked());
    QCOMPARE(stored.type, quint32(CCadence::kWeekly));
    QCOMPARE(stored.interval, 2u * 168);
    QCOMPARE(stored.weekdays, schedule.settings.weekdays);

    page.WeeksBox()->setValue(4);
    page.DayBox(0)->setChecked(false);
    page.DayBox(5)->setChecked(true);
    page.Store(&record);
    stored = std::get<CCadence::CScheduleData>(record).settings;
    QCOMPARE(stored.interval, 4u * 168);
    QCOMPARE(stored.weekdays,
             quint32(CCadence::kThursday | CCadence::kSaturday | CCadence::kSunday));

    for (int day = 0; day < 7; ++day)
        page.DayBox(day)->setChecked(false);
    QCOMPARE(page.Validate(), u"One or more days of the week should be checked"_s);
    // The start is looked at first.
    page.Calendar()->setSelectedDate(kNow.date().addDays(-1));
    QCOMPARE(page.Validate(), u"The schedule start date and time have to be in the future"_s);
}

void TestDrivePages::editInTheWizard()
{
    CScriptedPresenter presenter;
    const double oldStart = Ole(QDate(2026, 4, 20), QTime(2, 0));
    CCadence::CScheduleData schedule = Schedule();
    schedule.settings.type = CCadence::kDaily;
    schedule.settings.passes = 3;
    schedule.settings.method = 0;
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
    QVERIFY(!date->MaximumBox()->isEnabled());

    // Enter in the calendar, which has the focus, finishes: the past start was left alone.
    date->TimeEdit()->setTime(QTime(3, 0));
    QTRY_VERIFY(date->Calendar()->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(presenter.messages.size(), 1);
    QVERIFY(presenter.messages.first().text.startsWith(u"If you change the date/time"_s));
    QVERIFY(wizard.isVisible());

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

// --- helpers ---

void TestDrivePages::spinBoxAcceptsOnlyItsRange_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");

    const int invalid = QValidator::Invalid;
    const int intermediate = QValidator::Intermediate;
    const int acceptable = QValidator::Acceptable;
    QTest::newRow("inside") << 1 << 52 << u"52"_s << acceptable;
    QTest::newRow("above") << 1 << 52 << u"53"_s << invalid;
    QTest::newRow("far above") << 1 << 52 << u"999999"_s << invalid;
    QTest::newRow("below") << 1 << 52 << u"0"_s << invalid;
    QTest::newRow("negative") << 1 << 52 << u"-3"_s << invalid;
    QTest::newRow("empty") << 1 << 52 << QString() << intermediate;
    // More digits may still reach a range that starts higher.
    QTest::newRow("prefix of the range") << 24 << 720 << u"3"_s << intermediate;
    QTest::newRow("prefix too short forever") << 24 << 720 << u"0"_s << invalid;
    QTest::newRow("prefix overshooting") << 24 << 99 << u"10"_s << invalid;
    QTest::newRow("negative range") << -100 << -20 << u"-5"_s << intermediate;
    QTest::newRow("negative range, too far") << -100 << -20 << u"-101"_s << invalid;
}

void TestDrivePages::spinBoxAcceptsOnlyItsRange()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(QString, text);
    QFETCH(int, state);

    CWizardSpinBox spin(minimum, maximum);
    const QValidator* validator = LineEditOf(&spin)->validator();
    QVERIFY(validator != nullptr);
    int pos = int(text.size());
    QCOMPARE(int(validator->validate(text, pos)), state);
}

void TestDrivePages::spinBoxTypingBeyondRangeIsRefused()
{
    CWizardSpinBox spin;
    spin.setRange(1, 52);
    spin.setValue(3);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin));
    QLineEdit* edit = LineEditOf(&spin);
    edit->selectAll();
    QTest::keyClicks(edit, u"99"_s);
    // The second 9 is refused rather than the number clamped to 52.
    QCOMPARE(edit->text(), u"9"_s);
    QCOMPARE(spin.value(), 9);

    edit->selectAll();
    QTest::keyClicks(edit, u"0"_s);
    QCOMPARE(edit->text(), u"9"_s);
    QCOMPARE(spin.value(), 9);
}

void TestDrivePages::calendarTodayFollowsTheClock()
{
    CDefragOneTimeDatePage page;
    page.Load(TWireRecord(Schedule()));
    QCOMPARE(page.Calendar()->Today(), kNow.date());
    // Past days can still be chosen: an edited schedule may show one.
    page.Calendar()->setSelectedDate(kNow.date().addDays(-30));
    QCOMPARE(page.Calendar()->selectedDate(), kNow.date().addDays(-30));
    page.Calendar()->resize(300, 200);
    QVERIFY(!page.Calendar()->grab().isNull());
}

QTEST_MAIN(TestDrivePages)
#include "tst_DrivePages.moc"

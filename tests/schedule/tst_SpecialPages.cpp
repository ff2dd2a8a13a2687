#include "core/COleDate.h"
#include "schedule/CAutoExclusions.h"
#include "schedule/CAutoMinimumPeriod.h"
#include "schedule/CScreenAutoMethodPage.h"
#include "schedule/CTimeline.h"
#include "schedule/CTimelineDialog.h"
#include "schedule/CWireProgress.h"
#include "schedule/CWireWizardBase.h"
#include "tests/support/CScriptedPresenter.h"

#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

CCadence::CScheduleData QuietWatchRecord()
{
    CCadence::CScheduleData data;
    data.settings.type = CCadence::kQuietWatch;
    return data;
}

CCadence::CScheduleData& Drive(TWireRecord& record)
{
    return std::get<CCadence::CScheduleData>(record);
}

TStringList Wide(const QStringList& list)
{
    TStringList wide;
    for (const QString& text : list)
        wide.push_back(text.toStdWString());
    return wide;
}

// A window starting some days and hours after today's midnight (the timeline's base).
CScheduleSettings::TExclusionWindow WindowAt(int days, int hour, quint32 hours, quint32 repeat)
{
    const QDateTime start(QDate::currentDate().addDays(days), QTime(hour, 0));
    return {COleDate::FromDateTime(start), hours, repeat};
}

} // namespace

// The pages of the screen-saver and QuietWatch wizards: each shows its part of the record and
// stores it back, refuses what cannot be kept, and the exclusions page's list and timeline.
class TestSpecialPages : public QObject {
    Q_OBJECT

private slots:
    void init() { m_presenter = std::make_unique<CScriptedPresenter>(); }
    void cleanup() { m_presenter.reset(); }

    void method();
    void period_data();
    void period();
    void removePrograms();
    void addProgram_data();
    void addProgram();
    void windowsRoundTrip();
    void quietWatchWizardFinishes();

private:
    std::unique_ptr<CScriptedPresenter> m_presenter;
};

void TestSpecialPages::method()
{
    // The placement ways are on only while one of them is the method. A method the page offers
    // is written; one it does not (analyze only, unknown) is left as the record has it.
    for (const quint32 method : {4u, 0u, 1u, 2u, 3u, 77u}) {
        CScreenAutoMethodPage page;
        TWireRecord record = QuietWatchRecord();
        Drive(record).settings.method = method;
        Drive(record).settings.interval = 33;
        page.Load(record);
        QCOMPARE(page.PlacementButton(CCadence::kMethodDefragOnly)->isEnabled(), method <= 2);
        TWireRecord target = QuietWatchRecord();
        Drive(target).settings.method = method == 3 || method == 77 ? method : 99;
        Drive(target).settings.interval = 33;
        page.Store(&target);
        QVERIFY2(Drive(target).settings == Drive(record).settings,
                 qPrintable(QString::number(method)));
    }

    // Placing files without a way chosen yet takes the recommended one.
    CScreenAutoMethodPage page;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.method = CCadence::kMethodAnalyzeOnly;
    page.Load(record);
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    page.DefragmentUsingButton()->click();
    QCOMPARE(page.Method(), int(CCadence::kMethodTierLayout));
    QVERIFY(changed.count() >= 1);
    // Back to the drive's settings: the way stays chosen for later, but is off.
    page.PlacementButton(CCadence::kMethodDefragOnly)->click();
    page.DriveSettingsButton()->click();
    page.Store(&record);
    QCOMPARE(Drive(record).settings.method, quint32(CCadence::kMethodDriveDefault));
    page.DefragmentUsingButton()->click();
    page.Store(&record);
    QCOMPARE(Drive(record).settings.method, quint32(CCadence::kMethodDefragOnly));
}

void TestSpecialPages::period_data()
{
    QTest::addColumn<bool>("quietWatch");
    QTest::addColumn<quint32>("interval");
    QTest::addColumn<quint32>("idle");
    QTest::addColumn<QString>("refusal");

    const QString noPeriod = u"Enter a minimum period"_s;
    QTest::newRow("screen saver, typical") << false << 72u << 5u << QString();
    QTest::newRow("screen saver, a year") << false << 8760u << 5u << QString();
    QTest::newRow("quietwatch, least") << true << 1u << 1u << QString();
    QTest::newRow("quietwatch, most") << true << 8760u << 1440u << QString();
    // Values the fields cannot hold come in empty, and an empty field is refused.
    QTest::newRow("no period") << false << 0u << 5u << noPeriod;
    QTest::newRow("period beyond a year") << true << 8761u << 5u << noPeriod;
    QTest::newRow("no idle time") << true << 72u << 0u << u"Enter idle period in minutes"_s;
    QTest::newRow("neither: the period first") << true << 0u << 0u << noPeriod;
}

void TestSpecialPages::period()
{
    QFETCH(bool, quietWatch);
    QFETCH(quint32, interval);
    QFETCH(quint32, idle);
    QFETCH(QString, refusal);

    CAutoMinimumPeriod autoPage;
    CScreenMinimumPeriod screenPage;
    CScreenMinimumPeriod& page = quietWatch ? autoPage : screenPage;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.interval = interval;
    Drive(record).settings.idleMinutes = idle;
    page.Load(record);
    QCOMPARE(page.Validate(), refusal);

    // An empty field leaves its part of the record as it was; the screen-saver page never
    // touches the idle minutes.
    TWireRecord target = QuietWatchRecord();
    Drive(target).settings.interval = 1234;
    Drive(target).settings.idleMinutes = 321;
    page.Store(&target);
    QCOMPARE(Drive(target).settings.interval, interval >= 1 && interval <= 8760 ? interval : 1234u);
    QCOMPARE(Drive(target).settings.idleMinutes, quietWatch && idle >= 1 ? idle : 321u);

    // Loading again fills the fields.
    Drive(record).settings.interval = 48;
    Drive(record).settings.idleMinutes = 10;
    page.Load(record);
    QVERIFY(page.Validate().isEmpty());
}

void TestSpecialPages::removePrograms()
{
    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.excludedPrograms = Wide({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    page.Load(record);
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    page.ProgramList()->item(0)->setSelected(true);
    page.ProgramList()->item(2)->setSelected(true);
    page.RemoveButton()->click();
    QCOMPARE(page.Programs(), (QStringList{u"b"_s, u"d"_s}));
    // Remove without a selection does nothing.
    page.OnRemove();
    QCOMPARE(page.Programs().size(), 2);
    QCOMPARE(changed.count(), 1);

    page.RemoveAllButton()->click();
    QCOMPARE(changed.count(), 2);
    page.Store(&record);
    QVERIFY(Drive(record).settings.excludedPrograms.empty());
    // A program removed may be added again.
    QVERIFY(page.AddProgram(u"/usr/bin/a"_s));
    QCOMPARE(page.Programs(), QStringList{u"a"_s});
}

void TestSpecialPages::addProgram_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("refusal");

    // Kept by its file name, as the agent finds it among the running programs; the listed
    // ones are kept as written.
    QTest::newRow("new program") << u"/opt/tools/backup-tool"_s << QString();
    QTest::newRow("cancelled") << QString() << QString();
    QTest::newRow("same name elsewhere") << u"/usr/local/bin/rsync"_s << u"Already added"_s;
    QTest::newRow("other case") << u"/opt/RSync"_s << u"Already added"_s;
    QTest::newRow("listed with .exe") << u"/srv/tools/backup"_s << u"Already added"_s;
    QTest::newRow("list separator") << u"/opt/a;b"_s << u"Cannot add"_s;
    QTest::newRow("comma") << u"/opt/a,b"_s << u"Cannot add"_s;
    QTest::newRow("trailing blank") << u"/opt/tool "_s << u"Cannot add"_s;
}

void TestSpecialPages::addProgram()
{
    QFETCH(QString, chosen);
    QFETCH(QString, refusal);

    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    QStringList programs{u"rsync"_s, u"C:\\Tools\\Backup.EXE"_s};
    Drive(record).settings.excludedPrograms = Wide(programs);
    page.Load(record);
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    m_presenter->dialogScripts.append([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        // Programs: files one may run.
        if (chosen.isEmpty() || !files.filter().testFlag(QDir::Executable) ||
            files.fileMode() != QFileDialog::ExistingFile)
            return int(QDialog::Rejected);
        files.selectFile(chosen);
        return int(QDialog::Accepted);
    });

    page.AddButton()->click();

    QCOMPARE(m_presenter->dialogTitles, QStringList{u"Add Program"_s});
    QCOMPARE(m_presenter->messages.size(), refusal.isEmpty() ? 0 : 1);
    if (!refusal.isEmpty())
        QCOMPARE(m_presenter->messages.first().title, refusal);
    const bool added = !chosen.isEmpty() && refusal.isEmpty();
    if (added)
        programs.append(u"backup-tool"_s);
    QCOMPARE(changed.count(), added ? 1 : 0);
    page.Store(&record);
    QCOMPARE(Drive(record).settings.excludedPrograms, Wide(programs));
}

void TestSpecialPages::windowsRoundTrip()
{
    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    // A window long past, which the timeline does not show, and two ahead.
    const CScheduleSettings::TExclusionWindows windows{
        WindowAt(-400, 9, 2, 0), WindowAt(2, 10, 3, 0), WindowAt(5, 20, 2, 7)};
    Drive(record).settings.exclusionWindows = windows;
    page.Load(record);
    QCOMPARE(page.Timeline()->Windows(),
             (CScheduleSettings::TExclusionWindows{windows[1], windows[2]}));

    // A change to the programs alone leaves the windows exactly as loaded.
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    QVERIFY(page.AddProgram(u"/usr/bin/rsync"_s));
    TWireRecord target = QuietWatchRecord();
    page.Store(&target);
    QCOMPARE(Drive(target).settings.exclusionWindows, windows);

    // Changed in the list, they are stored as the timeline holds them.
    m_presenter->dialogScripts.append([](QDialog& dialog) {
        auto& list = dynamic_cast<CTimelineDialog&>(dialog);
        list.Table().selectRow(0);
        list.OnDelete();
        return int(QDialog::Accepted);
    });
    page.Timeline()->OnDetails();
    QCOMPARE(changed.count(), 2);
    page.Store(&target);
    QCOMPARE(Drive(target).settings.exclusionWindows,
             CScheduleSettings::TExclusionWindows{windows[2]});

    // A record loaded later brings its own windows.
    page.Load(QuietWatchRecord());
    QCOMPARE(page.Timeline()->Grid().MarkedCount(), 0);
    page.Store(&target);
    QVERIFY(Drive(target).settings.exclusionWindows.empty());
}

void TestSpecialPages::quietWatchWizardFinishes()
{
    TWireRecord start = QuietWatchRecord();
    Drive(start).settings.method = CCadence::kMethodDriveDefault;
    CWireWizardBase wizard(CWireWizardBase::kQuietWatch, start, "TestWizard");
    auto* method = new CScreenAutoMethodPage;
    auto* period = new CAutoMinimumPeriod;
    auto* exclusions = new CAutoExclusions;
    wizard.AddPage(method);
    wizard.AddPage(period);
    wizard.AddPage(exclusions);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    QCOMPARE(wizard.Progress()->Summary(1), u"72 hours(s) between runs\n5 min wait"_s);

    method->PlacementButton(CCadence::kMethodConsolidateFreeSpace)->setChecked(true);
    method->DefragmentUsingButton()->click();
    wizard.NextButton()->click();

    // An empty period keeps the wizard on the page with the page's refusal.
    period->PeriodField()->clear();
    wizard.NextButton()->click();
    QCOMPARE(wizard.CurrentIndex(), 1);
    QCOMPARE(m_presenter->messages.size(), 1);
    // The fields take no text beyond their ranges.
    QTest::keyClicks(period->PeriodField(), u"9999x-"_s);
    period->IdleField()->clear();
    QTest::keyClicks(period->IdleField(), u"0"_s);
    QVERIFY(period->IdleField()->text().isEmpty());
    QTest::keyClicks(period->IdleField(), u"14400"_s);
    wizard.NextButton()->click();
    QCOMPARE(wizard.CurrentIndex(), 2);

    QVERIFY(exclusions->AddProgram(u"/usr/bin/rsync"_s));
    wizard.FinishButton()->click();
    QCOMPARE(wizard.result(), int(QDialog::Accepted));

    CCadence::CScheduleData expected = std::get<CCadence::CScheduleData>(start);
    expected.settings.method = CCadence::kMethodConsolidateFreeSpace;
    expected.settings.interval = 999;
    expected.settings.idleMinutes = 1440;
    expected.settings.excludedPrograms = Wide({u"rsync"_s});
    QVERIFY(std::get<CCadence::CScheduleData>(wizard.Record()).settings == expected.settings);
}

QTEST_MAIN(TestSpecialPages)
#include "tst_SpecialPages.moc"

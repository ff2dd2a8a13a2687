#include "core/COleDate.h"
#include "schedule/CAutoExclusions.h"
#include "schedule/CAutoMinimumPeriod.h"
#include "schedule/CScreenAutoMethodPage.h"
#include "schedule/CTimeline.h"
#include "schedule/CTimelineDialog.h"
#include "schedule/CWireProgress.h"
#include "schedule/CWireWizardBase.h"
#include "tests/support/CScriptedPresenter.h"

#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CScheduleSettings::TExclusionWindows)

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
    void init();
    void cleanup();

    void methodRoundTrip_data();
    void methodRoundTrip();
    void methodChosenByUser();

    void periodRoundTrip_data();
    void periodRoundTrip();
    void periodValidation_data();
    void periodValidation();
    void periodFieldRefusesOutOfRangeText();

    void programsRoundTrip();
    void programAddedThroughFileDialog();
    void listedProgramRefused_data();
    void listedProgramRefused();
    void removeAndRemoveAll();
    void windowsRoundTrip_data();
    void windowsRoundTrip();

    void quietWatchWizardFinishes();

private:
    std::unique_ptr<CScriptedPresenter> m_presenter;
};

void TestSpecialPages::init()
{
    m_presenter = std::make_unique<CScriptedPresenter>();
}

void TestSpecialPages::cleanup()
{
    m_presenter.reset();
}

// --- the method page

void TestSpecialPages::methodRoundTrip_data()
{
    QTest::addColumn<quint32>("method");
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<bool>("placementsEnabled");
    QTest::addColumn<QString>("summary");

    QTest::newRow("drive settings") << 4u << 4u << false << u"Default"_s;
    QTest::newRow("tier layout") << 0u << 0u << true << u"TierLayout"_s;
    QTest::newRow("defragment only") << 1u << 1u << true << u"Defrag"_s;
    QTest::newRow("consolidate") << 2u << 2u << true << u"CFS"_s;
    // Methods the page does not offer stay as they are, with nothing chosen.
    QTest::newRow("analyze only kept") << 3u << 3u << false << QString();
    QTest::newRow("unknown kept") << 77u << 77u << false << QString();
}

void TestSpecialPages::methodRoundTrip()
{
    QFETCH(quint32, method);
    QFETCH(quint32, stored);
    QFETCH(bool, placementsEnabled);
    QFETCH(QString, summary);

    CScreenAutoMethodPage page;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.method = method;
    page.Load(record);

    QCOMPARE(page.Summary(), summary);
    QCOMPARE(page.PlacementButton(CCadence::kMethodDefragOnly)->isEnabled(), placementsEnabled);
    QVERIFY(page.Validate().isEmpty());

    TWireRecord target = QuietWatchRecord();
    Drive(target).settings.method = method;
    page.Store(&target);
    QCOMPARE(Drive(target).settings.method, stored);
    // Nothing but the method is touched.
    Drive(target).settings.method = Drive(record).settings.method;
    QVERIFY(Drive(target).settings == Drive(record).settings);
}

void TestSpecialPages::methodChosenByUser()
{
    CScreenAutoMethodPage page;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.method = CCadence::kMethodAnalyzeOnly;
    page.Load(record);
    QSignalSpy changed(&page, &CWirePageBase::Changed);

    // Placing files without a way chosen yet takes the recommended one.
    page.DefragmentUsingButton()->click();
    QCOMPARE(page.Method(), int(CCadence::kMethodTierLayout));
    QVERIFY(page.PlacementButton(CCadence::kMethodConsolidateFreeSpace)->isEnabled());
    QVERIFY(changed.count() >= 1);

    page.PlacementButton(CCadence::kMethodDefragOnly)->click();
    page.Store(&record);
    QCOMPARE(Drive(record).settings.method, quint32(CCadence::kMethodDefragOnly));

    // Back to the drive's settings: the way stays chosen for later, but is off.
    page.DriveSettingsButton()->click();
    QVERIFY(!page.PlacementButton(CCadence::kMethodDefragOnly)->isEnabled());
    QCOMPARE(page.FirstField(), page.DriveSettingsButton());
    page.Store(&record);
    QCOMPARE(Drive(record).settings.method, quint32(CCadence::kMethodDriveDefault));
    page.DefragmentUsingButton()->click();
    QCOMPARE(page.Method(), int(CCadence::kMethodDefragOnly));
}

// --- the minimum period pages

void TestSpecialPages::periodRoundTrip_data()
{
    QTest::addColumn<bool>("quietWatch");
    QTest::addColumn<quint32>("interval");
    QTest::addColumn<quint32>("idle");
    QTest::addColumn<QString>("summary");

    QTest::newRow("screen saver, typical") << false << 72u << 5u << u"72 hours between runs"_s;
    QTest::newRow("screen saver, a year") << false << 8760u << 5u << u"8760 hours between runs"_s;
    QTest::newRow("quietwatch, typical")
        << true << 24u << 15u << u"24 hours(s) between runs\n15 min wait"_s;
    QTest::newRow("quietwatch, least")
        << true << 1u << 1u << u"1 hours(s) between runs\n1 min wait"_s;
    QTest::newRow("quietwatch, most")
        << true << 8760u << 1440u << u"8760 hours(s) between runs\n1440 min wait"_s;
}

void TestSpecialPages::periodRoundTrip()
{
    QFETCH(bool, quietWatch);
    QFETCH(quint32, interval);
    QFETCH(quint32, idle);
    QFETCH(QString, summary);

    std::unique_ptr<CScreenMinimumPeriod> page = quietWatch
                                                     ? std::make_unique<CAutoMinimumPeriod>()
                                                     : std::make_unique<CScreenMinimumPeriod>();
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.interval = interval;
    Drive(record).settings.idleMinutes = idle;
    page->Load(record);
    QCOMPARE(page->Summary(), summary);
    QVERIFY(page->Validate().isEmpty());

    TWireRecord target = QuietWatchRecord();
    Drive(target).settings.idleMinutes = 99;
    page->Store(&target);
    QCOMPARE(Drive(target).settings.interval, interval);
    // The screen-saver page leaves the idle minutes alone.
    QCOMPARE(Drive(target).settings.idleMinutes, quietWatch ? idle : 99u);
}

void TestSpecialPages::periodValidation_data()
{
    QTest::addColumn<bool>("quietWatch");
    QTest::addColumn<bool>("clearPeriod");
    QTest::addColumn<bool>("clearIdle");
    QTest::addColumn<quint32>("interval");
    QTest::addColumn<quint32>("idle");
    QTest::addColumn<QString>("message");

    QTest::newRow("screen saver, period cleared")
        << false << true << false << 72u << 5u << u"Enter a minimum period"_s;
    QTest::newRow("quietwatch, period cleared")
        << true << true << false << 72u << 5u << u"Enter a minimum period"_s;
    QTest::newRow("quietwatch, idle cleared")
        << true << false << true << 72u << 5u << u"Enter idle period in minutes"_s;
    QTest::newRow("quietwatch, both cleared: the period first")
        << true << true << true << 72u << 5u << u"Enter a minimum period"_s;
    // Values the fields cannot hold come in empty.
    QTest::newRow("no period loaded")
        << false << false << false << 0u << 5u << u"Enter a minimum period"_s;
    QTest::newRow("period beyond a year loaded")
        << true << false << false << 9000u << 5u << u"Enter a minimum period"_s;
    QTest::newRow("no idle time loaded")
        << true << false << false << 72u << 0u << u"Enter idle period in minutes"_s;
}

void TestSpecialPages::periodValidation()
{
    QFETCH(bool, quietWatch);
    QFETCH(bool, clearPeriod);
    QFETCH(bool, clearIdle);
    QFETCH(quint32, interval);
    QFETCH(quint32, idle);
    QFETCH(QString, message);

    CAutoMinimumPeriod autoPage;
    CScreenMinimumPeriod screenPage;
    CScreenMinimumPeriod& page = quietWatch ? autoPage : screenPage;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.interval = interval;
    Drive(record).settings.idleMinutes = idle;
    page.Load(record);
    if (clearPeriod)
        page.PeriodField()->clear();
    if (clearIdle)
        autoPage.IdleField()->clear();
    QCOMPARE(page.Validate(), message);

    // An empty field leaves its part of the record as it was.
    TWireRecord target = QuietWatchRecord();
    Drive(target).settings.interval = 1234;
    Drive(target).settings.idleMinutes = 321;
    page.Store(&target);
    QCOMPARE(Drive(target).settings.interval,
             clearPeriod || interval == 0 || interval > 8760 ? 1234u : interval);
    if (quietWatch)
        QCOMPARE(Drive(target).settings.idleMinutes, clearIdle || idle == 0 ? 321u : idle);

    // Loading again fills the fields.
    Drive(record).settings.interval = 48;
    Drive(record).settings.idleMinutes = 10;
    page.Load(record);
    QVERIFY(page.Validate().isEmpty());
    QCOMPARE(page.PeriodField()->text(), u"48"_s);
}

void TestSpecialPages::periodFieldRefusesOutOfRangeText()
{
    CAutoMinimumPeriod page;
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QSignalSpy changed(&page, &CWirePageBase::Changed);

    page.PeriodField()->clear();
    QTest::keyClicks(page.PeriodField(), u"9999"_s);
    QCOMPARE(page.PeriodField()->text(), u"999"_s);
    QTest::keyClicks(page.PeriodField(), u"x-"_s);
    QCOMPARE(page.PeriodField()->text(), u"999"_s);
    QVERIFY(changed.count() >= 3);

    page.IdleField()->clear();
    QTest::keyClicks(page.IdleField(), u"0"_s);
    QVERIFY(page.IdleField()->text().isEmpty());
    QTest::keyClicks(page.IdleField(), u"14400"_s);
    QCOMPARE(page.IdleField()->text(), u"1440"_s);

    TWireRecord record = QuietWatchRecord();
    page.Store(&record);
    QCOMPARE(Drive(record).settings.interval, 999u);
    QCOMPARE(Drive(record).settings.idleMinutes, 1440u);
}

// --- the exclusions page

void TestSpecialPages::programsRoundTrip()
{
    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    // A list written elsewhere keeps its entries as they are.
    const QStringList programs{u"rsync"_s, u"C:\\Tools\\Backup.exe"_s, u"long program name"_s};
    Drive(record).settings.excludedPrograms = Wide(programs);
    page.Load(record);
    QCOMPARE(page.Programs(), programs);
    QCOMPARE(page.FirstField(), page.ProgramList());
    QVERIFY(page.Validate().isEmpty());

    TWireRecord target = QuietWatchRecord();
    Drive(target).settings.excludedPrograms = Wide({u"other"_s});
    page.Store(&target);
    QVERIFY(Drive(target).settings == Drive(record).settings);

    // An empty list empties the record's.
    page.Load(QuietWatchRecord());
    QVERIFY(page.Programs().isEmpty());
    QVERIFY(!page.RemoveAllButton()->isEnabled());
    page.Store(&target);
    QVERIFY(Drive(target).settings.excludedPrograms.empty());
}

void TestSpecialPages::programAddedThroughFileDialog()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"backup-tool"_s);
    QFile program(path);
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    CAutoExclusions page;
    page.Load(QuietWatchRecord());
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    m_presenter->dialogScripts.append([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        // Programs: files one may run.
        if (!files.filter().testFlag(QDir::Executable) ||
            files.fileMode() != QFileDialog::ExistingFile)
            return int(QDialog::Rejected);
        files.selectFile(path);
        return int(QDialog::Accepted);
    });

    page.AddButton()->click();
    // A cancelled dialog adds nothing.
    page.AddButton()->click();

    QCOMPARE(m_presenter->dialogTitles, (QStringList{u"Add Program"_s, u"Add Program"_s}));
    // Kept by its file name, as the agent finds it among the running programs.
    QCOMPARE(page.Programs(), QStringList{u"backup-tool"_s});
    QCOMPARE(changed.count(), 1);
    QVERIFY(m_presenter->messages.isEmpty());
    QVERIFY(page.RemoveAllButton()->isEnabled());
    TWireRecord record = QuietWatchRecord();
    page.Store(&record);
    QCOMPARE(Drive(record).settings.excludedPrograms, Wide({u"backup-tool"_s}));
}

void TestSpecialPages::listedProgramRefused_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("title");

    QTest::newRow("same name elsewhere") << u"/usr/local/bin/rsync"_s << u"Already added"_s;
    QTest::newRow("other case") << u"/opt/RSync"_s << u"Already added"_s;
    QTest::newRow("listed with .exe") << u"/srv/tools/backup"_s << u"Already added"_s;
    QTest::newRow("list separator") << u"/opt/a;b"_s << u"Cannot add"_s;
    QTest::newRow("comma") << u"/opt/a,b"_s << u"Cannot add"_s;
    QTest::newRow("trailing blank") << u"/opt/tool "_s << u"Cannot add"_s;
}

void TestSpecialPages::listedProgramRefused()
{
    QFETCH(QString, chosen);
    QFETCH(QString, title);

    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    const QStringList programs{u"rsync"_s, u"C:\\Tools\\Backup.EXE"_s};
    Drive(record).settings.excludedPrograms = Wide(programs);
    page.Load(record);
    QSignalSpy changed(&page, &CWirePageBase::Changed);
    m_presenter->dialogScripts.append([&](QDialog& dialog) {
        dynamic_cast<QFileDialog&>(dialog).selectFile(chosen);
        return int(QDialog::Accepted);
    });

    page.AddButton()->click();

    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().title, title);
    if (title == u"Already added"_s)
        QCOMPARE(m_presenter->messages.first().text, u"This program is already been added."_s);
    QCOMPARE(page.Programs(), programs);
    QCOMPARE(changed.count(), 0);
}

void TestSpecialPages::removeAndRemoveAll()
{
    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    Drive(record).settings.excludedPrograms = Wide({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    page.Load(record);
    QListWidget& list = *page.ProgramList();
    QVERIFY(!page.RemoveButton()->isEnabled());
    QVERIFY(page.RemoveAllButton()->isEnabled());
    QSignalSpy changed(&page, &CWirePageBase::Changed);

    list.item(0)->setSelected(true);
    list.item(2)->setSelected(true);
    QVERIFY(page.RemoveButton()->isEnabled());
    page.RemoveButton()->click();
    QCOMPARE(page.Programs(), (QStringList{u"b"_s, u"d"_s}));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!page.RemoveButton()->isEnabled());

    // Remove without a selection does nothing.
    page.OnRemove();
    QCOMPARE(page.Programs().size(), 2);
    QCOMPARE(changed.count(), 1);

    page.RemoveAllButton()->click();
    QVERIFY(page.Programs().isEmpty());
    QCOMPARE(changed.count(), 2);
    QVERIFY(!page.RemoveAllButton()->isEnabled());
    page.Store(&record);
    QVERIFY(Drive(record).settings.excludedPrograms.empty());

    // A program removed may be added again.
    QVERIFY(page.AddProgram(u"/usr/bin/a"_s));
    QCOMPARE(page.Programs(), QStringList{u"a"_s});
}

void TestSpecialPages::windowsRoundTrip_data()
{
    QTest::addColumn<bool>("deleteInList");
    QTest::newRow("timeline untouched") << false;
    QTest::newRow("period deleted in the list") << true;
}

void TestSpecialPages::windowsRoundTrip()
{
    QFETCH(bool, deleteInList);

    CAutoExclusions page;
    TWireRecord record = QuietWatchRecord();
    // A window long past, which the timeline does not show, and two ahead.
    const CScheduleSettings::TExclusionWindows windows{
        WindowAt(-400, 9, 2, 0), WindowAt(2, 10, 3, 0), WindowAt(5, 20, 2, 7)};
    Drive(record).settings.exclusionWindows = windows;
    page.Load(record);
    QCOMPARE(page.Timeline()->Windows(),
             (CScheduleSettings::TExclusionWindows{windows[1], windows[2]}));
    QSignalSpy changed(&page, &CWirePageBase::Changed);

    // The programs change in either case.
    QVERIFY(page.AddProgram(u"/usr/bin/rsync"_s));
    if (deleteInList) {
        m_presenter->dialogScripts.append([](QDialog& dialog) {
            auto& list = dynamic_cast<CTimelineDialog&>(dialog);
            list.Table().selectRow(0);
            list.OnDelete();
            return int(QDialog::Accepted);
        });
        page.Timeline()->OnDetails();
    }
    QCOMPARE(changed.count(), deleteInList ? 2 : 1);

    // Untouched, the windows stay exactly as loaded; else as the timeline holds them.
    TWireRecord target = QuietWatchRecord();
    page.Store(&target);
    QCOMPARE(Drive(target).settings.exclusionWindows,
             deleteInList ? CScheduleSettings::TExclusionWindows{windows[2]} : windows);

    // A record loaded later brings its own windows.
    page.Load(QuietWatchRecord());
    QCOMPARE(page.Timeline()->Grid().MarkedCount(), 0);
    page.Store(&target);
    QVERIFY(Drive(target).settings.exclusionWindows.empty());
}

// --- the pages in a wizard

void TestSpecialPages::quietWatchWizardFinishes()
{
    TWireRecord start = QuietWatchRecord();
    Drive(start).name = L"QuietWatch";
    Drive(start).settings.method = CCadence::kMethodDriveDefault;
    CWireWizardBase wizard(CWireWizardBase::kQuietWatch, start, "TestWizard");
    auto* method = new CScreenAutoMethodPage;
    auto* period = new CAutoMinimumPeriod;
    auto* exclusions = new CAutoExclusions;
    wizard.AddPage(method);
    wizard.AddPage(period);
    wizard.AddPage(exclusions);
    QCOMPARE(wizard.Progress()->Summary(1), u"72 hours(s) between runs\n5 min wait"_s);

    method->PlacementButton(CCadence::kMethodConsolidateFreeSpace)->setChecked(true);
    method->DefragmentUsingButton()->click();
    QCOMPARE(wizard.Progress()->Summary(0), u"CFS"_s);
    wizard.NextButton()->click();

    // An empty period keeps the wizard on the page with the page's refusal.
    period->PeriodField()->clear();
    wizard.NextButton()->click();
    QCOMPARE(wizard.CurrentIndex(), 1);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().text, u"Enter a minimum period"_s);
    period->PeriodField()->setValue(12);
    period->IdleField()->setValue(30);
    wizard.NextButton()->click();
    QCOMPARE(wizard.CurrentIndex(), 2);

    QVERIFY(exclusions->AddProgram(u"/usr/bin/rsync"_s));
    QCOMPARE(wizard.Progress()->Summary(2), u"rsync"_s);
    wizard.FinishButton()->click();
    QCOMPARE(wizard.result(), int(QDialog::Accepted));

    CCadence::CScheduleData expected = std::get<CCadence::CScheduleData>(start);
    expected.settings.method = CCadence::kMethodConsolidateFreeSpace;
    expected.settings.interval = 12;
    expected.settings.idleMinutes = 30;
    expected.settings.excludedPrograms = Wide({u"rsync"_s});
    const auto& finished = std::get<CCadence::CScheduleData>(wizard.Record());
    QCOMPARE(finished.name, expected.name);
    QVERIFY(finished.settings == expected.settings);
    QCOMPARE(finished.settings.type, quint32(CCadence::kQuietWatch));
}

QTEST_MAIN(TestSpecialPages)
#include "tst_SpecialPages.moc"

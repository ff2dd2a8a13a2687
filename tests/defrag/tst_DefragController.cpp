#include "app/CCentralWidget.h"
#include "app/CMainWindow.h"
#include "core/COleDate.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragTabWidget.h"
#include "defrag/CDefragWidget.h"
#include "defrag/CEditorTableView.h"
#include "defrag/COptimizePerformanceWidget.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/COptimizeStatisticsWidget.h"
#include "defrag/CStatisticsWidget.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"

#include "AgentSettingsAdaptor.h"
#include "AgentSettingsServiceBase.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kRoot = u"{11111111-0000-0000-0000-000000000001}"_s;
const QString kData = u"{22222222-0000-0000-0000-000000000002}"_s;
const QString kStick = u"{33333333-0000-0000-0000-000000000003}"_s;
constexpr HRESULT kAccessDenied = HRESULT(0x80070005);

TId Id(const QString& volume)
{
    return volume.toStdWString();
}

// The agent's settings as far as the tab reads them: whether solid-state drives may be
// defragmented.
class CSsdSettings : public CAgentSettingsServiceBase {
public:
    CSsdSettings(bool allowed, QObject* parent)
        : CAgentSettingsServiceBase(parent)
        , m_allowed(allowed)
    {}
    int GetAllowSsdDrives(bool& allowed) override
    {
        allowed = m_allowed;
        return S_OK;
    }

private:
    bool m_allowed;
};

} // namespace

class tst_DefragController : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void withoutConnectionNothingStarts();
    void startRoutineAnswersTheEnginesFailures_data();
    void startRoutineAnswersTheEnginesFailures();
    void solidStateDrivesOnlyAnalysedWhenDisallowed();
    void systemFilesOfUnsupportedFileSystemsAreExplained();
    void systemFilesChoices_data();
    void systemFilesChoices();
    void overrideAndDefaultMethod();
    void noticesReachTheModelAndThePage();
    void selectedFilesResultsAfterTheirPass();
    void estimateMovesOnOnlyWhenPassed();

private:
    bool Start(bool allowSsd = true);
    QStringList Operations(const QString& prefix) const;
    bool Notify(quint32 type, const QString& volume,
                const std::function<void(CNoticeWriter&)>& fill = {});

    static CDefragWidget* PageOf(CApp* app);

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<CTestEngine> m_engine;
    CDefragWidget* m_page = nullptr; // the page of the console's main window
    CApp* m_app = nullptr;
};

void tst_DefragController::init()
{
    m_f = std::make_unique<CAppFixture>();
    m_app = m_f->app.get();
}

CDefragWidget* tst_DefragController::PageOf(CApp* app)
{
    CMainWindow* window = app->GetMainWindow();
    return window
               ? qobject_cast<CDefragWidget*>(window->Pages()->Page(CModelLayout::kDefragmentation))
               : nullptr;
}

void tst_DefragController::cleanup()
{
    m_page = nullptr;
    m_f->app.reset();
    m_engine.reset();
    m_f.reset();
}

// Three volumes: an NTFS root, a FAT32 data drive and an SSD stick; the root is selected.
bool tst_DefragController::Start(bool allowSsd)
{
    m_engine = std::make_unique<CTestEngine>();
    m_engine->volumes = {kRoot, kData, kStick};
    const auto add = [this](const QString& id, const QString& mountName, const QString& fileSystem,
                            quint32 driveType) {
        CTestEngine::TVolumeData data;
        data.mountName = mountName;
        data.fileSystem = fileSystem;
        data.driveType = driveType;
        m_engine->SetVolumeData(id, data);
    };
    add(kRoot, u"/"_s, u"NTFS"_s, 1);
    add(kData, u"/data"_s, u"FAT32"_s, 1);
    add(kStick, u"/media/stick"_s, u"NTFS"_s, 4);
    m_engine->ServeAt(m_engine->AgentObjectPath(u"Settings"_s), [allowSsd](QObject* owner) {
        auto* settings = new CSsdSettings(allowSsd, owner);
        new CAgentSettingsAdaptor(settings);
        return settings;
    });
    if (!m_engine->Start())
        return false;
    m_app->WireEngineSignals();
    if (!m_app->ConnectWithArgument(u"/connect="_s))
        return false;
    m_page = PageOf(m_app);
    m_app->Defrager().SelectVolumes({Id(kRoot)});
    return m_page && m_app->DefragController() == m_page;
}

QStringList tst_DefragController::Operations(const QString& prefix) const
{
    QStringList found;
    for (const QString& operation : m_engine->Operations())
        if (operation.startsWith(prefix))
            found << operation;
    return found;
}

bool tst_DefragController::Notify(quint32 type, const QString& volume,
                                  const std::function<void(CNoticeWriter&)>& fill)
{
    CNoticeWriter writer;
    writer.U32(type).String(volume);
    if (fill)
        fill(writer);
    return m_engine->Notify(writer.Body());
}

void tst_DefragController::withoutConnectionNothingStarts()
{
    CDefragWidget* page = PageOf(m_app);
    QVERIFY(page);
    page->Analyse(L"{x}");
    page->Stop();
    qint32 method = 0;
    QCOMPARE(page->GetDefaultAlgorithm(L"{x}", method), E_FAIL);
    QCOMPARE(method, qint32(CDefrager::kDriveDefaultAlgorithm));
    // Each command told the user once, in the controller's words.
    QCOMPARE(m_f->presenter.messages.size(), 3);
    QCOMPARE(m_f->presenter.messages.at(0).title, u"Could Not Connect"_s);
}

void tst_DefragController::startRoutineAnswersTheEnginesFailures_data()
{
    QTest::addColumn<bool>("analyse");
    QTest::addColumn<QString>("failingCall");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text"); // the start of the box's text; empty: no box

    QTest::newRow("drive type unknown")
        << true << u"GetDriveType"_s << int(E_FAIL) << u"Cannot determine the drive type."_s;
    QTest::newRow("analysis refused") << true << u"AnalyzeEx"_s << int(kAccessDenied)
                                      << u"Unable to Analyze Drive / due to error 0x80070005("_s;
    QTest::newRow("pass refused")
        << false << u"StartPassEx"_s << int(kAccessDenied)
        << u"Unable to defragment Entire Drive / due to error 0x80070005("_s;
    QTest::newRow("on battery") << false << u"StartPassEx"_s << int(0x80070015)
                                << u"Unable to start defragmentation as your computer"_s;
    QTest::newRow("silent") << false << u"StartPassEx"_s << int(0x80070708) << QString();
}

void tst_DefragController::startRoutineAnswersTheEnginesFailures()
{
    QFETCH(bool, analyse);
    QFETCH(QString, failingCall);
    QFETCH(int, result);
    QFETCH(QString, text);
    QVERIFY(Start());
    m_engine->SetOperationAnswer(failingCall, result);
    if (analyse)
        m_page->Analyse();
    else
        m_page->EntireDrive();
    if (text.isEmpty()) {
        QVERIFY(m_f->presenter.messages.isEmpty());
        return;
    }
    QCOMPARE(m_f->presenter.messages.size(), 1);
    QVERIFY2(m_f->presenter.messages.at(0).text.startsWith(text),
             qPrintable(m_f->presenter.messages.at(0).text));
}

void tst_DefragController::solidStateDrivesOnlyAnalysedWhenDisallowed()
{
    QVERIFY(Start(false));
    CDefrager& drives = m_app->Defrager();
    drives.DeselectVolumes({Id(kRoot)});
    drives.SelectVolumes({Id(kStick)});
    m_page->EntireDrive();
    QCOMPARE(m_f->presenter.messages.size(), 1);
    QCOMPARE(m_f->presenter.messages.at(0).title, u"Defragmentation Not Allowed"_s);
    QVERIFY(Operations(u"StartPass"_s).isEmpty());
    QVERIFY(drives.Volume(Id(kStick)).startedHere);

    m_page->Analyse();
    QCOMPARE(Operations(u"Analyze"_s).size(), 1);
    QCOMPARE(m_f->presenter.messages.size(), 1);
}

void tst_DefragController::systemFilesOfUnsupportedFileSystemsAreExplained()
{
    QVERIFY(Start());
    m_app->Defrager().SelectVolumes({Id(kData)});
    m_f->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Cancel)};
    m_page->SystemFiles();
    // The root's choice (cancelled), then the explanation for the FAT32 drive.
    QCOMPARE(m_f->presenter.messages.size(), 2);
    QCOMPARE(m_f->presenter.messages.at(0).title, u"Boot Time Defrag of /"_s);
    QCOMPARE(m_f->presenter.messages.at(1).text,
             u"System Files on Drive /data will not be defragged since it's Filesystem is not "
             "supported for that yet"_s);
    QVERIFY(Operations(u"DefragSystemFilesOffline"_s).isEmpty());
}

void tst_DefragController::systemFilesChoices_data()
{
    using B = QMessageBox;
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<int>("offlineAnswer");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("bootStatus");
    QTest::addColumn<int>("countdowns");

    const QString root = u":"_s + kRoot;
    QTest::newRow("next boot, reboot now")
        << QList<int>{B::No, B::Yes} << 0 << QStringList{u"Boot Time Defrag of /"_s, u"Korvane"_s}
        << QStringList{u"SetBootTime"_s + root + u":1"_s} << 1 << 1;
    QTest::newRow("offline works")
        << QList<int>{B::Yes} << 0 << QStringList{u"Boot Time Defrag of /"_s}
        << QStringList{u"DefragSystemFilesOffline"_s + root + u":ask"_s} << 0 << 0;
    QTest::newRow("in use, forced")
        << QList<int>{B::Yes, B::Yes} << int(0x80070020)
        << QStringList{u"Boot Time Defrag of /"_s, u"Close Handles?"_s}
        << QStringList{u"DefragSystemFilesOffline"_s + root + u":ask"_s,
                       u"DefragSystemFilesOffline"_s + root + u":force"_s}
        << 0 << 0;
    QTest::newRow("in use, not forced, at boot")
        << QList<int>{B::Yes, B::No, B::Yes, B::No} << int(0x80070020)
        << QStringList{u"Boot Time Defrag of /"_s, u"Close Handles?"_s, u"Defrag On Reboot?"_s,
                       u"Korvane"_s}
        << QStringList{u"DefragSystemFilesOffline"_s + root + u":ask"_s,
                       u"SetBootTime"_s + root + u":1"_s}
        << 1 << 0;
    QTest::newRow("offline fails, declined")
        << QList<int>{B::Yes, B::No} << int(0x80070032)
        << QStringList{u"Boot Time Defrag of /"_s, u"Defrag On Reboot?"_s}
        << QStringList{u"DefragSystemFilesOffline"_s + root + u":ask"_s} << 0 << 0;
}

void tst_DefragController::systemFilesChoices()
{
    QFETCH(QList<int>, answers);
    QFETCH(int, offlineAnswer);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, calls);
    QFETCH(int, bootStatus);
    QFETCH(int, countdowns);
    QVERIFY(Start());
    m_engine->SetOperationAnswer(u"DefragSystemFilesOffline:"_s + kRoot + u":ask"_s, offlineAnswer);
    for (int answer : answers)
        m_f->presenter.messageAnswers
            << CScriptedPresenter::Answer(QMessageBox::StandardButton(answer));
    m_f->presenter.dialogScripts << [](QDialog&) { return int(QDialog::Rejected); };
    m_page->SystemFiles();

    QStringList shown;
    for (const auto& message : m_f->presenter.messages)
        shown << message.title;
    QCOMPARE(shown, titles);
    QStringList made = Operations(u"DefragSystemFilesOffline"_s) + Operations(u"SetBootTime"_s);
    QCOMPARE(made, calls);
    QCOMPARE(int(m_app->Defrager().Volume(Id(kRoot)).atBootStatus), bootStatus);
    QCOMPARE(int(m_f->presenter.dialogTitles.size()), countdowns);
}

void tst_DefragController::overrideAndDefaultMethod()
{
    QVERIFY(Start());
    QSignalSpy typeChanged(&m_app->Defrager(), &CDefrager::HDTypeChanged);
    QSignalSpy refreshed(&m_app->Defrager(), &CDefrager::Refresh);
    m_page->SetOverrideDriveType(Id(kRoot), 4);
    QCOMPARE(m_app->Defrager().Volume(Id(kRoot)).driveType, quint32(4));
    m_page->SetOverrideDriveType(Id(kRoot), 4);
    QCOMPARE(Operations(u"SetDefaultAlgorithm"_s),
             QStringList{u"SetDefaultAlgorithm:"_s + kRoot + u":2"_s});
    QCOMPARE(typeChanged.size(), 2);
    QCOMPARE(refreshed.size(), 2);

    // The default method is the drive's own when the engine cannot say.
    qint32 method = -1;
    QCOMPARE(m_page->GetDefaultAlgorithm(Id(kRoot), method), S_OK);
    QCOMPARE(method, qint32(m_engine->defaultAlgorithm));
    m_engine->SetOperationAnswer(u"GetDefaultAlgorithm"_s, int(kAccessDenied));
    QCOMPARE(m_page->GetDefaultAlgorithm(Id(kRoot), method), kAccessDenied);
    QCOMPARE(method, qint32(CDefrager::kDriveDefaultAlgorithm));

    // The drive properties are those of the current volume, read when they open.
    m_app->Defrager().SetCurrentVolume(Id(kData));
    m_page->Properties();
    QCOMPARE(m_f->presenter.dialogTitles, QStringList{u"/data Properties"_s});
    QVERIFY(Operations(u"GetExcludedFiles"_s).contains(u"GetExcludedFiles:"_s + kData));
}

// From the engine's notices through the feed to the drive model, the status line and the
// page's own signals; notices of volumes the model does not know change nothing. A pass started
// here with "shut down when done" opens the countdown once, when it completes.
void tst_DefragController::noticesReachTheModelAndThePage()
{
    QVERIFY(Start());
    CDefrager& drives = m_app->Defrager();
    drives.SetShutDownWhenDone(true);
    m_page->EntireDrive();
    QCOMPARE(Operations(u"StartPass"_s).size(), 1);
    QSignalSpy started(m_page, &CDefragWidget::Started);
    QSignalSpy completed(m_page, &CDefragWidget::Completed);

    QVERIFY(Notify(NoticeType::EngineOpStarted, u"{unknown}"_s));
    QVERIFY(Notify(NoticeType::EngineOpStarted, kRoot));
    QVERIFY(started.wait());
    QCOMPARE(started.size(), 1);
    QVERIFY(!m_page->DriveTable()->View()->isEnabled());
    QVERIFY(m_page->EstimateTimer().isActive());

    const double end = COleDate::FromDateTime(QDateTime::currentDateTime().addSecs(600));
    QVERIFY(Notify(NoticeType::EngineStatus, kRoot,
                   [end](CNoticeWriter& w) { w.U32(1).F64(42.6).F64(end); }));
    QVERIFY(Notify(NoticeType::EngineWorkingMessage, kRoot,
                   [](CNoticeWriter& w) { w.F64(10).String(u"Reading directories"_s); }));
    QVERIFY(Notify(NoticeType::EngineBitmap, kRoot,
                   [](CNoticeWriter& w) { w.U8(2).U32(3598).U32(5); }));
    QVERIFY(Notify(NoticeType::EngineFragmentation, kRoot, [](CNoticeWriter& w) { w.F64(7.25); }));
    QVERIFY(Notify(NoticeType::EngineFragmentation, u"{unknown}"_s,
                   [](CNoticeWriter& w) { w.F64(1); }));
    QTRY_VERIFY(drives.Volume(Id(kRoot)).fragmentation.has_value());
    const CDefrager::TVolumeInfo running = drives.Volume(Id(kRoot));
    QCOMPARE(running.status, quint32(CDefrager::kAnalysing));
    QVERIFY(running.statusLine == L"/  Analyzing");
    QCOMPARE(running.completionPercent.value_or(0), 42.6);
    QCOMPARE(running.estimatedEnd.value_or(0), end);
    QVERIFY(running.workingMessage == L"Reading directories");
    QVERIFY(running.blocks[3599] == 2u && running.blocks[3597] == 13u);
    QCOMPARE(*running.fragmentation, 7.25);
    QCOMPARE(m_f->presenter.dialogTitles.size(), 0);
    QVERIFY(
        Notify(NoticeType::EngineStatus, kRoot, [](CNoticeWriter& w) { w.U32(0).F64(0).F64(0); }));
    // The results read on completion: sizes counted in clusters become bytes, the lists
    // after the block come along.
    CStatisticsBlockWriter analysis(CStatisticsBlock::kAnalysis,
                                    CStatisticsBlockWriter::TStart::Zeroed);
    analysis.SetText(3, kRoot).Set(55, 10);
    CStatisticsBlockLists lists;
    lists.mostFragmented = {{L"/big.iso", 40, 1 << 20, false}};
    m_engine->UpdateVolumeData(kRoot, [&](CTestEngine::TVolumeData& data) {
        data.statisticsBlocks[CStatisticsBlock::kAnalysis] = analysis.Bytes() + lists.Encode();
    });
    QVERIFY(Notify(NoticeType::EngineOpCompleted, kRoot));
    QVERIFY(completed.wait());
    const CDefrager::TVolumeInfo done = drives.Volume(Id(kRoot));
    QCOMPARE(done.clusterBytes, 4096u);
    const auto* record = dynamic_cast<const CDefragStatisticsData::CAnalyse*>(
        drives.Statistics(Id(kRoot), CStatisticsBlock::kAnalysis).get());
    QVERIFY(record);
    QCOMPARE(record->metadataSize, 40960.0);
    QCOMPARE(record->lists, lists);
    // The pages below the table show them.
    QCOMPARE(m_page->Tabs()->widget(CDefragTabWidget::kPerformancePage), m_page->Performance());
    QCOMPARE(m_page->Tabs()->widget(CDefragTabWidget::kStatisticsPage), m_page->Statistics());
    QCOMPARE(m_page->Statistics()->count(), 7);
    QTRY_COMPARE(m_page->Statistics()->Summary()->Kind(), CStatisticsResultsFactory::kAnalyse);
    QCOMPARE(done.status, quint32(CDefrager::kIdle));
    QVERIFY(!done.statusLine && !done.completionPercent);
    QVERIFY(m_page->DriveTable()->View()->isEnabled());
    QVERIFY(!m_page->EstimateTimer().isActive());
    QCOMPARE(m_f->presenter.dialogTitles.size(), 1);
    // Without the drive's geometry, the cluster size the block carries.
    m_engine->SetOperationAnswer(u"GetDriveGeometry"_s, int(kAccessDenied));
    analysis.Set(10, 512);
    m_engine->UpdateVolumeData(kRoot, [&](CTestEngine::TVolumeData& data) {
        data.statisticsBlocks[CStatisticsBlock::kAnalysis] = analysis.Bytes();
    });
    QVERIFY(Notify(NoticeType::EngineOpCompleted, kRoot));
    QVERIFY(completed.wait());
    QCOMPARE(m_f->presenter.dialogTitles.size(), 1);
    QCOMPARE(drives.Volume(Id(kRoot)).clusterBytes, 512u);
}

// The fragments of listed files before their pass and after it, once, for the results page; a
// pass the engine refused leaves nothing to report.
void tst_DefragController::selectedFilesResultsAfterTheirPass()
{
    QVERIFY(Start());
    CDefrager& drives = m_app->Defrager();
    TStringList files{L"/a.bin", L"/b.bin"};
    m_engine->SetFileFragments(u"/a.bin"_s, 7);
    QCOMPARE(m_page->DefragmentFilesList(Id(kRoot), files), S_OK);
    m_engine->SetFileFragments(u"/a.bin"_s, 1);
    QSignalSpy completed(m_page, &CDefragWidget::Completed);
    QVERIFY(Notify(NoticeType::EngineOpCompleted, kRoot));
    QVERIFY(completed.wait());
    const auto* record = dynamic_cast<const CDefragStatisticsData::CSelectedFiles*>(
        drives.Statistics(Id(kRoot), CDefrager::kSelectedFilesRecord).get());
    QVERIFY(record);
    using TFile = CDefragStatisticsData::CSelectedFiles::TFile;
    QCOMPARE(record->files, (QList<TFile>{{L"/a.bin", 7, 1, -1}, {L"/b.bin", 0, 0, -1}}));
    QVERIFY(drives.Volume(Id(kRoot)).selectedFiles.empty());
    QTRY_COMPARE(m_page->Statistics()->Summary()->Kind(),
                 CStatisticsResultsFactory::kSelectedFiles);

    m_engine->SetOperationAnswer(u"DefragmentFiles"_s, int(kAccessDenied));
    QCOMPARE(m_page->DefragmentFilesList(Id(kRoot), files), kAccessDenied);
    QVERIFY(drives.Volume(Id(kRoot)).selectedFiles.empty());
}

void tst_DefragController::estimateMovesOnOnlyWhenPassed()
{
    const QDate day(2026, 3, 1);
    QCOMPARE(CDefragWidget::ExtendedEstimate(QDateTime(day, QTime(12, 0, 30))),
             QDateTime(day, QTime(12, 5)));
    QCOMPARE(CDefragWidget::ExtendedEstimate(QDateTime(day, QTime(12, 0, 0))),
             QDateTime(day, QTime(12, 6)));
    QCOMPARE(CDefragWidget::ExtendedEstimate(QDateTime(day, QTime(23, 58, 0))),
             QDateTime(day.addDays(1), QTime(0, 4)));

    QVERIFY(Start());
    CDefrager& drives = m_app->Defrager();
    const QDateTime now(day, QTime(12, 0, 30));
    m_page->SetClock([now] { return now; });
    const double past = COleDate::FromDateTime(now.addSecs(-1));
    const double future = COleDate::FromDateTime(now.addSecs(60));
    drives.SetStatus(Id(kRoot), CDefrager::kDefragmenting);
    drives.SetStatusLine(Id(kRoot), L"/  Defragmenting", past);
    drives.SetStatus(Id(kData), CDefrager::kAnalysing);
    drives.SetStatusLine(Id(kData), L"/data  Analyzing", future);
    drives.SetStatus(Id(kStick), CDefrager::kPaused);
    drives.SetStatusLine(Id(kStick), L"/media/stick  Paused", past);
    m_page->UpdateDefragEstimation();
    QCOMPARE(*drives.Volume(Id(kRoot)).estimatedEnd,
             COleDate::FromDateTime(QDateTime(day, QTime(12, 5))));
    QCOMPARE(*drives.Volume(Id(kData)).estimatedEnd, future);
    QCOMPARE(*drives.Volume(Id(kStick)).estimatedEnd, past);
}

QTEST_MAIN(tst_DefragController)
#include "tst_DefragController.moc"

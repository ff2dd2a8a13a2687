#include "defrag/COptimizeStatisticsWidget.h"
#include "defrag/CStatisticsResultsFactory.h"
#include "defrag/CStatisticsWidget.h"
#include "engine/CStatisticsBlock.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CScriptedPresenter.h"

#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using CStats = CDefragStatisticsData;
using TKind = CStatisticsResultsFactory::TKind;

namespace {

const TId kVolumeA = L"{volume-a}";
const TId kVolumeB = L"{volume-b}";
const QDateTime kNoon(QDate(2026, 3, 4), QTime(12, 0));

// The recommended passes asked for, each with the volume that was current when asked.
class CRecordingController : public CFakeDefragController {
public:
    CRecordingController(QStringList& log, CDefrager& model)
        : CFakeDefragController(log)
        , m_model(model)
    {}
    void SystemFiles(const TId& volume) override
    {
        Log(u"SystemFiles "_s + QString::fromStdWString(volume));
    }
    void EntireDriveDefragOnly() override { LogCurrent(u"EntireDriveDefragOnly"_s); }
    void EntireDriveTierLayout() override { LogCurrent(u"EntireDriveTierLayout"_s); }
    void SetCurrentVolume(const TId& volume) override { m_model.SetCurrentVolume(volume); }

private:
    void LogCurrent(const QString& operation)
    {
        Log(operation + u' ' + QString::fromStdWString(m_model.CurrentVolume()));
    }
    CDefrager& m_model;
};

// The signals of the page that runs the passes.
class CPageSignals : public QObject {
    Q_OBJECT

signals:
    void Started(const TId& kv_volume_guid);
    void Completed(const TId& kv_volume_guid);
    void Stopped(const TId& kv_volume_guid);
    void StatisticsChanged(const TId& kv_volume_guid);
    void ModelUpdated();
};

template <typename TRecord>
std::shared_ptr<TRecord> EndingAt(int minutes)
{
    auto record = std::make_shared<TRecord>();
    record->startTime = CDateTime::FromDateTime(kNoon.addSecs(minutes * 60 - 90));
    record->endTime = CDateTime::FromDateTime(kNoon.addSecs(minutes * 60));
    record->cpuTime = 3'723'000.0;
    return record;
}

std::shared_ptr<CStats::CAnalyse> Recommending(quint32 nextPass, quint32 reasons, bool ntfs)
{
    auto analyse = EndingAt<CStats::CAnalyse>(0);
    analyse->stopReason = nextPass;
    analyse->stopReasonValue = reasons;
    analyse->ntfs = ntfs;
    analyse->performance = 42.0;
    analyse->performanceRating = 2;
    return analyse;
}

void AddVolume(CDefrager& model, const TId& id, const char* mountName)
{
    CDefrager::TVolumeInfo volume;
    volume.volumeId = id;
    volume.mountName = QString::fromLatin1(mountName).toStdWString();
    volume.fileSystem = L"ext4";
    volume.sizeMegabytes = 1024.0;
    model.SetVolume(volume);
}

// The cells of the results widget's tables, in order, one line per row joined with "|".
QStringList TableLines(const QWidget& results)
{
    QStringList lines;
    for (const auto* table : results.findChildren<QTableWidget*>(u"StatisticsResultsTable"_s))
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column)
                cells.append(table->item(row, column) ? table->item(row, column)->text()
                                                      : QString());
            lines.append(cells.join(u'|'));
        }
    return lines;
}

template <typename TWidget>
QString ChildText(const QWidget& parent, const QString& name)
{
    const auto* child = parent.findChild<TWidget*>(name);
    return child ? child->text() : u"<none>"_s;
}

} // namespace

class TestStatisticsResults : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_log.clear();
        m_model = std::make_unique<CDefrager>();
        AddVolume(*m_model, kVolumeA, "/mnt/a");
        AddVolume(*m_model, kVolumeB, "/mnt/b");
        m_model->SetCurrentVolume(kVolumeA);
        m_controller = std::make_unique<CRecordingController>(m_log, *m_model);
    }
    void cleanup()
    {
        m_controller.reset();
        m_model.reset();
    }

    void kindOfResults_data()
    {
        QTest::addColumn<QList<quint32>>("keys");
        QTest::addColumn<QList<int>>("endMinutes");
        QTest::addColumn<int>("statisticsKind");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("widget");

        // Keys: 0 analysis, 2 online, 3 offline, 7 selected files, 5 and 6 skipped passes.
        const int pass = CDefrager::kPassResults;
        QTest::newRow("nothing") << QList<quint32>{} << QList<int>{} << pass << false
                                 << int(TKind::kNoStatistics) << u"CNoStatisticsWidget"_s;
        QTest::newRow("analysis") << QList<quint32>{0} << QList<int>{0} << pass << false
                                  << int(TKind::kAnalyse) << u"CStatisticsAnalyseWidget"_s;
        QTest::newRow("online after analysis")
            << QList<quint32>{0, 2} << QList<int>{0, 5} << pass << false << int(TKind::kOnline)
            << u"CStatisticsOnlineWidget"_s;
        QTest::newRow("analysis after online")
            << QList<quint32>{0, 2} << QList<int>{5, 0} << pass << false << int(TKind::kAnalyse)
            << u"CStatisticsAnalyseWidget"_s;
        QTest::newRow("offline last")
            << QList<quint32>{0, 2, 3} << QList<int>{1, 2, 3} << pass << false
            << int(TKind::kOffline) << u"CStatisticsOfflineWidget"_s;
        QTest::newRow("selected files last")
            << QList<quint32>{0, 7} << QList<int>{1, 2} << pass << false
            << int(TKind::kSelectedFiles) << u"CStatisticsSelectedFilesWidget"_s;
        QTest::newRow("threshold not exceeded")
            << QList<quint32>{0, 5} << QList<int>{1, 0} << int(CDefrager::kThresholdNotExceeded)
            << false << int(TKind::kFTNotExceeded) << u"CStatisticsFTNotExceededWidget"_s;
        // The kind is the model's; a volume without such a record shows its own last pass.
        QTest::newRow("threshold kind, no such record")
            << QList<quint32>{0} << QList<int>{1} << int(CDefrager::kThresholdNotExceeded) << false
            << int(TKind::kAnalyse) << u"CStatisticsAnalyseWidget"_s;
        QTest::newRow("insufficient free space")
            << QList<quint32>{2, 6} << QList<int>{1, 0} << int(CDefrager::kInsufficientFreeSpace)
            << false << int(TKind::kInsufficientFreeSpace)
            << u"CStatisticsInsufficientFreeSpaceWidget"_s;
        QTest::newRow("operation running")
            << QList<quint32>{0, 2} << QList<int>{0, 5} << pass << true << int(TKind::kNoStatistics)
            << u"CNoStatisticsWidget"_s;
    }
    void kindOfResults()
    {
        QFETCH(QList<quint32>, keys);
        QFETCH(QList<int>, endMinutes);
        QFETCH(int, statisticsKind);
        QFETCH(bool, running);
        QFETCH(int, kind);
        QFETCH(QString, widget);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            std::shared_ptr<CStats::CBase> record;
            switch (keys[i]) {
            case 0:
                record = EndingAt<CStats::CAnalyse>(endMinutes[i]);
                break;
            case 2:
                record = EndingAt<CStats::COnline>(endMinutes[i]);
                break;
            case 3:
                record = EndingAt<CStats::COffline>(endMinutes[i]);
                break;
            case 5:
                record = std::make_shared<CStats::CFTNotExceeded>();
                break;
            case 6:
                record = std::make_shared<CStats::CInsufficientFreeSpace>();
                break;
            default:
                record = EndingAt<CStats::CSelectedFiles>(endMinutes[i]);
            }
            m_model->SetStatistics(kVolumeA, keys[i], record);
        }
        m_model->SetStatisticsKind(CDefrager::TOptimizeMode(statisticsKind));
        if (running)
            m_model->SetStatus(kVolumeA, CDefrager::kDefragmenting);

        QCOMPARE(int(CStatisticsResultsFactory::Choose(*m_model, kVolumeA)), kind);
        COptimizeStatisticsWidget summary(*m_model, *m_controller);
        summary.ShowVolume(kVolumeA);
        QVERIFY(summary.ResultsWidget());
        QCOMPARE(QString::fromLatin1(summary.ResultsWidget()->metaObject()->className()), widget);
        // The record shown is the one the choice was made by, and only it can be saved.
        const bool hasRecord = summary.ResultsWidget()->Found().record != nullptr;
        QCOMPARE(hasRecord, kind != int(TKind::kNoStatistics));
        QCOMPARE(summary.ResultsWidget()->findChild<QPushButton*>(u"SaveStatistics"_s)->isEnabled(),
                 hasRecord);
        // Nothing shown for an unknown volume.
        summary.ShowVolume(L"{unknown}");
        QCOMPARE(summary.Kind(), TKind::kNoStatistics);
    }

    void summaryTexts()
    {
        COptimizeStatisticsWidget summary(*m_model, *m_controller);
        summary.ShowVolume(kVolumeA);
        QVERIFY(summary.HeadingText().isEmpty());
        QCOMPARE(ChildText<QLabel>(*summary.ResultsWidget(), u"NoticeText"_s),
                 u"You must first Analyze the drive in order to display fragmentation statistics."
                 "  Click the Analyze button on the toolbar."_s);
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kAnalysis, Recommending(0, 0, false));
        summary.ShowVolume(kVolumeA);
        QCOMPARE(summary.HeadingText(), u"Details of the Analyse Run"_s);
        QVERIFY(summary.DescriptionText().startsWith(u"A fast analysis of your drive"_s));
        QCOMPARE(ChildText<QLabel>(*summary.ResultsWidget(), u"CPU Time"_s), u"1:02:03"_s);
        m_model->SetStatus(kVolumeA, CDefrager::kAnalysing);
        summary.ShowVolume(kVolumeA);
        QCOMPARE(ChildText<QLabel>(*summary.ResultsWidget(), u"NoticeText"_s),
                 u"Please wait - data will be collected/displayed after current operation "
                 "completes."_s);
    }

    void tablesShowTheRecordsFigures()
    {
        COptimizeStatisticsWidget summary(*m_model, *m_controller);
        // The offline groups after the MFT's, each with its own file count.
        auto offline = EndingAt<CStats::COffline>(0);
        offline->fileCounts = {10, 20, 30};
        offline->excessFragmentsBefore = {9, 8, 7, 6};
        offline->excessFragmentsAfter = {5, 4, 3, 2};
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kOffline, offline);
        summary.ShowVolume(kVolumeA);
        QCOMPARE(TableLines(*summary.ResultsWidget()),
                 (QStringList{u"MetaData|10|8|4"_s, u"Non-Resident Attributes|20|7|3"_s,
                              u"Directories|30|6|2"_s}));

        // A count the record lacks is the one kept when the files were handed over.
        auto selected = EndingAt<CStats::CSelectedFiles>(5);
        selected->files = {{L"/mnt/a/x.bin", -1, 1, 2048}, {L"/mnt/a/y.bin", 7, -1, -1}};
        m_model->SetStatistics(kVolumeA, 7, selected);
        m_model->SetSelectedFiles(kVolumeA, {{L"/mnt/a/x.bin", 12}});
        summary.ShowVolume(kVolumeA);
        QCOMPARE(TableLines(*summary.ResultsWidget()),
                 (QStringList{u"/mnt/a/x.bin|2 KB|12|1"_s, u"/mnt/a/y.bin||7|"_s}));
    }

    void sizesAreByteSizes_data()
    {
        QTest::addColumn<quint32>("key");
        QTest::addColumn<QStringList>("lines");
        // Both records: metadata 2 KB, MFT 1.5 MB, the pagefile's size not known, boot files 5 GB.
        QTest::newRow("analysis") << quint32(CStatisticsBlock::kAnalysis)
                                  << QStringList{u"Metadata|0|2 KB|  0%"_s, u"MFT|0|1.5 MB|  0%"_s,
                                                 u"Pagefile|0||  0%"_s,
                                                 u"Largest free space chunk||3 GB|"_s};
        QTest::newRow("online") << quint32(CStatisticsBlock::kOnline)
                                << QStringList{u"Metadata|0|2 KB|  0%"_s, u"MFT|0|1.5 MB|  0%"_s,
                                               u"Pagefile|0||  0%"_s, u"Boot files|0|5 GB|  0%"_s,
                                               u"Largest free space chunk|4 KB|1 TB|||"_s};
    }
    void sizesAreByteSizes()
    {
        QFETCH(quint32, key);
        QFETCH(QStringList, lines);
        const auto sized = [](auto record) {
            record->metadataSize = 2048.0;
            record->mftSize = 1.5 * 1024 * 1024;
            record->pagefileSize = -1.0;
            record->bootFilesSize = 5.0 * 1024 * 1024 * 1024;
            return record;
        };
        if (key == CStatisticsBlock::kAnalysis) {
            auto analyse = sized(EndingAt<CStats::CAnalyse>(0));
            analyse->largestFreeSpaceChunk = 3.0 * 1024 * 1024 * 1024;
            m_model->SetStatistics(kVolumeA, key, analyse);
        } else {
            auto online = sized(EndingAt<CStats::COnline>(0));
            online->largestFreeSpaceChunkBefore = 4096.0;
            online->largestFreeSpaceChunkAfter = 1024.0 * 1024 * 1024 * 1024;
            m_model->SetStatistics(kVolumeA, key, online);
        }
        COptimizeStatisticsWidget summary(*m_model, *m_controller);
        summary.ShowVolume(kVolumeA);
        const QStringList shown = TableLines(*summary.ResultsWidget());
        for (const QString& line : lines)
            QVERIFY2(shown.contains(line), qPrintable(line + u" not in:\n"_s + shown.join(u'\n')));
    }

    void reasonsJoinedInOrder_data()
    {
        QTest::addColumn<quint32>("reasons");
        QTest::addColumn<QString>("text");
        QTest::newRow("file and free space")
            << quint32(0x01 | 0x40)
            << u"file fragmentation is high, free space fragmentation is high"_s;
        QTest::newRow("free space before MFT")
            << quint32(0x08 | 0x40 | 0x02)
            << u"directory fragmentation is high, free space fragmentation is high, MFT "
               "fragmentation is high"_s;
        QTest::newRow("unknown bits only") << quint32(0x80 | 0x100) << QString();
        QTest::newRow("none") << quint32(0) << QString();
    }
    void reasonsJoinedInOrder()
    {
        QFETCH(quint32, reasons);
        QFETCH(QString, text);
        QCOMPARE(CStatisticsResultsWidget::ReasonsText(reasons), text);
    }

    void percentPadding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("7.24") << 7.24 << u"  7.2%"_s;
        QTest::newRow("whole") << 7.0 << u"  7%"_s;
        QTest::newRow("two digits") << 12.36 << u" 12.4%"_s;
        QTest::newRow("rounds up to 100") << 99.96 << u"100%"_s;
        QTest::newRow("above 100") << 250.25 << u"250.3%"_s;
        QTest::newRow("not a number") << qQNaN() << u"  0%"_s;
    }
    void percentPadding()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(CStatisticsResultsWidget::PercentText(value), text);
    }

    void recommendedPassActsOnShownVolume_data()
    {
        QTest::addColumn<quint32>("nextPass");
        QTest::addColumn<quint32>("reasons");
        QTest::addColumn<bool>("ntfs");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("current");
        QTest::newRow("defrag only")
            << quint32(2) << quint32(0x01) << false
            << QStringList{u"Defrag.EntireDriveDefragOnly {volume-b}"_s} << u"{volume-b}"_s;
        QTest::newRow("tier layout")
            << quint32(3) << quint32(0x40) << false
            << QStringList{u"Defrag.EntireDriveTierLayout {volume-b}"_s} << u"{volume-b}"_s;
        QTest::newRow("system files on NTFS")
            << quint32(1) << quint32(0x08) << true
            << QStringList{u"Defrag.SystemFiles {volume-b}"_s} << u"{volume-a}"_s;
        QTest::newRow("system files off NTFS: no line")
            << quint32(1) << quint32(0x08) << false << QStringList{} << u"{volume-a}"_s;
        QTest::newRow("no reason: no line")
            << quint32(2) << quint32(0) << false << QStringList{} << u"{volume-a}"_s;
        QTest::newRow("unknown pass: no line")
            << quint32(4) << quint32(0x01) << false << QStringList{} << u"{volume-a}"_s;
    }
    void recommendedPassActsOnShownVolume()
    {
        QFETCH(quint32, nextPass);
        QFETCH(quint32, reasons);
        QFETCH(bool, ntfs);
        QFETCH(QStringList, log);
        QFETCH(QString, current);
        m_model->SetStatistics(kVolumeB, CStatisticsBlock::kAnalysis,
                               Recommending(nextPass, reasons, ntfs));
        // The page rebuilds its results when the current volume changes under the button.
        CStatisticsWidget page(*m_model, *m_controller);
        page.ShowVolume(kVolumeB);
        auto* start =
            page.Summary()->ResultsWidget()->findChild<QPushButton*>(u"RecommendationStart"_s);
        QCOMPARE(start != nullptr, !log.isEmpty());
        if (start)
            start->click();
        QCOMPARE(m_log, log);
        QCOMPARE(QString::fromStdWString(m_model->CurrentVolume()), current);
    }

    void recommendationText()
    {
        QCOMPARE(CStatisticsResultsWidget::RecommendationText(2, 0x01 | 0x40, false, false),
                 u"Next step to improve system performance: <b>Defrag Only</b> pass because file "
                 "fragmentation is high, free space fragmentation is high."_s);
        QCOMPARE(CStatisticsResultsWidget::RecommendationText(1, 0x20, true, true),
                 u"Next step to improve system performance: <b>System Files Defragmentation</b> "
                 "pass because metadata fragmentation is high."_s);
    }

    void savesTheShownRecord_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("html");
        QTest::newRow("html") << u"report.html"_s << true;
        QTest::newRow("text") << u"report.txt"_s << false;
    }
    void savesTheShownRecord()
    {
        QFETCH(QString, name);
        QFETCH(bool, html);
        // Each record with its own list: the report takes the shown record's.
        auto analyse = Recommending(0, 0, false);
        analyse->lists.mostFragmented = {{L"/mnt/a/analysed.bin", 17, 8192, false}};
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kAnalysis, analyse);
        auto online = EndingAt<CStats::COnline>(-5);
        online->lists.mostFragmented = {{L"/mnt/a/defragmented.bin", 3, 4096, false}};
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kOnline, online);
        m_model->SetClusterBytes(kVolumeA, 4096);
        COptimizeStatisticsWidget summary(*m_model, *m_controller);
        summary.SetComputerName([] { return u"host-7"_s; });
        summary.ShowVolume(kVolumeA);

        QTemporaryDir folder;
        CScriptedPresenter presenter;
        const QString path = folder.filePath(name);
        presenter.dialogScripts.append([&](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            if (!html)
                files.selectNameFilter(u"Text Format (*.txt *.log)"_s);
            files.selectFile(path);
            return int(QDialog::Accepted);
        });
        summary.ResultsWidget()->findChild<QPushButton*>(u"SaveStatistics"_s)->click();
        QCOMPARE(presenter.dialogTitles, QStringList{u"Save Statistics To File"_s});
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString report = QString::fromUtf8(saved.readAll());
        QCOMPARE(report.startsWith(u"<html>"_s), html);
        QVERIFY2(report.contains(u"host-7"_s) && report.contains(u"/mnt/a"_s), qPrintable(report));
        // The analysis shown, not the older online pass: no before/after lines.
        QVERIFY(report.contains(u"Performance Health"_s));
        QVERIFY(!report.contains(u"Number of Files Defragmented"_s));
        QVERIFY(report.contains(u"/mnt/a/analysed.bin"_s));
        QVERIFY(!report.contains(u"/mnt/a/defragmented.bin"_s));
        QVERIFY(report.contains(u"Cluster Size"_s) && report.contains(u"4 KB"_s));
        QVERIFY(presenter.messages.isEmpty());
    }

    void printNeedsAPrinterOrFileOutput()
    {
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kAnalysis, Recommending(0, 0, false));
        COptimizeStatisticsWidget summary(*m_model, *m_controller);
        summary.ShowVolume(kVolumeA);
        CStatisticsResultsWidget* results = summary.ResultsWidget();
        CScriptedPresenter presenter;
        results->SetPrintCheck([] { return CStatisticsResultsWidget::TPrintAvailability{}; });
        results->findChild<QPushButton*>(u"PrintStatistics"_s)->click();
        QCOMPARE(presenter.messages.size(), 1);
        QCOMPARE(presenter.messages.first().text, u"There is no installed printer"_s);
        QCOMPARE(presenter.messages.first().title, u"Korvane"_s);
        QVERIFY(presenter.dialogTitles.isEmpty());
        // File output alone is enough: the print dialog, rejected by the script.
        results->SetPrintCheck([] {
            return CStatisticsResultsWidget::TPrintAvailability{false, true};
        });
        results->OnPrintStats();
        QCOMPARE(presenter.dialogTitles.size(), 1);
        QCOMPARE(presenter.messages.size(), 1);
    }

    void pageFollowsTheCurrentVolume()
    {
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kAnalysis, Recommending(0, 0, false));
        CStatisticsWidget page(*m_model, *m_controller);
        CPageSignals signalSource;
        page.Connect(signalSource);
        QCOMPARE(page.ShownVolume(), kVolumeA);
        QCOMPARE(page.Summary()->Kind(), TKind::kAnalyse);

        // Events about another volume change nothing.
        m_model->SetStatistics(kVolumeA, CStatisticsBlock::kOnline, EndingAt<CStats::COnline>(9));
        emit signalSource.StatisticsChanged(kVolumeB);
        emit signalSource.Completed(kVolumeB);
        QCOMPARE(page.Summary()->Kind(), TKind::kAnalyse);
        emit signalSource.StatisticsChanged(kVolumeA);
        QCOMPARE(page.Summary()->Kind(), TKind::kOnline);

        m_model->SetStatus(kVolumeA, CDefrager::kDefragmenting);
        emit signalSource.Started(kVolumeA);
        QCOMPARE(page.Summary()->Kind(), TKind::kNoStatistics);
        m_model->SetStatus(kVolumeA, CDefrager::kIdle);
        emit signalSource.Stopped(kVolumeA);
        QCOMPARE(page.Summary()->Kind(), TKind::kOnline);

        m_model->SetCurrentVolume(kVolumeB);
        QCOMPARE(page.ShownVolume(), kVolumeB);
        QCOMPARE(page.Summary()->Kind(), TKind::kNoStatistics);
        m_model->RemoveVolume(kVolumeB);
        emit signalSource.ModelUpdated();
        QVERIFY(page.ShownVolume().empty());
    }

    void helpTopicPerTab()
    {
        CStatisticsWidget page(*m_model, *m_controller);
        QCOMPARE(page.HelpTopic(), u"Statistics_Tab_-_Summary.htm"_s);
        page.setCurrentIndex(1);
        QCOMPARE(page.HelpTopic(), u"Statistics_Tab_-_File.htm"_s);
        QCOMPARE(CStatisticsWidget::HelpTopic(6), u"Statistics_Tab_-_Free_Space_Chart.htm"_s);
        QCOMPARE(CStatisticsWidget::HelpTopic(7), u"Statistics_Tab.htm"_s);
        QCOMPARE(CStatisticsWidget::HelpTopic(-1), u"Statistics_Tab.htm"_s);
    }

private:
    QStringList m_log;
    std::unique_ptr<CDefrager> m_model;
    std::unique_ptr<CRecordingController> m_controller;
};

QTEST_MAIN(TestStatisticsResults)
#include "tst_StatisticsResults.moc"

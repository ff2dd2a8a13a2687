#include "defrag/CStatisticsReport.h"
#include "defrag/CStatisticsReportFile.h"
#include "engine/CStatisticsBlock.h"
#include "tests/support/CScriptedPresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;
using CStats = CDefragStatisticsData;
Q_DECLARE_METATYPE(std::shared_ptr<const CDefragStatisticsData::CBase>)

namespace {

const QDateTime PassEnd(QDate(2026, 3, 4), QTime(5, 6, 7));

template <typename TRecord>
std::shared_ptr<TRecord> Timed(std::shared_ptr<TRecord> record)
{
    record->startTime = CDateTime::FromDateTime(PassEnd.addSecs(-3723));
    record->endTime = CDateTime::FromDateTime(PassEnd);
    record->cpuTime = 62'400.0;
    return record;
}

// A drive whose names need escaping, and a list that starts a printed page.
CStatisticsReport::TData Drive(std::shared_ptr<const CStats::CBase> statistics)
{
    CStatisticsReport::TData data;
    data.computerName = L"host&1";
    data.driveId = L"{vol-1}";
    data.mountPoint = L"/mnt/<a>";
    data.driveName = L"Größe";
    data.kvDriveName = L"/mnt/<a>";
    data.fileSystem = L"ext4";
    data.driveSizeMegabytes = 2048.0;
    data.clusterBytes = 4096;
    data.statistics = std::move(statistics);
    data.excluded = {{L"/mnt/<a>/a&b.txt", 7, -1, 0}, {L"/mnt/<a>/Ünï €.bin", -1, -1, 4}};
    return data;
}

CStatisticsReport::TData OfflineDrive()
{
    auto offline = Timed(std::make_shared<CStats::COffline>());
    offline->systemFilesDefragmented = 3;
    offline->fileCounts = {10, 20, 30};
    offline->excessFragmentsBefore = {9, 8, 7, 6};
    offline->excessFragmentsAfter = {5, 4, 3, 2};
    return Drive(offline);
}

// Lines written one a line here end in CR LF in the report.
QString Crlf(const char16_t* text)
{
    return QString::fromUtf16(text).replace(u"\n"_s, u"\r\n"_s);
}

const QString Head = Crlf(uR"(<html>
<title>Korvane Statistics</title>
<head>
<style type="text/css">
  td { padding-left: 4px; padding-right: 4px }
  th { padding-left: 4px; padding-right: 4px }
</style>
</head>
)");

const QString OfflineSections = Crlf(uR"(<h3>System and Drive Information</h3>
<table border="1px">
<tr><th>Computer Name</th><td>host&amp;1</td></tr>
<tr><th>Analyzed</th><td>2026-03-04 05:06:07</td></tr>
<tr><th>Drive ID</th><td>{vol-1}</td></tr>
<tr><th>Mount Point</th><td>/mnt/&lt;a&gt;</td></tr>
<tr><th>Drive Name</th><td>Gr&#246;&#223;e</td></tr>
<tr><th>KV Drive Name</th><td>/mnt/&lt;a&gt;</td></tr>
<tr><th>File System</th><td>ext4</td></tr>
<tr><th>Drive Size</th><td>2 GB</td></tr>
<tr><th>Cluster Size</th><td>4 KB</td></tr>
</table>
<br><br><table border="1px">
<tr><th>Elapsed Time</th><td>1:02:03</td></tr>
<tr><th>CPU Time</th><td>0:01:02</td></tr>
<tr><th>Number of System Files Defragmented</th><td>3</td></tr>
</table>
<br><br><table border="1px">
<tr><th>Data Type</th><th>Number of Files</th><th>Excess Fragments Before</th><th>Excess Fragments After</th></tr>
<tr><th>MetaData</th><td>10</td><td>8</td><td>4</td></tr>
<tr><th>Non-Resident</th><td>20</td><td>7</td><td>3</td></tr>
<tr><th>Directories</th><td>30</td><td>6</td><td>2</td></tr>
</table>
<br><br>%1<h3>List of Excluded Files (Directories not included)</h3>
<table border="1px">
<tr><th>File Name</th><th>Fragments</th><th>Reason</th></tr>
<tr><td>/mnt/&lt;a&gt;/a&amp;b.txt</td><td>7</td><td>Access Denied</td></tr>
<tr><td>/mnt/&lt;a&gt;/&#220;n&#239; &#8364;.bin</td><td></td><td>Excluded</td></tr>
</table>

</body>
</html>)");

const QString DriveText = Crlf(uR"(System and Drive Information
Computer Name  host&1
Analyzed       2026-03-04 05:06:07
Drive ID       {vol-1}
Mount Point    /mnt/<a>
Drive Name     Größe
KV Drive Name  /mnt/<a>
File System    ext4
Drive Size     2 GB
Cluster Size   4 KB)");

const QString ExcludedText = Crlf(uR"(List of Excluded Files (Directories not included)
File Name           Fragments  Reason
/mnt/<a>/a&b.txt    7          Access Denied
/mnt/<a>/Ünï €.bin             Excluded
)");

QString Sections(const QStringList& sections)
{
    return sections.join(u"\r\n\r\n"_s);
}

} // namespace

class TestStatisticsReport : public QObject {
    Q_OBJECT

private slots:
    void offlineReportIsWrittenByteForByte()
    {
        const CStatisticsReport::TData data = OfflineDrive();
        QCOMPARE(CStatisticsReport::Html(data, CStatisticsReport::kSaved),
                 Head + u"<body>\r\n"_s + OfflineSections.arg(QString()));
        QCOMPARE(CStatisticsReport::Html(data, CStatisticsReport::kPrinted),
                 Head + u"<body bgcolor=\"white\">\r\n<img src=\":/images/log_header.png\">\r\n"_s +
                     OfflineSections.arg(u"<p style=\"page-break-before: always\">"_s));
        QCOMPARE(CStatisticsReport::Text(data),
                 Sections({DriveText, Crlf(uR"(Elapsed Time                         1:02:03
CPU Time                             0:01:02
Number of System Files Defragmented  3

Data Type     Number of Files  Excess Fragments Before  Excess Fragments After
MetaData      10               8                        4
Non-Resident  20               7                        3
Directories   30               6                        2)"),
                           ExcludedText}));
        // HTML files are plain ASCII whatever the names hold; text files are UTF-8.
        QVERIFY(!CStatisticsReport::FileBytes(data, true).contains(char(0xC3)));
        QVERIFY(CStatisticsReport::FileBytes(data, false)
                    .contains("Gr\xC3\xB6\xC3\x9F"
                              "e"));
    }

    void reportSectionsOfEachKind_data()
    {
        QTest::addColumn<std::shared_ptr<const CStats::CBase>>("statistics");
        QTest::addColumn<QString>("passAndTables");

        auto analyse = Timed(std::make_shared<CStats::CAnalyse>());
        analyse->fileFragmentation = 7.24;
        analyse->excessFileFragments = 120;
        analyse->excessDirectoryFragments = 4;
        analyse->fileFragmentationStatus = 1;
        analyse->freeSpaceFragmentationRating = 2;
        analyse->performanceRating = 7;
        analyse->fragmentedDirectories = 3;
        analyse->directoryFragmentation = 99.96;
        analyse->mftSize = 1048576.0;
        analyse->mftExcessFragments = 2;
        analyse->mftFragmentation = 0.5;
        QTest::newRow("analysis") << std::shared_ptr<const CStats::CBase>(analyse)
                                  << Crlf(uR"(Fragmentation  7.2%
Elapsed Time   1:02:03
CPU Time       0:01:02

Drive Health
Number of Excess File Fragments       120
Number of Excess Directory Fragments  4
File Fragmentation Health             Good
Free Space Fragmentation Health       Poor
Largest Free Space Health             Excellent
Performance Health                    Error: Unknown status

Performance Indicator    Number  Size  Excess Fragments  % Fragmented  Health
Directories Fragmented   3             4                 100%          Excellent
Boot File Fragmentation          0 B   0                 0%            Excellent
Page File Fragmentation          0 B   0                 0%            Excellent
MFT Fragmentation                1 MB  2                 0.5%          Excellent
Metadata                         0 B   0                 0%            Excellent)");

        auto online = Timed(std::make_shared<CStats::COnline>());
        online->fileFragmentationBefore = 30.0;
        online->fileFragmentationAfter = 1.25;
        online->fragmentedFilesBefore = 50;
        online->fragmentedFilesAfter = 2;
        online->filesDefragmented = 48;
        online->largestFreeSpaceChunkBefore = 4096.0;
        online->largestFreeSpaceChunkAfter = 2097152.0;
        online->performanceBefore = 40.0;
        online->performanceAfter = 95.0;
        online->directoryFragmentation = 2.0;
        online->fragmentedDirectories = 1;
        // Only the table that the online pass alone fills.
        QTest::newRow("online") << std::shared_ptr<const CStats::CBase>(online) << Crlf(uR"(…
                                  Before  After
Largest Free Space Chunk          4 KB    2 MB
Percent Free Space Fragmentation  0%      0%
Percent File Fragmentation        30%     1.3%
Number of Fragmented Files        50      2
Percent Directory Fragmentation           2%
Number of Fragmented Directories          1
Performance                       40%     95%)");

        auto selected = Timed(std::make_shared<CStats::CSelectedFiles>());
        selected->files = {{L"/a", 5, 1, 10}, {L"/b", 3, 3, 10}, {L"/c", 4, -1, 10}};
        QTest::newRow("selected files") << std::shared_ptr<const CStats::CBase>(selected)
                                        << Crlf(uR"(Elapsed Time                  1:02:03
CPU Time                      0:01:02
Number of Files Defragmented  1)");

        auto skipped = std::make_shared<CStats::CFTNotExceeded>();
        skipped->value = 12.34;
        QTest::newRow("threshold not exceeded")
            << std::shared_ptr<const CStats::CBase>(skipped) << u"Fragmentation  12.3%"_s;
        QTest::newRow("insufficient free space")
            << std::shared_ptr<const CStats::CBase>(
                   std::make_shared<CStats::CInsufficientFreeSpace>())
            << QString();
    }

    // The sections between the drive's and the excluded files; after "…" only some of them.
    void reportSectionsOfEachKind()
    {
        QFETCH(std::shared_ptr<const CStats::CBase>, statistics);
        QFETCH(QString, passAndTables);
        const QString text = CStatisticsReport::Text(Drive(statistics));
        QString drive = DriveText;
        if (!statistics->endTime.IsValid())
            drive.remove(u"Analyzed       2026-03-04 05:06:07\r\n"_s);
        if (passAndTables.startsWith(u'…'))
            QVERIFY2(text.contains(passAndTables.mid(3)), qPrintable(text));
        else
            QCOMPARE(text, Sections(QStringList{drive, passAndTables, ExcludedText}.filter(
                               QRegularExpression(u"."_s))));
    }

    void printedRatingsCarryTheirIcon()
    {
        auto analyse = std::make_shared<CStats::CAnalyse>();
        analyse->fileFragmentationStatus = 2;
        analyse->performanceRating = -1;
        const QString html = CStatisticsReport::Html(Drive(analyse), CStatisticsReport::kPrinted);
        QVERIFY(html.contains(u"<tr><th>File Fragmentation Health</th><td><img "
                              "src=\":/images/status_poor_16.png\"> Poor</td></tr>"_s));
        QVERIFY(
            html.contains(u"<tr><th>Performance Health</th><td>Error: Unknown status</td></tr>"_s));
    }

    // A drive record's lists: file types in percent of the drive, sizes in bytes.
    void reportDataFromTheDriveRecord()
    {
        auto analyse = std::make_shared<CStats::CAnalyse>();
        analyse->lists.fileTypes = {{L"iso", 2, 512 * 1024 * 1024}, {L"", 1, 1024}};
        analyse->lists.mostFragmented = {{L"/a.iso", 40, 3000, false}};
        CDefrager::TVolumeInfo volume;
        volume.sizeMegabytes = 2048.0;
        volume.clusterBytes = 4096;
        volume.statistics[CStatisticsBlock::kAnalysis] = analyse;
        const auto data =
            CStatisticsReport::FromVolume(volume, CStatisticsBlock::kAnalysis, L"host");
        QCOMPARE(data.clusterBytes, 4096u);
        QCOMPARE(data.fileTypes.size(), 2);
        QVERIFY(data.fileTypes[0].name == L".iso" && data.fileTypes[0].percent == 25.0);
        QVERIFY(data.fileTypes[1].name == L"Other");
        QVERIFY(data.mostFragmented[0].fragments == 40 && data.mostFragmented[0].sizeBytes == 3000);
        QVERIFY(CStatisticsReport::FromVolume(volume, CStatisticsBlock::kOnline, L"host")
                    .fileTypes.isEmpty());
    }

    void sizeFieldText_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << u"0 B"_s;
        QTest::newRow("rounded to a byte") << 1023.6 << u"1 KB"_s;
        QTest::newRow("not known") << -1.0 << QString();
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QString();
        QTest::newRow("beyond a byte count") << 1e19 << QString();
    }
    void sizeFieldText()
    {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QCOMPARE(CStatisticsReport::SizeText(bytes), text);
    }

    void formatFollowsTheNameOrTheFilter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("html");
        const QString htmlFilter = u"HTML Format (*.htm *.html)"_s;
        const QString textFilter = u"Text Format (*.txt *.log)"_s;
        QTest::newRow("html name") << u"r.HTML"_s << textFilter << true;
        QTest::newRow("html filter") << u"r"_s << htmlFilter << true;
        QTest::newRow("html inside") << u"r.html.txt"_s << textFilter << false;
    }

    void formatFollowsTheNameOrTheFilter()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(bool, html);
        QCOMPARE(CStatisticsReport::IsHtmlChoice(name, filter), html);
    }

    void savedThroughTheDialog()
    {
        QTemporaryDir folder;
        CScriptedPresenter presenter;
        const QString path = folder.filePath(u"report.htm"_s);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old contents") > 0);
        old.close();
        presenter.dialogScripts.append([&](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(path);
            return int(QDialog::Accepted);
        });
        QVERIFY(CStatisticsReportFile::Save(nullptr, OfflineDrive()));
        QCOMPARE(presenter.dialogTitles, QStringList{u"Save Statistics To File"_s});
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().startsWith("<html>\r\n<title>"));
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{u"report.htm"_s});
        QVERIFY(presenter.messages.isEmpty());
    }

    void failedSaveLeavesNoFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("left");
        // The rename fails on a folder that holds something; the open in a missing folder.
        QTest::newRow("over a folder") << u"taken/"_s << QStringList{u"taken"_s};
        QTest::newRow("missing folder") << u"missing/report.txt"_s << QStringList{u"taken"_s};
    }

    void failedSaveLeavesNoFile()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, left);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath(u"taken/inside"_s));
        CScriptedPresenter presenter;
        const QString path = folder.filePath(name).chopped(name.endsWith(u'/') ? 1 : 0);
        QVERIFY(!CStatisticsReportFile::SaveTo(nullptr, OfflineDrive(), path, false));
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            left);
        QCOMPARE(
            QDir(folder.filePath(u"taken"_s)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{u"inside"_s});
        QCOMPARE(presenter.messages.size(), 1);
        QCOMPARE(presenter.messages.first().title, u"Unable to save"_s);
        QVERIFY2(presenter.messages.first().text.startsWith(u"We are unable to save to file "_s +
                                                            path + u" due to error "_s),
                 qPrintable(presenter.messages.first().text));
        QVERIFY(!presenter.messages.first().text.contains(u"Unknown error"_s));
    }

    void printsIntoAPdfFile()
    {
        QTemporaryDir folder;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(folder.filePath(u"report.pdf"_s));
        CStatisticsPrinter::Render(printer, OfflineDrive());
        QFile pdf(printer.outputFileName());
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.size() > 1000);
    }

    void printingNeedsAPrinterOrFileOutput()
    {
        QVERIFY(CStatisticsPrinter::HasFileOutput());
        CScriptedPresenter presenter;
        QVERIFY(!CStatisticsPrinter::Print(nullptr, OfflineDrive(), false, false));
        QCOMPARE(presenter.messages.size(), 1);
        QCOMPARE(presenter.messages.first().text, u"There is no installed printer"_s);
        QVERIFY(presenter.dialogTitles.isEmpty());
        // Rejected print dialogs: one offered for file output alone, one for a printer.
        QVERIFY(!CStatisticsPrinter::Print(nullptr, OfflineDrive(), false, true));
        QVERIFY(!CStatisticsPrinter::Print(nullptr, OfflineDrive(), true, false));
        QCOMPARE(presenter.dialogTitles.size(), 2);
        QCOMPARE(presenter.messages.size(), 1);
    }
};

QTEST_MAIN(TestStatisticsReport)
#include "tst_StatisticsReport.moc"

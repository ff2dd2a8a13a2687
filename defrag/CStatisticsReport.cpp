#include "defrag/CStatisticsReport.h"

#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "core/CTranslatable.h"
#include "defrag/CStatisticsFile.h"
#include "defrag/CStatisticsFileTypes.h"
#include "defrag/CStatisticsTables.h"

#include <QStringBuilder>

#include <algorithm>
#include <cmath>

namespace {

using TData = CStatisticsReport::TData;
using TCell = CStatisticsReport::TCell;
using TLine = QList<TCell>;
using TSection = CStatisticsReport::TSection;
using CStats = CDefragStatisticsData;

const QByteArray ReportContext = QByteArrayLiteral("CStatisticsReport");
constexpr auto CellPadding = "4px";

QString ReportText(const char* source)
{
    return CTranslatable::Translate(source, ReportContext).Text();
}

TCell Head(const char* source)
{
    return {ReportText(source), true, {}};
}

TCell Cell(const QString& text)
{
    return {text, false, {}};
}

TCell Count(qint64 value)
{
    return Cell(value < 0 ? QString() : QString::number(value));
}

TCell Percent(double value)
{
    if (!std::isfinite(value) || value < 0.0)
        return Cell({});
    return Cell(CTextFormat::NumberText(std::round(value * 10.0) / 10.0, 1) + u'%');
}

TCell Bytes(qint64 bytes)
{
    return Cell(bytes < 0 ? QString() : CTextFormat::ByteSizeText(quint64(bytes)));
}

TCell Size(double bytes)
{
    return Cell(CStatisticsReport::SizeText(bytes));
}

TCell Rating(int rating, CStatisticsReport::TTarget target)
{
    static constexpr const char* Icons[] = {":/images/status_excellent_16.png",
                                            ":/images/status_good_16.png",
                                            ":/images/status_poor_16.png"};
    TCell cell = Cell(CStatisticsReport::RatingText(rating));
    if (target == CStatisticsReport::kPrinted && rating >= 0 && rating <= 2)
        cell.icon = QLatin1String(Icons[rating]);
    return cell;
}

QString DateText(const CDateTime& date)
{
    if (!date.IsValid())
        return {};
    return date.ToDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void AddPair(TSection& section, const char* label, const QString& value)
{
    if (!value.isEmpty())
        section.lines.append({Head(label), Cell(value)});
}

TSection DriveSection(const TData& data)
{
    TSection section{ReportText("System and Drive Information"), {}, false};
    AddPair(section, "Computer Name", QString::fromStdWString(data.computerName));
    if (data.statistics)
        AddPair(section, "Analyzed", DateText(data.statistics->endTime));
    AddPair(section, "Drive ID", QString::fromStdWString(data.driveId));
    AddPair(section, "Mount Point", QString::fromStdWString(data.mountPoint));
    AddPair(section, "Drive Name", QString::fromStdWString(data.driveName));
    AddPair(section, "KV Drive Name", QString::fromStdWString(data.kvDriveName));
    AddPair(section, "File System", QString::fromStdWString(data.fileSystem));
    if (data.driveSizeMegabytes > 0.0)
        AddPair(section, "Drive Size", CTextFormat::SizeTextFromMegabytes(data.driveSizeMegabytes));
    if (data.clusterBytes > 0)
        AddPair(section, "Cluster Size", CTextFormat::ByteSizeText(data.clusterBytes));
    return section;
}

TSection PassSection(const TData& data)
{
    const CStats::CBase& base = *data.statistics;
    TSection section;
    std::optional<double> fragmentation;
    std::optional<qint64> filesDefragmented;
    std::optional<qint64> systemFilesDefragmented;
    if (const auto* analyse = dynamic_cast<const CStats::CAnalyse*>(&base)) {
        fragmentation = analyse->fileFragmentation;
    } else if (const auto* online = dynamic_cast<const CStats::COnline*>(&base)) {
        fragmentation = online->fileFragmentationAfter;
        filesDefragmented = online->filesDefragmented;
    } else if (const auto* offline = dynamic_cast<const CStats::COffline*>(&base)) {
        systemFilesDefragmented = offline->systemFilesDefragmented;
    } else if (const auto* selected = dynamic_cast<const CStats::CSelectedFiles*>(&base)) {
        filesDefragmented =
            std::count_if(selected->files.cbegin(), selected->files.cend(), [](const auto& file) {
                return file.fragmentsAfter >= 0 && file.fragmentsAfter < file.fragmentsBefore;
            });
    } else if (const auto* skipped = dynamic_cast<const CStats::CFTNotExceeded*>(&base)) {
        fragmentation = skipped->value;
    }
    if (fragmentation)
        AddPair(section, "Fragmentation", Percent(*fragmentation).text);
    if (base.startTime.IsValid() && base.endTime.IsValid()) {
        const double elapsed = (base.endTime.Value() - base.startTime.Value()) * 86'400'000.0;
        AddPair(section, "Elapsed Time", CStatisticsReport::DurationText(elapsed));
        AddPair(section, "CPU Time", CStatisticsReport::DurationText(base.cpuTime));
    }
    if (filesDefragmented)
        AddPair(section, "Number of Files Defragmented", QString::number(*filesDefragmented));
    if (systemFilesDefragmented)
        AddPair(section, "Number of System Files Defragmented",
                QString::number(*systemFilesDefragmented));
    return section;
}

TSection OfflineSection(const CStats::COffline& offline)
{
    TSection section;
    section.lines.append({Head("Data Type"), Head("Number of Files"),
                          Head("Excess Fragments Before"), Head("Excess Fragments After")});
    static constexpr const char* Rows[] = {"MetaData", "Non-Resident", "Directories"};
    for (std::size_t row = 0; row < std::size(Rows); ++row)
        section.lines.append({Head(Rows[row]), Count(offline.fileCounts[row]),
                              Count(offline.excessFragmentsBefore[row + 1]),
                              Count(offline.excessFragmentsAfter[row + 1])});
    return section;
}

template <typename TRecord>
TSection HealthSection(const TData& data, const TRecord& record, CStatisticsReport::TTarget target)
{
    TSection section{ReportText("Drive Health"), {}, false};
    if (data.totals) {
        const CStatisticsReport::TFileTotals& totals = *data.totals;
        section.lines.append({Head("Total Number of Files"), Count(totals.files)});
        section.lines.append({Head("Total File Size"), Bytes(totals.fileBytes)});
        section.lines.append(
            {Head("Number of Non-Fragmented Files"), Count(totals.nonFragmentedFiles)});
        section.lines.append({Head("Non-Fragmented Files Size"), Bytes(totals.nonFragmentedBytes)});
        section.lines.append({Head("Fragmented Files Size"), Bytes(totals.fragmentedBytes)});
    }
    section.lines.append(
        {Head("Number of Excess File Fragments"), Count(record.excessFileFragments)});
    section.lines.append(
        {Head("Number of Excess Directory Fragments"), Count(record.excessDirectoryFragments)});
    section.lines.append(
        {Head("File Fragmentation Health"), Rating(record.fileFragmentationStatus, target)});
    section.lines.append({Head("Free Space Fragmentation Health"),
                          Rating(record.freeSpaceFragmentationRating, target)});
    section.lines.append(
        {Head("Largest Free Space Health"), Rating(record.largestFreeSpaceChunkStatus, target)});
    section.lines.append({Head("Performance Health"), Rating(record.performanceRating, target)});
    return section;
}

TSection BeforeAfterSection(const CStats::COnline& online)
{
    TSection section;
    section.lines.append({TCell{{}, true, {}}, Head("Before"), Head("After")});
    section.lines.append({Head("Largest Free Space Chunk"),
                          Size(online.largestFreeSpaceChunkBefore),
                          Size(online.largestFreeSpaceChunkAfter)});
    section.lines.append({Head("Percent Free Space Fragmentation"),
                          Percent(online.freeSpaceFragmentationBefore),
                          Percent(online.freeSpaceFragmentationAfter)});
    section.lines.append({Head("Percent File Fragmentation"),
                          Percent(online.fileFragmentationBefore),
                          Percent(online.fileFragmentationAfter)});
    section.lines.append({Head("Number of Fragmented Files"), Count(online.fragmentedFilesBefore),
                          Count(online.fragmentedFilesAfter)});
    // The record keeps the directories' state after the pass only.
    section.lines.append({Head("Percent Directory Fragmentation"), Cell({}),
                          Percent(online.directoryFragmentation)});
    section.lines.append(
        {Head("Number of Fragmented Directories"), Cell({}), Count(online.fragmentedDirectories)});
    section.lines.append(
        {Head("Performance"), Percent(online.performanceBefore), Percent(online.performanceAfter)});
    return section;
}

int DirectoryRating(const CStats::CAnalyse& record)
{
    return record.directoryFragmentationStatus;
}

int DirectoryRating(const CStats::COnline& record)
{
    return record.directoryFragmentationRating;
}

template <typename TRecord>
TSection IndicatorSection(const TRecord& r, CStatisticsReport::TTarget target)
{
    TSection section;
    section.lines.append({Head("Performance Indicator"), Head("Number"), Head("Size"),
                          Head("Excess Fragments"), Head("% Fragmented"), Head("Health")});
    section.lines.append({Head("Directories Fragmented"), Count(r.fragmentedDirectories), Cell({}),
                          Count(r.excessDirectoryFragments), Percent(r.directoryFragmentation),
                          Rating(DirectoryRating(r), target)});
    section.lines.append({Head("Boot File Fragmentation"), Cell({}), Size(r.bootFilesSize),
                          Count(r.bootFilesExcessFragments), Percent(r.bootFilesFragmentation),
                          Rating(r.bootFilesStatus, target)});
    section.lines.append({Head("Page File Fragmentation"), Cell({}), Size(r.pagefileSize),
                          Count(r.pagefileExcessFragments), Percent(r.pagefileFragmentation),
                          Rating(r.pagefileStatus, target)});
    section.lines.append({Head("MFT Fragmentation"), Cell({}), Size(r.mftSize),
                          Count(r.mftExcessFragments), Percent(r.mftFragmentation),
                          Rating(r.mftStatus, target)});
    section.lines.append({Head("Metadata"), Cell({}), Size(r.metadataSize),
                          Count(r.metadataExcessFragments), Percent(r.metadataFragmentation),
                          Rating(r.metadataStatus, target)});
    return section;
}

QString ExcludedReason(int reason)
{
    // Reason 3 carries an error code that the report does not show.
    static constexpr const char* Reasons[] = {"Access Denied", "Meta Data", "System File", nullptr,
                                              "Excluded"};
    if (reason < 0 || reason >= int(std::size(Reasons)) || !Reasons[reason])
        return {};
    return ReportText(Reasons[reason]);
}

void AddListSections(const TData& data, QList<TSection>& sections)
{
    if (!data.fileOrganization.isEmpty()) {
        TSection section{ReportText("File Organization Summary"), {}, false};
        section.lines.append({Head("File Type"), Head("Amount"), Head("Size"), Head("% of Drive")});
        for (const auto& line : data.fileOrganization)
            section.lines.append({Cell(QString::fromStdWString(line.name)), Count(line.count),
                                  Bytes(line.sizeBytes), Percent(line.percent)});
        sections.append(section);
    }
    if (!data.fileTypes.isEmpty()) {
        TSection section{ReportText("File Types"), {}, false};
        section.lines.append({Head("File Type"), Head("Size"), Head("Percentage"), Head("Number")});
        for (const auto& line : data.fileTypes)
            section.lines.append({Cell(QString::fromStdWString(line.name)), Bytes(line.sizeBytes),
                                  Percent(line.percent), Count(line.count)});
        sections.append(section);
    }
    if (!data.mostFragmented.isEmpty()) {
        TSection section{
            ReportText("List of the 100 most fragmented files and directories"), {}, true};
        section.lines.append({Head("Fragments"), Head("Size"), Head("File Name")});
        for (const auto& file :
             data.mostFragmented.first(std::min<qsizetype>(100, data.mostFragmented.size())))
            section.lines.append({Count(file.fragments), Bytes(file.sizeBytes),
                                  Cell(QString::fromStdWString(file.path))});
        sections.append(section);
    }
    if (!data.excluded.isEmpty()) {
        TSection section{ReportText("List of Excluded Files (Directories not included)"), {}, true};
        section.lines.append({Head("File Name"), Head("Fragments"), Head("Reason")});
        for (const auto& file : data.excluded)
            section.lines.append({Cell(QString::fromStdWString(file.path)), Count(file.fragments),
                                  Cell(ExcludedReason(file.reason))});
        sections.append(section);
    }
}

} // namespace

CStatisticsReport::TData CStatisticsReport::FromVolume(const CDefrager::TVolumeInfo& volume,
                                                       quint32 kind, const TString& computerName)
{
    TData data;
    data.computerName = computerName;
    data.driveId = volume.volumeId;
    data.mountPoint = volume.mountName;
    data.driveName = volume.label;
    data.kvDriveName = volume.mountName;
    data.fileSystem = volume.fileSystem;
    data.driveSizeMegabytes = volume.sizeMegabytes;
    data.clusterBytes = volume.clusterBytes;
    if (const auto found = volume.statistics.find(kind); found != volume.statistics.end())
        data.statistics = found->second;
    const CStatisticsBlockLists* lists = CStatisticsTables::Lists(data.statistics.get());
    if (!lists)
        return data;
    if (const CStatisticsBlockCategoryTable* categories =
            CStatisticsTables::Categories(data.statistics.get()))
        data.fileOrganization = CStatisticsFile::Rows(*categories, volume.sizeMegabytes);
    for (const auto& type : lists->fileTypes) {
        const double percent = CStatisticsTables::PercentOfDrive(type.bytes, volume.sizeMegabytes);
        data.fileTypes.append({CStatisticsFileTypes::TypeText(type.extension).toStdWString(),
                               qint64(type.files), qint64(type.bytes),
                               std::isfinite(percent) ? percent : -1.0});
    }
    for (const auto& file : lists->mostFragmented)
        data.mostFragmented.append({file.path, qint64(file.fragments), qint64(file.bytes), -1});
    for (const auto& file : lists->excluded)
        data.excluded.append(
            {file.path, file.excessFragments, qint64(file.bytes), int(file.reason)});
    return data;
}

QList<CStatisticsReport::TSection> CStatisticsReport::Sections(const TData& data, TTarget target)
{
    QList<TSection> sections;
    const auto keep = [&sections](TSection section) {
        if (!section.lines.isEmpty())
            sections.append(std::move(section));
    };
    keep(DriveSection(data));
    if (data.statistics) {
        const CStats::CBase& base = *data.statistics;
        keep(PassSection(data));
        if (const auto* offline = dynamic_cast<const CStats::COffline*>(&base))
            keep(OfflineSection(*offline));
        if (const auto* analyse = dynamic_cast<const CStats::CAnalyse*>(&base)) {
            keep(HealthSection(data, *analyse, target));
            keep(IndicatorSection(*analyse, target));
        } else if (const auto* online = dynamic_cast<const CStats::COnline*>(&base)) {
            keep(HealthSection(data, *online, target));
            keep(BeforeAfterSection(*online));
            keep(IndicatorSection(*online, target));
        }
    }
    AddListSections(data, sections);
    return sections;
}

QString CStatisticsReport::Html(const QList<TSection>& sections, TTarget target)
{
    QString html = u"<html>\r\n<title>"_qs % HtmlEscaped(ReportText("Korvane Statistics")) %
                   u"</title>\r\n<head>\r\n<style type=\"text/css\">\r\n"_qs;
    for (const char* tag : {"td", "th"})
        html += u"  "_qs % QLatin1String(tag) % u" { padding-left: "_qs %
                QLatin1String(CellPadding) % u"; padding-right: "_qs % QLatin1String(CellPadding) %
                u" }\r\n"_qs;
    html += u"</style>\r\n</head>\r\n"_qs;
    html += target == kPrinted
                ? u"<body bgcolor=\"white\">\r\n<img src=\":/images/log_header.png\">\r\n"_qs
                : u"<body>\r\n"_qs;
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const TSection& section = sections.at(i);
        if (i > 0)
            html += u"<br><br>"_qs;
        if (target == kPrinted && section.pageBreak)
            html += u"<p style=\"page-break-before: always\">"_qs;
        if (!section.title.isEmpty())
            html += u"<h3>"_qs % HtmlEscaped(section.title) % u"</h3>\r\n"_qs;
        html += u"<table border=\"1px\">\r\n"_qs;
        for (const TLine& line : section.lines) {
            html += u"<tr>"_qs;
            for (const TCell& cell : line) {
                const QString tag = cell.header ? u"th"_qs : u"td"_qs;
                html += u'<' % tag % u'>';
                if (!cell.icon.isEmpty())
                    html += u"<img src=\""_qs % HtmlEscaped(cell.icon) % u"\"> "_qs;
                html += HtmlEscaped(cell.text) % u"</"_qs % tag % u'>';
            }
            html += u"</tr>\r\n"_qs;
        }
        html += u"</table>\r\n"_qs;
    }
    html += u"\r\n</body>\r\n</html>"_qs;
    return html;
}

QString CStatisticsReport::Text(const QList<TSection>& sections)
{
    QStringList blocks;
    for (const TSection& section : sections) {
        QList<qsizetype> widths;
        for (const TLine& line : section.lines)
            for (qsizetype column = 0; column < line.size(); ++column) {
                if (widths.size() <= column)
                    widths.append(0);
                widths[column] = std::max(widths[column], line.at(column).text.size());
            }
        QStringList lines;
        if (!section.title.isEmpty())
            lines.append(section.title);
        for (const TLine& line : section.lines) {
            QString text;
            for (qsizetype column = 0; column < line.size(); ++column) {
                if (column > 0)
                    text += u"  "_qs;
                text += line.at(column).text.leftJustified(widths.at(column));
            }
            while (text.endsWith(u' '))
                text.chop(1);
            lines.append(text);
        }
        blocks.append(lines.join(u"\r\n"_qs));
    }
    return blocks.join(u"\r\n\r\n"_qs) + u"\r\n"_qs;
}

bool CStatisticsReport::IsHtmlChoice(const QString& fileName, const QString& chosenFilter)
{
    return fileName.endsWith(u".html"_qs, Qt::CaseInsensitive) ||
           fileName.endsWith(u".htm"_qs, Qt::CaseInsensitive) ||
           chosenFilter.contains(u"*.htm"_qs, Qt::CaseInsensitive);
}

QByteArray CStatisticsReport::FileBytes(const TData& data, bool html)
{
    return html ? Html(data, kSaved).toLatin1() : Text(data).toUtf8();
}

QString CStatisticsReport::RatingText(int rating)
{
    static constexpr const char* Words[] = {"Excellent", "Good", "Poor"};
    return ReportText(rating >= 0 && rating <= 2 ? Words[rating] : "Error: Unknown status");
}

QString CStatisticsReport::SizeText(double bytes)
{
    if (!std::isfinite(bytes) || bytes < 0.0 || bytes >= 9.2e18)
        return {};
    return CTextFormat::ByteSizeText(quint64(std::llround(bytes)));
}

QString CStatisticsReport::DurationText(double milliseconds)
{
    const qint64 seconds = std::isfinite(milliseconds) && milliseconds > 0.0 && milliseconds < 1e15
                               ? std::llround(milliseconds / 1000.0)
                               : 0;
    return u"%1:%2:%3"_qs.arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString CStatisticsReport::HtmlEscaped(const QString& text)
{
    QString escaped;
    for (const char32_t code : text.toHtmlEscaped().toUcs4()) {
        if (code < 0x80)
            escaped += QChar(char16_t(code));
        else
            escaped += u"&#"_qs % QString::number(quint32(code)) % u';';
    }
    return escaped;
}

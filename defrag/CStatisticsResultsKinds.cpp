#include "defrag/CStatisticsResultsKinds.h"

#include "core/CTextFormat.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using CStats = CDefragStatisticsData;

namespace {

const QString kInfoBullet = u"bullet_info_16.png"_s;

QString Count(qint64 value)
{
    return value < 0 ? QString() : QString::number(value);
}

// Sizes as the record holds them (clusters, the record carries no cluster size).
QString Size(double value)
{
    return CTextFormat::NumberText(value, 0);
}

// The excess fragments, size and fragmentation of a group of files.
template <typename TRecord>
QList<CStatisticsResultsWidget::TRow> GroupRows(const TRecord& r, bool withBootFiles)
{
    using TRow = CStatisticsResultsWidget::TRow;
    const auto percent = &CStatisticsResultsWidget::PercentText;
    const auto text = [](const char* source) {
        return CTranslatable::Translate(source, "CStatisticsResultsWidget").Text();
    };
    QList<TRow> rows = {
        {text("Metadata"),
         r.metadataStatus,
         {Count(r.metadataExcessFragments), Size(r.metadataSize),
          percent(r.metadataFragmentation)}},
        {text("MFT"),
         r.mftStatus,
         {Count(r.mftExcessFragments), Size(r.mftSize), percent(r.mftFragmentation)}},
        {text("Pagefile"),
         r.pagefileStatus,
         {Count(r.pagefileExcessFragments), Size(r.pagefileSize),
          percent(r.pagefileFragmentation)}},
    };
    if (withBootFiles)
        rows.append({text("Boot files"),
                     r.bootFilesStatus,
                     {Count(r.bootFilesExcessFragments), Size(r.bootFilesSize),
                      percent(r.bootFilesFragmentation)}});
    return rows;
}

} // namespace

// --- analysis

CStatisticsAnalyseWidget::CStatisticsAnalyseWidget(CDefrager& model, IDefragController& controller,
                                                   QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsAnalyseWidget", parent)
{
    setObjectName(u"StatisticsAnalyse"_s);
}

void CStatisticsAnalyseWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                    const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CStats::CAnalyse*>(record);
    if (!r)
        return;
    body.addWidget(MakeRatingLine(r->performanceRating));
    body.addWidget(MakeTable(
        {}, {QString(), Translate("Excess Fragments"), Translate("Number")},
        {
            {Translate("File Fragmentation"),
             r->fileFragmentationStatus,
             {PercentText(r->fileFragmentation), Count(r->excessFileFragments),
              Count(r->fragmentedFiles)}},
            {Translate("Directory fragmentation"),
             r->directoryFragmentationStatus,
             {PercentText(r->directoryFragmentation), Count(r->excessDirectoryFragments),
              Count(r->fragmentedDirectories)}},
            {Translate("Free space fragmentation"),
             r->freeSpaceFragmentationRating,
             {PercentText(r->freeSpaceFragmentation)}},
            {Translate("Performance"), r->performanceRating, {PercentText(r->performance)}},
        }));
    QList<TRow> groups = GroupRows(*r, false);
    groups.append({Translate("Largest free space chunk"),
                   r->largestFreeSpaceChunkStatus,
                   {QString(), Size(r->largestFreeSpaceChunk)}});
    body.addWidget(MakeTable(
        {}, {Translate("Excess Fragments"), Translate("Size"), Translate("Fragmentation")},
        groups));
    if (QWidget* next = MakeRecommendation(r->stopReason, r->stopReasonValue, r->ntfs, false))
        body.addWidget(next);
}

// --- online pass

CStatisticsOnlineWidget::CStatisticsOnlineWidget(CDefrager& model, IDefragController& controller,
                                                 QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsOnlineWidget", parent)
{
    setObjectName(u"StatisticsOnline"_s);
}

void CStatisticsOnlineWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                   const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CStats::COnline*>(record);
    if (!r)
        return;
    body.addWidget(MakeRatingLine(r->performanceRating));
    body.addWidget(
        MakeTable({},
                  {Translate("Before"), Translate("After"), Translate("Number Before"),
                   Translate("Number After"), Translate("Excess Fragments")},
                  {
                      {Translate("File Fragmentation"),
                       r->fileFragmentationStatus,
                       {PercentText(r->fileFragmentationBefore),
                        PercentText(r->fileFragmentationAfter), Count(r->fragmentedFilesBefore),
                        Count(r->fragmentedFilesAfter), Count(r->excessFileFragments)}},
                      {Translate("Free space fragmentation"),
                       r->freeSpaceFragmentationRating,
                       {PercentText(r->freeSpaceFragmentationBefore),
                        PercentText(r->freeSpaceFragmentationAfter)}},
                      {Translate("Performance"),
                       r->performanceRating,
                       {PercentText(r->performanceBefore), PercentText(r->performanceAfter)}},
                      {Translate("Largest free space chunk"),
                       r->largestFreeSpaceChunkStatus,
                       {Size(r->largestFreeSpaceChunkBefore), Size(r->largestFreeSpaceChunkAfter)}},
                      // The record holds the directories' figures after the pass.
                      {Translate("Directory fragmentation"),
                       r->directoryFragmentationRating,
                       {QString(), PercentText(r->directoryFragmentation), QString(),
                        Count(r->fragmentedDirectories), Count(r->excessDirectoryFragments)}},
                  }));
    body.addWidget(MakeTable(
        {}, {Translate("Excess Fragments"), Translate("Size"), Translate("Fragmentation")},
        GroupRows(*r, true)));
    body.addWidget(MakeLine(Translate("Files defragmented"), Count(r->filesDefragmented)));
    if (QWidget* next = MakeRecommendation(r->stopReason, r->stopReasonValue, r->ntfs, true))
        body.addWidget(next);
}

// --- offline pass

CStatisticsOfflineWidget::CStatisticsOfflineWidget(CDefrager& model, IDefragController& controller,
                                                   QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsOfflineWidget", parent)
{
    setObjectName(u"StatisticsOffline"_s);
}

void CStatisticsOfflineWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                    const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CStats::COffline*>(record);
    if (!r)
        return;
    // The groups after the MFT's (index 0, which has no file count).
    const char* const names[] = {"MetaData", "Non-Resident Attributes", "Directories"};
    QList<TRow> rows;
    for (std::size_t group = 0; group < std::size(names); ++group)
        rows.append({Translate(names[group]),
                     -1,
                     {Count(r->fileCounts[group]), Count(r->excessFragmentsBefore[group + 1]),
                      Count(r->excessFragmentsAfter[group + 1])}});
    body.addWidget(MakeTable({},
                             {Translate("Number of Files"), Translate("Excess Fragments Before"),
                              Translate("Excess Fragments After")},
                             rows));
    body.addWidget(
        MakeLine(Translate("System files defragmented"), Count(r->systemFilesDefragmented)));
}

// --- selected files

CStatisticsSelectedFilesWidget::CStatisticsSelectedFilesWidget(CDefrager& model,
                                                               IDefragController& controller,
                                                               QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsSelectedFilesWidget", parent)
{
    setObjectName(u"StatisticsSelectedFiles"_s);
}

void CStatisticsSelectedFilesWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
                                          const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CStats::CSelectedFiles*>(record);
    if (!r)
        return;
    QList<TRow> rows;
    for (const CStats::CSelectedFiles::TFile& file : r->files) {
        qint64 before = file.fragmentsBefore;
        // A count the record lacks is the one kept when the files were handed to the engine.
        if (before < 0)
            for (const CDefrager::TSelectedFile& kept : volume.selectedFiles)
                if (kept.path == file.path)
                    before = kept.fragmentsBefore;
        rows.append({QString::fromStdWString(file.path),
                     -1,
                     {file.sizeBytes < 0 ? QString() : CTextFormat::ByteSizeText(file.sizeBytes),
                      Count(before), Count(file.fragmentsAfter)}});
    }
    body.addWidget(MakeTable(Translate("Filename"),
                             {Translate("Size"), Translate("Before"), Translate("After")}, rows));
}

// --- skipped passes

CStatisticsFTNotExceededWidget::CStatisticsFTNotExceededWidget(CDefrager& model,
                                                               IDefragController& controller,
                                                               QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsFTNotExceededWidget", parent)
{
    setObjectName(u"StatisticsFTNotExceeded"_s);
}

void CStatisticsFTNotExceededWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                          const CDefragStatisticsData::CBase*)
{
    body.addWidget(MakeNotice(kInfoBullet, Translate("Defragmentation has not been performed as "
                                                     "the fragmentation threshold was not met.")));
}

CStatisticsInsufficientFreeSpaceWidget::CStatisticsInsufficientFreeSpaceWidget(
    CDefrager& model, IDefragController& controller, QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsInsufficientFreeSpaceWidget", parent)
{
    setObjectName(u"StatisticsInsufficientFreeSpace"_s);
}

void CStatisticsInsufficientFreeSpaceWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                                  const CDefragStatisticsData::CBase*)
{
    body.addWidget(MakeNotice(kInfoBullet, Translate("There is insufficient free space on the "
                                                     "drive to perform the defragmentation "
                                                     "operation.")));
}

// --- no results

CNoStatisticsWidget::CNoStatisticsWidget(CDefrager& model, IDefragController& controller,
                                         QWidget* parent)
    : CStatisticsResultsWidget(model, controller, "CNoStatisticsWidget", parent)
{
    setObjectName(u"NoStatistics"_s);
}

QString CNoStatisticsWidget::Text(bool operationRunning)
{
    return operationRunning
               ? Translate("Please wait - data will be collected/displayed after current "
                           "operation completes.",
                           "CNoStatisticsWidget")
                     .Text()
               : Translate("You must first Analyze the drive in order to display fragmentation "
                           "statistics.  Click the Analyze button on the toolbar.",
                           "CNoStatisticsWidget")
                     .Text();
}

CStatisticsResultsWidget::TFound
CNoStatisticsWidget::FindRecord(const CDefrager::TVolumeInfo&) const
{
    return {};
}

void CNoStatisticsWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
                               const CDefragStatisticsData::CBase*)
{
    body.addWidget(MakeNotice({}, Text(m_model.IsRunningOrPaused(volume.volumeId))));
}

// --- the choice

CStatisticsResultsFactory::TKind CStatisticsResultsFactory::Choose(const CDefrager& model,
                                                                   const TId& volume)
{
    const CDefrager::TVolumeInfo* info = model.FindVolume(volume);
    if (!info || model.IsRunningOrPaused(volume))
        return kNoStatistics;
    using TResults = CStatisticsResultsWidget;
    if (model.StatisticsKind() == CDefrager::kThresholdNotExceeded &&
        TResults::NewestRecord<CStats::CFTNotExceeded>(*info).record)
        return kFTNotExceeded;
    if (model.StatisticsKind() == CDefrager::kInsufficientFreeSpace &&
        TResults::NewestRecord<CStats::CInsufficientFreeSpace>(*info).record)
        return kInsufficientFreeSpace;
    const std::pair<TKind, TResults::TFound> passes[] = {
        {kAnalyse, TResults::NewestRecord<CStats::CAnalyse>(*info)},
        {kOnline, TResults::NewestRecord<CStats::COnline>(*info)},
        {kOffline, TResults::NewestRecord<CStats::COffline>(*info)},
        {kSelectedFiles, TResults::NewestRecord<CStats::CSelectedFiles>(*info)},
    };
    TKind kind = kNoStatistics;
    double newest = 0.0;
    for (const auto& [passKind, found] : passes) {
        if (!found.record)
            continue;
        const double end = TResults::EndOf(*found.record);
        if (kind == kNoStatistics || end > newest) {
            kind = passKind;
            newest = end;
        }
    }
    return kind;
}

CStatisticsResultsWidget* CStatisticsResultsFactory::Create(TKind kind, CDefrager& model,
                                                            IDefragController& controller,
                                                            QWidget* parent)
{
    switch (kind) {
    case kAnalyse:
        return new CStatisticsAnalyseWidget(model, controller, parent);
    case kOnline:
        return new CStatisticsOnlineWidget(model, controller, parent);
    case kOffline:
        return new CStatisticsOfflineWidget(model, controller, parent);
    case kSelectedFiles:
        return new CStatisticsSelectedFilesWidget(model, controller, parent);
    case kFTNotExceeded:
        return new CStatisticsFTNotExceededWidget(model, controller, parent);
    case kInsufficientFreeSpace:
        return new CStatisticsInsufficientFreeSpaceWidget(model, controller, parent);
    case kNoStatistics:
        break;
    }
    return new CNoStatisticsWidget(model, controller, parent);
}

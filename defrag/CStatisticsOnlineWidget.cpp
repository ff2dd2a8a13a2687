#include "defrag/CStatisticsOnlineWidget.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CStatisticsOnlineWidget::CStatisticsOnlineWidget(CDefrager& model, IDefragController& controller,
                                                 QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsOnlineWidget", parent)
{
    setObjectName(u"StatisticsOnline"_s);
}

void CStatisticsOnlineWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                   const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CDefragStatisticsData::COnline*>(record);
    if (!r)
        return;
    const auto size = &CStatisticsReport::SizeText;
    body.addWidget(MakeRatingLine(r->performanceRating));
    body.addWidget(MakeTable(
        {},
        {Translate("Before"), Translate("After"), Translate("Number Before"),
         Translate("Number After"), Translate("Excess Fragments")},
        {
            {Translate("File Fragmentation"),
             r->fileFragmentationStatus,
             {PercentText(r->fileFragmentationBefore), PercentText(r->fileFragmentationAfter),
              CountText(r->fragmentedFilesBefore), CountText(r->fragmentedFilesAfter),
              CountText(r->excessFileFragments)}},
            {Translate("Free space fragmentation"),
             r->freeSpaceFragmentationRating,
             {PercentText(r->freeSpaceFragmentationBefore),
              PercentText(r->freeSpaceFragmentationAfter)}},
            {Translate("Performance"),
             r->performanceRating,
             {PercentText(r->performanceBefore), PercentText(r->performanceAfter)}},
            {Translate("Largest free space chunk"),
             r->largestFreeSpaceChunkStatus,
             {size(r->largestFreeSpaceChunkBefore), size(r->largestFreeSpaceChunkAfter)}},
            // The record holds the directories' figures after the pass.
            {Translate("Directory fragmentation"),
             r->directoryFragmentationRating,
             {QString(), PercentText(r->directoryFragmentation), QString(),
              CountText(r->fragmentedDirectories), CountText(r->excessDirectoryFragments)}},
        }));
    body.addWidget(MakeTable(
        {}, {Translate("Excess Fragments"), Translate("Size"), Translate("Fragmentation")},
        SystemFileRows(*r, true)));
    body.addWidget(MakeLine(Translate("Files defragmented"), CountText(r->filesDefragmented)));
    if (QWidget* next = MakeRecommendation(r->stopReason, r->stopReasonValue, r->ntfs, true))
        body.addWidget(next);
}

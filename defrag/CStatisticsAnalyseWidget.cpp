#include "defrag/CStatisticsAnalyseWidget.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CStatisticsAnalyseWidget::CStatisticsAnalyseWidget(CDefrager& model, IDefragController& controller,
                                                   QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsAnalyseWidget", parent)
{
    setObjectName(u"StatisticsAnalyse"_s);
}

void CStatisticsAnalyseWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                    const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CDefragStatisticsData::CAnalyse*>(record);
    if (!r)
        return;
    body.addWidget(MakeRatingLine(r->performanceRating));
    body.addWidget(MakeTable(
        {}, {QString(), Translate("Excess Fragments"), Translate("Number")},
        {
            {Translate("File Fragmentation"),
             r->fileFragmentationStatus,
             {PercentText(r->fileFragmentation), CountText(r->excessFileFragments),
              CountText(r->fragmentedFiles)}},
            {Translate("Directory fragmentation"),
             r->directoryFragmentationStatus,
             {PercentText(r->directoryFragmentation), CountText(r->excessDirectoryFragments),
              CountText(r->fragmentedDirectories)}},
            {Translate("Free space fragmentation"),
             r->freeSpaceFragmentationRating,
             {PercentText(r->freeSpaceFragmentation)}},
            {Translate("Performance"), r->performanceRating, {PercentText(r->performance)}},
        }));
    QList<TRow> groups = SystemFileRows(*r, false);
    groups.append({Translate("Largest free space chunk"),
                   r->largestFreeSpaceChunkStatus,
                   {QString(), CStatisticsReport::SizeText(r->largestFreeSpaceChunk)}});
    body.addWidget(MakeTable(
        {}, {Translate("Excess Fragments"), Translate("Size"), Translate("Fragmentation")},
        groups));
    if (QWidget* next = MakeRecommendation(r->stopReason, r->stopReasonValue, r->ntfs, false))
        body.addWidget(next);
}

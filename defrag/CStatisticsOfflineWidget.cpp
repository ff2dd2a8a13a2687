#include "defrag/CStatisticsOfflineWidget.h"

#include <QVBoxLayout>

#include <iterator>

using namespace Qt::StringLiterals;

CStatisticsOfflineWidget::CStatisticsOfflineWidget(CDefrager& model, IDefragController& controller,
                                                   QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsOfflineWidget", parent)
{
    setObjectName(u"StatisticsOffline"_s);
}

void CStatisticsOfflineWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                    const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CDefragStatisticsData::COffline*>(record);
    if (!r)
        return;
    // The groups after the MFT's (index 0, which has no file count).
    const char* const names[] = {"MetaData", "Non-Resident Attributes", "Directories"};
    QList<TRow> rows;
    for (std::size_t group = 0; group < std::size(names); ++group)
        rows.append(
            {Translate(names[group]),
             -1,
             {CountText(r->fileCounts[group]), CountText(r->excessFragmentsBefore[group + 1]),
              CountText(r->excessFragmentsAfter[group + 1])}});
    body.addWidget(MakeTable({},
                             {Translate("Number of Files"), Translate("Excess Fragments Before"),
                              Translate("Excess Fragments After")},
                             rows));
    body.addWidget(
        MakeLine(Translate("System files defragmented"), CountText(r->systemFilesDefragmented)));
}

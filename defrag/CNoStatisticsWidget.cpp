#include "defrag/CNoStatisticsWidget.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

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

#include "defrag/CStatisticsInsufficientFreeSpaceWidget.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CStatisticsInsufficientFreeSpaceWidget::CStatisticsInsufficientFreeSpaceWidget(
    CDefrager& model, IDefragController& controller, QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsInsufficientFreeSpaceWidget", parent)
{
    setObjectName(u"StatisticsInsufficientFreeSpace"_s);
}

void CStatisticsInsufficientFreeSpaceWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo&,
                                                  const CDefragStatisticsData::CBase*)
{
    body.addWidget(MakeNotice(RowIconName(0), Translate("There is insufficient free space on the "
                                                        "drive to perform the defragmentation "
                                                        "operation.")));
}

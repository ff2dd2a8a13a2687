#include "defrag/CStatisticsFTNotExceededWidget.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

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
    body.addWidget(MakeNotice(RowIconName(0), Translate("Defragmentation has not been performed "
                                                        "as the fragmentation threshold was not "
                                                        "met.")));
}

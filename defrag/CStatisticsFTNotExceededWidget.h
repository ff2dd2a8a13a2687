#pragma once

#include "defrag/CStatisticsRecordWidget.h"

// A pass skipped because the fragmentation threshold was not exceeded.
class CStatisticsFTNotExceededWidget
    : public CStatisticsRecordWidget<CDefragStatisticsData::CFTNotExceeded> {
    Q_OBJECT

public:
    CStatisticsFTNotExceededWidget(CDefrager& model, IDefragController& controller,
                                   QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

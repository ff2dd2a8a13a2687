#pragma once

#include "defrag/CStatisticsRecordWidget.h"

// After an online pass over the entire drive: before and after, and the next pass.
class CStatisticsOnlineWidget : public CStatisticsRecordWidget<CDefragStatisticsData::COnline> {
    Q_OBJECT

public:
    CStatisticsOnlineWidget(CDefrager& model, IDefragController& controller,
                            QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

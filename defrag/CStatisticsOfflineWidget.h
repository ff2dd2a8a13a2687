#pragma once

#include "defrag/CStatisticsRecordWidget.h"

// After a boot-time pass over the system files.
class CStatisticsOfflineWidget : public CStatisticsRecordWidget<CDefragStatisticsData::COffline> {
    Q_OBJECT

public:
    CStatisticsOfflineWidget(CDefrager& model, IDefragController& controller,
                             QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

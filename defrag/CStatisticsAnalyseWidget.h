#pragma once

#include "defrag/CStatisticsRecordWidget.h"

// After an analysis: the rating, the fragmentation found and the recommended next pass.
class CStatisticsAnalyseWidget : public CStatisticsRecordWidget<CDefragStatisticsData::CAnalyse> {
    Q_OBJECT

public:
    CStatisticsAnalyseWidget(CDefrager& model, IDefragController& controller,
                             QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

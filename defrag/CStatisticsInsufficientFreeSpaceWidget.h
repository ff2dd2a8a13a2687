#pragma once

#include "defrag/CStatisticsRecordWidget.h"

// A pass that could not run for lack of free space.
class CStatisticsInsufficientFreeSpaceWidget
    : public CStatisticsRecordWidget<CDefragStatisticsData::CInsufficientFreeSpace> {
    Q_OBJECT

public:
    CStatisticsInsufficientFreeSpaceWidget(CDefrager& model, IDefragController& controller,
                                           QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

#pragma once

#include "defrag/CStatisticsRecordWidget.h"

// After a pass over files the user picked: their fragments before and after.
class CStatisticsSelectedFilesWidget
    : public CStatisticsRecordWidget<CDefragStatisticsData::CSelectedFiles> {
    Q_OBJECT

public:
    CStatisticsSelectedFilesWidget(CDefrager& model, IDefragController& controller,
                                   QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

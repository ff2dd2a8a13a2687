#pragma once

#include "defrag/CStatisticsHistoryChart.h"

// The "Performance Chart" tab of the statistics page: drive performance before and after each
// past pass.
class CStatisticsPerformanceChart : public CStatisticsHistoryChart {
    Q_OBJECT

public:
    explicit CStatisticsPerformanceChart(CDefrager& model, QWidget* parent = nullptr)
        : CStatisticsHistoryChart(model, "Performance", &CDefrager::TVolumeInfo::performanceBefore,
                                  &CDefrager::TVolumeInfo::performanceAfter, parent)
    {}
};

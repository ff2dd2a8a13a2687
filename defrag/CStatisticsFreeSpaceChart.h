#pragma once

#include "defrag/CStatisticsHistoryChart.h"

// The "Free Space Chart" tab of the statistics page: free-space fragmentation before and after
// each past pass.
class CStatisticsFreeSpaceChart : public CStatisticsHistoryChart {
    Q_OBJECT

public:
    explicit CStatisticsFreeSpaceChart(CDefrager& model, QWidget* parent = nullptr)
        : CStatisticsHistoryChart(model, "Free space fragmentation",
                                  &CDefrager::TVolumeInfo::freeSpaceFragmentationBefore,
                                  &CDefrager::TVolumeInfo::freeSpaceFragmentationAfter, parent)
    {}
};

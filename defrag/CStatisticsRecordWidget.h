#pragma once

#include "defrag/CStatisticsResultsWidget.h"

// A results widget that shows the newest record of one class.
template <typename TClass>
class CStatisticsRecordWidget : public CStatisticsResultsWidget {
protected:
    using CStatisticsResultsWidget::CStatisticsResultsWidget;

    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override
    {
        return NewestRecord<TClass>(volume);
    }
};

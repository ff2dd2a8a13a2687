#pragma once

#include "defrag/CStatisticsResultsWidget.h"

// No results to show: the volume was never analysed, or an operation runs on it.
class CNoStatisticsWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CNoStatisticsWidget(CDefrager& model, IDefragController& controller, QWidget* parent = nullptr);

    // The waiting text while an operation runs or is paused on the volume, else the request
    // to analyse it.
    static QString Text(bool operationRunning);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

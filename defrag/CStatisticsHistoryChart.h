#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CDefrager.h"
#include "defrag/IStatisticsTab.h"
#include "widgets/CBarChartWidget.h"

#include <QString>

// A chart tab of the statistics page: one pair of the drive record's history series as
// "Before" and "After" bars per pass, dated in the user's date order.
class CStatisticsHistoryChart : public CBarChartWidget,
                                public IStatisticsTab,
                                public CTranslatable {
    Q_OBJECT

public:
    using TSeriesMember = QList<double> CDefrager::TVolumeInfo::*;

    void ShowVolume(const TId& volume) override;
    const TId& ShownVolume() const { return m_volume; }
    // The format of the pass dates; the user's locale gives it unless a test sets another.
    const QString& DateFormat() const { return m_dateFormat; }
    void SetDateFormat(const QString& format);

protected:
    CStatisticsHistoryChart(CDefrager& model, const char* title, TSeriesMember before,
                            TSeriesMember after, QWidget* parent);

private:
    CDefrager& m_model;
    const TSeriesMember m_before;
    const TSeriesMember m_after;
    TId m_volume;
    QString m_dateFormat;
};

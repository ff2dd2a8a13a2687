#include "defrag/CStatisticsHistoryChart.h"

#include "defrag/CHistoryChartData.h"

CStatisticsHistoryChart::CStatisticsHistoryChart(CDefrager& model, const char* title,
                                                 TSeriesMember before, TSeriesMember after,
                                                 QWidget* parent)
    : CBarChartWidget(parent)
    , CTranslatable("CStatisticsWidget")
    , m_model(model)
    , m_before(before)
    , m_after(after)
    , m_dateFormat(CHistoryChartData::AxisDateFormat(QLocale::system()))
{
    SetTitle(Translate(title));
    SetSeries(CHistoryChartData::BeforeAfterSeries(Translate("Before"), Translate("After")));
}

void CStatisticsHistoryChart::SetDateFormat(const QString& format)
{
    m_dateFormat = format;
    ShowVolume(m_volume);
}

void CStatisticsHistoryChart::ShowVolume(const TId& volume)
{
    const CDefrager::TVolumeInfo* record = m_model.FindVolume(volume);
    m_volume = record ? volume : TId();
    if (!record) {
        SetGroups({});
        return;
    }
    SetGroups(CHistoryChartData::Groups(
        record->*m_before, record->*m_after, record->historyDates, m_dateFormat,
        [this](const QString& value, const QString& date, bool after) {
            return Translate(after ? "after defragmentation on %1 is %2%"
                                   : "before defragmentation on %1 is %2%")
                .Arg(date)
                .Arg(value)
                .Text();
        }));
}

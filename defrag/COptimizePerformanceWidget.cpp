#include "defrag/COptimizePerformanceWidget.h"

#include "defrag/CDefrager.h"
#include "defrag/CHistoryChartData.h"
#include "widgets/CBarChartWidget.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

COptimizePerformanceWidget::COptimizePerformanceWidget(CDefrager& model, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("COptimizePerformanceWidget")
    , m_model(model)
    , m_dateFormat(CHistoryChartData::AxisDateFormat(QLocale::system()))
{
    // The charts scroll rather than hold the drive table above them to a few rows.
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    m_caption =
        new QLabel(Translate("Before and after statistics for the last several defragmentation "
                             "passes."),
                   this);
    m_caption->setWordWrap(true);
    const char* titles[] = {"Drive Performance", "File Fragmentation", "Free Space Fragmentation"};
    const QList<CBarChartWidget::TSeries> series =
        CHistoryChartData::BeforeAfterSeries(Translate("Before"), Translate("After"));
    for (std::size_t chart = 0; chart < m_charts.size(); ++chart) {
        m_charts[chart] = new CBarChartWidget(this);
        m_charts[chart]->SetTitle(Translate(titles[chart]));
        m_charts[chart]->SetSeries(series);
        layout->addWidget(m_charts[chart], 1);
    }
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    // The caption stays out of the scrolled part: its height for a width would make the charts
    // scroll at their preferred height instead of sharing the room there is.
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_caption);
    outer->addWidget(scroll, 1);
    connect(&m_model, &CDefrager::CurrentVolumeChanged, this,
            &COptimizePerformanceWidget::OnCurrentVolumeChanged);
    ShowVolume(m_model.CurrentVolume());
}

void COptimizePerformanceWidget::SetDateFormat(const QString& format)
{
    m_dateFormat = format;
    ShowVolume(m_volume);
}

void COptimizePerformanceWidget::ShowVolume(const TId& volume)
{
    const CDefrager::TVolumeInfo* record = m_model.FindVolume(volume);
    m_volume = record ? volume : TId();
    const auto groups = [&](const QList<double> CDefrager::TVolumeInfo::*before,
                            const QList<double> CDefrager::TVolumeInfo::*after,
                            const char* beforeTip, const char* afterTip) {
        if (!record)
            return QList<CBarChartWidget::TGroup>();
        return CHistoryChartData::Groups(
            record->*before, record->*after, record->historyDates, m_dateFormat,
            [&](const QString& value, const QString& date, bool isAfter) {
                return Translate(isAfter ? afterTip : beforeTip).Arg(value).Arg(date).Text();
            });
    };
    using V = CDefrager::TVolumeInfo;
    m_charts[kDrivePerformance]->SetGroups(
        groups(&V::performanceBefore, &V::performanceAfter,
               "Drive performance %1% before defragmentation pass on %2",
               "Drive performance %1% after defragmentation pass on %2"));
    m_charts[kFileFragmentation]->SetGroups(
        groups(&V::fragmentationBefore, &V::fragmentationAfter,
               "Fragmentation %1% before defragmentation pass on %2",
               "Fragmentation %1% after defragmentation pass on %2"));
    m_charts[kFreeSpaceFragmentation]->SetGroups(
        groups(&V::freeSpaceFragmentationBefore, &V::freeSpaceFragmentationAfter,
               "Free space fragmentation %1% before defragmentation pass on %2",
               "Free space fragmentation %1% after defragmentation pass on %2"));
}

void COptimizePerformanceWidget::RefreshIfCurrent(const TId& volume)
{
    if (volume == m_model.CurrentVolume())
        ShowVolume(volume);
}

void COptimizePerformanceWidget::OnCurrentVolumeChanged(const TId& kv_volume_guid)
{
    ShowVolume(kv_volume_guid);
}

void COptimizePerformanceWidget::OnStarted(const TId& kv_volume_guid)
{
    RefreshIfCurrent(kv_volume_guid);
}

void COptimizePerformanceWidget::OnCompleted(const TId& kv_volume_guid)
{
    RefreshIfCurrent(kv_volume_guid);
}

void COptimizePerformanceWidget::OnStopped(const TId& kv_volume_guid)
{
    RefreshIfCurrent(kv_volume_guid);
}

void COptimizePerformanceWidget::OnModelUpdated()
{
    ShowVolume(m_model.CurrentVolume());
}

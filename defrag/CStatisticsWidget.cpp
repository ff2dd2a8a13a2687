#include "defrag/CStatisticsWidget.h"

#include "defrag/CDefragHelpKey.h"
#include "defrag/CDefrager.h"
#include "defrag/COptimizeStatisticsWidget.h"
#include "defrag/CStatisticsExcludedFiles.h"
#include "defrag/CStatisticsFile.h"
#include "defrag/CStatisticsFileTypes.h"
#include "defrag/CStatisticsFreeSpaceChart.h"
#include "defrag/CStatisticsMostFragmented.h"
#include "defrag/CStatisticsPerformanceChart.h"

using namespace Qt::StringLiterals;

CStatisticsWidget::CStatisticsWidget(CDefrager& model, IDefragController& controller,
                                     QWidget* parent)
    : QTabWidget(parent)
    , CTranslatable("CStatisticsWidget")
    , m_model(model)
    , m_summary(new COptimizeStatisticsWidget(model, controller))
    , m_helpTopic(HelpTopic(-1))
{
    setObjectName(u"StatisticsWidget"_s);
    connect(this, &QTabWidget::currentChanged, this, &CStatisticsWidget::OnCurrentChanged);
    AddTab(m_summary, Translate("Summary"));
    AddTab(new CStatisticsFile(model), Translate("File"));
    AddTab(new CStatisticsMostFragmented(model, controller), Translate("Most Fragmented Files"));
    AddTab(new CStatisticsExcludedFiles(model), Translate("Excluded Files"));
    AddTab(new CStatisticsFileTypes(model), Translate("File Types"));
    AddTab(new CStatisticsPerformanceChart(model), Translate("Performance Chart"));
    AddTab(new CStatisticsFreeSpaceChart(model), Translate("Free Space Chart"));
    new CDefragHelpKey(this, [this] { return HelpTopic(); });
    connect(&m_model, &CDefrager::CurrentVolumeChanged, this,
            &CStatisticsWidget::OnCurrentVolumeChanged);
    ShowVolume(m_model.CurrentVolume());
}

int CStatisticsWidget::AddStatisticsTab(QWidget* page, IStatisticsTab* tab, const QString& title)
{
    m_tabs.append(tab);
    const int index = addTab(page, title);
    tab->ShowVolume(m_volume);
    return index;
}

void CStatisticsWidget::ShowVolume(const TId& volume)
{
    m_volume = m_model.Contains(volume) ? volume : TId();
    for (IStatisticsTab* tab : std::as_const(m_tabs))
        tab->ShowVolume(m_volume);
}

void CStatisticsWidget::SetComputerName(CStatisticsResultsWidget::TComputerName computerName)
{
    m_summary->SetComputerName(std::move(computerName));
}

QString CStatisticsWidget::HelpTopic(int index)
{
    static const char* const topics[] = {
        "Statistics_Tab_-_Summary.htm",
        "Statistics_Tab_-_File.htm",
        "Statistics_Tab_-_Most_Fragmented_Files.htm",
        "Statistics_Tab_-_Excluded_Files.htm",
        "Statistics_Tab_-_File_Types.htm",
        "Statistics_Tab_-_Performance_Chart.htm",
        "Statistics_Tab_-_Free_Space_Chart.htm",
    };
    if (index < 0 || index >= int(std::size(topics)))
        return u"Statistics_Tab.htm"_s;
    return QString::fromLatin1(topics[index]);
}

void CStatisticsWidget::OnCurrentChanged(int index)
{
    m_helpTopic = HelpTopic(index);
}

void CStatisticsWidget::ShowIfCurrent(const TId& volume)
{
    if (!volume.empty() && volume == m_model.CurrentVolume())
        ShowVolume(volume);
}

void CStatisticsWidget::OnStatisticsChanged(const TId& kv_volume_guid)
{
    ShowIfCurrent(kv_volume_guid);
}

void CStatisticsWidget::OnCurrentVolumeChanged(const TId& kv_volume_guid)
{
    ShowVolume(kv_volume_guid);
}

void CStatisticsWidget::OnStarted(const TId& kv_volume_guid)
{
    ShowIfCurrent(kv_volume_guid);
}

void CStatisticsWidget::OnCompleted(const TId& kv_volume_guid)
{
    ShowIfCurrent(kv_volume_guid);
}

void CStatisticsWidget::OnStopped(const TId& kv_volume_guid)
{
    ShowIfCurrent(kv_volume_guid);
}

void CStatisticsWidget::OnModelUpdated()
{
    ShowVolume(m_model.CurrentVolume());
}

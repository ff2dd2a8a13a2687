#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CStatisticsResultsWidget.h"
#include "defrag/IStatisticsTab.h"

#include <QList>
#include <QTabWidget>

#include <type_traits>

class CDefrager;
class COptimizeStatisticsWidget;
class IDefragController;

// The "Statistics" page of the defragmentation tab: a tab per view of the current volume's
// statistics, "Summary" first. Every tab is shown the current volume again when its statistics
// change, when another volume becomes current, when an operation on it starts, completes or
// stops, and when the drive set is rebuilt.
class CStatisticsWidget : public QTabWidget, public CTranslatable {
    Q_OBJECT

public:
    CStatisticsWidget(CDefrager& model, IDefragController& controller, QWidget* parent = nullptr);

    // Adds a tab after the others; the page owns it from then on. Answers its index.
    template <typename TTab>
    int AddTab(TTab* tab, const QString& title)
    {
        static_assert(std::is_base_of_v<QWidget, TTab> && std::is_base_of_v<IStatisticsTab, TTab>,
                      "a statistics tab is a widget that can be shown a volume");
        return AddStatisticsTab(tab, tab, title);
    }

    // Follows the page that runs the passes: its Started, Completed, Stopped (each with the
    // volume), StatisticsChanged(volume) and ModelUpdated() signals; the drive model's
    // CurrentVolumeChanged is followed from the start.
    template <typename TPage>
    void Connect(TPage& page)
    {
        connect(&page, &TPage::Started, this, &CStatisticsWidget::OnStarted);
        connect(&page, &TPage::Completed, this, &CStatisticsWidget::OnCompleted);
        connect(&page, &TPage::Stopped, this, &CStatisticsWidget::OnStopped);
        connect(&page, &TPage::StatisticsChanged, this, &CStatisticsWidget::OnStatisticsChanged);
        connect(&page, &TPage::ModelUpdated, this, &CStatisticsWidget::OnModelUpdated);
    }

    // Every tab shows the volume.
    void ShowVolume(const TId& volume);
    const TId& ShownVolume() const { return m_volume; }

    COptimizeStatisticsWidget* Summary() const { return m_summary; }
    // The computer named in the saved and printed reports.
    void SetComputerName(CStatisticsResultsWidget::TComputerName computerName);

    // The help topic of the tab at the index; the page's own outside the tabs.
    static QString HelpTopic(int index);
    QString HelpTopic() const { return m_helpTopic; }

public slots:
    void OnStatisticsChanged(const TId& kv_volume_guid);
    void OnCurrentVolumeChanged(const TId& kv_volume_guid);
    void OnStarted(const TId& kv_volume_guid);
    void OnCompleted(const TId& kv_volume_guid);
    void OnStopped(const TId& kv_volume_guid);
    void OnModelUpdated();
    void OnCurrentChanged(int index);

private:
    int AddStatisticsTab(QWidget* page, IStatisticsTab* tab, const QString& title);
    // The current volume again, when the event is about it.
    void ShowIfCurrent(const TId& volume);

    CDefrager& m_model;
    QList<IStatisticsTab*> m_tabs;
    COptimizeStatisticsWidget* m_summary;
    TId m_volume;
    QString m_helpTopic;
};

#pragma once

#include "appmodel/IDefragController.h"
#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "defrag/CDefrager.h"

#include <QDateTime>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>

class CColorLegendWidget;
class CDefragFeed;
class CDefragFoldableWidget;
class CDefragTabWidget;
class CMultiFileSelectViewer;
class COptimizeBitmapWidget;
class COptimizePerformanceWidget;
class CStatisticsWidget;
class COptimizeSettingsWidget;
class IAppController;
class QSplitter;

// The defragmentation tab: the drive table over the drive map, performance and statistics pages
// and the side panel with the gauges. It is also the controller through which the ribbon, the
// drive table and the other drive views start, stop and configure the engine's passes: it calls
// the engine, reports failures in message boxes, and writes the outcome into the drive model.
// It registers itself as the application's defragmentation controller while it lives.
class CDefragWidget : public QWidget, public IDefragController, public CTranslatable {
    Q_OBJECT

public:
    using TClock = std::function<QDateTime()>;

    explicit CDefragWidget(CDefragFeed& feed, QWidget* parent = nullptr);
    ~CDefragWidget() override;

    // IDefragController.
    void EntireDrive(const TId& kv_volume_guid) override;
    void EntireDrive() override;
    void Analyse(const TId& kv_volume_guid) override;
    void Analyse() override;
    void SelectedFiles() override;
    void SystemFiles(const TId& kv_volume_guid) override;
    void SystemFiles() override;
    void Stop(const TId& kv_volume_guid) override;
    void Stop() override;
    void Pause(const TId& kv_volume_guid) override;
    void Pause() override;
    void Resume(const TId& kv_volume_guid) override;
    void Resume() override;
    void Properties() override;
    HRESULT DefragmentFilesList(const TId& kv_volume_guid, TStringList& list) override;
    void SetBootTime(const TId& kv_volume_guid, qint32 at_boot) override;
    void SetDefaultAlgorithm(const TId& kv_volume_guid, qint32 algorithm) override;
    HRESULT GetDefaultAlgorithm(const TId& kv_volume_guid, qint32& algorithm) override;
    void SetOverrideDriveType(const TId& kv_volume_guid, int override_type) override;
    void EntireDriveDefragOnly() override;
    void EntireDriveTierLayout() override;
    void SelectVolumes(const std::list<TId>& kv_volume_guid) override;
    void DeselectVolumes(const std::list<TId>& kv_volume_guid) override;
    void SetCurrentVolume(const TId& kv_volume_guid) override;
    void UpdateColors() override;
    void SetSelectedBlocks(const std::wstring& kv_volume_guid,
                           const std::set<quint32>& selected_blocks,
                           const std::wstring& selected_filename) override;
    HRESULT EnumFileExtents(const TId& volume_guid, const TString& file_path,
                            std::set<quint32>& bitmap_blocks) override;
    void OnStartUp() override;

    CDefragFeed& Feed() const { return m_feed; }
    COptimizeSettingsWidget* DriveTable() const { return m_table; }
    CDefragTabWidget* Tabs() const { return m_tabs; }
    CDefragFoldableWidget* SidePanel() const { return m_sidePanel; }
    COptimizeBitmapWidget* DriveMap() const { return m_driveMap; }
    CColorLegendWidget* Legend() const { return m_legend; }
    COptimizePerformanceWidget* Performance() const { return m_performance; }
    CStatisticsWidget* Statistics() const { return m_statistics; }
    QTimer& EstimateTimer() { return m_estimateTimer; }
    // The clock of the completion estimate; an empty one restores the system clock.
    void SetClock(TClock clock) { m_clock = std::move(clock); }
    // The estimated end after one has passed: now plus five minutes, cut to the minute, one
    // minute more when that cut removed nothing.
    static QDateTime ExtendedEstimate(const QDateTime& now);

public slots:
    void UpdateIndicators();
    void UpdateDefragEstimation();
    void OnUpdateVolumeStats(const TId& volume);
    void OnConnectComputer();
    void LoadSettings();
    void SaveSettings();

signals:
    void ColorsUpdated();
    void Started(const TId& kv_volume_guid);
    void Completed(const TId& kv_volume_guid);
    void Stopped(const TId& kv_volume_guid);
    void ModelUpdated();
    void StatisticsChanged(const TId& kv_volume_guid);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A new skin restyles the application: the drive map follows it.
    void changeEvent(QEvent* event) override;

private:
    // The start routine: checks, the engine call of the mode, and the failure messages.
    void Start(const TId& volume, CDefrager::TOptimizeMode mode,
               qint32 method = CDefrager::kDriveDefaultAlgorithm);
    // Runs the selected-files dialog; the engine's result, S_FALSE when nothing was started.
    HRESULT RunSelectedFiles(const TId& volume);
    // The offline-or-next-boot choice for system files; the engine's result of the last step.
    HRESULT RunSystemFiles(const TId& volume);
    void AskBootTime(const TId& volume);
    void AskReboot();
    // False, after telling the user, when the engine is not connected.
    bool CheckConnection();
    bool IsLocalComputer() const;
    void ForEachSelected(void (CDefragWidget::*operation)(const TId&));
    QMessageBox::StandardButton
    Ask(QMessageBox::Icon icon, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    void OnStarted(const TId& volume);
    void OnCompleted(const TId& volume);
    void OnStatisticsChanged(const TId& volume);
    QDateTime Now() const;
    IAppController* App() const;

    CDefragFeed& m_feed;
    CDefrager& m_model;
    COptimizeSettingsWidget* m_table;
    CDefragTabWidget* m_tabs;
    CDefragFoldableWidget* m_sidePanel;
    COptimizeBitmapWidget* m_driveMap;
    CColorLegendWidget* m_legend;
    COptimizePerformanceWidget* m_performance;
    CStatisticsWidget* m_statistics;
    QSplitter* m_splitter;
    CMultiFileSelectViewer* m_filesDialog = nullptr;
    QTimer m_estimateTimer;
    TClock m_clock;
    bool m_registered = false;
};

#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include <array>

class CAnimationEngine;
class CBlockDeviceMonitor;
class CCentralWidget;
class CCustomStatusBar;
class CMainWidget;
class CRibbonWidget;
class QScrollArea;

// The console's main window: the ribbon above the feature pages on the skinned background, in a
// scroll area, and the status bar. It keeps the busy state and tool tip of each feature's
// progress icon and hands them to the status bar, refreshes the models when it is shown and when
// block devices come and go, and on close ends the console only when the user asked for that and
// nothing runs. Embedded in a host's window it follows that window's state and close.
class CMainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kProgressIcons = 5;
    // Device notices closer together than this after an accepted one are ignored.
    static constexpr qint64 kDeviceQuietMilliseconds = 5000;
    static constexpr int kFirstDeviceRefreshMilliseconds = 2000;
    static constexpr int kSecondDeviceRefreshMilliseconds = 5000;

    explicit CMainWindow(QWidget* parent = nullptr);
    ~CMainWindow() override;

    bool ProgressIconBusy(int index) const;
    QString ProgressIconTooltip(int index) const;
    bool SkipsNextShowEvent() const { return m_skipNextShow; }
    bool AdvancedMode() const { return m_advancedMode; }
    bool WasShown() const { return m_wasShown; }

    CRibbonWidget* Ribbon() const { return m_ribbon; }
    CCentralWidget* Pages() const { return m_pages; }
    CMainWidget* MainWidget() const { return m_mainWidget; }
    CAnimationEngine* Animation() const { return m_animation; }
    CCustomStatusBar* StatusBar() const { return m_statusBar; }

    // A block device arrived or went, or a mount changed, at a time of the monotonic clock in
    // milliseconds. Schedules two refreshes of the models unless the last accepted notice is
    // younger than the quiet time. False when the notice was ignored.
    bool OnDeviceChange(qint64 timestampMilliseconds);
    // The delays of the two refreshes after a device notice.
    void SetDeviceRefreshDelays(int firstMilliseconds, int secondMilliseconds);

signals:
    void Maximized(bool maximized);
    void SetAdvancedMode(bool advanced);

public slots:
    void SetProgressIconBusy(int index, bool busy);
    void SetProgressIconTooltip(int index, const QString& tooltip);
    // The window keeps no settings of its own; the features keep theirs.
    void SaveSettings();
    void LoadSettings();
    void SetSkipNextShowEvent();
    void OnAdvancedShortcut();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The page of each feature pane; each page registers its controller while it lives.
    void BuildPages();
    // The status bar follows the animation clock, the window's state and the controller.
    void WireStatusBar();
    // Ends the console when the window closes, if the user asked for that and nothing runs.
    void OnWindowClosing();
    void WatchTopLevel();
    void OnDevicesChanged();
    static void RefreshControllerModel();

    struct TProgressIcon {
        bool busy = false;
        QString tooltip;
    };

    std::array<TProgressIcon, kProgressIcons> m_progressIcons{};
    CAnimationEngine* m_animation;
    QScrollArea* m_scrollArea;
    CMainWidget* m_mainWidget;
    CRibbonWidget* m_ribbon;
    CCentralWidget* m_pages;
    CCustomStatusBar* m_statusBar;
    CBlockDeviceMonitor* m_devices;
    QWidget* m_watchedTopLevel = nullptr;
    QElapsedTimer m_deviceClock;
    qint64 m_lastDeviceNotice = 0;
    bool m_deviceNoticeAccepted = false;
    int m_firstDeviceRefresh = kFirstDeviceRefreshMilliseconds;
    int m_secondDeviceRefresh = kSecondDeviceRefreshMilliseconds;
    bool m_firstShow = true;
    bool m_wasShown = false;
    bool m_skipNextShow = false;
    bool m_advancedMode = false;
};

#include "app/CMainWindow.h"

#include "app/CAnimationEngine.h"
#include "app/CApp.h"
#include "app/CCentralWidget.h"
#include "app/CMainWidget.h"
#include "app/CRibbonWidget.h"
#include "defrag/CDefragWidget.h"
#include "notify/statusbar/CCustomStatusBar.h"
#include "platform/devices/CBlockDeviceMonitor.h"
#include "schedule/CCadenceWidget.h"
#include "schedule/CScheduleWidget.h"

#include <QCloseEvent>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CMainWindow::CMainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_animation(new CAnimationEngine(this))
    , m_scrollArea(new QScrollArea(this))
    , m_mainWidget(new CMainWidget)
    , m_ribbon(new CRibbonWidget(m_mainWidget))
    , m_pages(new CCentralWidget(m_mainWidget))
    , m_statusBar(new CCustomStatusBar(
          IAppController::Current() ? &IAppController::Current()->Defrager() : nullptr, this))
    , m_devices(new CBlockDeviceMonitor(this))
{
    setWindowIcon(QIcon(u":/images/korvane_64.png"_s));
    m_scrollArea->setObjectName(u"MainScrollArea"_s);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_mainWidget->Layout()->addWidget(m_ribbon);
    m_mainWidget->Layout()->addWidget(m_pages, 1);
    m_scrollArea->setWidget(m_mainWidget);
    setCentralWidget(m_scrollArea);
    setStatusBar(m_statusBar);
    WireStatusBar();

    m_deviceClock.start();
    connect(m_devices, &CBlockDeviceMonitor::DevicesChanged, this, &CMainWindow::OnDevicesChanged);

    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, &CMainWindow::RefreshControllerModel);
    auto* advanced = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F9), this);
    connect(advanced, &QShortcut::activated, this, &CMainWindow::OnAdvancedShortcut);

    if (IAppController* controller = IAppController::Current()) {
        QObject* source = controller->Object();
        connect(source, SIGNAL(PaneActivated(CModelLayout::TPaneType)), m_pages,
                SLOT(ActivatePane(CModelLayout::TPaneType)));
        connect(source, SIGNAL(SkinChanged()), m_mainWidget, SLOT(SkinChanged()));
        m_pages->ActivatePane(controller->GetActivePane());
    }
    BuildPages();
}

void CMainWindow::WireStatusBar()
{
    connect(m_animation, &CAnimationEngine::Animate, m_statusBar, &CCustomStatusBar::OnAnimate);
    // The clock ticks only while an icon turns.
    connect(m_statusBar, &CCustomStatusBar::AnimationWanted, m_animation,
            [this](bool wanted) { m_animation->SetDemand(m_statusBar, wanted); });
    connect(this, &CMainWindow::Maximized, m_statusBar, &CCustomStatusBar::OnMaximized);
    CApp* app = CApp::Current();
    if (!app)
        return;
    connect(app, &CApp::ComputerConnected, m_statusBar, &CCustomStatusBar::OnConnectComputer);
    connect(app, &CApp::SkinChanged, m_statusBar, &CCustomStatusBar::SkinChanged);
    m_statusBar->SetCleaner(&app->TempRecycleCleaner());
}

void CMainWindow::BuildPages()
{
    CApp* app = CApp::Current();
    if (!app)
        return;
    auto* defrag = new CDefragWidget(app->DefragFeed());
    connect(app, &CApp::ComputerConnected, defrag, &CDefragWidget::OnConnectComputer);
    connect(app, &CApp::NeedUpdateVolumeStats, defrag, &CDefragWidget::OnUpdateVolumeStats);
    m_pages->SetPage(CModelLayout::kDefragmentation, defrag);

    auto* cadence = new CCadenceWidget(app->CadenceFeed());
    connect(app, &CApp::ComputerConnected, cadence, &CCadenceWidget::OnConnectComputer);
    auto* detail = new CScheduleWidget(app->CadenceFeed());
    detail->Follow(*cadence);
    // Schedules name volumes by identifier; people know them by where they are mounted.
    detail->SetDriveNamer([&drives = app->Defrager()](const TName& volume) {
        const CDefrager::TVolumeInfo* info = drives.FindVolume(volume);
        return QString::fromStdWString(info && !info->mountName.empty() ? info->mountName : volume);
    });
    cadence->SetDriveLister([&drives = app->Defrager()] {
        CSelectDrivesPage::TDrives listed;
        for (const auto& [id, info] : drives.Volumes())
            listed.append({id,
                           QString::fromStdWString(info.mountName.empty() ? id : info.mountName),
                           QString::fromStdWString(info.label)});
        return listed;
    });
    detail->LoadSettings();
    cadence->SetDetailPane(detail);
    m_pages->SetPage(CModelLayout::kScheduling, cadence);
}

CMainWindow::~CMainWindow()
{
    if (m_wasShown)
        SaveSettings();
    if (m_watchedTopLevel)
        m_watchedTopLevel->removeEventFilter(this);
}

bool CMainWindow::ProgressIconBusy(int index) const
{
    return index >= 0 && index < kProgressIcons && m_progressIcons[std::size_t(index)].busy;
}

QString CMainWindow::ProgressIconTooltip(int index) const
{
    if (index < 0 || index >= kProgressIcons)
        return QString();
    return m_progressIcons[std::size_t(index)].tooltip;
}

void CMainWindow::SetProgressIconBusy(int index, bool busy)
{
    if (index >= 0 && index < kProgressIcons)
        m_progressIcons[std::size_t(index)].busy = busy;
    m_statusBar->SetProgressIconBusy(index, busy);
}

void CMainWindow::SetProgressIconTooltip(int index, const QString& tooltip)
{
    if (index >= 0 && index < kProgressIcons)
        m_progressIcons[std::size_t(index)].tooltip = tooltip;
    m_statusBar->SetProgressIconTooltip(index, tooltip);
}

void CMainWindow::SaveSettings() {}

void CMainWindow::LoadSettings() {}

void CMainWindow::SetSkipNextShowEvent()
{
    m_skipNextShow = true;
}

void CMainWindow::OnAdvancedShortcut()
{
    m_advancedMode = !m_advancedMode;
    emit SetAdvancedMode(m_advancedMode);
}

bool CMainWindow::OnDeviceChange(qint64 timestampMilliseconds)
{
    if (m_deviceNoticeAccepted &&
        timestampMilliseconds - m_lastDeviceNotice < kDeviceQuietMilliseconds)
        return false;
    m_deviceNoticeAccepted = true;
    m_lastDeviceNotice = timestampMilliseconds;
    QTimer::singleShot(m_firstDeviceRefresh, this, &CMainWindow::RefreshControllerModel);
    QTimer::singleShot(m_secondDeviceRefresh, this, &CMainWindow::RefreshControllerModel);
    return true;
}

void CMainWindow::SetDeviceRefreshDelays(int firstMilliseconds, int secondMilliseconds)
{
    m_firstDeviceRefresh = firstMilliseconds;
    m_secondDeviceRefresh = secondMilliseconds;
}

void CMainWindow::OnDevicesChanged()
{
    OnDeviceChange(m_deviceClock.elapsed());
}

void CMainWindow::RefreshControllerModel()
{
    if (IAppController* controller = IAppController::Current())
        controller->RefreshModel();
}

void CMainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    WatchTopLevel();
    m_wasShown = true;
    if (m_firstShow) {
        m_firstShow = false;
        LoadSettings();
    }
    m_animation->Start();
    if (m_skipNextShow)
        m_skipNextShow = false;
    else
        RefreshControllerModel();
}

void CMainWindow::hideEvent(QHideEvent* event)
{
    m_animation->Stop();
    QMainWindow::hideEvent(event);
}

void CMainWindow::closeEvent(QCloseEvent* event)
{
    OnWindowClosing();
    QMainWindow::closeEvent(event);
}

void CMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && window() == this)
        emit Maximized(isMaximized());
    QMainWindow::changeEvent(event);
}

bool CMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedTopLevel) {
        if (event->type() == QEvent::Close)
            OnWindowClosing();
        else if (event->type() == QEvent::WindowStateChange)
            emit Maximized(m_watchedTopLevel->isMaximized());
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainWindow::WatchTopLevel()
{
    QWidget* top = window();
    if (top == this || top == m_watchedTopLevel)
        return;
    if (m_watchedTopLevel)
        m_watchedTopLevel->removeEventFilter(this);
    m_watchedTopLevel = top;
    top->installEventFilter(this);
}

void CMainWindow::OnWindowClosing()
{
    // The window may stand under another controller (a view test's); only the console's own
    // ends the console.
    auto* controller = dynamic_cast<CApp*>(IAppController::Current());
    if (!controller || !controller->ExitOnClose())
        return;
    if (controller->Model().AnyBusy(TBusyStatus::Busy))
        return;
    controller->SetAndQuit();
}

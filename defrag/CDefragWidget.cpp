#include "defrag/CDefragWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/COleDate.h"
#include "core/CSystemMessage.h"
#include "defrag/CColorLegendWidget.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragFoldableWidget.h"
#include "defrag/CDefragTabWidget.h"
#include "defrag/CDiskPropertiesNotebook.h"
#include "defrag/CMultiFileSelectViewer.h"
#include "defrag/COptimizeBitmapWidget.h"
#include "defrag/COptimizePerformanceWidget.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/CStatisticsWidget.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "platform/registry/CSettings.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSplitter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Results of the engine the start routine answers in words of its own.
constexpr HRESULT kOnBattery = HRESULT(0x80070015);
constexpr HRESULT kSilentFailure = HRESULT(0x80070708);
// The volume is in use: the offline pass may close the open handles.
constexpr HRESULT kSharingViolation = HRESULT(0x80070020);
constexpr HRESULT kVolumeBusy = HRESULT(0x800700AA);

constexpr int kEstimateIntervalMilliseconds = 5000;
constexpr int kEstimateExtensionSeconds = 300;

} // namespace

CDefragWidget::CDefragWidget(CDefragFeed& feed, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CDefragWidget")
    , m_feed(feed)
    , m_model(feed.Model())
    , m_table(new COptimizeSettingsWidget(feed))
    , m_tabs(new CDefragTabWidget(feed))
    , m_sidePanel(new CDefragFoldableWidget(feed))
    , m_driveMap(new COptimizeBitmapWidget(feed))
    , m_legend(new CColorLegendWidget(feed))
    , m_performance(new COptimizePerformanceWidget(m_model))
    , m_statistics(new CStatisticsWidget(m_model, *this))
    , m_splitter(new QSplitter(Qt::Vertical, this))
{
    setObjectName(u"DefragPage"_s);
    auto* bottom = new QWidget;
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(4);
    bottomLayout->addWidget(m_tabs, 1);
    bottomLayout->addWidget(m_sidePanel);
    m_splitter->addWidget(m_table);
    m_splitter->addWidget(bottom);
    m_splitter->setStretchFactor(0, 2);
    m_splitter->setStretchFactor(1, 3);
    m_splitter->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_tabs->SetPage(CDefragTabWidget::kDriveMapPage, m_driveMap);
    m_tabs->SetPage(CDefragTabWidget::kPerformancePage, m_performance);
    connect(this, &CDefragWidget::Started, m_performance, &COptimizePerformanceWidget::OnStarted);
    connect(this, &CDefragWidget::Completed, m_performance,
            &COptimizePerformanceWidget::OnCompleted);
    connect(this, &CDefragWidget::Stopped, m_performance, &COptimizePerformanceWidget::OnStopped);
    connect(this, &CDefragWidget::ModelUpdated, m_performance,
            &COptimizePerformanceWidget::OnModelUpdated);
    m_tabs->SetPage(CDefragTabWidget::kStatisticsPage, m_statistics);
    m_statistics->Connect(*this);
    m_statistics->SetComputerName([&feed] { return feed.Engine().Computer(); });
    m_sidePanel->SetLegend(m_legend);
    connect(m_sidePanel, &CDefragFoldableWidget::PropertiesRequested, m_legend,
            &CColorLegendWidget::LaunchColorDialog);
    connect(m_sidePanel, &CDefragFoldableWidget::FindRequested, m_legend,
            &CColorLegendWidget::LaunchFindDialog);
    connect(m_legend, &CColorLegendWidget::ColorsChanged, m_driveMap,
            &COptimizeBitmapWidget::ResetColors);

    connect(&feed, &CDefragFeed::Started, this, &CDefragWidget::OnStarted);
    connect(&feed, &CDefragFeed::Completed, this, &CDefragWidget::OnCompleted);
    connect(&feed, &CDefragFeed::StatisticsChanged, this, &CDefragWidget::OnStatisticsChanged);
    connect(&feed, &CDefragFeed::DefragModelUpdated, this, &CDefragWidget::ModelUpdated);
    connect(&m_model, &CDefrager::BusyStateChanged, this, qOverload<>(&QWidget::update));
    connect(&m_estimateTimer, &QTimer::timeout, this, &CDefragWidget::UpdateDefragEstimation);
    m_estimateTimer.setInterval(kEstimateIntervalMilliseconds);

    if (IAppController* app = App()) {
        app->RegisterDefragController(this);
        m_registered = true;
    }
    LoadSettings();
}

CDefragWidget::~CDefragWidget()
{
    SaveSettings();
    if (m_registered) {
        if (IAppController* app = App())
            app->UnregisterDefragController(this);
    }
}

IAppController* CDefragWidget::App() const
{
    return IAppController::Current();
}

// --- settings

void CDefragWidget::LoadSettings()
{
    IAppController* app = App();
    if (!app)
        return;
    const QByteArray state = app->Settings().value(u"Splitters/Defrag Splitter"_s).toByteArray();
    if (!state.isEmpty())
        m_splitter->restoreState(state);
    m_table->LoadSettings();
    m_tabs->LoadSettings();
    m_sidePanel->LoadSettings();
}

void CDefragWidget::SaveSettings()
{
    IAppController* app = App();
    if (!app)
        return;
    app->Settings().setValue(u"Splitters/Defrag Splitter"_s, m_splitter->saveState());
    m_table->SaveSettings();
    m_tabs->SaveSettings();
    m_sidePanel->SaveSettings();
}

void CDefragWidget::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::StyleChange)
        return;
    IAppController* app = App();
    if (app && app->Model().Skin().styleSheet != m_driveMap->property("skin").toString())
        m_driveMap->OnSetSkin(app->Model().Skin());
}

void CDefragWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        if (IAppController* app = App())
            app->ContextHelp(u"Defragmentation_Tab_Main_Screen.htm"_s);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- helpers

QMessageBox::StandardButton CDefragWidget::Ask(QMessageBox::Icon icon, const QString& title,
                                               const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    return IMessagePresenter::Show(icon, title, text, buttons, window(), defaultButton);
}

bool CDefragWidget::CheckConnection()
{
    if (m_feed.Engine().IsConnected())
        return true;
    if (IAppController* app = App())
        app->ReportConnectionFailure();
    return false;
}

bool CDefragWidget::IsLocalComputer() const
{
    return !m_feed.Engine().IsRemote();
}

void CDefragWidget::ForEachSelected(void (CDefragWidget::*operation)(const TId&))
{
    // A copy: an operation may change the selection (a failed volume may vanish).
    const std::list<TId> selection = m_model.Selection();
    for (const TId& volume : selection)
        (this->*operation)(volume);
}

QDateTime CDefragWidget::Now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

// --- the start routine

void CDefragWidget::Start(const TId& volume, CDefrager::TOptimizeMode mode, qint32 method)
{
    if (!CheckConnection())
        return;
    if (m_model.IsSelectionEmpty())
        return;
    CKV100EngineInterface& engine = m_feed.Engine();
    const QString unableToLaunch = Translate("Unable to launch operation");
    uint driveType = 0;
    if (FAILED(engine.GetDriveType(volume, &driveType))) {
        Ask(QMessageBox::Warning, unableToLaunch, Translate("Cannot determine the drive type."),
            QMessageBox::Ok);
        return;
    }
    if (driveType == CDefrager::kSolidStateDrive && mode != CDefrager::kAnalysis) {
        bool allowed = true;
        if (IAppController* app = App()) {
            CKV100ConfigurationInterface configuration(&app->Agent());
            if (FAILED(configuration.GetAllowSsdDrives(&allowed)))
                allowed = true;
        }
        if (!allowed) {
            Ask(QMessageBox::Information, Translate("Defragmentation Not Allowed"),
                Translate("Defragmentation of SSD drives is disabled. To enable defragmentation "
                          "you must turn it on in the Korvane settings."),
                QMessageBox::Ok);
            return;
        }
    }

    HRESULT result = S_OK;
    const char* failure = nullptr;
    switch (mode) {
    case CDefrager::kEntireDrive:
        result = engine.StartPass(volume, CKV100EngineInterface::kEntireDrive, method);
        failure = "Unable to defragment Entire Drive %1 due to error %2(%3)";
        break;
    case CDefrager::kSelectedFiles:
        result = RunSelectedFiles(volume);
        failure = "Unable to defragment Selected files on Drive %1 due to error %2(%3)";
        break;
    case CDefrager::kSystemFiles:
        result = RunSystemFiles(volume);
        failure = "Unable to defragment System files on Drive %1 due to error %2(%3)";
        break;
    case CDefrager::kAnalysis:
        result = engine.Analyse(volume);
        failure = "Unable to Analyze Drive %1 due to error %2(%3)";
        break;
    default:
        return;
    }

    if (result == kOnBattery) {
        Ask(QMessageBox::Information, unableToLaunch,
            Translate("Unable to start defragmentation as your computer is currently running on "
                      "battery power and Korvane has been configured to not start defragmenting "
                      "when on battery. If you wish to defragment while on battery power, please "
                      "click on Korvane Settings and select Power Options to change this "
                      "configuration."),
            QMessageBox::Ok);
        return;
    }
    if (SUCCEEDED(result) || result == kSilentFailure)
        return;
    if (mode == CDefrager::kSystemFiles) {
        TString lastError;
        engine.GetLastErrorText(&lastError);
        AskBootTime(volume);
        return;
    }
    const QString text = Translate(failure)
                             .Arg(m_model.MountName(volume))
                             .Arg(CSystemMessage::CodeText(result))
                             .Arg(CSystemMessage::Text(result))
                             .Text();
    Ask(QMessageBox::Information, unableToLaunch, text, QMessageBox::Ok);
}

HRESULT CDefragWidget::RunSelectedFiles(const TId& volume)
{
    IAppController* app = App();
    if (!app)
        return S_FALSE;
    if (!m_filesDialog) {
        m_filesDialog = new CMultiFileSelectViewer(m_feed.Engine(), app->FileBrowser(), this);
        m_filesDialog->LoadSettings();
    }
    m_filesDialog->SetVolume(volume, m_model.MountName(volume));
    const int answer = IMessagePresenter::Instance().RunDialog(*m_filesDialog);
    m_filesDialog->SaveSettings();
    if (answer != QDialog::Accepted)
        return S_FALSE;
    TStringList files = m_filesDialog->Files();
    if (files.empty())
        return S_FALSE;
    for (const TString& file : files) {
        uint fragments = 0;
        const HRESULT counted = m_feed.Engine().GetFileFragmentCount(volume, file, &fragments);
        if (FAILED(counted))
            return counted;
        if (fragments < 2) {
            Ask(QMessageBox::Warning, Translate("Operation will not be performed."),
                Translate("%1 is not fragmented").Arg(file).Text(), QMessageBox::Ok);
            return S_FALSE;
        }
    }
    return DefragmentFilesList(volume, files);
}

HRESULT CDefragWidget::RunSystemFiles(const TId& volume)
{
    const QString mountName = QString::fromStdWString(m_model.MountName(volume));
    IMessagePresenter::TMessage choice;
    choice.icon = QMessageBox::Question;
    choice.title = Translate("Boot Time Defrag of %1").Arg(mountName);
    choice.text =
        Translate("Korvane has the ability to take %1 offline to defragment system files without "
                  "rebooting.<br>Would you like to attempt this or simply defragment your system "
                  "files on the next boot?")
            .Arg(mountName);
    choice.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    choice.parent = window();
    choice.buttonTexts = {{QMessageBox::Yes, Translate("Defrag Now")},
                          {QMessageBox::No, Translate("Defrag On Next Boot")},
                          {QMessageBox::Cancel, Translate("Cancel")}};
    const QMessageBox::StandardButton answer = IMessagePresenter::Instance().ShowMessage(choice);
    if (answer == QMessageBox::No) {
        m_model.SetAtBootStatus(volume, CDefrager::kAtBootNextRestart);
        SetBootTime(volume, CDefrager::kAtBootNextRestart);
        if (IsLocalComputer())
            AskReboot();
        return S_OK;
    }
    if (answer != QMessageBox::Yes)
        return S_FALSE;
    CKV100EngineInterface& engine = m_feed.Engine();
    HRESULT result = engine.DefragSystemFilesOffline(volume, false);
    if (result == kSharingViolation || result == kVolumeBusy) {
        const auto force = Ask(
            QMessageBox::Question, Translate("Close Handles?"),
            Translate("Offline defrag of your System Files could not run on drive %1 because the "
                      "drive is in use by another process. Do you want to force all open handles "
                      "closed?")
                .Arg(mountName)
                .Text(),
            QMessageBox::Yes | QMessageBox::No);
        if (force != QMessageBox::Yes) {
            AskBootTime(volume);
            return S_FALSE;
        }
        result = engine.DefragSystemFilesOffline(volume, true);
    }
    return result;
}

void CDefragWidget::AskBootTime(const TId& volume)
{
    const auto answer = Ask(
        QMessageBox::Question, Translate("Defrag On Reboot?"),
        Translate("System files on the drive %1 can only be defragmented at boot time. Would you "
                  "like to defragment these files during the next reboot of your system?")
            .Arg(m_model.MountName(volume))
            .Text(),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    m_model.SetAtBootStatus(volume, CDefrager::kAtBootNextRestart);
    SetBootTime(volume, CDefrager::kAtBootNextRestart);
    if (IsLocalComputer())
        AskReboot();
}

void CDefragWidget::AskReboot()
{
    const auto answer = Ask(QMessageBox::Question, Translate("Korvane"),
                            Translate("Would you like to reboot your system now?"),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        if (IAppController* app = App())
            app->OpenRebootCountdown();
    }
}

// --- operations

void CDefragWidget::EntireDrive(const TId& kv_volume_guid)
{
    m_model.SetStartedHere(kv_volume_guid, true);
    Start(kv_volume_guid, CDefrager::kEntireDrive);
}

void CDefragWidget::EntireDrive()
{
    ForEachSelected(qOverload<const TId&>(&CDefragWidget::EntireDrive));
}

void CDefragWidget::Analyse(const TId& kv_volume_guid)
{
    Start(kv_volume_guid, CDefrager::kAnalysis);
}

void CDefragWidget::Analyse()
{
    ForEachSelected(qOverload<const TId&>(&CDefragWidget::Analyse));
}

void CDefragWidget::SelectedFiles()
{
    const TId current = m_model.CurrentVolume();
    if (!current.empty())
        Start(current, CDefrager::kSelectedFiles);
}

void CDefragWidget::SystemFiles(const TId& kv_volume_guid)
{
    Start(kv_volume_guid, CDefrager::kSystemFiles);
}

void CDefragWidget::SystemFiles()
{
    const std::list<TId> selection = m_model.Selection();
    for (const TId& volume : selection) {
        if (m_model.CanDefragmentSystemFiles(volume)) {
            SystemFiles(volume);
            continue;
        }
        Ask(QMessageBox::Information, Translate("Will not defragment system files"),
            Translate("System Files on Drive %1 will not be defragged since it's Filesystem is "
                      "not supported for that yet")
                .Arg(m_model.MountName(volume))
                .Text(),
            QMessageBox::Ok);
    }
}

void CDefragWidget::Stop(const TId& kv_volume_guid)
{
    m_model.SetStartedHere(kv_volume_guid, false);
    m_feed.Engine().Stop(kv_volume_guid);
    m_feed.RefreshVolume(kv_volume_guid);
    m_model.ClearWorkingMessage(kv_volume_guid);
    m_table->SetEnabled(true);
    emit Stopped(kv_volume_guid);
}

void CDefragWidget::Stop()
{
    if (CheckConnection())
        ForEachSelected(qOverload<const TId&>(&CDefragWidget::Stop));
}

void CDefragWidget::Pause(const TId& kv_volume_guid)
{
    m_feed.Engine().Pause(kv_volume_guid);
}

void CDefragWidget::Pause()
{
    if (CheckConnection())
        ForEachSelected(qOverload<const TId&>(&CDefragWidget::Pause));
}

void CDefragWidget::Resume(const TId& kv_volume_guid)
{
    m_feed.Engine().Resume(kv_volume_guid);
}

void CDefragWidget::Resume()
{
    if (CheckConnection())
        ForEachSelected(qOverload<const TId&>(&CDefragWidget::Resume));
}

void CDefragWidget::Properties()
{
    const TId current = m_model.CurrentVolume();
    if (current.empty())
        return;
    CDiskPropertiesNotebook::Launch(m_feed, current, this);
}

HRESULT CDefragWidget::DefragmentFilesList(const TId& kv_volume_guid, TStringList& list)
{
    if (!m_model.Contains(kv_volume_guid))
        return E_INVALIDARG;
    std::vector<CDefrager::TSelectedFile> files;
    files.reserve(list.size());
    for (const TString& file : list) {
        uint fragments = 0;
        m_feed.Engine().GetFileFragmentCount(kv_volume_guid, file, &fragments);
        files.push_back({file, fragments});
    }
    m_model.SetSelectedFiles(kv_volume_guid, files);
    const HRESULT result = m_feed.Engine().DefragmentFilesList(kv_volume_guid, list);
    // A pass that did not start leaves no list for the next completion to report on.
    if (FAILED(result))
        m_model.SetSelectedFiles(kv_volume_guid, {});
    return result;
}

void CDefragWidget::SetBootTime(const TId& kv_volume_guid, qint32 at_boot)
{
    if (!CheckConnection())
        return;
    const HRESULT result = m_feed.Engine().SetBootTime(kv_volume_guid, at_boot);
    m_model.SetAtBootStatus(kv_volume_guid, SUCCEEDED(result)
                                                ? static_cast<CDefrager::TAtBootStatus>(at_boot)
                                                : CDefrager::kAtBootOff);
}

void CDefragWidget::SetDefaultAlgorithm(const TId& kv_volume_guid, qint32 algorithm)
{
    if (!CheckConnection())
        return;
    m_feed.Engine().SetDefaultAlgorithm(kv_volume_guid, algorithm);
}

HRESULT CDefragWidget::GetDefaultAlgorithm(const TId& kv_volume_guid, qint32& algorithm)
{
    algorithm = CDefrager::kDriveDefaultAlgorithm;
    if (!CheckConnection())
        return E_FAIL;
    int stored = CDefrager::kDriveDefaultAlgorithm;
    const HRESULT result = m_feed.Engine().GetDefaultAlgorithm(kv_volume_guid, &stored);
    if (SUCCEEDED(result))
        algorithm = stored;
    return result;
}

void CDefragWidget::SetOverrideDriveType(const TId& kv_volume_guid, int override_type)
{
    if (!CheckConnection())
        return;
    CKV100EngineInterface& engine = m_feed.Engine();
    int previous = 0;
    const bool knewPrevious = SUCCEEDED(engine.GetOverrideDriveType(kv_volume_guid, &previous));
    uint driveType = 0;
    if (SUCCEEDED(engine.SetOverrideDriveType(kv_volume_guid, override_type, &driveType)))
        m_model.SetDriveType(kv_volume_guid, driveType);
    if ((!knewPrevious || previous != override_type) &&
        override_type == int(CDefrager::kSolidStateDrive))
        engine.SetDefaultAlgorithm(kv_volume_guid, CDefrager::kConsolidateFreeSpace);
    emit m_model.Refresh();
}

void CDefragWidget::EntireDriveDefragOnly()
{
    const TId current = m_model.CurrentVolume();
    if (!current.empty())
        Start(current, CDefrager::kEntireDrive, CDefrager::kDefragOnly);
}

void CDefragWidget::EntireDriveTierLayout()
{
    const TId current = m_model.CurrentVolume();
    if (!current.empty())
        Start(current, CDefrager::kEntireDrive, CDefrager::kTierLayout);
}

void CDefragWidget::SelectVolumes(const std::list<TId>& kv_volume_guid)
{
    m_model.SelectVolumes(kv_volume_guid);
}

void CDefragWidget::DeselectVolumes(const std::list<TId>& kv_volume_guid)
{
    m_model.DeselectVolumes(kv_volume_guid);
}

void CDefragWidget::SetCurrentVolume(const TId& kv_volume_guid)
{
    m_model.SetCurrentVolume(kv_volume_guid);
}

void CDefragWidget::UpdateColors() {}

void CDefragWidget::SetSelectedBlocks(const std::wstring& kv_volume_guid,
                                      const std::set<quint32>& selected_blocks,
                                      const std::wstring& selected_filename)
{
    m_model.SetSelectedBlocks(kv_volume_guid, selected_blocks, selected_filename);
    m_driveMap->UpdateFromModel(COptimizeBitmapWidget::kSelectedBlocksHint);
}

HRESULT CDefragWidget::EnumFileExtents(const TId& volume_guid, const TString& file_path,
                                       std::set<quint32>& bitmap_blocks)
{
    QList<uint> blocks;
    const HRESULT result = m_feed.Engine().GetFileExtents(volume_guid, file_path, &blocks);
    if (SUCCEEDED(result))
        bitmap_blocks = std::set<quint32>(blocks.begin(), blocks.end());
    return result;
}

void CDefragWidget::OnStartUp()
{
    UpdateIndicators();
}

// --- what the engine reports

void CDefragWidget::OnStarted(const TId& volume)
{
    emit Started(volume);
    m_table->SetEnabled(false);
    if (!m_estimateTimer.isActive())
        m_estimateTimer.start();
}

void CDefragWidget::OnCompleted(const TId& volume)
{
    emit Completed(volume);
    m_table->SetEnabled(true);
    if (m_model.AnyRunning())
        return;
    m_estimateTimer.stop();
    std::list<TId> shutDown;
    for (const auto& [id, record] : m_model)
        if (record.startedHere && record.shutDownWhenDone)
            shutDown.push_back(id);
    if (shutDown.empty())
        return;
    // Asked once: a cancelled countdown is not opened again by the next pass.
    for (const TId& id : shutDown)
        m_model.SetStartedHere(id, false);
    if (IAppController* app = App())
        app->OpenShutdownCountdown();
}

void CDefragWidget::OnStatisticsChanged(const TId& volume)
{
    emit StatisticsChanged(volume);
}

void CDefragWidget::OnUpdateVolumeStats(const TId& volume)
{
    if (!m_model.Contains(volume))
        return;
    m_feed.ReadResults(volume);
    emit StatisticsChanged(volume);
}

void CDefragWidget::OnConnectComputer()
{
    m_estimateTimer.stop();
    m_table->SetEnabled(true);
    if (m_model.AnyRunning())
        m_estimateTimer.start();
    m_legend->OnConnectComputer();
    UpdateIndicators();
}

void CDefragWidget::UpdateIndicators()
{
    m_tabs->UpdateIndicators();
}

QDateTime CDefragWidget::ExtendedEstimate(const QDateTime& now)
{
    const QDateTime later = now.addSecs(kEstimateExtensionSeconds);
    const QTime time = later.time();
    QDateTime cut(later.date(), QTime(time.hour(), time.minute()), later.timeZone());
    if (time.second() == 0 && time.msec() == 0)
        cut = cut.addSecs(60);
    return cut;
}

void CDefragWidget::UpdateDefragEstimation()
{
    const QDateTime now = Now();
    const double nowDate = COleDate::FromDateTime(now);
    for (const auto& [id, record] : m_model) {
        const bool counts = record.status == CDefrager::kAnalysing ||
                            record.status == CDefrager::kDefragmenting ||
                            record.status == CDefrager::kVerifying;
        if (!counts || !record.estimatedEnd || !record.statusLine)
            continue;
        if (*record.estimatedEnd >= nowDate)
            continue;
        m_model.SetStatusLine(id, *record.statusLine,
                              COleDate::FromDateTime(ExtendedEstimate(now)));
    }
    if (!m_model.AnyRunning() && !m_model.AnyPaused())
        m_estimateTimer.stop();
}

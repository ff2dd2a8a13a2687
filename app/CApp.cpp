#include "app/CApp.h"

#include "app/CComputerSelectDialog.h"
#include "app/CConnectionArgument.h"
#include "app/CConnectionFailureMessage.h"
#include "app/CHelpFile.h"
#include "app/CServiceDisabledMessage.h"
#include "app/CShutdown.h"
#include "app/CSystemShutdown.h"
#include "app/CTranslationLoader.h"
#include "appmodel/ICadenceController.h"
#include "appmodel/IFreeSpaceController.h"
#include "appmodel/IMessagePresenter.h"
#include "appmodel/IVMController.h"
#include "core/CSystemMessage.h"
#include "engine/CKV100ComputerInterface.h"
#include "platform/CComputerName.h"
#include "platform/CEngineLocation.h"
#include "platform/registry/CRegKey.h"
#include "platform/services/IServiceControl.h"
#include "platform/shell/IShell.h"
#include "resources/CSkinResources.h"
#include "settings/CAdvancedPropertiesNotebook.h"
#include "widgets/CTellmarCustomStyle.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QThreadPool>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

const char* const CApp::kUpdateCheckerProgram = "AutoUpdGui.exe";

namespace {

const QString kSettingsGroup = u"11.0"_s;
const QString kConsoleKey = u"Software\\Tellmar\\Korvane\\11.0"_s;

const char* const kPermissionTitle = "Korvane needs your permission";

// An override cursor for as long as it lives.
class COverrideCursor {
public:
    explicit COverrideCursor(Qt::CursorShape shape)
        : m_active(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_active)
            QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~COverrideCursor() { Restore(); }
    COverrideCursor(const COverrideCursor&) = delete;
    COverrideCursor& operator=(const COverrideCursor&) = delete;

    void Restore()
    {
        if (m_active)
            QGuiApplication::restoreOverrideCursor();
        m_active = false;
    }

private:
    bool m_active;
};

QMessageBox::StandardButton Present(QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QWidget* parent = nullptr)
{
    return IMessagePresenter::Show(icon, title, text, buttons, parent);
}

void EndProcessAtOnce(int exitCode)
{
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace

CApp::CApp(QObject* parent)
    : QObject(parent)
    , CTranslatable(QByteArrayLiteral("Korvane"))
    , m_defragFeed(m_engine, m_defrager, m_cadence)
    , m_cadenceFeed(m_agent, m_cadence, &m_model)
    , m_settings(u"Tellmar"_s, u"Korvane"_s)
    , m_processExit(EndProcessAtOnce)
{
    SetCurrent(this);
    m_settings.beginGroup(kSettingsGroup);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &CApp::CleanAllInterfaces);
    m_finalActionTimer.setSingleShot(true);
    connect(&m_finalActionTimer, &QTimer::timeout, this, &CApp::DoPickFinalAction);
    connect(&m_cadence, &CCadence::BusyStateChanged, this, &CApp::OnCadenceBusyStateChanged);
    connect(&m_defrager, &CDefrager::BusyStateChanged, this, &CApp::OnDefragerBusyStateChanged);
    connect(&m_defragFeed, &CDefragFeed::DefragModelUpdated, this, &CApp::DefragModelUpdated);
    connect(&m_defragFeed, &CDefragFeed::NextRunsUpdated, this, &CApp::NextRunsUpdated);
    m_defragFeed.SetAgent(&m_agent);
    connect(&m_cadenceFeed, &CCadenceFeed::NextRunsChanged, &m_defragFeed,
            &CDefragFeed::UpdateNextRuns);
    connect(this, &CApp::MessageReceivedAction, this, &CApp::OnMessageReceivedAction,
            Qt::QueuedConnection);
}

CApp::~CApp()
{
    delete m_mainWindow.data();
    // Views read through the engine wrappers on pooled threads: the wrappers outlive them.
    QThreadPool::globalInstance()->waitForDone();
    m_settings.endGroup();
    SetCurrent(nullptr);
}

CApp* CApp::Current()
{
    return static_cast<CApp*>(IAppController::Current());
}

CMainWindow* CApp::GetMainWindow(QWidget* parent)
{
    if (m_mainWindow)
        return m_mainWindow;
    if (m_mainWindowUnderConstruction || !m_policy.AllowLaunch())
        return nullptr;
    m_mainWindowUnderConstruction = true;
    auto* window = new CMainWindow(parent);
    m_mainWindow = window;
    m_mainWindowUnderConstruction = false;
    SetTitle();
    connect(this, &CApp::SystemTrayProgressBusy, window, &CMainWindow::SetProgressIconBusy);
    connect(this, &CApp::SystemTrayProgressTooltip, window, &CMainWindow::SetProgressIconTooltip);
    connect(window, &CMainWindow::SetAdvancedMode, this, &CApp::SetAdvancedMode);
    return window;
}

// --- panes and feature controllers

void CApp::SetActivePane(CModelLayout::TPaneType pane)
{
    m_layout.SetActivePane(pane);
    m_appModel.SetActivePane(pane);
    emit PaneActivated(pane);
}

CModelLayout::TPaneType CApp::GetActivePane()
{
    return m_appModel.GetActivePane();
}

#define KORVANE_CONTROLLER_PAIR(Kind, member)                                                      \
    void CApp::Register##Kind##Controller(I##Kind##Controller* controller)                         \
    {                                                                                              \
        member = controller;                                                                       \
    }                                                                                              \
    void CApp::Unregister##Kind##Controller(I##Kind##Controller* controller)                       \
    {                                                                                              \
        if (member == controller)                                                                  \
            member = nullptr;                                                                      \
    }

KORVANE_CONTROLLER_PAIR(Defrag, m_defragController)
KORVANE_CONTROLLER_PAIR(FreeSpace, m_freeSpaceController)
KORVANE_CONTROLLER_PAIR(SpaceExplorer, m_spaceExplorerController)
KORVANE_CONTROLLER_PAIR(SpaceReports, m_spaceReportsController)
KORVANE_CONTROLLER_PAIR(DuplicatesFinder, m_duplicatesFinderController)
KORVANE_CONTROLLER_PAIR(Exchange, m_exchangeController)
KORVANE_CONTROLLER_PAIR(Cadence, m_cadenceController)
KORVANE_CONTROLLER_PAIR(VM, m_vmController)
KORVANE_CONTROLLER_PAIR(AD, m_adController)
KORVANE_CONTROLLER_PAIR(ProductResources, m_productResourcesController)

#undef KORVANE_CONTROLLER_PAIR

// --- connection

bool CApp::IsLocalTarget(const TName& computer) const
{
    return computer.empty() || QString::fromStdWString(computer).compare(CComputerName::Local(),
                                                                         Qt::CaseInsensitive) == 0;
}

// Marks a connection under way for as long as it lives.
class CApp::CConnectionScope {
public:
    explicit CConnectionScope(CApp& app)
        : m_app(app)
    {
        m_app.m_connecting = true;
    }
    ~CConnectionScope()
    {
        m_app.m_connecting = false;
        m_app.ResumeDeferred();
    }
    CConnectionScope(const CConnectionScope&) = delete;
    CConnectionScope& operator=(const CConnectionScope&) = delete;

private:
    CApp& m_app;
};

bool CApp::ConnectToComputer(TName computer, TName user_name, TString password, TName domain)
{
    // Never a second connection inside the dialogs of the first.
    if (m_connecting)
        return false;
    const CConnectionScope scope(*this);
    bool retry = false;
    return Attempt(computer, user_name, password, domain, QMessageBox::Ok, &retry);
}

bool CApp::Attempt(const TName& computer, const TName& user, const TString& password,
                   const TName& domain, QMessageBox::StandardButtons buttons, bool* retry)
{
    *retry = false;
    COverrideCursor waiting(Qt::WaitCursor);
    HRESULT result = m_engine.TestConnection(computer, user, password, domain);
    while (result == HRESULT_FROM_WIN32(ERROR_SERVICE_DISABLED) && IsLocalTarget(computer)) {
        const TServiceAnswer answer = ServiceCheck(u"KVEngine"_s, "Manual");
        if (answer == TServiceAnswer::Close)
            return false;
        if (answer != TServiceAnswer::Retry)
            break;
        result = m_engine.TestConnection(computer, user, password, domain);
    }
    if (SUCCEEDED(result)) {
        result = FullConnection(computer, user, password, domain);
        if (SUCCEEDED(result)) {
            SetTitle();
            emit ComputerConnected();
            return true;
        }
    }
    // The attempt is over: the user reads the failure with the ordinary cursor.
    waiting.Restore();
    *retry = Present(QMessageBox::Warning, Translate(CConnectionFailureMessage::kTitle),
                     CConnectionFailureMessage::Text(computer, user, password, domain, result),
                     buttons) == QMessageBox::Retry;
    return false;
}

void CApp::ReportConnectionFailure()
{
    const TName computer = m_engine.Computer().toStdWString();
    Present(QMessageBox::Warning, Translate(CConnectionFailureMessage::kTitle),
            CConnectionFailureMessage::Text(computer, {}, {}, {},
                                            HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE)),
            QMessageBox::Ok);
}

HRESULT CApp::FullConnection(const TName& computer, const TName& user, const TString& password,
                             const TName& domain)
{
    CleanAllInterfaces();
    const bool local = IsLocalTarget(computer);
    HRESULT engine = m_engine.Connect(computer, user, password, domain);
    while (FAILED(engine) && local &&
           ServiceCheck(u"KVEngine"_s, "Manual") == TServiceAnswer::Retry)
        engine = m_engine.Connect(computer, user, password, domain);
    m_model.SetRemote(!local);
    if (FAILED(engine)) {
        // Nothing of the computer before stays on show.
        ReadComputerIdentity();
        Refresh();
        return engine;
    }

    TStringList agentClasses;
    if (FAILED(m_engine.GetAgentClassIds(&agentClasses)))
        agentClasses.clear();
    HRESULT agent = m_agent.Connect(computer, user, password, domain, agentClasses);
    while (FAILED(agent) && local &&
           ServiceCheck(u"KVAgent"_s, "Automatic") == TServiceAnswer::Retry)
        agent = m_agent.Connect(computer, user, password, domain, agentClasses);

    ReadComputerIdentity();
    ConnectExchange();
    if (m_model.Edition() == CModel::kEditionVirtualMachines && local)
        m_virtualPC.Connect(computer, user, password, domain);
    // Every edition browses the drives' files: the selected-files dialog reads them through it.
    m_fileBrowser.Connect(computer, user, password, domain);
    if (m_model.Edition() != CModel::kEditionWithoutFreeSpace && m_agent.IsNewest()) {
        m_duplicateScanner.Connect(computer, user, password, domain);
        m_tempRecycleCleaner.Connect(computer, user, password, domain);
        m_spaceReports.Connect(computer, user, password, domain);
        m_fileOp.Connect(computer, user, password, domain);
        m_fileSet.Connect(computer, user, password, domain);
    }
    Refresh();
    return S_OK;
}

void CApp::ReadComputerIdentity()
{
    m_productDisplayName.clear();
    m_virtualGuest = false;
    m_virtualHostName.clear();
    TString name;
    if (m_engine.IsConnected() && SUCCEEDED(m_engine.GetProductDisplayName(&name)))
        m_productDisplayName = QString::fromStdWString(name);
    if (m_agent.IsConnected()) {
        CKV100ComputerInterface computer(&m_agent);
        bool guest = false;
        TString host;
        if (SUCCEEDED(computer.GetVirtualGuest(&guest, &host))) {
            m_virtualGuest = guest;
            m_virtualHostName = QString::fromStdWString(host);
        }
    }
}

CApp::TServiceAnswer CApp::ServiceCheck(const QString& service, const char* startupType)
{
    quint32 startType = 0;
    if (FAILED(IServiceControl::Instance().QueryStartType(service, &startType)) ||
        startType != IServiceControl::kDisabled)
        return TServiceAnswer::NoRetry;
    COverrideCursor arrow(Qt::ArrowCursor);
    const QMessageBox::StandardButton answer =
        Present(QMessageBox::Information, CServiceDisabledMessage::Title(service),
                CServiceDisabledMessage::Text(service, startupType),
                QMessageBox::Retry | QMessageBox::Close);
    if (answer == QMessageBox::Retry)
        return TServiceAnswer::Retry;
    if (answer != QMessageBox::Close)
        return TServiceAnswer::NoRetry;
    m_processExit(0);
    return TServiceAnswer::Close;
}

bool CApp::ConnectToComputerWithRetry(TName& computer, TName& user_name, TString& password,
                                      TName& domain)
{
    if (m_connecting)
        return false;
    const CConnectionScope scope(*this);
    for (;;) {
        // This computer: the user retries or gives up at the failure message. Another one:
        // the user corrects the values or gives up.
        const bool thisComputer = computer.empty();
        bool retry = false;
        if (Attempt(computer, user_name, password, domain,
                    thisComputer ? QMessageBox::Retry | QMessageBox::Cancel : QMessageBox::Ok,
                    &retry))
            return true;
        if (thisComputer) {
            if (!retry)
                return false;
            continue;
        }
        CComputerSelectDialog dialog(m_mainWindow, m_mainWindow != nullptr);
        dialog.SetValues(computer, user_name, password, domain);
        if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
            return false;
        computer = dialog.Computer();
        user_name = dialog.User();
        password = dialog.Password();
        domain = dialog.Domain();
    }
}

void CApp::ResumeDeferred()
{
    if (m_deferredLostDrive) {
        const auto [volume, error] = *std::exchange(m_deferredLostDrive, std::nullopt);
        QMetaObject::invokeMethod(
            this, [this, volume, error] { OnLostDrive(volume, error); }, Qt::QueuedConnection);
    }
    for (const QString& message : std::exchange(m_deferredMessages, {}))
        emit MessageReceivedAction(message);
}

HRESULT CApp::ConnectExchange()
{
    if (m_editionApplied)
        return E_UNEXPECTED;
    if (!m_engine.IsConnected())
        return E_FAIL;
    uint edition = 0;
    if (SUCCEEDED(m_engine.GetProductEdition(&edition)))
        m_model.SetEdition(edition);
    if (m_model.Edition() == CModel::kEditionExchange && !m_model.IsRemote()) {
        const HRESULT result = m_exchange.Connect(m_engine.Computer().toStdWString(), {}, {}, {});
        QString message;
        if (FAILED(result)) {
            if (result == E_NOINTERFACE)
                message = Translate("Unable to connect to Exchange. Error %1. The issue most "
                                    "likely caused by need to Register Proxy Stub(run regsvr32 "
                                    "/s /c KVExchangePS.dll)")
                              .Arg(static_cast<long long>(result));
            else if (result == REGDB_E_CLASSNOTREG)
                message = Translate("Unable to connect to exchange. Error %1. The issue most "
                                    "likely caused by need to Register Server(run KVExchange.exe "
                                    "/Service)")
                              .Arg(static_cast<long long>(result));
            else
                message = Translate("Unable to connect to Exchange. Error %1")
                              .Arg(static_cast<long long>(result));
        }
        emit ExchangeConnectMsg(message);
    }
    ApplyLayout();
    SetSkin(m_model.Edition() == 1 || m_model.Edition() == CModel::kEditionWithoutFreeSpace ? 0
                                                                                            : 1);
    m_editionApplied = true;
    return S_OK;
}

bool CApp::ShowsFreeSpaceTab() const
{
    CRegKey key;
    DWORD shown = 1;
    if (key.Open(HKEY_CURRENT_USER, kConsoleKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryDWORDValue(u"ShowFreeSpaceTab"_s, &shown) != ERROR_SUCCESS)
        return true;
    return shown == 1;
}

void CApp::ApplyLayout()
{
    const bool remote = m_model.IsRemote();
    m_layout.SetEdition(m_model.Edition(), remote,
                        CModelLayout::ShowsFreeSpace(m_model.Edition(), remote, m_agent.IsNewest(),
                                                     m_policy.AllowFreeSpace(),
                                                     ShowsFreeSpaceTab()));
}

void CApp::CleanAllInterfaces()
{
    m_engine.Disconnect();
    m_agent.Disconnect();
    m_duplicateScanner.Disconnect();
    m_tempRecycleCleaner.Disconnect();
    m_spaceReports.Disconnect();
    m_fileOp.Disconnect();
    m_fileSet.Disconnect();
    m_fileBrowser.Disconnect();
    if (m_exchange.IsConnected())
        m_exchange.Disconnect();
    if (m_virtualPC.IsConnected())
        m_virtualPC.Disconnect();
    m_editionApplied = false;
}

// --- window title

QString CApp::WindowTitle() const
{
    const QString product =
        m_productDisplayName.isEmpty() ? Translate("Korvane").Text() : m_productDisplayName;
    const QString computer = m_engine.Computer();
    QString title = product;
    if (!computer.isEmpty()) {
        const int generation = m_agent.IsNewest() ? 11 : m_agent.IsNewer() ? 10 : 9;
        title = Translate("%1 - %2 version %3").Arg(product).Arg(computer).Arg(generation);
    }
    // A guest whose host is not known says nothing of it.
    if (m_virtualGuest && !m_virtualHostName.isEmpty())
        title += Translate(", Virtual Guest Hosted on %1").Arg(m_virtualHostName).Text();
    return title;
}

void CApp::SetTitle()
{
    if (m_mainWindow)
        m_mainWindow->setWindowTitle(WindowTitle());
}

// --- busy state

void CApp::SetSystemTrayProgressBusy(CModel::TIconBusyIndex index, CModel::TBusyStatus status)
{
    if (!m_model.SetBusy(index, status))
        return;
    emit SystemTrayProgressBusy(index, status == TBusyStatus::Busy);
    if (status == TBusyStatus::Busy)
        emit BusySignal();
    else if (m_model.AnyBusy(TBusyStatus::Busy))
        return;
    else if (m_model.AnyBusy(TBusyStatus::Paused))
        emit PausedSignal();
    else
        emit IdleSignal();
}

void CApp::OnCadenceBusyStateChanged(TBusyStatus status)
{
    SetSystemTrayProgressBusy(CModel::kScheduling, status);
}

void CApp::OnDefragerBusyStateChanged(TBusyStatus status)
{
    SetSystemTrayProgressBusy(CModel::kDefragmentation, status);
}

void CApp::OnExchangeBusyStateChanged(TBusyStatus status)
{
    SetSystemTrayProgressBusy(CModel::kExchange, status);
}

// --- messages from outside

void CApp::OnMessageReceived(const QString& message)
{
    emit MessageReceivedAction(message);
}

void CApp::OnMessageReceivedAction(const QString& message)
{
    // A console the policy may not launch shows nothing; it only ends when told to.
    if (!m_policy.AllowLaunch()) {
        if (message == u"terminate"_s)
            SetAndQuit();
        return;
    }
    if (m_connecting && message.startsWith(CConnectionArgument::kPrefix)) {
        m_deferredMessages.append(message);
        return;
    }
    ConditionalShow(message);
    if (message == u"terminate"_s) {
        SetAndQuit();
    } else if (message == u"forcereboot"_s) {
        OpenRebootCountdown();
    } else if (message == u"forceshutdown"_s) {
        OpenShutdownCountdown();
    } else if (message != u"/icononlystart"_s && message.startsWith(CConnectionArgument::kPrefix)) {
        ConnectWithArgument(message);
    }
}

bool CApp::ConnectWithArgument(const QString& argument)
{
    CConnectionArgument parsed = CConnectionArgument::Parse(argument);
    return ConnectToComputerWithRetry(parsed.computer, parsed.user, parsed.password, parsed.domain);
}

void CApp::ConditionalShow(const QString& message)
{
    if (message != u"/icononlystart"_s)
        ShowMainWindow();
}

void CApp::ShowMainWindow()
{
    CMainWindow* window = GetMainWindow();
    if (!window)
        return;
    emit ShowApp();
    QWidget* top = window->window();
    if (top->isMinimized())
        top->showNormal();
    else
        top->show();
    top->raise();
    top->activateWindow();
}

void CApp::SetAndQuit()
{
    m_quitRequested = true;
    QCoreApplication::quit();
}

bool CApp::ExitOnClose() const
{
    const QVariant value = m_settings.value(u"Preferences/Exit On Close"_s);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong() != 0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        return text.compare(u"true"_s, Qt::CaseInsensitive) == 0 || text == u"1"_s;
    }
    default:
        return false;
    }
}

void CApp::QuitWhenIdle()
{
    if (m_model.AnyBusy(TBusyStatus::Busy))
        return;
    // Statuses 1 to 5: a drive analysing, defragmenting, paused, resumed or verifying.
    if (m_defrager.AnyNotIdle())
        return;
    if (m_mainWindow && m_mainWindow->isVisible())
        return;
    if (ExitOnClose())
        SetAndQuit();
}

// --- refresh

void CApp::Refresh()
{
    UpdateDefragModel();
    RefreshSchedules();
    if (m_freeSpaceController && m_layout.IndexOf(CModelLayout::kFreeSpace) >= 0)
        m_freeSpaceController->UpdateModel();
    if (!m_model.IsRemote() && m_model.Edition() == CModel::kEditionVirtualMachines &&
        m_vmController)
        m_vmController->UpdateModel();
    if (m_mainWindow)
        SetTitle();
}

void CApp::Advanced()
{
    if (!m_policy.AllowAdvanceConfiguration())
        return;
    if (CAdvancedPropertiesNotebook::Open(*this, GetMainWindow()) != QDialog::Accepted)
        return;
    // The Space Management tab may have been shown or hidden.
    ApplyLayout();
}

void CApp::RefreshModel()
{
    RefreshDefragModel();
    RefreshSchedules();
    if (m_model.Edition() == CModel::kEditionVirtualMachines && m_vmController)
        m_vmController->RefreshModel();
}

void CApp::WireEngineSignals()
{
    connect(&m_engine, &CKV100EngineInterface::LostDrive, this, &CApp::OnLostDrive,
            Qt::QueuedConnection);
}

// --- schedules

void CApp::RefreshSchedules()
{
    if (m_cadenceController) {
        m_cadenceController->UpdateModel();
        return;
    }
    m_cadenceFeed.Refresh();
}

void CApp::UpdateNextRuns()
{
    m_cadenceFeed.UpdateNextRuns();
}

// --- the drive model

void CApp::ConditionalRefreshDefragModel()
{
    m_defragFeed.ConditionalRefresh();
}

void CApp::UpdateDefragModel()
{
    m_defragFeed.Rebuild();
    // Passes that run already count for the busy state as much as those that start later.
    OnDefragerBusyStateChanged(m_defrager.BusyState());
}

void CApp::RefreshDefragModel()
{
    m_defragFeed.Refresh();
}

void CApp::OnLostDrive(const TId& volume_guid, const TString& error_msg)
{
    if (m_connecting) {
        m_deferredLostDrive.emplace(volume_guid, error_msg);
        return;
    }
    RefreshModel();
    Present(QMessageBox::Warning, Translate("You appear to have lost a Drive!"),
            Translate("You appear to have lost a Drive.  This may have been caused by network "
                      "issues, Windows may have detected addition/removal of a external drive, or "
                      "you may have a COM registration issue. Korvane will automatically be "
                      "restarted. If you still have problems, please run Korvane "
                      "Self-Diagnostics and Troubleshooting (see help for instructions)."),
            QMessageBox::Ok);
    m_restartRequested = true;
    SetAndQuit();
}

// --- skins

void CApp::SetSkin(int skin)
{
    const CModel::TSkin chosen = CModel::SkinOf(skin);
    m_model.SetSkin(chosen);
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        const QString text = CSkinResources::StyleSheet(chosen.styleSheet.toLower());
        CTellmarCustomStyle::Install();
        application->setStyleSheet(text);
    }
    emit SkinChanged();
}

// --- help, updates and support

int CApp::PrimaryLanguage() const
{
    return CTranslationLoader::UserPrimaryLanguage();
}

QString CApp::HelpPath() const
{
    return CHelpFile::Path(CEngineLocation::Directory(), PrimaryLanguage());
}

void CApp::OnHelp()
{
    const QString page =
        CHelpFile::TopicPath(HelpPath(), QString::fromLatin1(CHelpFile::kStartPage));
    if (!IShell::Instance().Open(QUrl::fromLocalFile(page)))
        Present(QMessageBox::Critical, Translate("Help File Missed"),
                Translate("Failed to find the Help file. Please repair Korvane."), QMessageBox::Ok);
}

void CApp::ContextHelp(const QString& help_file)
{
    if (help_file.isEmpty())
        return;
    IShell::Instance().Open(QUrl::fromLocalFile(CHelpFile::TopicPath(HelpPath(), help_file)));
}

QString CApp::UpdateCheckerArguments(bool graySkin)
{
    return u" \" HKLM\\Software\\Tellmar\\Korvane\\11.0\\AutoUpdSettings\\ \" "_s +
           (graySkin ? u" /grayskin"_s : u" /blueskin"_s);
}

HRESULT CApp::CheckForUpdates()
{
    const QString program =
        CEngineLocation::Directory() + QString::fromLatin1(kUpdateCheckerProgram);
    return IShell::Instance().StartDetached(
        program, QProcess::splitCommand(UpdateCheckerArguments(m_model.Skin().number == 1)));
}

void CApp::OnCheckForUpdates()
{
    const HRESULT result = CheckForUpdates();
    if (SUCCEEDED(result))
        return;
    const long long code = IsWin32Failure(result) ? static_cast<long long>(HRESULT_CODE(result))
                                                  : static_cast<long long>(result);
    Present(QMessageBox::Warning, Translate("Unable to check for updates"),
            Translate("Sorry, unable to check for updates due to error %2(%1)")
                .Arg(code)
                .Arg(CSystemMessage::Text(result)),
            QMessageBox::Ok, m_mainWindow);
}

void CApp::CallSupport()
{
    if (m_model.IsRemote()) {
        Present(QMessageBox::Information,
                Translate("Support information only available for local connections"),
                Translate("Support information is only available for local connections. Please "
                          "log in to the machine you are remotely connected to and launch Korvane "
                          "there to obtain support information."),
                QMessageBox::Ok, m_mainWindow);
        return;
    }
    if (m_supportStarter)
        m_supportStarter();
}

void CApp::CallSupportAndQuit()
{
    CallSupport();
    SetAndQuit();
}

// --- final actions

void CApp::DisplayNeededFinalAction(std::wstring message, CFinalAdvice::TFinishActionAdvice advice)
{
    m_finalActionTimer.stop();
    m_model.AddFinalAction(advice, message);
    DoPickFinalAction();
}

void CApp::DisplayNeedReboot(const QString& message)
{
    DisplayNeededFinalAction(message.toStdWString(), CFinalAdvice::kReboot);
}

void CApp::DisplayNeedLogoff(const QString& message)
{
    DisplayNeededFinalAction(message.toStdWString(), CFinalAdvice::kLogOff);
}

void CApp::DisplayNeedCloseIe(const QString& message)
{
    DisplayNeededFinalAction(message.toStdWString(), CFinalAdvice::kCloseBrowser);
}

void CApp::DoPickFinalAction()
{
    m_finalActionTimer.stop();
    const std::optional<CModel::TFinalAction> action = m_model.MostUrgentFinalAction();
    if (!action)
        return;
    const QString title = Translate(kPermissionTitle);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && !box->isModal() && box->isVisible() && box->windowTitle() == title)
            return;
    }

    auto* box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Information);
    box->setWindowTitle(title);
    box->setText(QString::fromStdWString(action->message));
    box->setStandardButtons(QMessageBox::NoButton);
    box->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box->setModal(false);
    box->setIconPixmap(QPixmap(m_model.SkinImage(u"bullet_info_32.png"_s)));

    const auto add = [&](const char* text, QMessageBox::ButtonRole role, auto slot) {
        QPushButton* button = box->addButton(Translate(text), role);
        // The box fixes its size from its buttons' smallest sizes: keep each text whole.
        button->setMinimumSize(button->sizeHint());
        connect(button, &QPushButton::clicked, this, slot);
    };
    switch (action->advice) {
    case CFinalAdvice::kReboot:
        add("Reboot Now", QMessageBox::YesRole, &CApp::DoFinalReboot);
        add("Reboot Later", QMessageBox::NoRole, &CApp::RestartFinalActionTimer);
        add("Wait For the Next Reboot", QMessageBox::RejectRole, &CApp::IgnoreFinalAction);
        break;
    case CFinalAdvice::kLogOff:
        add("Log Off Now", QMessageBox::YesRole, &CApp::DoFinalLogout);
        add("Remind Me Later", QMessageBox::NoRole, &CApp::RestartFinalActionTimer);
        add("Wait For the Next Reboot", QMessageBox::RejectRole, &CApp::IgnoreFinalAction);
        break;
    case CFinalAdvice::kCloseBrowser:
        add("OK", QMessageBox::YesRole, &CApp::DoFinalCloseIE);
        add("Remind Me Later", QMessageBox::NoRole, &CApp::RestartFinalActionTimer);
        add("Wait For the Next Reboot", QMessageBox::RejectRole, &CApp::IgnoreFinalAction);
        break;
    }
    box->show();
}

void CApp::RestartFinalActionTimer()
{
    m_finalActionTimer.start(300000);
}

void CApp::IgnoreFinalAction()
{
    m_finalActionTimer.stop();
    m_model.ClearFinalActions();
}

HRESULT CApp::DoFinalReboot()
{
    return FAILED(CSystemShutdown::Reboot()) ? E_ACCESSDENIED : S_OK;
}

HRESULT CApp::DoFinalLogout()
{
    return FAILED(CSystemShutdown::LogOff()) ? E_ACCESSDENIED : S_OK;
}

HRESULT CApp::DoFinalCloseIE()
{
    return S_OK;
}

quint32 CApp::StopShutdown()
{
    return CSystemShutdown::Abort();
}

void CApp::OpenRebootCountdown()
{
    RunCountdown(true);
}

void CApp::OpenShutdownCountdown()
{
    RunCountdown(false);
}

void CApp::RunCountdown(bool reboot)
{
    if (m_finalActionDialogOpen)
        return;
    m_finalActionDialogOpen = true;
    CShutdown dialog(reboot, GetMainWindow());
    IMessagePresenter::Instance().RunDialog(dialog);
    m_finalActionDialogOpen = false;
}

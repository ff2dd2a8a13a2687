#pragma once

#include "app/CMainWindow.h"
#include "appmodel/CAppModel.h"
#include "appmodel/CModel.h"
#include "appmodel/CModelLayout.h"
#include "appmodel/IAppController.h"
#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100ExchangeInterface.h"
#include "engine/CKV100FileBrowserInterface.h"
#include "engine/CKV100FileOpInterface.h"
#include "engine/CKV100FileSetInterface.h"
#include "engine/CKV100SpaceReportsInterface.h"
#include "engine/CKV100VirtualPCInterface.h"
#include "engine/CKVDuplicateScannerInterface.h"
#include "engine/CKVTempRecycleCleanInterface.h"
#include "platform/registry/CSettings.h"
#include "policy/CClientGP.h"
#include "schedule/CCadence.h"
#include "schedule/CCadenceFeed.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;

// The console's application controller: it owns the engine wrappers and the models, connects
// them to this or another computer and reports every failure in its own words, aggregates the
// features' busy states, acts on the command messages from outside, owns the main window, applies
// the skin, opens help and the update checker, and keeps the final actions that wait for the
// user. There is one, the current controller, for the life of the console.
class CApp : public QObject, public IAppController, public CTranslatable {
    Q_OBJECT

public:
    // How the process ends when the user closes the disabled-service notice.
    using TProcessExit = std::function<void(int exitCode)>;

    explicit CApp(QObject* parent = nullptr);
    ~CApp() override;

    static CApp* Current();

    // The main window, made on first use; null while it is being made, and always when the
    // policy denies launching the console.
    CMainWindow* GetMainWindow(QWidget* parent = nullptr);
    CMainWindow* MainWindowIfAny() const { return m_mainWindow; }

    // Start-up: connects the engine wrappers' signals to their handlers.
    void WireEngineSignals();
    // After start-up and each connection: the models, the views and the window title.
    void Refresh();
    // Reads the edition of the connected computer and applies it: the Exchange engine, the
    // pane layout and the skin. E_UNEXPECTED when it was applied already, E_FAIL without an
    // engine.
    HRESULT ConnectExchange();
    // Connects as a "/connect=" text says: computer, user, password and domain; an empty text
    // after the prefix is the local computer with the current user.
    bool ConnectWithArgument(const QString& argument);
    // Ends the application when nothing runs, the window is hidden and the user asked the
    // console to exit when its window closes.
    void QuitWhenIdle();

    QString WindowTitle() const;
    bool ExitOnClose() const;
    bool QuitRequested() const { return m_quitRequested; }
    // A connection is under way: its dialogs may be showing.
    bool Connecting() const { return m_connecting; }
    bool RestartRequested() const { return m_restartRequested; }
    bool FinalActionDialogOpen() const { return m_finalActionDialogOpen; }
    QTimer& FinalActionTimer() { return m_finalActionTimer; }
    int PrimaryLanguage() const;

    // The update checker's command line, after its program.
    static QString UpdateCheckerArguments(bool graySkin);
    static const char* const kUpdateCheckerProgram;

    void SetProcessExit(TProcessExit processExit) { m_processExit = std::move(processExit); }
    // What CallSupport starts for this computer.
    void SetSupportStarter(std::function<void()> starter) { m_supportStarter = std::move(starter); }

    // The engine wrappers.
    CKV100ExchangeInterface& Exchange() { return m_exchange; }
    CKVDuplicateScannerInterface& DuplicateScanner() { return m_duplicateScanner; }
    CKVTempRecycleCleanInterface& TempRecycleCleaner() { return m_tempRecycleCleaner; }
    CKV100VirtualPCInterface& VirtualPC() { return m_virtualPC; }
    CKV100SpaceReportsInterface& SpaceReports() { return m_spaceReports; }
    CKV100FileOpInterface& FileOp() { return m_fileOp; }
    CKV100FileSetInterface& FileSet() { return m_fileSet; }
    CKV100FileBrowserInterface& FileBrowser() override { return m_fileBrowser; }

    // IAppController: what the views reach.
    QObject* Object() override { return this; }
    CModel& Model() override { return m_model; }
    CModelLayout& Layout() override { return m_layout; }
    IAppModel& AppModel() override { return m_appModel; }
    CClientGP& Policy() override { return m_policy; }
    CSettings& Settings() override { return m_settings; }
    CKV100EngineInterface& Engine() override { return m_engine; }
    CKV100AgentInterface& Agent() override { return m_agent; }
    CDefrager& Defrager() override { return m_defrager; }
    CCadence& Cadence() override { return m_cadence; }
    CDefragFeed& DefragFeed() { return m_defragFeed; }
    CCadenceFeed& CadenceFeed() { return m_cadenceFeed; }
    IDefragController* DefragController() const override { return m_defragController; }
    IFreeSpaceController* FreeSpaceController() const override { return m_freeSpaceController; }
    ISpaceExplorerController* SpaceExplorerController() const override
    {
        return m_spaceExplorerController;
    }
    ISpaceReportsController* SpaceReportsController() const override
    {
        return m_spaceReportsController;
    }
    IDuplicatesFinderController* DuplicatesFinderController() const override
    {
        return m_duplicatesFinderController;
    }
    IExchangeController* ExchangeController() const override { return m_exchangeController; }
    ICadenceController* CadenceController() const override { return m_cadenceController; }
    IVMController* VMController() const override { return m_vmController; }
    IADController* ADController() const override { return m_adController; }
    IProductResourcesController* ProductResourcesController() const override
    {
        return m_productResourcesController;
    }

    // Starts the update checker; the system's error when it cannot be started.
    virtual HRESULT CheckForUpdates();
    // 0 blue, 1 gray.
    virtual void SetSkin(int skin);

public slots:
    void SetActivePane(CModelLayout::TPaneType pane) override;
    CModelLayout::TPaneType GetActivePane() override;

    void RegisterDefragController(IDefragController* controller) override;
    void UnregisterDefragController(IDefragController* controller) override;
    void RegisterFreeSpaceController(IFreeSpaceController* controller) override;
    void UnregisterFreeSpaceController(IFreeSpaceController* controller) override;
    void RegisterSpaceExplorerController(ISpaceExplorerController* controller) override;
    void UnregisterSpaceExplorerController(ISpaceExplorerController* controller) override;
    void RegisterSpaceReportsController(ISpaceReportsController* controller) override;
    void UnregisterSpaceReportsController(ISpaceReportsController* controller) override;
    void RegisterDuplicatesFinderController(IDuplicatesFinderController* controller) override;
    void UnregisterDuplicatesFinderController(IDuplicatesFinderController* controller) override;
    void RegisterExchangeController(IExchangeController* controller) override;
    void UnregisterExchangeController(IExchangeController* controller) override;
    void RegisterCadenceController(ICadenceController* controller) override;
    void UnregisterCadenceController(ICadenceController* controller) override;
    void RegisterVMController(IVMController* controller) override;
    void UnregisterVMController(IVMController* controller) override;
    void RegisterADController(IADController* controller) override;
    void UnregisterADController(IADController* controller) override;
    void RegisterProductResourcesController(IProductResourcesController* controller) override;
    void UnregisterProductResourcesController(IProductResourcesController* controller) override;

    bool ConnectToComputer(TName computer, TName user_name, TString password,
                           TName domain) override;
    bool ConnectToComputerWithRetry(TName& computer, TName& user_name, TString& password,
                                    TName& domain) override;

    void DisplayNeededFinalAction(std::wstring message,
                                  CFinalAdvice::TFinishActionAdvice advice) override;
    quint32 StopShutdown() override;
    void SetSystemTrayProgressBusy(CModel::TIconBusyIndex index,
                                   CModel::TBusyStatus status) override;
    void ConditionalRefreshDefragModel() override;
    void UpdateDefragModel() override;
    void RefreshDefragModel() override;
    void UpdateNextRuns() override;

    bool IsJapanese() override { return PrimaryLanguage() == 17; }
    bool IsFrench() override { return PrimaryLanguage() == 12; }
    bool IsGerman() override { return PrimaryLanguage() == 7; }
    bool IsChinese() override { return PrimaryLanguage() == 4; }

    void CallSupport() override;
    void CallSupportAndQuit() override;

    void Advanced() override;
    void ContextHelp(const QString& help_file) override;
    void OnHelp() override;
    void OnCheckForUpdates() override;
    void ShowMainWindow();
    void SetAndQuit() override;
    void OnMessageReceived(const QString& message);
    void OnMessageReceivedAction(const QString& message);
    void ConditionalShow(const QString& message);
    void RefreshModel() override;
    void CleanAllInterfaces();
    void OnLostDrive(const TId& volume_guid, const TString& error_msg);
    void OnCadenceBusyStateChanged(TBusyStatus status);
    void OnDefragerBusyStateChanged(TBusyStatus status);
    void OnExchangeBusyStateChanged(TBusyStatus status);

    // Final actions.
    void DisplayNeedReboot(const QString& message);
    void DisplayNeedLogoff(const QString& message);
    void DisplayNeedCloseIe(const QString& message);
    void DoPickFinalAction();
    void RestartFinalActionTimer();
    void IgnoreFinalAction();
    HRESULT DoFinalReboot();
    HRESULT DoFinalLogout();
    HRESULT DoFinalCloseIE();
    void ReportConnectionFailure() override;
    void OpenRebootCountdown() override;
    void OpenShutdownCountdown() override;

signals:
    void ComputerConnected();
    void PaneActivated(CModelLayout::TPaneType pane);
    void DefragModelUpdated();
    void NeedUpdateVolumeStats(const TId& volume);
    void NextRunsUpdated();
    void SystemTrayProgressBusy(int index, bool busy);
    void SystemTrayProgressTooltip(int index, const QString& status);
    void SystemTrayMessage(const QString& message);
    void BusySignal();
    void PausedSignal();
    void IdleSignal();
    void SkinChanged();
    void SetAdvancedMode(bool advanced);
    void ShowApp();
    void ApplyAllDrives(bool all);
    void ExchangeConnectMsg(const QString& message);
    void MessageReceivedAction(const QString& message);

private:
    class CConnectionScope;
    enum class TServiceAnswer { NoRetry, Retry, Close };

    // One attempt, its failure shown with BUTTONS; *retry tells whether the user chose Retry.
    bool Attempt(const TName& computer, const TName& user, const TString& password,
                 const TName& domain, QMessageBox::StandardButtons buttons, bool* retry);
    // After the probe: connects every wrapper the computer's edition asks for. The engine's
    // failure, or S_OK.
    HRESULT FullConnection(const TName& computer, const TName& user, const TString& password,
                           const TName& domain);
    // The notice about a disabled service of this computer, when it is disabled.
    TServiceAnswer ServiceCheck(const QString& service, const char* startupType);
    // Hands over what waited for the connection that has just finished, in later turns.
    void ResumeDeferred();
    bool IsLocalTarget(const TName& computer) const;
    bool ShowsFreeSpaceTab() const;
    void ApplyLayout();
    void ReadComputerIdentity();
    // The schedules and the drives' next runs: through the scheduling tab when there is one.
    void RefreshSchedules();
    void SetTitle();
    void RunCountdown(bool reboot);
    QString HelpPath() const;

    CKV100AgentInterface m_agent;
    CKV100EngineInterface m_engine;
    CKV100ExchangeInterface m_exchange;
    CKVDuplicateScannerInterface m_duplicateScanner;
    CKVTempRecycleCleanInterface m_tempRecycleCleaner;
    CKV100VirtualPCInterface m_virtualPC;
    CKV100SpaceReportsInterface m_spaceReports;
    CKV100FileOpInterface m_fileOp;
    CKV100FileSetInterface m_fileSet;
    CKV100FileBrowserInterface m_fileBrowser;
    bool m_finalActionDialogOpen = false;
    bool m_quitRequested = false;
    CAppModel m_appModel;
    CModel m_model;
    CDefrager m_defrager;
    CCadence m_cadence;
    CDefragFeed m_defragFeed;
    CCadenceFeed m_cadenceFeed;
    CModelLayout m_layout;
    CSettings m_settings;
    CClientGP m_policy;
    IDefragController* m_defragController = nullptr;
    IFreeSpaceController* m_freeSpaceController = nullptr;
    ISpaceExplorerController* m_spaceExplorerController = nullptr;
    ISpaceReportsController* m_spaceReportsController = nullptr;
    IDuplicatesFinderController* m_duplicatesFinderController = nullptr;
    IExchangeController* m_exchangeController = nullptr;
    ICadenceController* m_cadenceController = nullptr;
    IVMController* m_vmController = nullptr;
    IADController* m_adController = nullptr;
    IProductResourcesController* m_productResourcesController = nullptr;
    QTimer m_finalActionTimer;
    QPointer<CMainWindow> m_mainWindow;
    bool m_restartRequested = false;
    bool m_mainWindowUnderConstruction = false;
    bool m_editionApplied = false;
    bool m_connecting = false;
    // What arrived while a connection was under way.
    QStringList m_deferredMessages;
    std::optional<std::pair<TId, TString>> m_deferredLostDrive;

    // What the connected computer says about itself, for the window title.
    QString m_productDisplayName;
    QString m_virtualHostName;
    bool m_virtualGuest = false;

    TProcessExit m_processExit;
    std::function<void()> m_supportStarter;
};

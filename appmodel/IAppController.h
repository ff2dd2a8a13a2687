#pragma once

#include "appmodel/CFinalAdvice.h"
#include "appmodel/CModel.h"
#include "appmodel/CModelLayout.h"

#include <string>

class CClientGP;
class CCadence;
class CDefrager;
class CKV100AgentInterface;
class CKV100EngineInterface;
class CKV100FileBrowserInterface;
class CSettings;
class IADController;
class IAppModel;
class ICadenceController;
class IDefragController;
class IDuplicatesFinderController;
class IExchangeController;
class IFreeSpaceController;
class IProductResourcesController;
class ISpaceExplorerController;
class ISpaceReportsController;
class IVMController;
class QObject;
class QString;

// The application controller as every view reaches it. There is one per process, the current
// controller; its signals are those of Object().
class IAppController {
public:
    virtual ~IAppController() = default;

    // The current controller: set while the controller lives, null otherwise.
    static IAppController* Current();

    virtual void SetActivePane(CModelLayout::TPaneType pane) = 0;
    virtual CModelLayout::TPaneType GetActivePane() = 0;

    virtual void RegisterDefragController(IDefragController* controller) = 0;
    virtual void UnregisterDefragController(IDefragController* controller) = 0;
    virtual void RegisterFreeSpaceController(IFreeSpaceController* controller) = 0;
    virtual void UnregisterFreeSpaceController(IFreeSpaceController* controller) = 0;
    virtual void RegisterSpaceExplorerController(ISpaceExplorerController* controller) = 0;
    virtual void UnregisterSpaceExplorerController(ISpaceExplorerController* controller) = 0;
    virtual void RegisterSpaceReportsController(ISpaceReportsController* controller) = 0;
    virtual void UnregisterSpaceReportsController(ISpaceReportsController* controller) = 0;
    virtual void RegisterDuplicatesFinderController(IDuplicatesFinderController* controller) = 0;
    virtual void UnregisterDuplicatesFinderController(IDuplicatesFinderController* controller) = 0;
    virtual void RegisterExchangeController(IExchangeController* controller) = 0;
    virtual void UnregisterExchangeController(IExchangeController* controller) = 0;
    virtual void RegisterCadenceController(ICadenceController* controller) = 0;
    virtual void UnregisterCadenceController(ICadenceController* controller) = 0;
    virtual void RegisterVMController(IVMController* controller) = 0;
    virtual void UnregisterVMController(IVMController* controller) = 0;
    virtual void RegisterADController(IADController* controller) = 0;
    virtual void UnregisterADController(IADController* controller) = 0;
    virtual void RegisterProductResourcesController(IProductResourcesController* controller) = 0;
    virtual void UnregisterProductResourcesController(IProductResourcesController* controller) = 0;

    // One attempt, failures reported to the user; an empty computer is this one.
    virtual bool ConnectToComputer(TName computer, TName user_name, TString password,
                                   TName domain) = 0;
    // Attempts until one succeeds or the user gives up; the values end as the user left them.
    virtual bool ConnectToComputerWithRetry(TName& computer, TName& user_name, TString& password,
                                            TName& domain) = 0;

    virtual void DisplayNeededFinalAction(std::wstring message,
                                          CFinalAdvice::TFinishActionAdvice advice) = 0;
    // Cancels a system shutdown in progress: 0, or the system's error code.
    virtual quint32 StopShutdown() = 0;
    // Tells the user that the engine of the computer is not connected.
    virtual void ReportConnectionFailure() = 0;
    // The countdowns to a reboot and to a shutdown of this computer.
    virtual void OpenRebootCountdown() = 0;
    virtual void OpenShutdownCountdown() = 0;
    virtual void SetSystemTrayProgressBusy(CModel::TIconBusyIndex index,
                                           CModel::TBusyStatus status) = 0;
    // The drive model: rebuilt from the engine's volume list when the list changed, else
    // refreshed.
    virtual void ConditionalRefreshDefragModel() = 0;
    // Rebuilds the drive model from the engine's volume list.
    virtual void UpdateDefragModel() = 0;
    // Refreshes the known drives: last-defragmented dates and next runs.
    virtual void RefreshDefragModel() = 0;
    // Offers every drive schedule to the drives it covers, for their next runs.
    virtual void UpdateNextRuns() = 0;

    // The user's primary language.
    virtual bool IsJapanese() = 0;
    virtual bool IsFrench() = 0;
    virtual bool IsGerman() = 0;
    virtual bool IsChinese() = 0;

    virtual void CallSupport() = 0;
    virtual void CallSupportAndQuit() = 0;

    // What the ribbon and the window ask of the controller besides the slots above.
    // The settings notebook, modal on the main window.
    virtual void Advanced() = 0;
    // The help file's index, and one topic of it.
    virtual void OnHelp() = 0;
    virtual void ContextHelp(const QString& help_file) = 0;
    virtual void OnCheckForUpdates() = 0;
    // Reloads the models of the connected computer and repaints the views.
    virtual void RefreshModel() = 0;
    // Ends the application.
    virtual void SetAndQuit() = 0;

    // What the views reach through the controller.
    virtual QObject* Object() = 0;
    virtual CModel& Model() = 0;
    virtual CModelLayout& Layout() = 0;
    virtual IAppModel& AppModel() = 0;
    virtual CClientGP& Policy() = 0;
    virtual CSettings& Settings() = 0;
    virtual CKV100EngineInterface& Engine() = 0;
    virtual CKV100AgentInterface& Agent() = 0;
    virtual CKV100FileBrowserInterface& FileBrowser() = 0;
    virtual CDefrager& Defrager() = 0;
    virtual CCadence& Cadence() = 0;
    virtual IDefragController* DefragController() const = 0;
    virtual IFreeSpaceController* FreeSpaceController() const = 0;
    virtual ISpaceExplorerController* SpaceExplorerController() const = 0;
    virtual ISpaceReportsController* SpaceReportsController() const = 0;
    virtual IDuplicatesFinderController* DuplicatesFinderController() const = 0;
    virtual IExchangeController* ExchangeController() const = 0;
    virtual ICadenceController* CadenceController() const = 0;
    virtual IVMController* VMController() const = 0;
    virtual IADController* ADController() const = 0;
    virtual IProductResourcesController* ProductResourcesController() const = 0;

protected:
    // The controller makes itself current while it lives.
    static void SetCurrent(IAppController* controller);
};

#pragma once

#include "appmodel/CAppModel.h"
#include "appmodel/CModel.h"
#include "appmodel/CModelLayout.h"
#include "appmodel/IAppController.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "platform/registry/CSettings.h"
#include "policy/CClientGP.h"
#include "schedule/CCadence.h"
#include "tests/support/CTestEnvironment.h"

#include <QObject>
#include <QStringList>

// An application controller for view tests. It gives the test its own registry (the policy and
// the settings read it), makes itself the current controller for its lifetime, keeps the
// feature controllers registered with it, and records the requests the views make of it by
// name, in order. Its engine and agent are never connected.
class CFakeAppController : public QObject, public IAppController {
    Q_OBJECT

public:
    CFakeAppController();
    ~CFakeAppController() override;

    // The requests so far, e.g. "Advanced", "SetActivePane(4)", "ContextHelp(x.htm)".
    QStringList calls;

    // Stores the skin in the model and emits SkinChanged, as the real controller does.
    void SetSkin(int skin);
    // Stores the edition and the remote flag and emits ComputerConnected.
    void SimulateConnection(quint32 edition, bool remote);
    CTestEnvironment& Environment() { return m_environment; }

    void SetActivePane(CModelLayout::TPaneType pane) override;
    CModelLayout::TPaneType GetActivePane() override { return m_appModel.GetActivePane(); }

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

    // Connections fail without asking anybody.
    bool ConnectToComputer(TName computer, TName user_name, TString password,
                           TName domain) override;
    bool ConnectToComputerWithRetry(TName& computer, TName& user_name, TString& password,
                                    TName& domain) override;

    void DisplayNeededFinalAction(std::wstring message,
                                  CFinalAdvice::TFinishActionAdvice advice) override;
    quint32 StopShutdown() override;
    void SetSystemTrayProgressBusy(CModel::TIconBusyIndex index,
                                   CModel::TBusyStatus status) override;
    void ConditionalRefreshDefragModel() override
    {
        calls.append(QStringLiteral("ConditionalRefreshDefragModel"));
    }
    void UpdateDefragModel() override { calls.append(QStringLiteral("UpdateDefragModel")); }
    void RefreshDefragModel() override { calls.append(QStringLiteral("RefreshDefragModel")); }
    void UpdateNextRuns() override { calls.append(QStringLiteral("UpdateNextRuns")); }

    bool IsJapanese() override { return false; }
    bool IsFrench() override { return false; }
    bool IsGerman() override { return false; }
    bool IsChinese() override { return false; }

    void CallSupport() override { calls.append(QStringLiteral("CallSupport")); }
    void CallSupportAndQuit() override { calls.append(QStringLiteral("CallSupportAndQuit")); }
    void Advanced() override { calls.append(QStringLiteral("Advanced")); }
    void OnHelp() override { calls.append(QStringLiteral("OnHelp")); }
    void ContextHelp(const QString& help_file) override;
    void OnCheckForUpdates() override { calls.append(QStringLiteral("OnCheckForUpdates")); }
    void RefreshModel() override { calls.append(QStringLiteral("RefreshModel")); }
    void SetAndQuit() override { calls.append(QStringLiteral("SetAndQuit")); }

    QObject* Object() override { return this; }
    CModel& Model() override { return m_model; }
    CModelLayout& Layout() override { return m_layout; }
    IAppModel& AppModel() override { return m_appModel; }
    CClientGP& Policy() override { return m_policy; }
    CSettings& Settings() override { return m_settings; }
    CKV100EngineInterface& Engine() override { return m_engine; }
    CKV100AgentInterface& Agent() override { return m_agent; }
    CDefrager& Defrager() override { return m_defrager; }
    CCadence& Cadence() override { return m_cadenceModel; }
    IDefragController* DefragController() const override { return m_defrag; }
    IFreeSpaceController* FreeSpaceController() const override { return m_freeSpace; }
    ISpaceExplorerController* SpaceExplorerController() const override { return m_spaceExplorer; }
    ISpaceReportsController* SpaceReportsController() const override { return m_spaceReports; }
    IDuplicatesFinderController* DuplicatesFinderController() const override
    {
        return m_duplicates;
    }
    IExchangeController* ExchangeController() const override { return m_exchange; }
    ICadenceController* CadenceController() const override { return m_cadence; }
    IVMController* VMController() const override { return m_vm; }
    IADController* ADController() const override { return m_ad; }
    IProductResourcesController* ProductResourcesController() const override
    {
        return m_productResources;
    }

signals:
    void ComputerConnected();
    void PaneActivated(CModelLayout::TPaneType pane);
    void SkinChanged();
    void SetAdvancedMode(bool advanced);
    void NextRunsUpdated();

private:
    // First: everything below reads the registry it isolates.
    CTestEnvironment m_environment;
    CModel m_model;
    CModelLayout m_layout;
    CAppModel m_appModel;
    CClientGP m_policy;
    CSettings m_settings;
    CKV100EngineInterface m_engine;
    CKV100AgentInterface m_agent;
    CDefrager m_defrager;
    CCadence m_cadenceModel;
    IDefragController* m_defrag = nullptr;
    IFreeSpaceController* m_freeSpace = nullptr;
    ISpaceExplorerController* m_spaceExplorer = nullptr;
    ISpaceReportsController* m_spaceReports = nullptr;
    IDuplicatesFinderController* m_duplicates = nullptr;
    IExchangeController* m_exchange = nullptr;
    ICadenceController* m_cadence = nullptr;
    IVMController* m_vm = nullptr;
    IADController* m_ad = nullptr;
    IProductResourcesController* m_productResources = nullptr;
};

#pragma once

#include "appmodel/CModelLayout.h"
#include "appmodel/IADController.h"
#include "appmodel/ICadenceController.h"
#include "appmodel/IDefragController.h"
#include "appmodel/IDuplicatesFinderController.h"
#include "appmodel/IExchangeController.h"
#include "appmodel/IFreeSpaceController.h"
#include "appmodel/ISpaceExplorerController.h"
#include "appmodel/ISpaceReportsController.h"
#include "appmodel/IVMController.h"
#include "core/Types.h"

#include <QObject>
#include <QStringList>

// The feature tabs' controllers for ribbon tests: each records the operations asked of it in a
// shared log as "<Feature>.<operation>", and has those of its tab's signals the tests emit.
class CFakeFeature : public QObject {
public:
    CFakeFeature(QStringList& log, const char* feature)
        : m_log(log)
        , m_feature(QLatin1String(feature))
    {}

protected:
    void Log(const QString& operation) const { m_log << m_feature + u'.' + operation; }

private:
    QStringList& m_log;
    QString m_feature;
};

#define KORVANE_FAKE(operation)                                                                    \
    void operation() override                                                                      \
    {                                                                                              \
        Log(QStringLiteral(#operation));                                                           \
    }

class CFakeDefragController : public CFakeFeature, public IDefragController {
    Q_OBJECT

public:
    explicit CFakeDefragController(QStringList& log)
        : CFakeFeature(log, "Defrag")
    {}
    KORVANE_FAKE(EntireDrive)
    KORVANE_FAKE(Analyse)
    KORVANE_FAKE(SelectedFiles)
    KORVANE_FAKE(SystemFiles)
    KORVANE_FAKE(Stop)
    KORVANE_FAKE(Pause)
    KORVANE_FAKE(Resume)
    KORVANE_FAKE(Properties)
    KORVANE_FAKE(EntireDriveDefragOnly)
    KORVANE_FAKE(EntireDriveTierLayout)
    KORVANE_FAKE(OnStartUp)
    KORVANE_FAKE(UpdateColors)
    // The per-volume operations are reached only from the tab's own views.
    void EntireDrive(const TId&) override {}
    void Analyse(const TId&) override {}
    void SystemFiles(const TId&) override {}
    void Stop(const TId&) override {}
    void Pause(const TId&) override {}
    void Resume(const TId&) override {}
    HRESULT DefragmentFilesList(const TId&, TStringList&) override { return S_OK; }
    void SetBootTime(const TId&, qint32) override {}
    void SetDefaultAlgorithm(const TId&, qint32) override {}
    HRESULT GetDefaultAlgorithm(const TId&, qint32&) override { return S_OK; }
    void SetOverrideDriveType(const TId&, int) override {}
    void SelectVolumes(const std::list<TId>&) override {}
    void DeselectVolumes(const std::list<TId>&) override {}
    void SetCurrentVolume(const TId&) override {}
    void SetSelectedBlocks(const std::wstring&, const std::set<quint32>&,
                           const std::wstring&) override
    {}
    HRESULT EnumFileExtents(const TId&, const TString&, std::set<quint32>&) override
    {
        return S_OK;
    }
};

class CFakeCadenceController : public CFakeFeature, public ICadenceController {
    Q_OBJECT

public:
    explicit CFakeCadenceController(QStringList& log)
        : CFakeFeature(log, "Cadence")
    {}
    KORVANE_FAKE(UpdateModel)
    KORVANE_FAKE(RunNow)
    KORVANE_FAKE(OneTime)
    KORVANE_FAKE(Daily)
    KORVANE_FAKE(Weekly)
    KORVANE_FAKE(ScreenSaver)
    KORVANE_FAKE(Automatic)
    KORVANE_FAKE(OneTimeEx)
    KORVANE_FAKE(WeeklyEx)
    KORVANE_FAKE(OneTimeVm)
    KORVANE_FAKE(DailyVm)
    KORVANE_FAKE(WeeklyVm)
    KORVANE_FAKE(Edit)
    KORVANE_FAKE(Rename)
    KORVANE_FAKE(Delete)
    KORVANE_FAKE(Disable)

signals:
    void ScheduleDeleted();
    void ScheduleEnabled(TName kv_schedule_name, bool enabled);
    void ScheduleSelected(TName kv_schedule_name);
};

class CFakeFreeSpaceController : public CFakeFeature, public IFreeSpaceController {
    Q_OBJECT

public:
    explicit CFakeFreeSpaceController(QStringList& log)
        : CFakeFeature(log, "FreeSpace")
    {}
    KORVANE_FAKE(UpdateModel)
    KORVANE_FAKE(RefreshModel)
    KORVANE_FAKE(CheckForDrivesGainLoss)
    KORVANE_FAKE(DuplicatesFinder)
    KORVANE_FAKE(SpaceExplorer)
    KORVANE_FAKE(Recycler)
    KORVANE_FAKE(SpaceReport)
    KORVANE_FAKE(Start)
    KORVANE_FAKE(Analyse)
    KORVANE_FAKE(Stop)
    KORVANE_FAKE(UpdateIndicators)
    KORVANE_FAKE(OnStartUp)
    void UpdateOptions(DWORD options) override
    {
        Log(QStringLiteral("UpdateOptions(0x%1)").arg(options, 0, 16));
    }
    void SelectVolume(TName) override { Log(QStringLiteral("SelectVolume")); }
    void DeSelectVolume(TName) override { Log(QStringLiteral("DeSelectVolume")); }

signals:
    void SubPaneActivated(CModelLayout::TFreeSpacePaneType pane);
    void Started();
    void Completed(TStringList drives);
    void OptionsUpdated(DWORD options);
    void SpaceReportScanInitiated();
};

class CFakeDuplicatesFinderController : public CFakeFeature, public IDuplicatesFinderController {
    Q_OBJECT

public:
    explicit CFakeDuplicatesFinderController(QStringList& log)
        : CFakeFeature(log, "Duplicates")
    {}
    KORVANE_FAKE(Start)
    KORVANE_FAKE(Stop)
    void Start(TStringList, TStringList, TStringList) override
    {
        Log(QStringLiteral("Start(lists)"));
    }
    void SelectVolume(TName) override { Log(QStringLiteral("SelectVolume")); }
    void DeSelectVolume(TName) override { Log(QStringLiteral("DeSelectVolume")); }

signals:
    void Started();
};

class CFakeSpaceExplorerController : public CFakeFeature, public ISpaceExplorerController {
    Q_OBJECT

public:
    explicit CFakeSpaceExplorerController(QStringList& log)
        : CFakeFeature(log, "Explorer")
    {}
    KORVANE_FAKE(Analyse)
    KORVANE_FAKE(Stop)
};

class CFakeSpaceReportsController : public CFakeFeature, public ISpaceReportsController {
    Q_OBJECT

public:
    explicit CFakeSpaceReportsController(QStringList& log)
        : CFakeFeature(log, "Reports")
    {}
    KORVANE_FAKE(Start)
    KORVANE_FAKE(Stop)
};

class CFakeExchangeController : public CFakeFeature, public IExchangeController {
    Q_OBJECT

public:
    explicit CFakeExchangeController(QStringList& log)
        : CFakeFeature(log, "Exchange")
    {}
    KORVANE_FAKE(Defragment)
    KORVANE_FAKE(Stop)
    KORVANE_FAKE(Properties)
};

class CFakeVMController : public CFakeFeature, public IVMController {
    Q_OBJECT

public:
    explicit CFakeVMController(QStringList& log)
        : CFakeFeature(log, "VM")
    {}
    KORVANE_FAKE(Properties)
    KORVANE_FAKE(Stop)
    KORVANE_FAKE(RefreshModel)
    KORVANE_FAKE(UpdateModel)
    void Defragment(bool shrink, bool vfs, bool vmwareInternal, bool offline) override
    {
        Log(QStringLiteral("Defragment(%1%2%3%4)")
                .arg(int(shrink))
                .arg(int(vfs))
                .arg(int(vmwareInternal))
                .arg(int(offline)));
    }
};

class CFakeADController : public CFakeFeature, public IADController {
    Q_OBJECT

public:
    explicit CFakeADController(QStringList& log)
        : CFakeFeature(log, "AD")
    {}
    void ActivateSubPane(CModelLayout::TADPaneType pane) override
    {
        Log(QStringLiteral("ActivateSubPane(%1)").arg(int(pane)));
    }
    bool GroupPolicyManagementAvailable() const override { return gpmcAvailable; }

    bool gpmcAvailable = true;

signals:
    void SubPaneActivated(CModelLayout::TADPaneType pane);
};

#undef KORVANE_FAKE

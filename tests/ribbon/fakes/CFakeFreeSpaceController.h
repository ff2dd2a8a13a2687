#pragma once

#include "appmodel/CModelLayout.h"
#include "appmodel/IFreeSpaceController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the "Space Management" tab as "FreeSpace.<operation>", and
// emits the tab's signals on request.
class CFakeFreeSpaceController : public QObject, public IFreeSpaceController {
    Q_OBJECT

public:
    explicit CFakeFreeSpaceController(QStringList& log)
        : m_log(log)
    {}

    void UpdateModel() override { m_log << QStringLiteral("FreeSpace.UpdateModel"); }
    void RefreshModel() override { m_log << QStringLiteral("FreeSpace.RefreshModel"); }
    void CheckForDrivesGainLoss() override
    {
        m_log << QStringLiteral("FreeSpace.CheckForDrivesGainLoss");
    }
    void DuplicatesFinder() override { m_log << QStringLiteral("FreeSpace.DuplicatesFinder"); }
    void SpaceExplorer() override { m_log << QStringLiteral("FreeSpace.SpaceExplorer"); }
    void Recycler() override { m_log << QStringLiteral("FreeSpace.Recycler"); }
    void SpaceReport() override { m_log << QStringLiteral("FreeSpace.SpaceReport"); }
    void Start() override { m_log << QStringLiteral("FreeSpace.Start"); }
    void Analyse() override { m_log << QStringLiteral("FreeSpace.Analyse"); }
    void Stop() override { m_log << QStringLiteral("FreeSpace.Stop"); }
    void UpdateOptions(DWORD options) override
    {
        m_log << QStringLiteral("FreeSpace.UpdateOptions(0x%1)").arg(options, 0, 16);
    }
    void SelectVolume(TName) override { m_log << QStringLiteral("FreeSpace.SelectVolume"); }
    void DeSelectVolume(TName) override { m_log << QStringLiteral("FreeSpace.DeSelectVolume"); }
    void UpdateIndicators() override { m_log << QStringLiteral("FreeSpace.UpdateIndicators"); }
    void OnStartUp() override { m_log << QStringLiteral("FreeSpace.OnStartUp"); }

signals:
    void SubPaneActivated(CModelLayout::TFreeSpacePaneType pane);
    void Started();
    void Stopped(TStringList drives);
    void Completed(TStringList drives);
    void OptionsUpdated(DWORD options);
    void SpaceReportScanInitiated();
    void SpaceReportScanStopped();
    void SpaceReportScanCompleted();

private:
    QStringList& m_log;
};

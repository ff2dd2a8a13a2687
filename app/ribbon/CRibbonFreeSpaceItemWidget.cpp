#include "app/ribbon/CRibbonFreeSpaceItemWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDuplicatesFinderController.h"
#include "appmodel/IFreeSpaceController.h"
#include "appmodel/ISpaceExplorerController.h"
#include "appmodel/ISpaceReportsController.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QCheckBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CRibbonFreeSpaceItemWidget::CRibbonFreeSpaceItemWidget(CModelLayout::TFreeSpacePaneType pane,
                                                       QWidget* parent)
    : CRibbonFeatureBar("CRibbonFreeSpaceItemWidget", parent)
    , m_pane(pane)
{
    using Bar = CRibbonFreeSpaceItemWidget;
    const QKeySequence startKeys(Qt::CTRL | Qt::Key_D);
    const QKeySequence analyseKeys(Qt::CTRL | Qt::Key_Q);
    const QKeySequence stopKeys(Qt::CTRL | Qt::Key_S);
    const QString stopImage = u"free_space_stop.png"_s;
    CRibbonGroup* actions = AddNewGroup("Actions");
    switch (pane) {
    case CModelLayout::kRecycler: {
        m_start = AddNewButton(actions, "Start", "Start free space scan.",
                               u"free_space_start.png"_s, &Bar::OnStart, startKeys);
        m_analyse = AddNewButton(actions, "Analyze", "Start free space Analyze scan.",
                                 u"free_space_analyze.png"_s, &Bar::OnAnalyse, analyseKeys);
        m_stop = AddNewButton(actions, "Stop", "Stop free space scan.", stopImage, &Bar::OnStop,
                              stopKeys);
        auto* choices = new QWidget(actions);
        auto* column = new QVBoxLayout(choices);
        column->setContentsMargins(4, 0, 4, 0);
        m_recycleBin = new QCheckBox(Translate("Recycle Bin"), choices);
        m_temporaryFiles = new QCheckBox(Translate("Temporary Files"), choices);
        column->addWidget(m_recycleBin);
        column->addWidget(m_temporaryFiles);
        actions->AddWidget(choices);
        connect(m_recycleBin, &QCheckBox::toggled, this, &Bar::OnRecycleBinToggled);
        connect(m_temporaryFiles, &QCheckBox::toggled, this, &Bar::OnTemporaryFilesToggled);
        break;
    }
    case CModelLayout::kDuplicatesFinder:
        m_start = AddNewButton(actions, "Start", "Start duplicate files scan.",
                               u"free_space_start.png"_s, &Bar::OnStart, startKeys);
        m_stop = AddNewButton(actions, "Stop", "Stop duplicate files scan.", stopImage,
                              &Bar::OnStop, stopKeys);
        break;
    case CModelLayout::kSpaceExplorer:
        m_analyse = AddNewButton(actions, "Analyze",
                                 "Analyze the space distribution \nbetween files and folders.",
                                 u"free_space_analyze.png"_s, &Bar::OnAnalyse, analyseKeys);
        m_stop = AddNewButton(actions, "Stop", "Stop Space Explorer scan.", stopImage, &Bar::OnStop,
                              stopKeys);
        break;
    case CModelLayout::kSpaceReports:
        m_start =
            AddNewButton(actions, "Create\nReport", "Analyze your files' usage and allocation.",
                         u"free_space_rescan.png"_s, &Bar::OnStart, startKeys);
        m_stop = AddNewButton(actions, "Stop", "Stop Analyze.", stopImage, &Bar::OnStop, stopKeys);
        break;
    }
    UpdateButtons();
    FollowControllers();
}

QObject* CRibbonFreeSpaceItemWidget::ControllerObject() const
{
    IAppController* app = IAppController::Current();
    if (!app)
        return nullptr;
    switch (m_pane) {
    case CModelLayout::kDuplicatesFinder:
        return dynamic_cast<QObject*>(app->DuplicatesFinderController());
    case CModelLayout::kSpaceExplorer:
        return dynamic_cast<QObject*>(app->SpaceExplorerController());
    case CModelLayout::kRecycler:
    case CModelLayout::kSpaceReports:
        break;
    }
    // The free-space controller reports the cleaner's passes and the space reports' scans.
    return dynamic_cast<QObject*>(app->FreeSpaceController());
}

void CRibbonFreeSpaceItemWidget::FollowControllers()
{
    if (!StartFollowing(m_followed, ControllerObject()))
        return;
    if (m_pane == CModelLayout::kSpaceReports) {
        FollowSignal(m_followed, "SpaceReportScanInitiated", "OnStarted()");
        FollowSignal(m_followed, "SpaceReportScanStopped", "OnStopped()");
        FollowSignal(m_followed, "SpaceReportScanCompleted", "OnCompleted()");
        return;
    }
    FollowSignal(m_followed, "Started", "OnStarted()");
    FollowSignal(m_followed, "Stopped", "OnStopped()");
    FollowSignal(m_followed, "Completed", "OnCompleted()");
    if (m_pane == CModelLayout::kRecycler)
        FollowSignal(m_followed, "OptionsUpdated", "OnOptionsUpdated(DWORD)");
}

void CRibbonFreeSpaceItemWidget::OnStart()
{
    IAppController* app = IAppController::Current();
    if (!app)
        return;
    switch (m_pane) {
    case CModelLayout::kRecycler:
        if (IFreeSpaceController* freeSpace = app->FreeSpaceController())
            freeSpace->Start();
        break;
    case CModelLayout::kDuplicatesFinder:
        if (IDuplicatesFinderController* duplicates = app->DuplicatesFinderController())
            duplicates->Start();
        break;
    case CModelLayout::kSpaceReports:
        if (ISpaceReportsController* reports = app->SpaceReportsController())
            reports->Start();
        break;
    case CModelLayout::kSpaceExplorer:
        break;
    }
}

void CRibbonFreeSpaceItemWidget::OnAnalyse()
{
    IAppController* app = IAppController::Current();
    if (!app)
        return;
    if (m_pane == CModelLayout::kRecycler) {
        if (IFreeSpaceController* freeSpace = app->FreeSpaceController())
            freeSpace->Analyse();
    } else if (m_pane == CModelLayout::kSpaceExplorer) {
        if (ISpaceExplorerController* explorer = app->SpaceExplorerController())
            explorer->Analyse();
    }
}

void CRibbonFreeSpaceItemWidget::OnStop()
{
    IAppController* app = IAppController::Current();
    if (!app)
        return;
    switch (m_pane) {
    case CModelLayout::kRecycler:
        if (IFreeSpaceController* freeSpace = app->FreeSpaceController())
            freeSpace->Stop();
        break;
    case CModelLayout::kDuplicatesFinder:
        if (IDuplicatesFinderController* duplicates = app->DuplicatesFinderController())
            duplicates->Stop();
        break;
    case CModelLayout::kSpaceExplorer:
        if (ISpaceExplorerController* explorer = app->SpaceExplorerController())
            explorer->Stop();
        break;
    case CModelLayout::kSpaceReports:
        if (ISpaceReportsController* reports = app->SpaceReportsController())
            reports->Stop();
        break;
    }
}

void CRibbonFreeSpaceItemWidget::SetOption(DWORD bit, bool set)
{
    m_options = set ? (m_options | bit) : (m_options & ~bit);
    IAppController* app = IAppController::Current();
    if (IFreeSpaceController* freeSpace = app ? app->FreeSpaceController() : nullptr)
        freeSpace->UpdateOptions(m_options);
}

void CRibbonFreeSpaceItemWidget::OnRecycleBinToggled(bool checked)
{
    SetOption(IFreeSpaceController::kCleanRecycleBin, checked);
}

void CRibbonFreeSpaceItemWidget::OnTemporaryFilesToggled(bool checked)
{
    SetOption(IFreeSpaceController::kCleanTemporaryFiles, checked);
}

void CRibbonFreeSpaceItemWidget::OnOptionsUpdated(DWORD options)
{
    m_options = options;
    if (!m_recycleBin)
        return;
    // Showing the stored word is not a change of it.
    const QSignalBlocker recycleBinBlocker(m_recycleBin);
    const QSignalBlocker temporaryFilesBlocker(m_temporaryFiles);
    m_recycleBin->setChecked(options & IFreeSpaceController::kCleanRecycleBin);
    m_temporaryFiles->setChecked(options & IFreeSpaceController::kCleanTemporaryFiles);
}

void CRibbonFreeSpaceItemWidget::OnStarted()
{
    m_running = true;
    UpdateButtons();
}

void CRibbonFreeSpaceItemWidget::OnStopped()
{
    m_running = false;
    UpdateButtons();
}

void CRibbonFreeSpaceItemWidget::OnCompleted()
{
    m_running = false;
    UpdateButtons();
}

void CRibbonFreeSpaceItemWidget::UpdateButtons()
{
    for (CRibbonButton* button : {m_start, m_analyse}) {
        if (button)
            button->setEnabled(!m_running);
    }
    m_stop->setEnabled(m_running);
}

#include "app/ribbon/CRibbonDefragWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "policy/CClientGP.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CRibbonDefragWidget::CRibbonDefragWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonDefragWidget", parent)
{
    using Bar = CRibbonDefragWidget;
    CRibbonGroup* defragment = AddNewGroup("Defragment");
    m_start = AddNewButton(defragment, "Start",
                           "Perform the chosen defragmentation method \non the entire drive that "
                           "is selected below.",
                           u"defragment_entiredrive.png"_s, &Bar::OnEntire, Qt::CTRL | Qt::Key_D);
    m_pause = AddNewButton(defragment, "Pause", "Pause the current defragmentation operation.",
                           u"defragment_pause.png"_s, &Bar::OnPause, Qt::CTRL | Qt::Key_P);
    m_resume = AddNewButton(defragment, "Resume", "Resume the current defragmentation operation.",
                            u"defragment_resume.png"_s, &Bar::OnResume, Qt::CTRL | Qt::Key_R);
    m_stop = AddNewButton(defragment, "Stop", "Stop the current defragmentation operation.",
                          u"defragment_stop.png"_s, &Bar::OnStop, Qt::CTRL | Qt::Key_S);
    m_analyse = AddNewButton(defragment, "Analyze",
                             "Perform a fragmentation and free space analysis \nof the drive "
                             "selected below.",
                             u"defragment_analyze.png"_s, &Bar::OnAnalyse, Qt::CTRL | Qt::Key_Q);
    m_properties =
        AddNewButton(defragment, "Drive\nProperties",
                     "Choose settings for offline and online defragmentation, "
                     "\nexcluded files and display drive information.",
                     u"defragment_properties.png"_s, &Bar::OnProperties, Qt::CTRL | Qt::Key_E);

    auto* method = new QWidget(defragment);
    auto* methodColumn = new QVBoxLayout(method);
    methodColumn->setContentsMargins(4, 0, 4, 0);
    m_methodLabel = new QLabel(Translate("Defragment Using:"), method);
    m_methodChoice = new QComboBox(method);
    m_methodChoice->addItem(Translate("TierLayout"));
    m_methodChoice->addItem(Translate("Defrag Only"));
    m_methodChoice->addItem(Translate("Consolidate Free Space"));
    m_shutdown = new QCheckBox(Translate("Shutdown when complete"), method);
    methodColumn->addWidget(m_methodLabel);
    methodColumn->addWidget(m_methodChoice);
    methodColumn->addWidget(m_shutdown);
    defragment->AddWidget(method);
    connect(m_methodChoice, &QComboBox::currentIndexChanged, this, &Bar::OnMethodSelection);
    connect(m_shutdown, &QCheckBox::toggled, this, &Bar::OnShutdownWhenComplete);

    CRibbonGroup* advanced = AddNewGroup("Advanced");
    m_selected = AddNewButton(
        advanced, "Selected\nFiles", "Select particular files that you wish to defragment.",
        u"defragment_selected_files.png"_s, &Bar::OnSelected, Qt::CTRL | Qt::Key_F);
    m_system = AddNewButton(advanced, "Boot\nTime",
                            "Defragment your system files \nwhich are normally locked by the "
                            "Windows OS.",
                            u"defragment_system_files.png"_s, &Bar::OnSystem, Qt::CTRL | Qt::Key_B);

    // What the policy does not offer is not shown at all.
    if (IAppController* app = IAppController::Current()) {
        const CClientGP& policy = app->Policy();
        m_start->setVisible(policy.AllowOnlineDefrag());
        m_selected->setVisible(policy.AllowOnlineDefrag());
        m_system->setVisible(policy.AllowOfflineDefrag());
        m_analyse->setVisible(policy.AllowAnalyze());
        m_stop->setVisible(policy.AllowStop());
        m_pause->setVisible(policy.AllowStop());
        m_resume->setVisible(policy.AllowStop());
        m_properties->setVisible(policy.AllowModifyDriveProps());
    }
    UpdateButtons();
    FollowControllers();
}

IDefragController* CRibbonDefragWidget::Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->DefragController() : nullptr;
}

void CRibbonDefragWidget::FollowControllers()
{
    IDefragController* defrag = Controller();
    if (!StartFollowing(m_followed, dynamic_cast<QObject*>(defrag)))
        return;
    FollowSignal(m_followed, "Started", "UpdateButtons()");
    FollowSignal(m_followed, "Completed", "UpdateButtons()");
    FollowSignal(m_followed, "Stopped", "UpdateButtons()");
}

void CRibbonDefragWidget::OnEntire()
{
    IDefragController* defrag = Controller();
    if (!defrag)
        return;
    switch (m_method) {
    case kTierLayout:
        defrag->EntireDriveTierLayout();
        break;
    case kDefragOnly:
        defrag->EntireDriveDefragOnly();
        break;
    default:
        // Consolidation is the drives' default method where it applies.
        defrag->EntireDrive();
        break;
    }
}

void CRibbonDefragWidget::OnPause()
{
    if (IDefragController* defrag = Controller())
        defrag->Pause();
}

void CRibbonDefragWidget::OnResume()
{
    if (IDefragController* defrag = Controller())
        defrag->Resume();
}

void CRibbonDefragWidget::OnStop()
{
    if (IDefragController* defrag = Controller())
        defrag->Stop();
}

void CRibbonDefragWidget::OnAnalyse()
{
    if (IDefragController* defrag = Controller())
        defrag->Analyse();
}

void CRibbonDefragWidget::OnProperties()
{
    if (IDefragController* defrag = Controller())
        defrag->Properties();
}

void CRibbonDefragWidget::OnSelected()
{
    if (IDefragController* defrag = Controller())
        defrag->SelectedFiles();
}

void CRibbonDefragWidget::OnSystem()
{
    if (IDefragController* defrag = Controller())
        defrag->SystemFiles();
}

void CRibbonDefragWidget::OnMethodSelection(int index)
{
    if (index >= kTierLayout && index <= kConsolidateFreeSpace)
        m_method = index;
}

void CRibbonDefragWidget::OnShutdownWhenComplete(bool shutdown)
{
    m_shutdownWhenComplete = shutdown;
}

void CRibbonDefragWidget::UpdateButtons()
{
    // Which drives are selected and whether they run is the drive model's; until the bar can
    // read it, every command stays available and the tab refuses what does not apply.
    EnableInput(true, true, true, true);
}

void CRibbonDefragWidget::EnableInput(bool start, bool stop, bool pause, bool resume)
{
    for (QWidget* input :
         std::initializer_list<QWidget*>{m_start, m_analyse, m_properties, m_selected, m_system,
                                         m_methodLabel, m_methodChoice, m_shutdown})
        input->setEnabled(start);
    m_stop->setEnabled(stop);
    m_pause->setEnabled(pause);
    m_resume->setEnabled(resume);
}

#include "app/ribbon/CRibbonADWidget.h"

#include "app/ribbon/CRibbonADGPMCWidget.h"
#include "app/ribbon/CRibbonADStepsWidget.h"
#include "appmodel/IADController.h"
#include "appmodel/IAppController.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

using namespace Qt::StringLiterals;

CRibbonADWidget::CRibbonADWidget(bool groupPolicyManagementAvailable, QWidget* parent)
    : CRibbonFeatureBar("CRibbonADWidget", parent)
    , m_stepsBar(new CRibbonADStepsWidget(this))
    , m_gpmcBar(new CRibbonADGPMCWidget(this))
{
    using Bar = CRibbonADWidget;
    CRibbonGroup* management = AddNewGroup("Management Options");
    m_steps = AddNewButton(management, "Steps To Manage",
                           "Follow these steps to manage \nKorvane using Active Directory GPO.",
                           u"ad_steps.png"_s, &Bar::OnSteps);
    m_gpmc = AddNewButton(management, "Manage Using GPMC",
                          "Group Policy Management Console \nis designed by Microsoft to \nmake "
                          "Active Directory management easier.",
                          u"ad_gpms.png"_s, &Bar::OnGPMC);
    m_gpmc->setEnabled(groupPolicyManagementAvailable);

    // Only the part of the current sub-pane is shown.
    Embed(m_stepsBar);
    Embed(m_gpmcBar);

    ActivateSubPane(CModelLayout::kStepsToManage);
    FollowControllers();
}

IADController* CRibbonADWidget::Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->ADController() : nullptr;
}

void CRibbonADWidget::FollowControllers()
{
    if (StartFollowing(m_followed, dynamic_cast<QObject*>(Controller())))
        FollowSignal(m_followed, "SubPaneActivated", "ActivateSubPane(CModelLayout::TADPaneType)");
}

void CRibbonADWidget::ActivateSubPane(CModelLayout::TADPaneType pane)
{
    m_subPane = pane;
    m_stepsBar->setVisible(pane == CModelLayout::kStepsToManage);
    m_gpmcBar->setVisible(pane == CModelLayout::kManageUsingGpmc);
}

void CRibbonADWidget::OnSteps()
{
    if (IADController* ad = Controller()) {
        ad->ActivateSubPane(CModelLayout::kStepsToManage);
        ActivateSubPane(CModelLayout::kStepsToManage);
    }
}

void CRibbonADWidget::OnGPMC()
{
    if (IADController* ad = Controller()) {
        ad->ActivateSubPane(CModelLayout::kManageUsingGpmc);
        ActivateSubPane(CModelLayout::kManageUsingGpmc);
    }
}

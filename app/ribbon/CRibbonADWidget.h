#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"
#include "appmodel/CModelLayout.h"

class CRibbonADGPMCWidget;
class CRibbonADStepsWidget;
class IADController;

// The bar of the Active Directory tab: chooses between the written steps and the Group Policy
// Management Console wizard, and shows the part of the bar of the chosen sub-pane.
class CRibbonADWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    // Without the Group Policy Management Console on this computer its wizard is not offered.
    explicit CRibbonADWidget(bool groupPolicyManagementAvailable, QWidget* parent = nullptr);
    // A parent alone would pass for the flag.
    explicit CRibbonADWidget(QWidget* parent) = delete;

    CModelLayout::TADPaneType CurrentSubPane() const { return m_subPane; }
    CRibbonButton* StepsButton() const { return m_steps; }
    CRibbonButton* GpmcButton() const { return m_gpmc; }
    CRibbonADStepsWidget* StepsBar() const { return m_stepsBar; }
    CRibbonADGPMCWidget* GpmcBar() const { return m_gpmcBar; }

public slots:
    void OnSteps();
    void OnGPMC();
    // Shows the part of the bar of a sub-pane; the tab's SubPaneActivated leads here too.
    void ActivateSubPane(CModelLayout::TADPaneType pane);

private:
    static IADController* Controller();
    void FollowControllers() override;

    CRibbonButton* m_steps;
    CRibbonButton* m_gpmc;
    CRibbonADStepsWidget* m_stepsBar;
    CRibbonADGPMCWidget* m_gpmcBar;
    CModelLayout::TADPaneType m_subPane = CModelLayout::kStepsToManage;
    QPointer<QObject> m_followed;
};

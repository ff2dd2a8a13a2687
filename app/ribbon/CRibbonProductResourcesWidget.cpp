#include "app/ribbon/CRibbonProductResourcesWidget.h"

#include "app/ribbon/CAboutDialog.h"
#include "appmodel/IAppController.h"
#include "policy/CClientGP.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

using namespace Qt::StringLiterals;

CRibbonProductResourcesWidget::CRibbonProductResourcesWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonProductResourcesWidget", parent)
{
    using Bar = CRibbonProductResourcesWidget;
    CRibbonGroup* resources = AddNewGroup("Product Resources");
    m_update = AddNewButton(resources, "Check For \r\nUpdates", "Check for any updates to Korvane.",
                            u"product_resources_update.png"_s, &Bar::OnCheckForUpdates,
                            Qt::CTRL | Qt::Key_U);
    AddNewButton(resources, "Help", "Get Korvane Help.", u"product_resources_help.png"_s,
                 &Bar::OnHelp);
    m_about = AddNewButton(resources, "About\r\n Korvane", "Korvane version and build information.",
                           u"product_resources_about.png"_s, &Bar::OnAbout, Qt::CTRL | Qt::Key_A);
    AddNewButton(resources, "Support", "Korvane self-diagnostics and troubleshooting.",
                 u"product_resources_support.png"_s, &Bar::OnSupport, Qt::CTRL | Qt::Key_S);

    if (IAppController* app = IAppController::Current()) {
        m_update->setVisible(app->Policy().AllowCheckUpdate());
        m_about->setVisible(app->Policy().AllowAbout());
    }
}

void CRibbonProductResourcesWidget::OnCheckForUpdates()
{
    if (IAppController* app = IAppController::Current())
        app->OnCheckForUpdates();
}

void CRibbonProductResourcesWidget::OnHelp()
{
    if (IAppController* app = IAppController::Current())
        app->OnHelp();
}

void CRibbonProductResourcesWidget::OnAbout()
{
    CAboutDialog::Show(window());
}

void CRibbonProductResourcesWidget::OnSupport()
{
    if (IAppController* app = IAppController::Current())
        app->CallSupport();
}

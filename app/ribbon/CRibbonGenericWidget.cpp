#include "app/ribbon/CRibbonGenericWidget.h"

#include "appmodel/IAppController.h"
#include "policy/CClientGP.h"
#include "settings/CLogViewDlg.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

using namespace Qt::StringLiterals;

CRibbonGenericWidget::CRibbonGenericWidget(bool virtualGuest, QWidget* parent)
    : CRibbonFeatureBar("CRibbonGenericWidget", parent)
{
    CRibbonGroup* options = AddNewGroup("Options");
    m_settings = AddNewButton(options, virtualGuest ? "Virtual\nSettings" : "Korvane\nSettings",
                              "Choose settings for various \nadvanced Korvane actions.",
                              u"defragment_advanced.png"_s, &CRibbonGenericWidget::OnAdvanced);
    m_viewLog = AddNewButton(options, "View Log", "View the Korvane event log.", u"view_log.png"_s,
                             &CRibbonGenericWidget::OnViewLog);

    if (IAppController* app = IAppController::Current()) {
        m_settings->setVisible(app->Policy().AllowAdvanceConfiguration());
        m_viewLog->setVisible(app->Policy().AllowViewLog());
    }
}

void CRibbonGenericWidget::OnAdvanced()
{
    if (IAppController* app = IAppController::Current())
        app->Advanced();
}

void CRibbonGenericWidget::OnViewLog()
{
    if (IAppController* app = IAppController::Current())
        CLogViewDlg::Open(app->Agent(), window());
}

void CRibbonGenericWidget::OnHelp()
{
    emit HelpRequested();
}

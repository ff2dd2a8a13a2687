#include "app/ribbon/CRibbonExchangeWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IExchangeController.h"
#include "core/CWideText.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CRibbonExchangeWidget::CRibbonExchangeWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonExchangeWidget", parent)
{
    using Bar = CRibbonExchangeWidget;
    CRibbonGroup* defragment = AddNewGroup("Defragment");
    AddNewButton(defragment, "Defragment",
                 "Perform an automatic compaction of the data store selected below.",
                 u"exchange_defragment.png"_s, &Bar::OnDefragment, Qt::CTRL | Qt::Key_D);
    AddNewButton(defragment, "Stop", "Stop the current compaction operation.",
                 u"exchange_stop.png"_s, &Bar::OnStop, Qt::CTRL | Qt::Key_S);
    AddNewButton(defragment, "Properties",
                 "Choose settings for the offline Exchange \ncompaction operations.",
                 u"exchange_properties.png"_s, &Bar::OnProperties, Qt::CTRL | Qt::Key_P);

    CRibbonGroup* info = AddNewGroup("Info");
    auto* lines = new QWidget(info);
    auto* column = new QVBoxLayout(lines);
    column->setContentsMargins(6, 0, 6, 0);
    m_version = new QLabel(lines);
    m_server = new QLabel(lines);
    column->addWidget(m_version);
    column->addWidget(m_server);
    info->AddWidget(lines);
    SetExchangeVersion(QString());
}

IExchangeController* CRibbonExchangeWidget::Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->ExchangeController() : nullptr;
}

void CRibbonExchangeWidget::OnDefragment()
{
    if (IExchangeController* exchange = Controller())
        exchange->Defragment();
}

void CRibbonExchangeWidget::OnStop()
{
    if (IExchangeController* exchange = Controller())
        exchange->Stop();
}

void CRibbonExchangeWidget::OnProperties()
{
    if (IExchangeController* exchange = Controller())
        exchange->Properties();
}

void CRibbonExchangeWidget::SetExchangeVersion(const QString& version)
{
    m_version->setText(Translate("Exchange version: %1").Arg(version));
}

void CRibbonExchangeWidget::SetServerName(const TName& name)
{
    m_server->setText(CWideText::ToQString(name));
}

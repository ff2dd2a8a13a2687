#include "app/ribbon/CRibbonVirtualPCWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IVMController.h"
#include "engine/CKV100EngineInterface.h"
#include "platform/CComputerName.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QLabel>

using namespace Qt::StringLiterals;

CRibbonVirtualPCWidget::CRibbonVirtualPCWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonVirtualPCWidget", parent)
{
    using Bar = CRibbonVirtualPCWidget;
    CRibbonGroup* defragment = AddNewGroup("Defragment");
    AddNewButton(defragment, "Defragment",
                 "Defragment and shrink \nthe virtual drives selected below.",
                 u"vm_defragment.png"_s, &Bar::OnDefragment, Qt::CTRL | Qt::Key_D);
    AddNewButton(defragment, "Stop", "Stop the defragmentation operation.", u"vm_stop.png"_s,
                 &Bar::OnStop, Qt::CTRL | Qt::Key_S);
    AddNewButton(defragment, "Properties",
                 "Choose settings for the Virtual Guest \ndefragmentation operation.",
                 u"vm_properties.png"_s, &Bar::OnProperties, Qt::CTRL | Qt::Key_P);

    CRibbonGroup* info = AddNewGroup("Info");
    m_host = new QLabel(info);
    m_host->setContentsMargins(6, 0, 6, 0);
    info->AddWidget(m_host);

    if (IAppController* app = IAppController::Current())
        FollowSignal(app->Object(), "ComputerConnected", "UpdateHostName()");
    UpdateHostName();
}

IVMController* CRibbonVirtualPCWidget::Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->VMController() : nullptr;
}

void CRibbonVirtualPCWidget::OnDefragment()
{
    if (IVMController* vm = Controller()) {
        const TDefragmentOptions& options = m_defragmentOptions;
        vm->Defragment(options.shrink, options.defragVfs, options.defragVmwareInternal,
                       options.defragVsOffline);
    }
}

void CRibbonVirtualPCWidget::OnStop()
{
    if (IVMController* vm = Controller())
        vm->Stop();
}

void CRibbonVirtualPCWidget::OnProperties()
{
    if (IVMController* vm = Controller())
        vm->Properties();
}

void CRibbonVirtualPCWidget::SetDefragmentOptions(bool shrink, bool defrag_vfs,
                                                  bool defrag_vmware_internal,
                                                  bool defrag_vs_offline)
{
    m_defragmentOptions = {shrink, defrag_vfs, defrag_vmware_internal, defrag_vs_offline};
}

void CRibbonVirtualPCWidget::UpdateHostName()
{
    IAppController* app = IAppController::Current();
    const QString computer = app ? app->Engine().Computer() : QString();
    // The engine keeps the computer as the connection named it: empty for this one.
    m_host->setText(Translate("Host Name: %1")
                        .Arg(CComputerName::IsLocal(computer) ? CComputerName::Local() : computer));
}

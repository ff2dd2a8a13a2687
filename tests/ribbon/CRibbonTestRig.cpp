#include "tests/ribbon/CRibbonTestRig.h"

#include "app/ribbon/CRibbonADWidget.h"
#include "app/ribbon/CRibbonCadenceWidget.h"
#include "app/ribbon/CRibbonDefragWidget.h"
#include "app/ribbon/CRibbonExchangeWidget.h"
#include "app/ribbon/CRibbonFreeSpaceItemWidget.h"
#include "app/ribbon/CRibbonFreeSpaceWidget.h"
#include "app/ribbon/CRibbonGenericWidget.h"
#include "app/ribbon/CRibbonProductResourcesWidget.h"
#include "app/ribbon/CRibbonVirtualPCWidget.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace {

using TFreeSpaceItem = CRibbonFreeSpaceItemWidget;

const std::map<QString, std::function<QWidget*()>>& Bars()
{
    static const std::map<QString, std::function<QWidget*()>> bars{
        {u"defrag"_s, [] { return new CRibbonDefragWidget; }},
        {u"cadence"_s, [] { return new CRibbonCadenceWidget; }},
        {u"freespace"_s, [] { return new CRibbonFreeSpaceWidget; }},
        {u"freespace.recycler"_s, [] { return new TFreeSpaceItem(CModelLayout::kRecycler); }},
        {u"freespace.duplicates"_s,
         [] { return new TFreeSpaceItem(CModelLayout::kDuplicatesFinder); }},
        {u"freespace.explorer"_s, [] { return new TFreeSpaceItem(CModelLayout::kSpaceExplorer); }},
        {u"freespace.reports"_s, [] { return new TFreeSpaceItem(CModelLayout::kSpaceReports); }},
        {u"exchange"_s, [] { return new CRibbonExchangeWidget; }},
        {u"vm"_s, [] { return new CRibbonVirtualPCWidget; }},
        {u"ad"_s, [] { return new CRibbonADWidget(true); }},
        {u"product"_s, [] { return new CRibbonProductResourcesWidget; }},
        {u"options"_s, [] { return new CRibbonGenericWidget(false); }},
        {u"options.vm"_s, [] { return new CRibbonGenericWidget(true); }}};
    return bars;
}

} // namespace

std::unique_ptr<QWidget> CRibbonTestRig::MakeBar(const QString& name)
{
    const auto found = Bars().find(name);
    return std::unique_ptr<QWidget>(found == Bars().end() ? nullptr : found->second());
}

CRibbonButton* CRibbonTestRig::FindButton(QWidget* bar, const QString& group, const QString& text)
{
    for (CRibbonButton* button : bar->findChildren<CRibbonButton*>()) {
        const auto* owner = qobject_cast<CRibbonGroup*>(button->parentWidget());
        if (owner && owner->Title() == group && button->RibbonText() == text)
            return button;
    }
    return nullptr;
}

void CRibbonTestRig::SimulateConnection(quint32 edition, bool remote)
{
    app.Model().SetEdition(edition);
    app.Model().SetRemote(remote);
    emit app.ComputerConnected();
}

CRibbonTestRig::CRibbonTestRig(bool registerFeatures)
{
    if (!registerFeatures)
        return;
    app.RegisterDefragController(&defrag);
    app.RegisterCadenceController(&cadence);
    app.RegisterFreeSpaceController(&freeSpace);
    app.RegisterDuplicatesFinderController(&duplicates);
    app.RegisterSpaceExplorerController(&explorer);
    app.RegisterSpaceReportsController(&reports);
    app.RegisterExchangeController(&exchange);
    app.RegisterVMController(&vm);
    app.RegisterADController(&ad);
}

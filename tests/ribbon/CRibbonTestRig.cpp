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

using namespace Qt::StringLiterals;

const QStringList CRibbonTestRig::kBarNames = {u"defrag"_s,
                                               u"cadence"_s,
                                               u"freespace"_s,
                                               u"freespace.recycler"_s,
                                               u"freespace.duplicates"_s,
                                               u"freespace.explorer"_s,
                                               u"freespace.reports"_s,
                                               u"exchange"_s,
                                               u"vm"_s,
                                               u"ad"_s,
                                               u"product"_s,
                                               u"options"_s,
                                               u"options.vm"_s};

std::unique_ptr<QWidget> CRibbonTestRig::MakeBar(const QString& name)
{
    if (name == u"defrag"_s)
        return std::make_unique<CRibbonDefragWidget>();
    if (name == u"cadence"_s)
        return std::make_unique<CRibbonCadenceWidget>();
    if (name == u"freespace"_s)
        return std::make_unique<CRibbonFreeSpaceWidget>();
    if (name == u"freespace.recycler"_s)
        return std::make_unique<CRibbonFreeSpaceItemWidget>(CModelLayout::kRecycler);
    if (name == u"freespace.duplicates"_s)
        return std::make_unique<CRibbonFreeSpaceItemWidget>(CModelLayout::kDuplicatesFinder);
    if (name == u"freespace.explorer"_s)
        return std::make_unique<CRibbonFreeSpaceItemWidget>(CModelLayout::kSpaceExplorer);
    if (name == u"freespace.reports"_s)
        return std::make_unique<CRibbonFreeSpaceItemWidget>(CModelLayout::kSpaceReports);
    if (name == u"exchange"_s)
        return std::make_unique<CRibbonExchangeWidget>();
    if (name == u"vm"_s)
        return std::make_unique<CRibbonVirtualPCWidget>();
    if (name == u"ad"_s)
        return std::make_unique<CRibbonADWidget>(true);
    if (name == u"product"_s)
        return std::make_unique<CRibbonProductResourcesWidget>();
    if (name == u"options"_s)
        return std::make_unique<CRibbonGenericWidget>(false);
    if (name == u"options.vm"_s)
        return std::make_unique<CRibbonGenericWidget>(true);
    return nullptr;
}

QList<CRibbonButton*> CRibbonTestRig::Buttons(QWidget* bar)
{
    return bar->findChildren<CRibbonButton*>();
}

CRibbonButton* CRibbonTestRig::FindButton(QWidget* bar, const QString& group, const QString& text)
{
    for (CRibbonButton* button : Buttons(bar)) {
        const auto* owner = qobject_cast<CRibbonGroup*>(button->parentWidget());
        if (owner && owner->Title() == group && button->RibbonText() == text)
            return button;
    }
    return nullptr;
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

CRibbonTestRig::~CRibbonTestRig()
{
    app.UnregisterDefragController(&defrag);
    app.UnregisterCadenceController(&cadence);
    app.UnregisterFreeSpaceController(&freeSpace);
    app.UnregisterDuplicatesFinderController(&duplicates);
    app.UnregisterSpaceExplorerController(&explorer);
    app.UnregisterSpaceReportsController(&reports);
    app.UnregisterExchangeController(&exchange);
    app.UnregisterVMController(&vm);
    app.UnregisterADController(&ad);
}

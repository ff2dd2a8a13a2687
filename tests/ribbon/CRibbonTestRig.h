#pragma once

#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CFakeAppController.h"

#include <QStringList>

#include <memory>

class CRibbonButton;
class QWidget;

// A current application controller with a recording fake of every feature controller
// registered, and the ways the ribbon tests find their bars and buttons.
class CRibbonTestRig {
public:
    // The bars by the names the tests use: "defrag", "cadence", "freespace",
    // "freespace.recycler", "freespace.duplicates", "freespace.explorer", "freespace.reports",
    // "exchange", "vm", "ad", "product", "options", "options.vm".
    static const QStringList kBarNames;
    static std::unique_ptr<QWidget> MakeBar(const QString& name);

    // The button of a group of a bar; null when there is none.
    static CRibbonButton* FindButton(QWidget* bar, const QString& group, const QString& text);
    // Every button of the bar, shown or not.
    static QList<CRibbonButton*> Buttons(QWidget* bar);

    // Registers the fakes with APP.
    explicit CRibbonTestRig(bool registerFeatures = true);
    ~CRibbonTestRig();
    CRibbonTestRig(const CRibbonTestRig&) = delete;
    CRibbonTestRig& operator=(const CRibbonTestRig&) = delete;

    // The feature controllers' calls, in order.
    QStringList log;
    CFakeAppController app;
    CFakeDefragController defrag{log};
    CFakeCadenceController cadence{log};
    CFakeFreeSpaceController freeSpace{log};
    CFakeDuplicatesFinderController duplicates{log};
    CFakeSpaceExplorerController explorer{log};
    CFakeSpaceReportsController reports{log};
    CFakeExchangeController exchange{log};
    CFakeVMController vm{log};
    CFakeADController ad{log};
};

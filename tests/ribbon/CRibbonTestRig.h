#pragma once

#include "app/CApp.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"

#include <QStringList>

#include <memory>

class CRibbonButton;
class QWidget;

// The console's controller, recording the requests the bars make of it by name, in order.
class CRecordingApp : public CApp {
public:
    QStringList calls;
    void Advanced() override { calls << QStringLiteral("Advanced"); }
    void OnHelp() override { calls << QStringLiteral("OnHelp"); }
    void OnCheckForUpdates() override { calls << QStringLiteral("OnCheckForUpdates"); }
    void CallSupport() override { calls << QStringLiteral("CallSupport"); }
    void RefreshModel() override { calls << QStringLiteral("RefreshModel"); }
};

// The current application controller, in folders of the test's own, with a recording fake of
// every feature controller registered; and the ways the ribbon tests find their bars and
// buttons.
class CRibbonTestRig {
public:
    // The bars by the names the tests use: "defrag", "cadence", "freespace",
    // "freespace.recycler", "freespace.duplicates", "freespace.explorer", "freespace.reports",
    // "exchange", "vm", "ad", "product", "options", "options.vm".
    static std::unique_ptr<QWidget> MakeBar(const QString& name);

    // The button of a group of a bar; null when there is none.
    static CRibbonButton* FindButton(QWidget* bar, const QString& group, const QString& text);

    // Registers the fakes with APP, for the rig's lifetime.
    explicit CRibbonTestRig(bool registerFeatures = true);
    CRibbonTestRig(const CRibbonTestRig&) = delete;
    CRibbonTestRig& operator=(const CRibbonTestRig&) = delete;

    // Stores the edition and the remote flag and says the computer is connected.
    void SimulateConnection(quint32 edition, bool remote);

    // The feature controllers' calls, in order.
    QStringList log;
    CAppFixture fixture{false};
    CRecordingApp app;
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

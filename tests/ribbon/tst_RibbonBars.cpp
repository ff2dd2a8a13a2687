#include "tests/ribbon/CRibbonTestRig.h"
#include "tests/support/CScriptedPresenter.h"
#include "widgets/CRibbonBar.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QShortcut>
#include <QtTest>

using namespace Qt::StringLiterals;

// Every bar's buttons: their texts, tool tips, images, keys and order, and which controller
// operation each one reaches.
class TestRibbonBars : public QObject {
    Q_OBJECT

private slots:
    void buttons_data();
    void buttons();
    void groupsAndButtonsInOrder_data();
    void groupsAndButtonsInOrder();
    void nothingHappensWithoutControllers_data();
    void nothingHappensWithoutControllers();
};

namespace {

struct TButtonRow {
    const char* bar;
    const char* group;
    const char* text;
    const char* toolTip;
    const char* image;
    const char* keys;
    // "Feature.Operation" of a feature controller, "app:Operation" of the application
    // controller, "dialog:Title" of a dialog, empty for nothing.
    const char* effect;
};

const char* const kVmOnceTip = "Schedule a single date and time to perform \nan  defragmentation, "
                               "re-indexing and shrinking operations on your Virtual Guests.";

// In the order of the bars' groups and buttons.
const TButtonRow kButtons[] = {
    {"defrag", "Defragment", "Start",
     "Perform the chosen defragmentation method \non the entire drive that is selected below.",
     "defragment_entiredrive.png", "Ctrl+D", "Defrag.EntireDriveTierLayout"},
    {"defrag", "Defragment", "Pause", "Pause the current defragmentation operation.",
     "defragment_pause.png", "Ctrl+P", "Defrag.Pause"},
    {"defrag", "Defragment", "Resume", "Resume the current defragmentation operation.",
     "defragment_resume.png", "Ctrl+R", "Defrag.Resume"},
    {"defrag", "Defragment", "Stop", "Stop the current defragmentation operation.",
     "defragment_stop.png", "Ctrl+S", "Defrag.Stop"},
    {"defrag", "Defragment", "Analyze",
     "Perform a fragmentation and free space analysis \nof the drive selected below.",
     "defragment_analyze.png", "Ctrl+Q", "Defrag.Analyse"},
    {"defrag", "Defragment", "Drive\nProperties",
     "Choose settings for offline and online defragmentation, \nexcluded files and display "
     "drive information.",
     "defragment_properties.png", "Ctrl+E", "Defrag.Properties"},
    {"defrag", "Advanced", "Selected\nFiles",
     "Select particular files that you wish to defragment.", "defragment_selected_files.png",
     "Ctrl+F", "Defrag.SelectedFiles"},
    {"defrag", "Advanced", "Boot\nTime",
     "Defragment your system files \nwhich are normally locked by the Windows OS.",
     "defragment_system_files.png", "Ctrl+B", "Defrag.SystemFiles"},

    {"cadence", "Create Virtual Guest Schedule", "One Time", kVmOnceTip, "cadence_vm_one_time.png",
     "", "Cadence.OneTimeVm"},
    {"cadence", "Create Virtual Guest Schedule", "Daily", kVmOnceTip, "cadence_vm_daily.png", "",
     "Cadence.DailyVm"},
    {"cadence", "Create Virtual Guest Schedule", "Weekly",
     "Schedule days and times for Korvane to perform \nweekly defragmentation, re-indexing and "
     "shrinking operations on your Virtual Guests",
     "cadence_vm_weekly.png", "", "Cadence.WeeklyVm"},
    {"cadence", "Create New Schedule", "One Time",
     "Schedule a single date and time to perform \na defragmentation run of your drive or "
     "drives.",
     "cadence_one_time.png", "", "Cadence.OneTime"},
    {"cadence", "Create New Schedule", "Daily",
     "Schedule days and times for Korvane to perform\n daily defragmentation runs of your drive "
     "or drives.",
     "cadence_daily.png", "", "Cadence.Daily"},
    {"cadence", "Create New Schedule", "Weekly",
     "Schedule days and times for Korvane to perform\n weekly defragmentation runs of your "
     "drive or drives.",
     "cadence_weekly.png", "", "Cadence.Weekly"},
    {"cadence", "Create New Schedule", "Screen\nSaver",
     "Have Korvane perform defragmentation on \nyour drive or drives when the Windows "
     "screensaver is running.",
     "cadence_screen_saver.png", "", "Cadence.ScreenSaver"},
    {"cadence", "Create New Schedule", "QuietWatch",
     "Use Korvane's exclusive QuietWatch to automatically \ndefragment when your system is "
     "idle.",
     "cadence_quietwatch.png", "", "Cadence.Automatic"},
    {"cadence", "Create New Exchange Schedule", "Exchange One Time",
     "Schedule a single date and time to perform \nan Exchange compaction operations.",
     "cadence_exchange_one_time.png", "", "Cadence.OneTimeEx"},
    {"cadence", "Create New Exchange Schedule", "Exchange Weekly",
     "Schedule days and times for Korvane to perform \nweekly compaction of your Exchange data "
     "stores.",
     "cadence_exchange_weekly.png", "", "Cadence.WeeklyEx"},
    {"cadence", "Change Existing Schedule", "Run Now", "Start a defragmentation pass now.",
     "cadence_run_now.png", "", "Cadence.RunNow"},
    {"cadence", "Change Existing Schedule", "Edit", "Modify a schedule.", "cadence_edit.png", "",
     "Cadence.Edit"},
    {"cadence", "Change Existing Schedule", "Rename", "Rename a schedule.", "cadence_rename.png",
     "", "Cadence.Rename"},
    {"cadence", "Change Existing Schedule", "Delete", "Delete a schedule.", "cadence_delete.png",
     "", "Cadence.Delete"},
    {"cadence", "Change Existing Schedule", "Disable", "Disable or enable a schedule.",
     "cadence_disable.png", "", "Cadence.Disable"},

    {"freespace", "Reclaim Free Space", "Recycler",
     "Reclaim free space by removing temporary files \nand emptying your Recycle Bin.",
     "free_space_recycler.png", "Ctrl+R", "FreeSpace.Recycler"},
    {"freespace", "Reclaim Free Space", "Duplicates\r\nFinder",
     "Find instances of duplicate files on your drive(s).", "free_space_duplicates.png", "Ctrl+U",
     "FreeSpace.DuplicatesFinder"},
    {"freespace", "Reclaim Free Space", "Space\r\nExplorer",
     "View the space distribution between \nfiles and folders inside a directory.",
     "free_space_space_explorer.png", "Ctrl+E", "FreeSpace.SpaceExplorer"},
    {"freespace", "Reclaim Free Space", "Space\r\nReports",
     "Graphical and statistical reports of your files' usage and allocation.",
     "free_space_space_report.png", "Ctrl+P", "FreeSpace.SpaceReport"},
    {"freespace.recycler", "Actions", "Start", "Start free space scan.", "free_space_start.png",
     "Ctrl+D", "FreeSpace.Start"},
    {"freespace.recycler", "Actions", "Analyze", "Start free space Analyze scan.",
     "free_space_analyze.png", "Ctrl+Q", "FreeSpace.Analyse"},
    {"freespace.recycler", "Actions", "Stop", "Stop free space scan.", "free_space_stop.png",
     "Ctrl+S", "FreeSpace.Stop"},
    {"freespace.duplicates", "Actions", "Start", "Start duplicate files scan.",
     "free_space_start.png", "Ctrl+D", "Duplicates.Start"},
    {"freespace.duplicates", "Actions", "Stop", "Stop duplicate files scan.", "free_space_stop.png",
     "Ctrl+S", "Duplicates.Stop"},
    {"freespace.explorer", "Actions", "Analyze",
     "Analyze the space distribution \nbetween files and folders.", "free_space_analyze.png",
     "Ctrl+Q", "Explorer.Analyse"},
    {"freespace.explorer", "Actions", "Stop", "Stop Space Explorer scan.", "free_space_stop.png",
     "Ctrl+S", "Explorer.Stop"},
    {"freespace.reports", "Actions", "Create\nReport", "Analyze your files' usage and allocation.",
     "free_space_rescan.png", "Ctrl+D", "Reports.Start"},
    {"freespace.reports", "Actions", "Stop", "Stop Analyze.", "free_space_stop.png", "Ctrl+S",
     "Reports.Stop"},

    {"exchange", "Defragment", "Defragment",
     "Perform an automatic compaction of the data store selected below.", "exchange_defragment.png",
     "Ctrl+D", "Exchange.Defragment"},
    {"exchange", "Defragment", "Stop", "Stop the current compaction operation.",
     "exchange_stop.png", "Ctrl+S", "Exchange.Stop"},
    {"exchange", "Defragment", "Properties",
     "Choose settings for the offline Exchange \ncompaction operations.", "exchange_properties.png",
     "Ctrl+P", "Exchange.Properties"},

    {"vm", "Defragment", "Defragment", "Defragment and shrink \nthe virtual drives selected below.",
     "vm_defragment.png", "Ctrl+D", "VM.Defragment(1110)"},
    {"vm", "Defragment", "Stop", "Stop the defragmentation operation.", "vm_stop.png", "Ctrl+S",
     "VM.Stop"},
    {"vm", "Defragment", "Properties",
     "Choose settings for the Virtual Guest \ndefragmentation operation.", "vm_properties.png",
     "Ctrl+P", "VM.Properties"},

    {"ad", "Management Options", "Steps To Manage",
     "Follow these steps to manage \nKorvane using Active Directory GPO.", "ad_steps.png", "",
     "AD.ActivateSubPane(0)"},
    {"ad", "Management Options", "Manage Using GPMC",
     "Group Policy Management Console \nis designed by Microsoft to \nmake Active Directory "
     "management easier.",
     "ad_gpms.png", "", "AD.ActivateSubPane(1)"},

    {"product", "Product Resources", "Check For \r\nUpdates", "Check for any updates to Korvane.",
     "product_resources_update.png", "Ctrl+U", "app:OnCheckForUpdates"},
    {"product", "Product Resources", "Help", "Get Korvane Help.", "product_resources_help.png", "",
     "app:OnHelp"},
    {"product", "Product Resources", "About\r\n Korvane", "Korvane version and build information.",
     "product_resources_about.png", "Ctrl+A", "dialog:About Korvane"},
    {"product", "Product Resources", "Support", "Korvane self-diagnostics and troubleshooting.",
     "product_resources_support.png", "Ctrl+S", "app:CallSupport"},

    {"options", "Options", "Korvane\nSettings",
     "Choose settings for various \nadvanced Korvane actions.", "defragment_advanced.png", "",
     "app:Advanced"},
    {"options", "Options", "View Log", "View the Korvane event log.", "view_log.png", "", ""},
    {"options.vm", "Options", "Virtual\nSettings",
     "Choose settings for various \nadvanced Korvane actions.", "defragment_advanced.png", "",
     "app:Advanced"},
    {"options.vm", "Options", "View Log", "View the Korvane event log.", "view_log.png", "", ""},
};

// "group/text" of the buttons of the bar's own groups, in their order.
QStringList OwnButtons(QWidget* bar)
{
    QStringList buttons;
    for (CRibbonGroup* group : qobject_cast<CRibbonBar*>(bar)->Groups()) {
        for (CRibbonButton* button : group->findChildren<CRibbonButton*>())
            buttons << group->Title() + u'/' + button->RibbonText();
    }
    return buttons;
}

void ClickAll(QWidget* bar)
{
    for (CRibbonButton* button : CRibbonTestRig::Buttons(bar)) {
        // Stop buttons wait for a running pass.
        button->setEnabled(true);
        button->click();
    }
}

} // namespace

void TestRibbonBars::buttons_data()
{
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("effect");
    for (const TButtonRow& row : kButtons) {
        // Tags on one line: the texts' line breaks become blanks.
        const QString tag =
            QString::fromUtf8(row.bar) + u' ' + QString::fromUtf8(row.group) + u' ' +
            QString::fromUtf8(row.text).replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ');
        QTest::addRow("%s", qPrintable(tag))
            << QString::fromUtf8(row.bar) << QString::fromUtf8(row.group)
            << QString::fromUtf8(row.text) << QString::fromUtf8(row.toolTip)
            << QString::fromUtf8(row.image) << QString::fromUtf8(row.keys)
            << QString::fromUtf8(row.effect);
    }
}

void TestRibbonBars::buttons()
{
    QFETCH(QString, bar);
    QFETCH(QString, group);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QString, image);
    QFETCH(QString, keys);
    QFETCH(QString, effect);

    CScriptedPresenter presenter;
    CRibbonTestRig rig;
    const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
    CRibbonButton* button = CRibbonTestRig::FindButton(widget.get(), group, text);
    QVERIFY(button);
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->ImageName(), image);
    QCOMPARE(button->Shortcut() ? button->Shortcut()->key() : QKeySequence(),
             QKeySequence::fromString(keys, QKeySequence::PortableText));

    button->setEnabled(true);
    button->click();
    QStringList expectedLog;
    QStringList expectedAppCalls;
    QStringList expectedDialogs;
    if (effect.startsWith(u"app:"_s))
        expectedAppCalls << effect.mid(4);
    else if (effect.startsWith(u"dialog:"_s))
        expectedDialogs << effect.mid(7);
    else if (!effect.isEmpty())
        expectedLog << effect;
    QCOMPARE(rig.log, expectedLog);
    QCOMPARE(rig.app.calls, expectedAppCalls);
    QCOMPARE(presenter.dialogTitles, expectedDialogs);
}

void TestRibbonBars::groupsAndButtonsInOrder_data()
{
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QStringList>("buttons");
    for (const QString& bar : CRibbonTestRig::kBarNames) {
        QStringList buttons;
        for (const TButtonRow& row : kButtons) {
            if (QString::fromUtf8(row.bar) == bar)
                buttons << QString::fromUtf8(row.group) + u'/' + QString::fromUtf8(row.text);
        }
        QTest::addRow("%s", qPrintable(bar)) << bar << buttons;
    }
}

void TestRibbonBars::groupsAndButtonsInOrder()
{
    QFETCH(QString, bar);
    QFETCH(QStringList, buttons);
    CRibbonTestRig rig;
    const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
    QCOMPARE(OwnButtons(widget.get()), buttons);
}

void TestRibbonBars::nothingHappensWithoutControllers_data()
{
    QTest::addColumn<QString>("bar");
    for (const QString& bar : CRibbonTestRig::kBarNames)
        QTest::addRow("%s", qPrintable(bar)) << bar;
}

void TestRibbonBars::nothingHappensWithoutControllers()
{
    QFETCH(QString, bar);
    CScriptedPresenter presenter;
    {
        // No application controller at all.
        const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
        ClickAll(widget.get());
    }

    // An application controller without feature controllers: only its own operations run.
    CRibbonTestRig rig(false);
    const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
    ClickAll(widget.get());
    QVERIFY(rig.log.isEmpty());
    for (const QString& call : std::as_const(rig.app.calls)) {
        QVERIFY2(QStringList({u"Advanced"_s, u"OnHelp"_s, u"OnCheckForUpdates"_s, u"CallSupport"_s})
                     .contains(call),
                 qPrintable(call));
    }
}

QTEST_MAIN(TestRibbonBars)
#include "tst_RibbonBars.moc"

#include "app/ribbon/CAboutDialog.h"
#include "app/ribbon/CRibbonADGPMCWidget.h"
#include "app/ribbon/CRibbonADStepsWidget.h"
#include "app/ribbon/CRibbonADWidget.h"
#include "app/ribbon/CRibbonCadenceWidget.h"
#include "app/ribbon/CRibbonDefragWidget.h"
#include "app/ribbon/CRibbonExchangeWidget.h"
#include "app/ribbon/CRibbonFreeSpaceItemWidget.h"
#include "app/ribbon/CRibbonFreeSpaceWidget.h"
#include "app/ribbon/CRibbonGenericWidget.h"
#include "app/ribbon/CRibbonProductResourcesWidget.h"
#include "app/ribbon/CRibbonVirtualPCWidget.h"
#include "platform/CComputerName.h"
#include "platform/registry/CRegKey.h"
#include "tests/ribbon/CRibbonTestRig.h"
#include "tests/support/CScriptedPresenter.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QShortcut>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

// What the bars do beyond calling their controllers: the defragmentation method, the console
// policy, shortcuts on the tabs of a ribbon, skins, and following the feature controllers.
class TestRibbonBehaviour : public QObject {
    Q_OBJECT

private slots:
    void defragMethodAndInputs();
    void policyHidesWhatItDenies();
    void shortcutsActOnTheShownTabOnly();
    void skinChangeReloadsImages();
    void cadenceFollowsTheController();
    void freeSpaceSubPanesAndOptions();
    void infoTextsAndGuestOptions();
    void activeDirectorySubPanes();
    void aboutDialog();
};

namespace {

const QString kSkinnedImage = u"bullet_info_32.png"_s;

CRibbonButton* Button(QWidget* bar, const char* group, const char* text)
{
    CRibbonButton* button =
        CRibbonTestRig::FindButton(bar, QString::fromUtf8(group), QString::fromUtf8(text));
    if (!button)
        qFatal("no button %s/%s", group, text);
    return button;
}

void DenyByPolicy(const QStringList& names)
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s),
             ERROR_SUCCESS);
    for (const QString& name : names)
        QCOMPARE(key.SetDWORDValue(name, 0), ERROR_SUCCESS);
}

QImage IconImage(const QAbstractButton* button)
{
    return button->icon().pixmap(CRibbonButton::kIconSize).toImage();
}

} // namespace

void TestRibbonBehaviour::defragMethodAndInputs()
{
    CRibbonTestRig rig;
    CRibbonDefragWidget bar;
    QComboBox* methods = bar.MethodChoice();
    QCOMPARE(methods->count(), 3);
    QCOMPARE(methods->itemText(0), u"TierLayout"_s);
    QCOMPARE(methods->itemText(1), u"Defrag Only"_s);
    QCOMPARE(methods->itemText(2), u"Consolidate Free Space"_s);
    QCOMPARE(bar.ShutdownCheckBox()->text(), u"Shutdown when complete"_s);
    QStringList labels;
    for (const QLabel* label : bar.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(u"Defragment Using:"_s));

    CRibbonButton* start = Button(&bar, "Defragment", "Start");
    methods->setCurrentIndex(CRibbonDefragWidget::kDefragOnly);
    start->click();
    methods->setCurrentIndex(CRibbonDefragWidget::kConsolidateFreeSpace);
    start->click();
    methods->setCurrentIndex(CRibbonDefragWidget::kTierLayout);
    start->click();
    QCOMPARE(rig.log, (QStringList{u"Defrag.EntireDriveDefragOnly"_s, u"Defrag.EntireDrive"_s,
                                   u"Defrag.EntireDriveTierLayout"_s}));

    bar.ShutdownCheckBox()->setChecked(true);
    QVERIFY(bar.ShutdownWhenComplete());

    // While a pass runs: stop and pause, nothing that starts.
    bar.EnableInput(false, true, true, false);
    QVERIFY(!start->isEnabled());
    QVERIFY(!Button(&bar, "Advanced", "Boot\nTime")->isEnabled());
    QVERIFY(!methods->isEnabled());
    QVERIFY(Button(&bar, "Defragment", "Stop")->isEnabled());
    QVERIFY(Button(&bar, "Defragment", "Pause")->isEnabled());
    QVERIFY(!Button(&bar, "Defragment", "Resume")->isEnabled());
}

void TestRibbonBehaviour::policyHidesWhatItDenies()
{
    CRibbonTestRig rig;
    DenyByPolicy({u"AllowAnalyze"_s, u"AllowStop"_s, u"AllowModifySched"_s, u"AllowCheckUpdate"_s,
                  u"AllowAdvanceConfiguration"_s, u"AllowViewLog"_s});
    rig.app.Policy().ReloadPolicy(false);

    CRibbonDefragWidget defrag;
    defrag.EnableInput(true, true, true, true);
    for (const char* denied : {"Analyze", "Stop", "Pause", "Resume"})
        QVERIFY2(Button(&defrag, "Defragment", denied)->isHidden(), denied);
    QVERIFY(!Button(&defrag, "Defragment", "Start")->isHidden());
    QVERIFY(!Button(&defrag, "Advanced", "Boot\nTime")->isHidden());
    CRibbonGenericWidget options;
    QVERIFY(options.SettingsButton()->isHidden());
    QVERIFY(options.ViewLogButton()->isHidden());

    // Schedules can still be run, not made or changed.
    rig.app.SimulateConnection(CModel::kEditionExchange, false);
    CRibbonCadenceWidget cadence;
    QVERIFY(cadence.DriveGroup()->isHidden());
    QVERIFY(cadence.ExchangeGroup()->isHidden());
    QVERIFY(cadence.VmGroup()->isHidden());
    QVERIFY(!cadence.ChangeGroup()->isHidden());
    QVERIFY(!Button(&cadence, "Change Existing Schedule", "Run Now")->isHidden());
    for (const char* denied : {"Edit", "Rename", "Delete", "Disable"})
        QVERIFY2(Button(&cadence, "Change Existing Schedule", denied)->isHidden(), denied);

    CRibbonProductResourcesWidget product;
    QVERIFY(product.UpdateButton()->isHidden());
    QVERIFY(!product.AboutButton()->isHidden());
}

void TestRibbonBehaviour::shortcutsActOnTheShownTabOnly()
{
    CRibbonTestRig rig;
    QTabWidget tabs;
    auto* defrag = new CRibbonDefragWidget;
    auto* exchange = new CRibbonExchangeWidget;
    tabs.addTab(defrag, u"Defragmentation"_s);
    tabs.addTab(exchange, u"Exchange"_s);
    tabs.show();
    tabs.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&tabs));

    CRibbonButton* defragStop = Button(defrag, "Defragment", "Stop");
    QTest::keyClick(&tabs, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(defragStop->isDown());
    QVERIFY(rig.log.isEmpty());
    QTRY_COMPARE(rig.log, QStringList{u"Defrag.Stop"_s});

    tabs.setCurrentWidget(exchange);
    QSignalSpy selectedFiles(Button(defrag, "Advanced", "Selected\nFiles")->Shortcut(),
                             &QShortcut::activated);
    QTest::keyClick(&tabs, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(selectedFiles.count(), 0);
    QTest::keyClick(&tabs, Qt::Key_S, Qt::ControlModifier);
    QTRY_COMPARE(rig.log, (QStringList{u"Defrag.Stop"_s, u"Exchange.Stop"_s}));
}

void TestRibbonBehaviour::skinChangeReloadsImages()
{
    CRibbonTestRig rig;
    CRibbonFreeSpaceWidget bar;
    // A button of the bar's own and one of the part of a sub-pane placed inside it.
    CRibbonButton* recycler = Button(&bar, "Reclaim Free Space", "Recycler");
    CRibbonButton* start = bar.ItemBar(CModelLayout::kRecycler)->StartButton();
    recycler->SetImageName(kSkinnedImage);
    start->SetImageName(kSkinnedImage);
    const QImage blue = IconImage(recycler);
    QVERIFY(!blue.isNull());

    rig.app.SetSkin(1);
    QVERIFY(IconImage(recycler) != blue);
    QCOMPARE(IconImage(start), IconImage(recycler));
    rig.app.SetSkin(0);
    QCOMPARE(IconImage(recycler), blue);
    QCOMPARE(IconImage(start), blue);
}

void TestRibbonBehaviour::cadenceFollowsTheController()
{
    // The scheduling tab registers after the bar is built and before the computer connects.
    CRibbonTestRig rig(false);
    CRibbonCadenceWidget bar;
    rig.app.RegisterCadenceController(&rig.cadence);

    rig.app.SimulateConnection(CModel::kEditionVirtualMachines, false);
    QVERIFY(!bar.VmGroup()->isHidden());
    QVERIFY(bar.ExchangeGroup()->isHidden());
    rig.app.SimulateConnection(CModel::kEditionExchange, false);
    QVERIFY(bar.VmGroup()->isHidden());
    QVERIFY(!bar.ExchangeGroup()->isHidden());
    rig.app.SimulateConnection(CModel::kEditionExchange, true);
    QVERIFY(bar.ExchangeGroup()->isHidden());
    QVERIFY(!bar.DriveGroup()->isHidden());

    CRibbonButton* disable = bar.DisableButton();
    emit rig.cadence.ScheduleSelected(L"Nightly");
    QCOMPARE(disable->RibbonText(), u"Disable"_s);
    emit rig.cadence.ScheduleEnabled(L"Nightly", false);
    QCOMPARE(disable->RibbonText(), u"Enable"_s);
    QCOMPARE(disable->ImageName(), u"cadence_enable.png"_s);
    emit rig.cadence.ScheduleSelected(L"Weekly");
    QCOMPARE(disable->RibbonText(), u"Disable"_s);
    emit rig.cadence.ScheduleSelected(L"Nightly");
    QCOMPARE(disable->RibbonText(), u"Enable"_s);
    emit rig.cadence.ScheduleDeleted();
    QCOMPARE(disable->RibbonText(), u"Disable"_s);
    QCOMPARE(disable->ImageName(), u"cadence_disable.png"_s);
    rig.app.UnregisterCadenceController(&rig.cadence);
}

void TestRibbonBehaviour::freeSpaceSubPanesAndOptions()
{
    CRibbonTestRig rig;
    CRibbonFreeSpaceWidget bar;
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kRecycler);
    Button(&bar, "Reclaim Free Space", "Duplicates\r\nFinder")->click();
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kDuplicatesFinder);
    emit rig.freeSpace.SubPaneActivated(CModelLayout::kSpaceReports);
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kSpaceReports);
    QVERIFY(bar.ItemBar(CModelLayout::kSpaceReports)->isVisibleTo(&bar));
    QVERIFY(!bar.ItemBar(CModelLayout::kDuplicatesFinder)->isVisibleTo(&bar));

    // The cleaner's buttons follow its passes.
    CRibbonFreeSpaceItemWidget* cleaner = bar.ItemBar(CModelLayout::kRecycler);
    QVERIFY(cleaner->StartButton()->isEnabled() && !cleaner->StopButton()->isEnabled());
    emit rig.freeSpace.Started();
    QVERIFY(!cleaner->StartButton()->isEnabled() && !cleaner->AnalyseButton()->isEnabled());
    QVERIFY(cleaner->StopButton()->isEnabled());
    emit rig.freeSpace.Completed({});
    QVERIFY(cleaner->StartButton()->isEnabled() && !cleaner->StopButton()->isEnabled());

    // The duplicates finder's and space reports' parts follow their own scans.
    CRibbonFreeSpaceItemWidget* duplicates = bar.ItemBar(CModelLayout::kDuplicatesFinder);
    CRibbonFreeSpaceItemWidget* reports = bar.ItemBar(CModelLayout::kSpaceReports);
    emit rig.duplicates.Started();
    emit rig.freeSpace.SpaceReportScanInitiated();
    QVERIFY(duplicates->IsRunning() && reports->IsRunning() && !cleaner->IsRunning());

    // The check boxes send the whole options word; the stored word is only shown.
    rig.log.clear();
    cleaner->RecycleBinCheckBox()->click();
    cleaner->TemporaryFilesCheckBox()->click();
    cleaner->RecycleBinCheckBox()->click();
    QCOMPARE(rig.log, (QStringList{u"FreeSpace.UpdateOptions(0x100000)"_s,
                                   u"FreeSpace.UpdateOptions(0x300000)"_s,
                                   u"FreeSpace.UpdateOptions(0x200000)"_s}));
    rig.log.clear();
    emit rig.freeSpace.OptionsUpdated(0x100001);
    QVERIFY(cleaner->RecycleBinCheckBox()->isChecked());
    QVERIFY(!cleaner->TemporaryFilesCheckBox()->isChecked());
    QVERIFY(rig.log.isEmpty());
    cleaner->TemporaryFilesCheckBox()->click();
    QCOMPARE(rig.log, QStringList{u"FreeSpace.UpdateOptions(0x300001)"_s});
}

void TestRibbonBehaviour::infoTextsAndGuestOptions()
{
    CRibbonTestRig rig;
    CRibbonExchangeWidget exchange;
    QCOMPARE(exchange.VersionLabel()->text(), u"Exchange version: "_s);
    exchange.SetExchangeVersion(u"2003"_s);
    exchange.SetServerName(L"MAIL01");
    QCOMPARE(exchange.VersionLabel()->text(), u"Exchange version: 2003"_s);
    QCOMPARE(exchange.ServerLabel()->text(), u"MAIL01"_s);

    CRibbonVirtualPCWidget guests;
    QCOMPARE(guests.HostLabel()->text(), u"Host Name: "_s + CComputerName::Local());
    guests.SetDefragmentOptions(false, true, false, true);
    Button(&guests, "Defragment", "Defragment")->click();
    QCOMPARE(rig.log, QStringList{u"VM.Defragment(0101)"_s});
}

void TestRibbonBehaviour::activeDirectorySubPanes()
{
    CRibbonTestRig rig;
    CRibbonADWidget withoutGpmc(false);
    QVERIFY(!withoutGpmc.GpmcButton()->isEnabled());

    CRibbonADWidget bar;
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kStepsToManage);
    bar.GpmcButton()->click();
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kManageUsingGpmc);
    emit rig.ad.SubPaneActivated(CModelLayout::kStepsToManage);
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kStepsToManage);
    QVERIFY(bar.StepsBar()->isVisibleTo(&bar) && !bar.GpmcBar()->isVisibleTo(&bar));
}

void TestRibbonBehaviour::aboutDialog()
{
    CScriptedPresenter presenter;
    CRibbonTestRig rig;
    QString version;
    presenter.dialogScripts << [&version](QDialog& dialog) {
        version = qobject_cast<CAboutDialog*>(&dialog)->VersionLabel()->text();
        return int(QDialog::Accepted);
    };
    CRibbonProductResourcesWidget bar;
    bar.show();
    bar.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&bar));
    QTest::keyClick(&bar, Qt::Key_A, Qt::ControlModifier);
    QTRY_COMPARE(presenter.dialogTitles, QStringList{u"About Korvane"_s});
    QCOMPARE(version, u"Version 11.0"_s);
}

QTEST_MAIN(TestRibbonBehaviour)
#include "tst_RibbonBehaviour.moc"

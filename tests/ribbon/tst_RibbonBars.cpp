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
#include "tests/ribbon/CRibbonTestRig.h"
#include "tests/support/CScriptedPresenter.h"
#include "widgets/CRibbonBar.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QShortcut>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include <tuple>

using namespace Qt::StringLiterals;

// The feature bars: the operation each button reaches, and what they do beyond it: the
// defragmentation method, the console policy, shortcuts on the tabs of a ribbon, skins, and
// following the feature controllers.
class TestRibbonBars : public QObject {
    Q_OBJECT

private slots:
    void everyButtonReachesItsOperation_data();
    void everyButtonReachesItsOperation();
    void defragMethodAndInputs();
    void policyHidesWhatItDenies();
    void shortcutsActOnTheShownTabOnly();
    void buttonTextsAndImages();
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

QImage IconImage(const QAbstractButton* button)
{
    return button->icon().pixmap(CRibbonButton::kIconSize).toImage();
}

// Clicks every button of the bar's own groups in order, enabled or not (stop buttons wait for a
// pass); what each reached: a feature controller's "Feature.Operation", the application
// controller's "app:Operation", a dialog's "dialog:Title".
QStringList ClickAll(QWidget* bar, CRibbonTestRig& rig)
{
    const QStringList& dialogs = rig.fixture.presenter.dialogTitles;
    QStringList effects;
    for (CRibbonGroup* group : qobject_cast<CRibbonBar*>(bar)->Groups()) {
        for (CRibbonButton* button : group->findChildren<CRibbonButton*>()) {
            const auto before = std::tuple(rig.log.size(), rig.app.calls.size(), dialogs.size());
            button->setEnabled(true);
            button->click();
            effects << rig.log.mid(std::get<0>(before));
            for (const QString& call : rig.app.calls.mid(std::get<1>(before)))
                effects << u"app:"_s + call;
            for (const QString& title : dialogs.mid(std::get<2>(before)))
                effects << u"dialog:"_s + QString(title).replace(u' ', u'_');
        }
    }
    return effects;
}

} // namespace

void TestRibbonBars::everyButtonReachesItsOperation_data()
{
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QStringList>("effects");
    const auto row = [](const char* bar, const QString& effects) {
        QTest::newRow(bar) << QString::fromUtf8(bar) << effects.split(u' ', Qt::SkipEmptyParts);
    };
    row("defrag", u"Defrag.EntireDriveTierLayout Defrag.Pause Defrag.Resume Defrag.Stop "
                  "Defrag.Analyse Defrag.Properties Defrag.SelectedFiles Defrag.SystemFiles"_s);
    row("cadence", u"Cadence.OneTimeVm Cadence.DailyVm Cadence.WeeklyVm Cadence.OneTime "
                   "Cadence.Daily Cadence.Weekly Cadence.ScreenSaver Cadence.Automatic "
                   "Cadence.OneTimeEx Cadence.WeeklyEx Cadence.RunNow Cadence.Edit "
                   "Cadence.Rename Cadence.Delete Cadence.Disable"_s);
    row("freespace", u"FreeSpace.Recycler FreeSpace.DuplicatesFinder FreeSpace.SpaceExplorer "
                     "FreeSpace.SpaceReport"_s);
    row("freespace.recycler", u"FreeSpace.Start FreeSpace.Analyse FreeSpace.Stop"_s);
    row("freespace.duplicates", u"Duplicates.Start Duplicates.Stop"_s);
    row("freespace.explorer", u"Explorer.Analyse Explorer.Stop"_s);
    row("freespace.reports", u"Reports.Start Reports.Stop"_s);
    row("exchange", u"Exchange.Defragment Exchange.Stop Exchange.Properties"_s);
    row("vm", u"VM.Defragment(1110) VM.Stop VM.Properties"_s);
    row("ad", u"AD.ActivateSubPane(0) AD.ActivateSubPane(1)"_s);
    row("product", u"app:OnCheckForUpdates app:OnHelp dialog:About_Korvane app:CallSupport"_s);
    row("options", u"app:Advanced dialog:Log_Window"_s);
    row("options.vm", u"app:Advanced dialog:Log_Window"_s);
}

void TestRibbonBars::everyButtonReachesItsOperation()
{
    QFETCH(QString, bar);
    QFETCH(QStringList, effects);
    {
        // No application controller at all: nothing happens.
        CScriptedPresenter presenter;
        const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
        for (CRibbonButton* button : widget->findChildren<CRibbonButton*>())
            button->click();
    }
    {
        // An application controller without feature controllers: only its own operations run.
        CRibbonTestRig rig(false);
        const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
        QCOMPARE(ClickAll(widget.get(), rig),
                 effects.filter(QRegularExpression(u"^(app|dialog):"_s)));
    }
    CRibbonTestRig rig;
    const std::unique_ptr<QWidget> widget = CRibbonTestRig::MakeBar(bar);
    QCOMPARE(ClickAll(widget.get(), rig), effects);
}

void TestRibbonBars::defragMethodAndInputs()
{
    CRibbonTestRig rig;
    CRibbonDefragWidget bar;
    QComboBox* methods = bar.MethodChoice();
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
    QVERIFY(!start->isEnabled() && !methods->isEnabled());
    QVERIFY(!Button(&bar, "Advanced", "Boot\nTime")->isEnabled());
    QVERIFY(Button(&bar, "Defragment", "Stop")->isEnabled());
    QVERIFY(Button(&bar, "Defragment", "Pause")->isEnabled());
    QVERIFY(!Button(&bar, "Defragment", "Resume")->isEnabled());
}

void TestRibbonBars::policyHidesWhatItDenies()
{
    CRibbonTestRig rig;
    for (const QString& name :
         {u"AllowAnalyze"_s, u"AllowStop"_s, u"AllowModifySched"_s, u"AllowCheckUpdate"_s,
          u"AllowAdvanceConfiguration"_s, u"AllowViewLog"_s})
        CAppFixture::SetDword(u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s, name, 0);
    rig.app.Policy().ReloadPolicy(false);

    CRibbonDefragWidget defrag;
    defrag.EnableInput(true, true, true, true);
    for (const char* denied : {"Analyze", "Stop", "Pause", "Resume"})
        QVERIFY2(Button(&defrag, "Defragment", denied)->isHidden(), denied);
    QVERIFY(!Button(&defrag, "Defragment", "Start")->isHidden());
    QVERIFY(!Button(&defrag, "Advanced", "Boot\nTime")->isHidden());
    CRibbonGenericWidget options;
    QVERIFY(options.SettingsButton()->isHidden() && options.ViewLogButton()->isHidden());

    // Schedules can still be run, not made or changed.
    rig.SimulateConnection(CModel::kEditionExchange, false);
    CRibbonCadenceWidget cadence;
    QVERIFY(cadence.DriveGroup()->isHidden() && cadence.ExchangeGroup()->isHidden());
    QVERIFY(cadence.VmGroup()->isHidden() && !cadence.ChangeGroup()->isHidden());
    QVERIFY(!Button(&cadence, "Change Existing Schedule", "Run Now")->isHidden());
    for (const char* denied : {"Edit", "Rename", "Delete", "Disable"})
        QVERIFY2(Button(&cadence, "Change Existing Schedule", denied)->isHidden(), denied);

    CRibbonProductResourcesWidget product;
    QVERIFY(product.UpdateButton()->isHidden() && !product.AboutButton()->isHidden());
}

void TestRibbonBars::shortcutsActOnTheShownTabOnly()
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

    // The button is first shown pressed, the click follows.
    QTest::keyClick(&tabs, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(Button(defrag, "Defragment", "Stop")->isDown() && rig.log.isEmpty());
    QTRY_COMPARE(rig.log, QStringList{u"Defrag.Stop"_s});

    tabs.setCurrentWidget(exchange);
    QSignalSpy selectedFiles(Button(defrag, "Advanced", "Selected\nFiles")->Shortcut(),
                             &QShortcut::activated);
    QTest::keyClick(&tabs, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(selectedFiles.count(), 0);
    // The hidden tab's equal keys do not make the shown one's ambiguous; a disabled button
    // does not answer.
    QTest::keyClick(&tabs, Qt::Key_S, Qt::ControlModifier);
    QTRY_COMPARE(rig.log, (QStringList{u"Defrag.Stop"_s, u"Exchange.Stop"_s}));
    CRibbonButton* exchangeStop = Button(exchange, "Defragment", "Stop");
    exchangeStop->setEnabled(false);
    QTest::keyClick(&tabs, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!exchangeStop->isDown()); // and so no click follows
}

void TestRibbonBars::buttonTextsAndImages()
{
    CRibbonTestRig rig;
    CRibbonProductResourcesWidget bar;
    CRibbonButton* update = bar.UpdateButton();
    QCOMPARE(update->text(), u"Check For \nUpdates"_s); // "\r\n" is one line break
    CRibbonButton* about = Button(&bar, "Product Resources", "About\r\n Korvane");
    QVERIFY(!about->icon().isNull());
    QVERIFY(update->sizeHint().height() >
            Button(&bar, "Product Resources", "Help")->sizeHint().height());
    about->SetImageName(u"no_such_image.png"_s);
    QVERIFY(about->icon().isNull());
}

void TestRibbonBars::skinChangeReloadsImages()
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
    qApp->setStyleSheet(QString());
}

void TestRibbonBars::cadenceFollowsTheController()
{
    // The scheduling tab registers after the bar is built and before the computer connects.
    CRibbonTestRig rig(false);
    CRibbonCadenceWidget bar;
    rig.app.RegisterCadenceController(&rig.cadence);

    rig.SimulateConnection(CModel::kEditionVirtualMachines, false);
    QVERIFY(!bar.VmGroup()->isHidden() && bar.ExchangeGroup()->isHidden());
    rig.SimulateConnection(CModel::kEditionExchange, false);
    QVERIFY(bar.VmGroup()->isHidden() && !bar.ExchangeGroup()->isHidden());
    rig.SimulateConnection(CModel::kEditionExchange, true);
    QVERIFY(bar.ExchangeGroup()->isHidden() && !bar.DriveGroup()->isHidden());

    // "Disable" reads "Enable" for a disabled schedule, remembered per schedule.
    CRibbonButton* disable = bar.DisableButton();
    emit rig.cadence.ScheduleSelected(L"Nightly");
    emit rig.cadence.ScheduleEnabled(L"Nightly", false);
    QCOMPARE(disable->RibbonText(), u"Enable"_s);
    emit rig.cadence.ScheduleSelected(L"Weekly");
    QCOMPARE(disable->RibbonText(), u"Disable"_s);
    emit rig.cadence.ScheduleSelected(L"Nightly");
    QCOMPARE(disable->RibbonText(), u"Enable"_s);
    emit rig.cadence.ScheduleDeleted();
    QCOMPARE(disable->RibbonText(), u"Disable"_s);
    rig.app.UnregisterCadenceController(&rig.cadence);
}

void TestRibbonBars::freeSpaceSubPanesAndOptions()
{
    CRibbonTestRig rig;
    CRibbonFreeSpaceWidget bar;
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kRecycler);
    Button(&bar, "Reclaim Free Space", "Duplicates\r\nFinder")->click();
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kDuplicatesFinder);
    emit rig.freeSpace.SubPaneActivated(CModelLayout::kSpaceReports);
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kSpaceReports);
    QVERIFY(bar.ItemBar(CModelLayout::kSpaceReports)->isVisibleTo(&bar) &&
            !bar.ItemBar(CModelLayout::kDuplicatesFinder)->isVisibleTo(&bar));

    // The cleaner's buttons follow its passes.
    CRibbonFreeSpaceItemWidget* cleaner = bar.ItemBar(CModelLayout::kRecycler);
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
    QVERIFY(cleaner->RecycleBinCheckBox()->isChecked() &&
            !cleaner->TemporaryFilesCheckBox()->isChecked());
    cleaner->TemporaryFilesCheckBox()->click();
    QCOMPARE(rig.log, QStringList{u"FreeSpace.UpdateOptions(0x300001)"_s});
}

void TestRibbonBars::infoTextsAndGuestOptions()
{
    CRibbonTestRig rig;
    CRibbonExchangeWidget exchange;
    exchange.SetExchangeVersion(u"2003"_s);
    QCOMPARE(exchange.VersionLabel()->text(), u"Exchange version: 2003"_s);

    CRibbonVirtualPCWidget guests;
    guests.SetDefragmentOptions(false, true, false, true);
    Button(&guests, "Defragment", "Defragment")->click();
    QCOMPARE(rig.log, QStringList{u"VM.Defragment(0101)"_s});
}

void TestRibbonBars::activeDirectorySubPanes()
{
    CRibbonTestRig rig;
    CRibbonADWidget bar(true);
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kStepsToManage);
    bar.GpmcButton()->click();
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kManageUsingGpmc);
    emit rig.ad.SubPaneActivated(CModelLayout::kStepsToManage);
    QCOMPARE(bar.CurrentSubPane(), CModelLayout::kStepsToManage);
    QVERIFY(bar.StepsBar()->isVisibleTo(&bar) && !bar.GpmcBar()->isVisibleTo(&bar));
}

void TestRibbonBars::aboutDialog()
{
    CRibbonTestRig rig;
    CScriptedPresenter& presenter = rig.fixture.presenter;
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

QTEST_MAIN(TestRibbonBars)
#include "tst_RibbonBars.moc"

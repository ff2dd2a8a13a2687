#include "app/CActiveKv.h"
#include "app/CActiveKvFactory.h"
#include "app/CActiveKvStartup.h"
#include "app/CCentralWidget.h"
#include "app/CRibbonWidget.h"
#include "app/ribbon/CRibbonADWidget.h"
#include "platform/activex/CObjectSafety.h"
#include "platform/registry/CRegKey.h"
#include "tests/ribbon/CRibbonTestRig.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"
#include "widgets/CRibbonButton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSplashScreen>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kConsoleKey = u"Software\\Tellmar\\Korvane\\11.0"_s;

QStringList TabLabels(const CRibbonWidget& ribbon)
{
    QStringList labels;
    for (int index = 0; index < ribbon.count(); ++index)
        labels.append(ribbon.tabText(index));
    return labels;
}

// Windows of the console anywhere, shown or not.
int ConsoleWindows()
{
    int windows = 0;
    for (QWidget* widget : QApplication::allWidgets())
        windows += qobject_cast<CMainWindow*>(widget) || qobject_cast<QSplashScreen*>(widget);
    return windows;
}

} // namespace

// The control, its start-up, the main window and the ribbon over the test engine.
class tst_Shell : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void factoryServesTheControl();
    void startUpRunsOnceOverTwoShows();
    void splashScreen_data();
    void splashScreen();
    void launchDeniedShowsNothing();
    void firstRunMarkerHooksAndWizard();
    void ribbonTabsFollowTheEdition_data();
    void ribbonTabsFollowTheEdition();
    void activeDirectoryBarAsksTheTab();
    void deviceNoticesWithinTheQuietTimeRefreshOnce();
    void closingEndsTheConsoleOnlyWhenAskedAndIdle();
    void advancedShortcutTogglesAndReachesTheController();

private:
    void StartEngine(uint edition);

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<CTestEngine> m_engine;
};

void tst_Shell::init()
{
    m_f = std::make_unique<CAppFixture>(false);
}

void tst_Shell::cleanup()
{
    m_engine.reset();
    m_f.reset();
}

void tst_Shell::StartEngine(uint edition)
{
    m_engine = std::make_unique<CTestEngine>();
    m_engine->edition = edition;
    QVERIFY(m_engine->Start());
}

void tst_Shell::factoryServesTheControl()
{
    CActiveKvFactory factory;
    for (const QString& other : {u"CActiveKV"_s, QString()})
        QVERIFY(!factory.createObject(other) && !factory.metaObject(other));
    std::unique_ptr<QObject> object(factory.createObject(u"CActiveKv"_s));
    auto* control = qobject_cast<CActiveKv*>(object.get());
    QVERIFY(control && !control->IsStarted()); // nothing happens before the first show
    control->showHelp();                       // no controller yet: nothing
    std::unique_ptr<CAxAggregated> aggregate(control->createAggregate());
    void* safety = nullptr;
    QCOMPARE(aggregate->QueryInterface(IObjectSafety::kIid, &safety), S_OK);
}

void tst_Shell::startUpRunsOnceOverTwoShows()
{
    StartEngine(2);
    CActiveKv control;
    control.show();
    CApp* controller = control.Controller();
    QVERIFY(control.HoldsConsole() && controller->Engine().IsConnected());
    QCOMPARE(QMetaType::fromName("TBusyStatus").id(), QMetaType::fromType<TBusyStatus>().id());
    CMainWindow* window = controller->MainWindowIfAny();
    QCOMPARE(window->parentWidget(), &control);
    // The start-up refreshed the models itself: the window's first show does not again.
    QVERIFY(window->SkipsNextShowEvent());
    QTRY_VERIFY(window->isVisible());
    QVERIFY(!window->SkipsNextShowEvent());
    const qsizetype activations = m_f->activator.requests.size();

    control.hide();
    control.show();
    QVERIFY(control.Controller() == controller && ConsoleWindows() == 1);
    QCOMPARE(m_f->activator.requests.size(), activations);
}

void tst_Shell::splashScreen_data()
{
    QTest::addColumn<int>("preference"); // -1: no value
    QTest::addColumn<int>("policy");     // -1: no value
    QTest::addColumn<bool>("shown");
    QTest::newRow("no preference") << -1 << -1 << true;
    QTest::newRow("preference 2") << 2 << -1 << false;
    QTest::newRow("policy denies") << 1 << 0 << false;
}

void tst_Shell::splashScreen()
{
    QFETCH(int, preference);
    QFETCH(int, policy);
    QFETCH(bool, shown);
    if (preference >= 0)
        CAppFixture::SetDword(kConsoleKey, u"ShowSplashScreen"_s, preference);
    if (policy >= 0)
        CAppFixture::SetDword(kConsoleKey, u"AllowSplashScreen"_s, policy, true);
    StartEngine(2);
    CActiveKv control;
    control.EnsureStarted();
    QCOMPARE(control.Startup()->ShowedSplashScreen(), shown);
    // Closed and gone before the window is shown.
    for (QWidget* widget : QApplication::allWidgets())
        QVERIFY(!qobject_cast<QSplashScreen*>(widget));

    // The start-up marked the console's key.
    CRegKey key;
    DWORD marker = 0;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, kConsoleKey, KEY_READ), LONG(ERROR_SUCCESS));
    QCOMPARE(key.QueryDWORDValue(QString(), &marker), LONG(ERROR_SUCCESS));
    QCOMPARE(marker, DWORD(1));
}

void tst_Shell::launchDeniedShowsNothing()
{
    CAppFixture::SetDword(u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s, u"AllowLaunch"_s, 0);
    StartEngine(2);
    CActiveKv control;
    control.show();
    QVERIFY(control.IsStarted());
    QVERIFY(!control.HoldsConsole());
    QCOMPARE(control.Startup()->Result(), E_FAIL);
    // No connection, no splash screen, no window, not even a hidden one.
    QVERIFY(m_f->activator.requests.isEmpty());
    QVERIFY(!control.Startup()->ShowedSplashScreen());
    QCOMPARE(ConsoleWindows(), 0);

    // Later messages change nothing, but the one that ends the console.
    for (const QString& message :
         {QString(), u"/connect="_s, u"forcereboot"_s, u"/icononlystart"_s})
        control.DeliverMessage(message);
    QCoreApplication::processEvents();
    QCOMPARE(ConsoleWindows(), 0);
    QVERIFY(m_f->activator.requests.isEmpty() && m_f->presenter.dialogTitles.isEmpty());
    QVERIFY(!control.Controller()->QuitRequested());
    control.DeliverMessage(u"terminate"_s);
    QTRY_VERIFY(control.Controller()->QuitRequested());
}

void tst_Shell::firstRunMarkerHooksAndWizard()
{
    QVERIFY(!CActiveKvStartup::FirstRunDue());
    CRegKey key;
    QCOMPARE(key.Open(HKEY_LOCAL_MACHINE, kConsoleKey), LONG(ERROR_SUCCESS));
    QCOMPARE(key.SetStringValue(u"Wizard"_s, u"1"_s), LONG(ERROR_SUCCESS));
    QVERIFY(CActiveKvStartup::FirstRunDue()); // not a number: the wizard is due

    // The tabs' start-up hooks run, free space first, and then the wizard, before the window
    // is shown. The tabs register themselves while the start-up runs; the fake defragmentation
    // tab takes the place of the console's own once the window has built that.
    QStringList log;
    CFakeDefragController defrag(log);
    CFakeFreeSpaceController freeSpace(log);
    QTimer::singleShot(0, this, [&] {
        auto* app = CApp::Current();
        app->RegisterFreeSpaceController(&freeSpace);
        connect(app, &CApp::DefragModelUpdated, &defrag,
                [&defrag, app] { app->RegisterDefragController(&defrag); });
    });
    CActiveKvStartup::SetFirstRunWizard([&] { log << u"Wizard"_s; });
    StartEngine(2);
    {
        CActiveKv control;
        control.EnsureStarted();
        QVERIFY(!control.isVisible());
    }
    CActiveKvStartup::SetFirstRunWizard({});
    log.removeIf([](const QString& entry) {
        return !entry.endsWith(u".OnStartUp"_s) && entry != u"Wizard"_s;
    });
    QCOMPARE(log, (QStringList{u"FreeSpace.OnStartUp"_s, u"Defrag.OnStartUp"_s, u"Wizard"_s}));
}

void tst_Shell::ribbonTabsFollowTheEdition_data()
{
    QTest::addColumn<uint>("edition");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("3") << 3u
                       << QStringList{u"Defragmentation"_s, u"Cadence Scheduling"_s,
                                      u"Space Management"_s, u"Exchange"_s, u"Product Resources"_s};
    QTest::newRow("4") << 4u
                       << QStringList{u"Virtual Guest"_s, u"Cadence Scheduling"_s,
                                      u"Defragmentation"_s, u"Space Management"_s,
                                      u"Product Resources"_s};
    QTest::newRow("6") << 6u
                       << QStringList{u"Defragmentation"_s, u"Cadence Scheduling"_s,
                                      u"Product Resources"_s};
}

void tst_Shell::ribbonTabsFollowTheEdition()
{
    QFETCH(uint, edition);
    QFETCH(QStringList, tabs);
    StartEngine(edition);
    CActiveKv control;
    control.show();
    CApp& controller = *control.Controller();
    CMainWindow* window = controller.MainWindowIfAny();
    CRibbonWidget& ribbon = *window->Ribbon();
    QCOMPARE(TabLabels(ribbon), tabs);
    QCOMPARE(window->Pages()->ActivePane(), controller.Layout().PaneAt(0));

    // Picking a tab activates its pane and shows its page.
    ribbon.setCurrentIndex(1);
    const CModelLayout::TPaneType second = controller.Layout().PaneAt(1);
    QCOMPARE(controller.GetActivePane(), second);
    QCOMPARE(window->Pages()->ActivePane(), second);

    // A new connection rebuilds the tabs and keeps the pane the user was on.
    QVERIFY(controller.ConnectWithArgument(u"/connect="_s));
    QCOMPARE(TabLabels(ribbon), tabs);
    QCOMPARE(ribbon.CurrentPane(), second);

    // A tab's keys select it; those of a tab the computer does not have do nothing.
    QVERIFY(QTest::qWaitForWindowActive(&control));
    QTest::keyClick(&ribbon, Qt::Key_T, Qt::AltModifier);
    QCOMPARE(controller.GetActivePane(), second);
    QTest::keyClick(&ribbon, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(ribbon.CurrentPane(), CModelLayout::kProductResources);
}

void tst_Shell::activeDirectoryBarAsksTheTab()
{
    CRibbonTestRig rig;
    CRibbonWidget ribbon;
    for (const bool available : {false, true}) {
        rig.ad.gpmcAvailable = available;
        const std::unique_ptr<QWidget> page(ribbon.MakePage(CModelLayout::kActiveDirectory));
        QCOMPARE(page->findChild<CRibbonADWidget*>()->GpmcButton()->isEnabled(), available);
    }
}

void tst_Shell::deviceNoticesWithinTheQuietTimeRefreshOnce()
{
    CRecordingApp controller;
    CMainWindow window;
    window.SetDeviceRefreshDelays(1, 2);
    QVERIFY(window.OnDeviceChange(100000));
    QVERIFY(!window.OnDeviceChange(100000 + 4999)); // within five seconds of the accepted one
    QTRY_COMPARE(controller.calls.count(u"RefreshModel"_s), 2);
    QVERIFY(window.OnDeviceChange(100000 + 5000));
    QTRY_COMPARE(controller.calls.count(u"RefreshModel"_s), 4);
    QTest::qWait(20);
    QCOMPARE(controller.calls.count(u"RefreshModel"_s), 4);
}

void tst_Shell::closingEndsTheConsoleOnlyWhenAskedAndIdle()
{
    CApp controller;
    CMainWindow* window = controller.GetMainWindow();
    window->show();
    window->close();
    QVERIFY(!controller.QuitRequested()); // Exit On Close not set: the console keeps running
    controller.Settings().setValue(u"Preferences/Exit On Close"_s, u"maybe"_s);
    window->show();
    window->close();
    QVERIFY(!controller.ExitOnClose() && !controller.QuitRequested());

    // Set, in the console's own key: the console ends only when no feature is busy.
    CAppFixture::SetDword(kConsoleKey + u"\\Preferences"_s, u"Exit On Close"_s, 1);
    controller.SetSystemTrayProgressBusy(CModel::kDefragmentation, TBusyStatus::Busy);
    window->show();
    window->close();
    QVERIFY(!window->isVisible());
    QVERIFY(!controller.QuitRequested());
    controller.SetSystemTrayProgressBusy(CModel::kDefragmentation, TBusyStatus::Paused);
    window->show();
    window->close();
    QVERIFY(controller.QuitRequested());
}

void tst_Shell::advancedShortcutTogglesAndReachesTheController()
{
    CApp controller;
    CMainWindow* window = controller.GetMainWindow();
    QSignalSpy advanced(&controller, &CApp::SetAdvancedMode);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_F9, Qt::AltModifier);
    QTest::keyClick(window, Qt::Key_F9, Qt::AltModifier);
    QCOMPARE(advanced.size(), 2);
    QCOMPARE(advanced.at(0).at(0).toBool(), true);
    QCOMPARE(advanced.at(1).at(0).toBool(), false);
}

QTEST_MAIN(tst_Shell)
#include "tst_Shell.moc"

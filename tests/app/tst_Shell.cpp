#include "app/CActiveKv.h"
#include "app/CActiveKvFactory.h"
#include "app/CActiveKvStartup.h"
#include "app/CApp.h"
#include "app/CCentralWidget.h"
#include "app/CMainWindow.h"
#include "app/CRibbonWidget.h"
#include "platform/activex/CObjectSafety.h"
#include "platform/com/CDBusActivator.h"
#include "platform/registry/CRegKey.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CFakeAppController.h"
#include "tests/support/CFakeComActivator.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include <QApplication>
#include <QSignalSpy>
#include <QSplashScreen>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kConsoleKey = u"Software\\Tellmar\\Korvane\\11.0"_s;

void SetDword(HKEY hive, const QString& path, const QString& name, DWORD value)
{
    CRegKey key;
    QCOMPARE(key.Create(hive, path), LONG(ERROR_SUCCESS));
    QCOMPARE(key.SetDWORDValue(name, value), LONG(ERROR_SUCCESS));
}

QStringList TabLabels(const CRibbonWidget& ribbon)
{
    QStringList labels;
    for (int index = 0; index < ribbon.count(); ++index)
        labels.append(ribbon.tabText(index));
    return labels;
}

} // namespace

class tst_Shell : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void factoryServesTheControl();
    void startUpRunsOnceOverTwoShows();
    void splashScreen_data();
    void splashScreen();
    void launchDeniedLeavesTheControlEmpty();
    void firstRunMarkerHooksAndWizard();
    void ribbonTabsFollowTheEdition_data();
    void ribbonTabsFollowTheEdition();
    void tabShortcutsOnlyForTabsThatExist();
    void deviceNoticesWithinTheQuietTimeRefreshOnce();
    void closingEndsTheConsoleOnlyWhenAskedAndIdle();
    void advancedShortcutTogglesAndReachesTheController();

private:
    void StartEngine(uint edition);

    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CDBusActivator> m_dbus;
    std::unique_ptr<CFakeComActivator> m_activator;
    std::unique_ptr<CScriptedPresenter> m_presenter;
    std::unique_ptr<CTestEngine> m_engine;
};

void tst_Shell::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
    m_dbus = std::make_unique<CDBusActivator>();
    m_activator = std::make_unique<CFakeComActivator>();
    m_activator->fallback = m_dbus.get();
    IComActivator::SetInstance(m_activator.get());
    m_presenter = std::make_unique<CScriptedPresenter>();
    // The getting-started wizard has run on this computer.
    SetDword(HKEY_LOCAL_MACHINE, kConsoleKey, u"Wizard"_s, 1);
}

void tst_Shell::cleanup()
{
    m_engine.reset();
    m_presenter.reset();
    IComActivator::SetInstance(nullptr);
    m_activator.reset();
    m_dbus.reset();
    m_environment.reset();
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
    QCOMPARE(factory.featureList(), QStringList{u"CActiveKv"_s});
    QCOMPARE(factory.classID(u"CActiveKv"_s), QUuid(u"{AE0A65BC-3F5E-4d03-9FD5-8C0A51CD49F4}"_s));
    QCOMPARE(factory.interfaceID(u"CActiveKv"_s),
             QUuid(u"{E8DAC5A6-2053-4858-B4AD-AD75268E85FF}"_s));
    QCOMPARE(factory.eventsID(u"CActiveKv"_s), QUuid(u"{2C004F4E-F28A-46cd-948A-69FDB78D09DF}"_s));
    QCOMPARE(factory.typeLibID(), QUuid(u"{B31C9C04-4EA5-486e-92C8-0528165E4E1A}"_s));
    QCOMPARE(factory.appID(), QUuid(u"{4A0FF263-B477-4476-9739-1D4559B60671}"_s));
    QCOMPARE(factory.metaObject(u"CActiveKv"_s)->className(), "CActiveKv");

    for (const QString& other : {u"CActiveKV"_s, QString()}) {
        QVERIFY(factory.createObject(other) == nullptr);
        QVERIFY(factory.metaObject(other) == nullptr);
        QVERIFY(factory.classID(other).isNull());
        QVERIFY(factory.interfaceID(other).isNull());
        QVERIFY(factory.eventsID(other).isNull());
    }

    std::unique_ptr<QObject> object(factory.createObject(u"CActiveKv"_s));
    auto* control = qobject_cast<CActiveKv*>(object.get());
    QVERIFY(control);
    QVERIFY(!control->IsStarted()); // nothing happens before the first show
    QCOMPARE(control->minimumSizeHint(), QSize(900, 500));
    QCOMPARE(control->minimumSize(), QSize(900, 500));
    control->showHelp(); // no controller yet: nothing

    std::unique_ptr<CAxAggregated> aggregate(control->createAggregate());
    void* safety = nullptr;
    QCOMPARE(aggregate->QueryInterface(IObjectSafety::kIid, &safety), S_OK);
    QVERIFY(safety);
    DWORD supported = 0;
    DWORD enabled = 0;
    QCOMPARE(static_cast<IObjectSafety*>(safety)->GetInterfaceSafetyOptions(IObjectSafety::kIid,
                                                                            &supported, &enabled),
             S_OK);
    QCOMPARE(supported, DWORD(3));
    QCOMPARE(enabled, DWORD(3));
}

void tst_Shell::startUpRunsOnceOverTwoShows()
{
    StartEngine(2);
    CActiveKv control;
    control.show();
    QVERIFY(control.IsStarted());
    CApp* controller = control.Controller();
    QVERIFY(controller);
    QVERIFY(controller->Engine().IsConnected());
    QCOMPARE(QMetaType::fromName("TBusyStatus").id(), QMetaType::fromType<TBusyStatus>().id());
    CMainWindow* window = controller->MainWindowIfAny();
    QVERIFY(window);
    QCOMPARE(window->parentWidget(), &control);
    // The start-up refreshed the models itself: the window's first show does not again.
    QVERIFY(window->SkipsNextShowEvent());
    QTRY_VERIFY(window->isVisible());
    QVERIFY(!window->SkipsNextShowEvent());
    const int activations = m_activator->requests.size();

    control.hide();
    control.show();
    QCOMPARE(control.Controller(), controller);
    QCOMPARE(controller->MainWindowIfAny(), window);
    QCOMPARE(m_activator->requests.size(), activations);
    QCOMPARE(control.findChildren<CMainWindow*>().size(), 1);
}

void tst_Shell::splashScreen_data()
{
    QTest::addColumn<int>("preference"); // -1: no value
    QTest::addColumn<int>("policy");     // -1: no value
    QTest::addColumn<bool>("shown");
    QTest::newRow("no preference") << -1 << -1 << true;
    QTest::newRow("preference 1") << 1 << -1 << true;
    QTest::newRow("preference 0") << 0 << -1 << false;
    QTest::newRow("preference 2") << 2 << -1 << false;
    QTest::newRow("policy denies") << 1 << 0 << false;
}

void tst_Shell::splashScreen()
{
    QFETCH(int, preference);
    QFETCH(int, policy);
    QFETCH(bool, shown);
    if (preference >= 0)
        SetDword(HKEY_CURRENT_USER, kConsoleKey, u"ShowSplashScreen"_s, DWORD(preference));
    if (policy >= 0)
        SetDword(HKEY_LOCAL_MACHINE, kConsoleKey, u"AllowSplashScreen"_s, DWORD(policy));
    StartEngine(2);
    CActiveKv control;
    control.EnsureStarted();
    QCOMPARE(control.Startup()->ShowedSplashScreen(), shown);
    // Closed and gone before the window is shown.
    QCOMPARE(control.findChildren<QSplashScreen*>().size(), 0);
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QSplashScreen*>(widget));

    // The start-up marked the console's key.
    CRegKey key;
    DWORD marker = 0;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, kConsoleKey, KEY_READ), LONG(ERROR_SUCCESS));
    QCOMPARE(key.QueryDWORDValue(QString(), &marker), LONG(ERROR_SUCCESS));
    QCOMPARE(marker, DWORD(1));
}

void tst_Shell::launchDeniedLeavesTheControlEmpty()
{
    SetDword(HKEY_CURRENT_USER, u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s, u"AllowLaunch"_s,
             0);
    StartEngine(2);
    CActiveKv control;
    control.show();
    QVERIFY(control.IsStarted());
    QVERIFY(control.Controller());
    QVERIFY(control.findChildren<CMainWindow*>().isEmpty());
}

void tst_Shell::firstRunMarkerHooksAndWizard()
{
    QVERIFY(!CActiveKvStartup::FirstRunDue());
    SetDword(HKEY_LOCAL_MACHINE, kConsoleKey, u"Wizard"_s, 0);
    QVERIFY(CActiveKvStartup::FirstRunDue());
    CRegKey key;
    QCOMPARE(key.Open(HKEY_LOCAL_MACHINE, kConsoleKey), LONG(ERROR_SUCCESS));
    QCOMPARE(key.SetStringValue(u"Wizard"_s, u"1"_s), LONG(ERROR_SUCCESS));
    QVERIFY(CActiveKvStartup::FirstRunDue()); // not a number: the wizard is due

    // The tabs' start-up hooks run, free space first, and then the wizard, before the window
    // is shown. The tabs register themselves while the start-up runs.
    QStringList log;
    CFakeDefragController defrag(log);
    CFakeFreeSpaceController freeSpace(log);
    QTimer::singleShot(0, this, [&] {
        IAppController::Current()->RegisterDefragController(&defrag);
        IAppController::Current()->RegisterFreeSpaceController(&freeSpace);
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
    QTest::newRow("2") << 2u
                       << QStringList{u"Defragmentation"_s, u"Cadence Scheduling"_s,
                                      u"Space Management"_s, u"Product Resources"_s};
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
    CMainWindow* window = control.Controller()->MainWindowIfAny();
    QVERIFY(window);
    CRibbonWidget& ribbon = *window->Ribbon();
    QCOMPARE(TabLabels(ribbon), tabs);
    QCOMPARE(ribbon.currentIndex(), 0);
    QCOMPARE(window->Pages()->ActivePane(), control.Controller()->Layout().PaneAt(0));

    // Picking a tab activates its pane and shows its page.
    ribbon.setCurrentIndex(1);
    const CModelLayout::TPaneType second = control.Controller()->Layout().PaneAt(1);
    QCOMPARE(control.Controller()->GetActivePane(), second);
    QCOMPARE(window->Pages()->ActivePane(), second);

    // A new connection rebuilds the tabs and keeps the pane the user was on.
    QSignalSpy connected(control.Controller(), &CApp::ComputerConnected);
    QVERIFY(control.Controller()->ConnectWithArgument(u"/connect="_s));
    QCOMPARE(connected.size(), 1);
    QCOMPARE(TabLabels(ribbon), tabs);
    QCOMPARE(ribbon.CurrentPane(), second);
}

void tst_Shell::tabShortcutsOnlyForTabsThatExist()
{
    StartEngine(2);
    CActiveKv control;
    control.show();
    QVERIFY(QTest::qWaitForWindowActive(&control));
    CApp& controller = *control.Controller();
    CRibbonWidget& ribbon = *controller.MainWindowIfAny()->Ribbon();

    QTest::keyClick(&ribbon, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(controller.GetActivePane(), CModelLayout::kScheduling);
    QCOMPARE(ribbon.CurrentPane(), CModelLayout::kScheduling);
    for (Qt::Key key : {Qt::Key_E, Qt::Key_V, Qt::Key_T}) {
        QTest::keyClick(&ribbon, key, Qt::AltModifier);
        QCOMPARE(controller.GetActivePane(), CModelLayout::kScheduling);
        QCOMPARE(ribbon.CurrentPane(), CModelLayout::kScheduling);
    }
    QTest::keyClick(&ribbon, Qt::Key_P, Qt::AltModifier);
    QCOMPARE(ribbon.CurrentPane(), CModelLayout::kProductResources);
}

void tst_Shell::deviceNoticesWithinTheQuietTimeRefreshOnce()
{
    CFakeAppController controller;
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

    controller.Settings().setValue(u"Preferences/Exit On Close"_s, true);
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

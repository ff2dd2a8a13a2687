#include "app/CApp.h"
#include "app/CComputerSelectDialog.h"
#include "app/CConnectionArgument.h"
#include "app/CConnectionFailureMessage.h"
#include "core/CSystemMessage.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusActivator.h"
#include "platform/registry/CRegKey.h"
#include "platform/services/IServiceControl.h"
#include "tests/support/CFakeComActivator.h"
#include "tests/support/CFakeServiceControl.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include "AgentStatisticsAdaptor.h"
#include "AgentStatisticsServiceBase.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr HRESULT kServiceDisabled = HRESULT_FROM_WIN32(ERROR_SERVICE_DISABLED);
constexpr HRESULT kUnavailable = static_cast<HRESULT>(0x800706BAu);

class CGuestStatistics : public CAgentStatisticsServiceBase {
public:
    using CAgentStatisticsServiceBase::CAgentStatisticsServiceBase;
    int GetVirtualGuest(bool& isGuest, QString& hostName) override
    {
        isGuest = true;
        hostName = u"hyper-host"_s;
        return S_OK;
    }
};

} // namespace

class tst_AppConnection : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void failureMessages_data();
    void failureMessages();
    void failureIsReportedOnceWithItsTitle();
    void localFailureIsRetriedAfterOk();
    void remoteFailureAsksAgainAndCancelEnds();
    void disabledServiceOnThisComputer();
    void disabledServiceElsewhereIsAnOrdinaryFailure();
    void connectionArgument_data();
    void connectionArgument();
    void brokenEscapesStayAsTheyAre();
    void connectsToTheTestEngine();
    void agentOfTheEnginesChoiceOnAVirtualGuest();
    void exchangeEditionReportsItsEngine();
    void connectMessageUsesTheArgument();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CFakeComActivator> m_activator;
    std::unique_ptr<CDBusActivator> m_dbus;
    std::unique_ptr<CFakeServiceControl> m_services;
    std::unique_ptr<CScriptedPresenter> m_presenter;
    std::unique_ptr<CApp> m_app;
    QList<int> m_exits;
};

void tst_AppConnection::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
    m_dbus = std::make_unique<CDBusActivator>();
    m_activator = std::make_unique<CFakeComActivator>();
    m_activator->fallback = m_dbus.get();
    IComActivator::SetInstance(m_activator.get());
    m_services = std::make_unique<CFakeServiceControl>();
    IServiceControl::SetInstance(m_services.get());
    m_presenter = std::make_unique<CScriptedPresenter>();
    m_app = std::make_unique<CApp>();
    m_exits.clear();
    m_app->SetProcessExit([this](int code) { m_exits.append(code); });
}

void tst_AppConnection::cleanup()
{
    m_app.reset();
    m_presenter.reset();
    IServiceControl::SetInstance(nullptr);
    IComActivator::SetInstance(nullptr);
    m_services.reset();
    m_activator.reset();
    m_dbus.reset();
    m_environment.reset();
}

void tst_AppConnection::failureMessages_data()
{
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("expected");

    const int denied = E_ACCESSDENIED;
    const int notRegistered = REGDB_E_CLASSNOTREG;
    const int other = kUnavailable;
    const QString system = CSystemMessage::Text(kUnavailable);
    const QString local = CComputerName::Local();

    QTest::newRow("current user, denied, remote")
        << u"far"_s << QString() << QString() << denied
        << u"Unable to connect to machine (far) with current user. Access is denied (possibly the "
           "account is not recognized on that machine)"_s;
    QTest::newRow("current user, denied, this computer by name counts as remote")
        << local << QString() << QString() << denied
        << u"Unable to connect to machine (%1) with current user. Access is denied (possibly the "
           "account is not recognized on that machine)"_s.arg(local);
    QTest::newRow("current user, denied, local")
        << QString() << QString() << QString() << denied
        << u"Unable to connect to local machine with current user. Access is denied (this could "
           "indicate a COM issue or registry issue).  Please repair Korvane or run  Korvane "
           "Self-Diagnostic and Troubleshooting (see help for instructions)."_s;
    QTest::newRow("current user, not registered, remote")
        << u"far"_s << QString() << QString() << notRegistered
        << u"Unable to connect to machine (far) with current user. Error (-2147221164) Korvane  "
           "not installed on remote machine"_s;
    QTest::newRow("current user, not registered, local")
        << QString() << QString() << QString() << notRegistered
        << u"Unable to connect to local machine  Registration Error: Class not "
           "registered(-2147221164)"_s;
    QTest::newRow("current user, other, remote")
        << u"far"_s << QString() << QString() << other
        << u"Unable to connect to computer (far) with current user.  Error (%1)(-2147023174).  "
           "This can indicate that the remote computer is not currently turned on, the remote "
           "computer  currently is not reachable on your network, Korvane may not be installed "
           "on the remote computer or your firewall may not allow Korvane to access the remote "
           "computer."_s.arg(system);
    QTest::newRow("current user, other, local")
        << QString() << QString() << QString() << other
        << u"Unable to connect to local machine with current user.  Error (%1)(-2147023174). "
           "Please Repair Korvane."_s.arg(system);
    QTest::newRow("given, denied")
        << u"far"_s << u"bob"_s << u"pw"_s << denied
        << u"Unable to connect to machine (far) domain (corp) user (bob) with the supplied "
           "password. Access Denied (possibly a bad user name/password)"_s;
    QTest::newRow("password only counts as given, denied, local")
        << QString() << QString() << u"pw"_s << denied
        << u"Unable to connect to machine () domain (corp) user () with the supplied password. "
           "Access Denied (possibly a bad user name/password)"_s;
    QTest::newRow("given, not registered, local")
        << QString() << u"bob"_s << u"pw"_s << notRegistered
        << u"Unable to connect to Local machine  with user(bob) domain (corp) Registration Error: "
           "Class not Registered(-2147221164)"_s;
    QTest::newRow("given, not registered, remote")
        << u"far"_s << u"bob"_s << u"pw"_s << notRegistered
        << u"Unable to connect to machine (far) domain (corp) user (bob) Error (-2147221164) "
           "Korvane is not installed on remote machine"_s;
    QTest::newRow("given, other")
        << u"far"_s << u"bob"_s << u"pw"_s << other
        << u"Unable to connect to machine (far) domain (corp) user (bob) Error (%1)(-2147023174) "
           "Possibly the machine doesn't exist or there are firewall issues."_s.arg(system);
}

void tst_AppConnection::failureMessages()
{
    QFETCH(QString, computer);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, result);
    QFETCH(QString, expected);
    QCOMPARE(CConnectionFailureMessage::Text(computer.toStdWString(), user.toStdWString(),
                                             password.toStdWString(), L"corp", result),
             expected);
}

void tst_AppConnection::failureIsReportedOnceWithItsTitle()
{
    m_activator->answers = {E_ACCESSDENIED};
    QSignalSpy connected(m_app.get(), &CApp::ComputerConnected);
    QVERIFY(!m_app->ConnectToComputer(L"far", L"", L"", L""));
    QCOMPARE(m_presenter->messages.size(), 1);
    const IMessagePresenter::TMessage& shown = m_presenter->messages.first();
    QCOMPARE(shown.icon, QMessageBox::Warning);
    QCOMPARE(shown.title, u"Could Not Connect"_s);
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(shown.parent == nullptr);
    QCOMPARE(shown.text, CConnectionFailureMessage::Text(L"far", L"", L"", L"", E_ACCESSDENIED));
    QCOMPARE(connected.size(), 0);
    QVERIFY(!m_app->Engine().IsConnected());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void tst_AppConnection::localFailureIsRetriedAfterOk()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    m_activator->answers = {E_ACCESSDENIED, E_ACCESSDENIED, E_ACCESSDENIED};
    TName computer, user, domain;
    TString password;
    QVERIFY(m_app->ConnectToComputerWithRetry(computer, user, password, domain));
    QCOMPARE(m_presenter->messages.size(), 3);
    QVERIFY(m_presenter->dialogTitles.isEmpty());
    QVERIFY(m_app->Engine().IsConnected());
}

void tst_AppConnection::remoteFailureAsksAgainAndCancelEnds()
{
    m_activator->answers = {kUnavailable, kUnavailable};
    QStringList shownValues;
    m_presenter->dialogScripts.append([&](QDialog& dialog) {
        auto& select = static_cast<CComputerSelectDialog&>(dialog);
        shownValues = {select.ComputerEdit()->text(), select.UserEdit()->text(),
                       select.PasswordEdit()->text(), select.DomainEdit()->text()};
        select.ComputerEdit()->setText(u"other"_s);
        return int(QDialog::Accepted);
    });
    TName computer = L"far", user = L"bob", domain = L"corp";
    TString password = L"pw";
    QVERIFY(!m_app->ConnectToComputerWithRetry(computer, user, password, domain));
    QCOMPARE(shownValues, (QStringList{u"far"_s, u"bob"_s, u"pw"_s, u"corp"_s}));
    QCOMPARE(m_presenter->dialogTitles.size(), 2); // the second one was cancelled
    QCOMPARE(computer, TName(L"other"));
    QCOMPARE(m_activator->requests.at(1).computer, u"other"_s);
    QCOMPARE(m_presenter->messages.size(), 2);
}

void tst_AppConnection::disabledServiceOnThisComputer()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    m_services->startTypes[u"KVEngine"_s] = IServiceControl::kDisabled;

    // Retry: the engine is tried again and comes up.
    m_activator->answers = {kServiceDisabled};
    m_presenter->messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Retry)};
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(m_presenter->messages.size(), 1);
    const IMessagePresenter::TMessage& notice = m_presenter->messages.first();
    QCOMPARE(notice.icon, QMessageBox::Information);
    QCOMPARE(notice.title, u"Service KVEngine needs to be enabled"_s);
    QCOMPARE(notice.buttons, QMessageBox::Retry | QMessageBox::Close);
    QCOMPARE(notice.text,
             u"Service <b>KVEngine</b> is disabled on the local machine, <b>Korvane</b> needs this "
             "service to function properly.<p>1. Click <b>Start</b>, <b>Control Panel</b>, "
             "<b>Administrative Tools</b>, <b>Services</b>.</p><p>2. In the details pane, "
             "right-click the <b>KVEngine</b> service , and then click <b>Properties</b>.</p><p>3. "
             "On the <b>General</b> tab, in <b>Startup type</b>, click <b>Manual</b>, and then "
             "click <b>OK</b>.</p><p>4. Click <b>Retry</b> on this dialog."_s);

    // Close ends the process with 0, and nothing more is said.
    m_presenter->messages.clear();
    m_activator->answers = {kServiceDisabled};
    m_presenter->messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Close)};
    QVERIFY(!m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(m_exits, QList<int>{0});
    QCOMPARE(m_presenter->messages.size(), 1);

    // A service that is not disabled: no notice and no failure message either.
    m_presenter->messages.clear();
    m_services->startTypes[u"KVEngine"_s] = IServiceControl::kDemandStart;
    m_activator->answers = {kServiceDisabled};
    QVERIFY(!m_app->ConnectToComputer(CComputerName::Local().toStdWString(), L"", L"", L""));
    QVERIFY(m_presenter->messages.isEmpty());
}

void tst_AppConnection::disabledServiceElsewhereIsAnOrdinaryFailure()
{
    m_services->startTypes[u"KVEngine"_s] = IServiceControl::kDisabled;
    m_activator->answers = {kServiceDisabled};
    QVERIFY(!m_app->ConnectToComputer(L"far", L"", L"", L""));
    QVERIFY(m_services->asked.isEmpty());
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().text,
             CConnectionFailureMessage::Text(L"far", L"", L"", L"", kServiceDisabled));
    QVERIFY(m_presenter->messages.first().text.startsWith(
        u"Unable to connect to computer (far) with current user."_s));
}

void tst_AppConnection::connectionArgument_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("expected"); // computer, user, password, domain

    QTest::newRow("encoded hyphen, domain, current user")
        << u"/connect=1=web%2Dserver&4=corp"_s
        << QStringList{u"web-server"_s, QString(), QString(), u"corp"_s};
    QTest::newRow("start-up") << u"/connect="_s
                              << QStringList{QString(), QString(), QString(), QString()};
    QTest::newRow("password decoded twice, plus is a blank")
        << u"/connect=1=a+b&2=bob&3=p%2541%2B"_s
        << QStringList{u"a b"_s, u"bob"_s, u"pA "_s, QString()};
    QTest::newRow("line breaks separate, later keys win, key without value")
        << u"/connect=1=first\r\n1=second\n2&4=d%C3%A9v"_s
        << QStringList{u"second"_s, QString(), QString(), u"d\u00e9v"_s};
    QTest::newRow("a byte that is not UTF-8 is its own character")
        << u"/connect=1=caf%E9"_s << QStringList{u"caf\u00e9"_s, QString(), QString(), QString()};
}

void tst_AppConnection::connectionArgument()
{
    QFETCH(QString, message);
    QFETCH(QStringList, expected);
    const CConnectionArgument parsed = CConnectionArgument::Parse(message);
    QCOMPARE((QStringList{
                 QString::fromStdWString(parsed.computer), QString::fromStdWString(parsed.user),
                 QString::fromStdWString(parsed.password), QString::fromStdWString(parsed.domain)}),
             expected);
}

void tst_AppConnection::brokenEscapesStayAsTheyAre()
{
    QCOMPARE(CConnectionArgument::PercentDecode(u"%4"_s), u"%4"_s);
    QCOMPARE(CConnectionArgument::PercentDecode(u"%zz%"_s), u"%zz%"_s);
    QCOMPARE(CConnectionArgument::PercentDecode(u"%"_s), u"%"_s);
    QCOMPARE(CConnectionArgument::PercentDecode(u"a%2"_s), u"a%2"_s);
    QCOMPARE(CConnectionArgument::PercentDecode(u"%41%4"_s), u"A%4"_s);
    QCOMPARE(QString::fromStdWString(CConnectionArgument::Parse(u"/connect=3=%"_s).password),
             u"%"_s);
}

void tst_AppConnection::connectsToTheTestEngine()
{
    CTestEngine engine;
    engine.displayName = u"Korvane Server"_s;
    QVERIFY(engine.Start());
    CMainWindow* window = m_app->GetMainWindow();
    QVERIFY(window);
    QSignalSpy connected(m_app.get(), &CApp::ComputerConnected);

    const QString local = CComputerName::Local();
    QVERIFY(m_app->ConnectToComputer(local.toStdWString(), L"", L"", L""));
    QCOMPARE(connected.size(), 1);
    QVERIFY(m_presenter->messages.isEmpty());
    QVERIFY(m_app->Engine().IsConnected());
    QVERIFY(m_app->Agent().IsConnected());
    QVERIFY(m_app->Agent().IsNewest());
    QVERIFY(m_app->DuplicateScanner().IsConnected());
    QVERIFY(!m_app->Model().IsRemote());
    QCOMPARE(m_app->Model().Edition(), 2u);
    QCOMPARE(m_app->Model().Skin().styleSheet, u"skin-gray"_s);
    QCOMPARE(m_app->Layout().Panes(),
             (QList<CModelLayout::TPaneType>{CModelLayout::kDefragmentation,
                                             CModelLayout::kScheduling, CModelLayout::kFreeSpace,
                                             CModelLayout::kProductResources}));
    QCOMPARE(window->windowTitle(), u"Korvane Server - %1 version 11"_s.arg(local));

    QStringList services;
    for (const CTestEngine::TSubscription& subscription : engine.Subscriptions())
        services.append(subscription.service);
    QVERIFY(services.contains(u"Engine"_s));
    QVERIFY(services.contains(u"Agent"_s));

    // A new connection lets everything of the last one go first; without a computer name the
    // title is the product name alone. The free-space tab follows the user's preference.
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane\\11.0"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"ShowFreeSpaceTab"_s, 0), ERROR_SUCCESS);
    const int subscriptions = engine.Subscriptions().size();
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    QVERIFY(engine.Unsubscriptions().size() >= 2);
    QVERIFY(engine.Subscriptions().size() > subscriptions);
    QCOMPARE(window->windowTitle(), u"Korvane Server"_s);
    QVERIFY(m_app->Layout().IndexOf(CModelLayout::kFreeSpace) < 0);

    m_app->CleanAllInterfaces();
    QVERIFY(!m_app->Engine().IsConnected());
    QVERIFY(!m_app->Agent().IsConnected());
}

void tst_AppConnection::agentOfTheEnginesChoiceOnAVirtualGuest()
{
    CTestEngine engine(0, 1); // the agent answers under its second class ID
    const QStringList agentClasses = CServiceConnection::ClassIds(ServiceContract::Agent);
    engine.agentClassIds = {agentClasses.at(1), agentClasses.at(2)};
    engine.ServeAt(engine.AgentObjectPath(u"Statistics"_s), [](QObject* owner) {
        auto* statistics = new CGuestStatistics(owner);
        new CAgentStatisticsAdaptor(statistics);
        return statistics;
    });
    QVERIFY(engine.Start());
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    const auto agentRequest =
        std::find_if(m_activator->requests.begin(), m_activator->requests.end(),
                     [&](const CFakeComActivator::TRequest& request) {
                         return request.classIds == engine.agentClassIds;
                     });
    QVERIFY(agentRequest != m_activator->requests.end());
    QVERIFY(m_app->Agent().IsNewer());
    QVERIFY(!m_app->Agent().IsNewest());
    // Free-space services need the newest agent.
    QVERIFY(!m_app->DuplicateScanner().IsConnected());
    QCOMPARE(m_app->GetMainWindow()->windowTitle(),
             u"Korvane, Virtual Guest Hosted on hyper-host"_s);
}

void tst_AppConnection::exchangeEditionReportsItsEngine()
{
    CTestEngine engine;
    engine.edition = 3;
    QVERIFY(engine.Start());
    QSignalSpy exchangeMessages(m_app.get(), &CApp::ExchangeConnectMsg);
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(m_app->Model().Edition(), 3u);
    QCOMPARE(exchangeMessages.size(), 1);
    QCOMPARE(exchangeMessages.first().first().toString(),
             u"Unable to connect to exchange. Error -2147221164. The issue most likely caused by "
             "need to Register Server(run KVExchange.exe /Service)"_s);
    QCOMPARE(m_app->Layout().IndexOf(CModelLayout::kExchange), 3);
    QCOMPARE(m_app->ConnectExchange(), E_UNEXPECTED); // applied once per connection
}

void tst_AppConnection::connectMessageUsesTheArgument()
{
    m_activator->answers = {E_ACCESSDENIED};
    m_app->OnMessageReceived(u"/connect=1=far%2D1&2=bob&3=pw&4=corp"_s);
    QVERIFY(m_activator->requests.isEmpty()); // not before a later turn of the event loop
    QTRY_COMPARE(m_presenter->dialogTitles.size(), 1);
    QCOMPARE(m_activator->requests.first().computer, u"far-1"_s);
    QCOMPARE(m_activator->requests.first().credentials.user, u"bob"_s);
    QCOMPARE(m_activator->requests.first().credentials.domain, u"corp"_s);
    QVERIFY(m_app->MainWindowIfAny() && m_app->MainWindowIfAny()->isVisible());
}

QTEST_MAIN(tst_AppConnection)
#include "tst_AppConnection.moc"

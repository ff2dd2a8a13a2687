#include "app/CComputerSelectDialog.h"
#include "app/CConnectionArgument.h"
#include "app/CConnectionFailureMessage.h"
#include "core/COleDate.h"
#include "core/CSystemMessage.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "platform/CComputerName.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestScheduleStore.h"

#include "AgentStatisticsAdaptor.h"
#include "AgentStatisticsServiceBase.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr HRESULT kServiceDisabled = HRESULT_FROM_WIN32(ERROR_SERVICE_DISABLED);
constexpr HRESULT kUnavailable = static_cast<HRESULT>(0x800706BAu);
const auto kRetry = CScriptedPresenter::Answer(QMessageBox::Retry);
const auto kCancel = CScriptedPresenter::Answer(QMessageBox::Cancel);

// The agent of a virtual guest that knows its host by the name given.
class CGuestStatistics : public CAgentStatisticsServiceBase {
public:
    CGuestStatistics(QString host, QObject* parent)
        : CAgentStatisticsServiceBase(parent)
        , m_host(std::move(host))
    {}
    int GetVirtualGuest(bool& isGuest, QString& hostName) override
    {
        isGuest = true;
        hostName = m_host;
        return S_OK;
    }

private:
    QString m_host;
};

const QString kFirst = u"{00000000-0000-0000-0000-00000000000a}"_s;
const QString kSecond = u"{00000000-0000-0000-0000-00000000000b}"_s;

TId Id(const QString& volume)
{
    return volume.toStdWString();
}

QString Failure(const TName& computer, HRESULT result)
{
    return CConnectionFailureMessage::Text(computer, L"", L"", L"", result);
}

} // namespace

// The application controller: its connections, and the drive model it keeps, filled from the
// engine's volumes, refreshed and following the engine's notices.
class tst_AppController : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void failureMessages_data();
    void failureMessages();
    void thisComputerIsRetriedUntilTheUserGivesUp();
    void remoteFailureAsksAgainAndCancelEnds();
    void disabledServiceOnThisComputer();
    void engineThatCannotConnectFailsTheConnection();
    void agentServiceIsCheckedForTheConnectionBeingMade();
    void everyWrapperIsReleased();
    void noConnectionInsideAnother();
    void connectionArgument_data();
    void connectionArgument();
    void connectsToTheTestEngine();
    void virtualGuestTitle_data();
    void virtualGuestTitle();
    void fillsTheModelFromTheEngine();
    void refreshStoresOrForgetsLastRuns();
    void conditionalRefreshRebuildsOnlyForANewVolumeList();
    void statusFollowsTheEnginesNotices();
    void operationStartAndEnd();
    void quitWhenIdleWaitsForTheDrives();
    void schedulesGiveTheDrivesTheirNextRuns();

private:
    bool StartDrives();
    bool Connect();

    std::unique_ptr<CAppFixture> m_f;
    std::unique_ptr<CTestScheduleStore> m_schedules;
    std::unique_ptr<CTestEngine> m_engine;
    CApp* m_app = nullptr;
};

void tst_AppController::init()
{
    m_f = std::make_unique<CAppFixture>();
    m_app = m_f->app.get();
}

void tst_AppController::cleanup()
{
    m_f->app.reset();
    m_engine.reset();
    m_schedules.reset();
    m_f.reset();
}

// The engine of the drive tests: two volumes, one analysed with its map, one paused.
bool tst_AppController::StartDrives()
{
    m_engine = std::make_unique<CTestEngine>();
    m_engine->volumes = {kSecond, kFirst};
    CTestEngine::TVolumeData first;
    first.mountName = u"/"_s;
    first.label = u"root"_s;
    first.fileSystem = u"ext4"_s;
    first.driveType = 4;
    first.sizeMegabytes = 1024;
    first.lastDefragmented = 46000.5;
    first.analysed = true;
    first.fileFragmentation = 12.5;
    first.freeSpaceFragmentation = 3.25;
    first.driveMap = QList<uint>(3600, 1);
    first.driveMap[7] = 0x12;
    m_engine->SetVolumeData(kFirst, first);
    CTestEngine::TVolumeData second;
    second.mountName = u"/home"_s;
    second.status = 9; // the engine's paused
    second.extraWord1 = 1;
    m_engine->SetVolumeData(kSecond, second);
    m_schedules = std::make_unique<CTestScheduleStore>();
    m_schedules->ServeOn(*m_engine);
    return m_engine->Start();
}

void tst_AppController::failureMessages_data()
{
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("expected");
    const QString system = CSystemMessage::Text(kUnavailable);
    const QString local = CComputerName::Local();

    QTest::newRow("current user, denied, this computer by name counts as remote")
        << local << QString() << QString() << int(E_ACCESSDENIED)
        << u"Unable to connect to machine (%1) with current user. Access is denied (possibly the "
           "account is not recognized on that machine)"_s.arg(local);
    QTest::newRow("current user, not registered, remote")
        << u"far"_s << QString() << QString() << int(REGDB_E_CLASSNOTREG)
        << u"Unable to connect to machine (far) with current user. Error (-2147221164) Korvane  "
           "not installed on remote machine"_s;
    QTest::newRow("password only counts as given, denied")
        << QString() << QString() << u"pw"_s << int(E_ACCESSDENIED)
        << u"Unable to connect to machine () domain (corp) user () with the supplied password. "
           "Access Denied (possibly a bad user name/password)"_s;
    QTest::newRow("given, other")
        << u"far"_s << u"bob"_s << u"pw"_s << int(kUnavailable)
        << u"Unable to connect to machine (far) domain (corp) user (bob) Error (%1)(-2147023174) "
           "Possibly the machine doesn't exist or there are firewall issues."_s.arg(system);
}

void tst_AppController::failureMessages()
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

void tst_AppController::thisComputerIsRetriedUntilTheUserGivesUp()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    TName computer, user, domain;
    TString password;
    // Each failure is shown, and the user retries until the engine answers.
    m_f->activator.answers = {E_ACCESSDENIED, E_ACCESSDENIED};
    QVERIFY(m_app->ConnectToComputerWithRetry(computer, user, password, domain));
    QCOMPARE(m_f->presenter.messages.size(), 2);
    QCOMPARE(m_f->presenter.messages.first().buttons, QMessageBox::Retry | QMessageBox::Cancel);

    // The engine says its service is disabled while systemd says it is not: a failure like any
    // other, with its code, and the user's Cancel ends the attempts.
    m_f->presenter.messages.clear();
    m_f->activator.answers = {kServiceDisabled, kServiceDisabled};
    m_f->presenter.messageAnswers = {kRetry, kCancel};
    QVERIFY(!m_app->ConnectToComputerWithRetry(computer, user, password, domain));
    QCOMPARE(m_f->presenter.messages.size(), 2);
    QCOMPARE(m_f->presenter.messages.last().text, Failure(L"", kServiceDisabled));
    QVERIFY(m_f->presenter.messages.last().text.contains(u"(-2147023838)"_s));
    QVERIFY(m_f->presenter.dialogTitles.isEmpty());
}

void tst_AppController::remoteFailureAsksAgainAndCancelEnds()
{
    m_f->activator.answers = {kUnavailable, kUnavailable};
    QStringList shownValues;
    m_f->presenter.dialogScripts.append([&](QDialog& dialog) {
        auto& select = static_cast<CComputerSelectDialog&>(dialog);
        shownValues = {select.ComputerEdit()->text(), select.UserEdit()->text(),
                       select.PasswordEdit()->text(), select.DomainEdit()->text()};
        select.ComputerEdit()->setText(u"other"_s);
        return int(QDialog::Accepted);
    });
    TName computer = L"far", user = L"bob", domain = L"corp";
    TString password = L"pw";
    QSignalSpy connected(m_app, &CApp::ComputerConnected);
    QVERIFY(!m_app->ConnectToComputerWithRetry(computer, user, password, domain));
    QCOMPARE(connected.size(), 0);
    QVERIFY(!m_app->Engine().IsConnected() && !QGuiApplication::overrideCursor());
    const IMessagePresenter::TMessage& shown = m_f->presenter.messages.first();
    QVERIFY(shown.icon == QMessageBox::Warning && shown.buttons == QMessageBox::Ok);
    QCOMPARE(shown.title, u"Could Not Connect"_s);
    QCOMPARE(shown.text,
             CConnectionFailureMessage::Text(L"far", L"bob", L"pw", L"corp", kUnavailable));
    QCOMPARE(shownValues, (QStringList{u"far"_s, u"bob"_s, u"pw"_s, u"corp"_s}));
    QCOMPARE(m_f->presenter.dialogTitles.size(), 2); // the second one was cancelled
    QCOMPARE(computer, TName(L"other"));
    QCOMPARE(m_f->activator.requests.at(1).computer, u"other"_s);
}

void tst_AppController::disabledServiceOnThisComputer()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    m_f->services.startTypes[u"KVEngine"_s] = IServiceControl::kDisabled;

    // Retry: the engine is tried again and comes up.
    m_f->activator.answers = {kServiceDisabled};
    m_f->presenter.messageAnswers = {kRetry};
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(m_f->presenter.messages.size(), 1);
    const IMessagePresenter::TMessage& notice = m_f->presenter.messages.first();
    QCOMPARE(notice.title, u"Service KVEngine needs to be enabled"_s);
    QCOMPARE(notice.buttons, QMessageBox::Retry | QMessageBox::Close);
    QVERIFY(notice.text.contains(u"click <b>Manual</b>, and then click <b>OK</b>"_s));

    // Close ends the process with 0, and nothing more is said.
    m_f->activator.answers = {kServiceDisabled};
    m_f->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Close)};
    QVERIFY(!m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(m_f->exits, QList<int>{0});
    QCOMPARE(m_f->presenter.messages.size(), 2);

    // Another computer's disabled service is an ordinary failure; its service is not asked.
    m_f->services.asked.clear();
    m_f->activator.answers = {kServiceDisabled};
    QVERIFY(!m_app->ConnectToComputer(L"far", L"", L"", L""));
    QVERIFY(m_f->services.asked.isEmpty());
    QCOMPARE(m_f->presenter.messages.last().text, Failure(L"far", kServiceDisabled));
}

void tst_AppController::engineThatCannotConnectFailsTheConnection()
{
    // The probe finds the engine; the connection itself does not get through.
    m_f->activator.answers = {S_OK, kUnavailable};
    QSignalSpy connected(m_app, &CApp::ComputerConnected);
    QVERIFY(!m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(connected.size(), 0);
    QVERIFY(!m_app->Engine().IsConnected());
    QCOMPARE(m_f->presenter.messages.first().text, Failure(L"", kUnavailable));
}

void tst_AppController::agentServiceIsCheckedForTheConnectionBeingMade()
{
    CTestEngine engine(0, -1); // no agent
    QVERIFY(engine.Start());
    m_f->services.startTypes[u"KVAgent"_s] = IServiceControl::kDisabled;
    m_app->Model().SetRemote(true); // as a connection to another computer left it
    m_f->presenter.messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Close)};
    m_app->ConnectToComputer(L"", L"", L"", L"");
    QVERIFY(m_f->services.asked.contains(u"KVAgent"_s));
    QCOMPARE(m_f->presenter.messages.first().title, u"Service KVAgent needs to be enabled"_s);
    QCOMPARE(m_f->exits, QList<int>{0});
}

void tst_AppController::everyWrapperIsReleased()
{
    m_f->activator.answers = {S_OK};
    QCOMPARE(m_app->FileBrowser().Connect(L"", L"", L"", L""), S_OK);
    m_app->CleanAllInterfaces();
    QVERIFY(!m_app->FileBrowser().IsConnected());
}

void tst_AppController::noConnectionInsideAnother()
{
    m_app->WireEngineSignals();
    m_f->activator.answers = {E_ACCESSDENIED, E_ACCESSDENIED};
    qsizetype requestsDuring = -1;
    bool lostDriveHandledDuring = true;
    m_f->presenter.messageAnswers = {[&](const IMessagePresenter::TMessage&) {
        // Inside the first attempt's message: a connection message and a lost drive arrive.
        const qsizetype before = m_f->activator.requests.size();
        m_app->OnMessageReceived(u"/connect=1=far%2D1&2=bob&3=pw&4=corp"_s);
        emit m_app->Engine().LostDrive(L"{volume}", L"gone");
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        requestsDuring = m_f->activator.requests.size() - before;
        lostDriveHandledDuring = m_app->RestartRequested();
        return QMessageBox::Cancel;
    }};
    QVERIFY(!m_app->ConnectWithArgument(u"/connect="_s));
    QCOMPARE(requestsDuring, 0);
    QVERIFY(!lostDriveHandledDuring);
    QCOMPARE(m_f->presenter.messages.size(), 1);

    // Once it has finished, both are handled: the message shows the window and connects as it
    // says.
    QTRY_VERIFY(m_app->RestartRequested());
    QTRY_COMPARE(m_f->presenter.dialogTitles.size(), 1);
    QCOMPARE(m_f->presenter.messages.at(1).title, u"You appear to have lost a Drive!"_s);
    const CFakeComActivator::TRequest& request = m_f->activator.requests.last();
    QCOMPARE(request.computer, u"far-1"_s);
    QCOMPARE(request.credentials.user, u"bob"_s);
    QCOMPARE(request.credentials.domain, u"corp"_s);
    QVERIFY(m_app->MainWindowIfAny() && m_app->MainWindowIfAny()->isVisible());
}

void tst_AppController::connectionArgument_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("expected"); // computer, user, password, domain

    QTest::newRow("encoded hyphen, domain, current user")
        << u"/connect=1=web%2Dserver&4=corp"_s
        << QStringList{u"web-server"_s, QString(), QString(), u"corp"_s};
    QTest::newRow("password decoded twice, plus is a blank")
        << u"/connect=1=a+b&2=bob&3=p%2541%2B"_s
        << QStringList{u"a b"_s, u"bob"_s, u"pA "_s, QString()};
    QTest::newRow("line breaks separate, later keys win, key without value, UTF-8")
        << u"/connect=1=first\r\n1=second\n2&4=d%C3%A9v"_s
        << QStringList{u"second"_s, QString(), QString(), u"d\u00e9v"_s};
    QTest::newRow("a byte that is not UTF-8 is its own character")
        << u"/connect=1=caf%E9"_s << QStringList{u"caf\u00e9"_s, QString(), QString(), QString()};
    QTest::newRow("broken escapes stay as they are")
        << u"/connect=1=%zz%&2=a%2&3=%41%4&4=%"_s
        << QStringList{u"%zz%"_s, u"a%2"_s, u"A%4"_s, u"%"_s};
}

void tst_AppController::connectionArgument()
{
    QFETCH(QString, message);
    QFETCH(QStringList, expected);
    const CConnectionArgument parsed = CConnectionArgument::Parse(message);
    QCOMPARE((QStringList{
                 QString::fromStdWString(parsed.computer), QString::fromStdWString(parsed.user),
                 QString::fromStdWString(parsed.password), QString::fromStdWString(parsed.domain)}),
             expected);
}

void tst_AppController::connectsToTheTestEngine()
{
    // An agent without schedules: its listing answers, so the scheduling tab has nothing to
    // warn about.
    CTestScheduleStore schedules;
    CTestEngine engine;
    engine.displayName = u"Korvane Server"_s;
    schedules.ServeOn(engine);
    QVERIFY(engine.Start());
    CMainWindow* window = m_app->GetMainWindow();
    QSignalSpy connected(m_app, &CApp::ComputerConnected);

    const QString local = CComputerName::Local();
    QVERIFY(m_app->ConnectToComputer(local.toStdWString(), L"", L"", L""));
    QCOMPARE(connected.size(), 1);
    QVERIFY(m_f->presenter.messages.isEmpty());
    QVERIFY(m_app->Agent().IsNewest());
    QVERIFY(m_app->DuplicateScanner().IsConnected());
    QVERIFY(!m_app->Model().IsRemote());
    QCOMPARE(m_app->Model().Skin().styleSheet, u"skin-gray"_s);
    QCOMPARE(m_app->Layout().Panes().size(), 4);
    QCOMPARE(window->windowTitle(), u"Korvane Server - %1 version 11"_s.arg(local));
    const qsizetype subscriptions = engine.Subscriptions().size();
    QVERIFY(subscriptions >= 2); // the engine's and the agent's listeners, and the tools'

    // A new connection lets everything of the last one go first; without a computer name the
    // title is the product name alone. The free-space tab follows the user's preference.
    CAppFixture::SetDword(u"Software\\Tellmar\\Korvane\\11.0"_s, u"ShowFreeSpaceTab"_s, 0);
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    QCOMPARE(engine.Unsubscriptions().size(), subscriptions);
    QCOMPARE(engine.Subscriptions().size(), 2 * subscriptions);
    QCOMPARE(window->windowTitle(), u"Korvane Server"_s);
    QVERIFY(m_app->Layout().IndexOf(CModelLayout::kFreeSpace) < 0);
}

void tst_AppController::virtualGuestTitle_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("title");
    QTest::newRow("host known") << u"hyper-host"_s
                                << u"Korvane, Virtual Guest Hosted on hyper-host"_s;
    QTest::newRow("host not known") << QString() << u"Korvane"_s;
}

void tst_AppController::virtualGuestTitle()
{
    QFETCH(QString, host);
    QFETCH(QString, title);
    CTestEngine engine(0, 1); // the agent answers under its second class ID
    const QStringList agentClasses = CServiceConnection::ClassIds(ServiceContract::Agent);
    engine.agentClassIds = {agentClasses.at(1), agentClasses.at(2)};
    engine.ServeAt(engine.AgentObjectPath(u"Statistics"_s), [host](QObject* owner) {
        auto* statistics = new CGuestStatistics(host, owner);
        new CAgentStatisticsAdaptor(statistics);
        return statistics;
    });
    QVERIFY(engine.Start());
    QVERIFY(m_app->ConnectToComputer(L"", L"", L"", L""));
    // The agent of the engine's choice, of the generation before: no free-space services.
    QVERIFY(
        std::any_of(m_f->activator.requests.cbegin(), m_f->activator.requests.cend(),
                    [&](const auto& request) { return request.classIds == engine.agentClassIds; }));
    QVERIFY(m_app->Agent().IsNewer() && !m_app->Agent().IsNewest());
    QVERIFY(!m_app->DuplicateScanner().IsConnected());
    QCOMPARE(m_app->GetMainWindow()->windowTitle(), title);
}

bool tst_AppController::Connect()
{
    m_app->WireEngineSignals();
    return m_app->ConnectWithArgument(u"/connect="_s);
}

void tst_AppController::fillsTheModelFromTheEngine()
{
    QSignalSpy updated(m_app, &CApp::DefragModelUpdated);
    QVERIFY(StartDrives() && Connect());
    QVERIFY(!updated.isEmpty());
    const CDefrager& drives = m_app->Defrager();
    QCOMPARE(drives.Count(), std::size_t(2));
    QCOMPARE(drives.CurrentVolume(), Id(kFirst)); // the first in the model's order

    const CDefrager::TVolumeInfo root = drives.Volume(Id(kFirst));
    QVERIFY(root.mountName == L"/" && root.label == L"root" && root.fileSystem == L"ext4");
    QVERIFY(root.driveType == 4 && root.sizeMegabytes == 1024 && root.lastDefragmented == 46000.5);
    QVERIFY(root.fragmentation == 12.5 && root.freeSpaceFragmentation == 3.25);
    QVERIFY(root.blocks[7] == 0x12u && root.blocks[3599] == 1u);

    // Not analysed, no map: as a new record; the engine's paused is the model's paused.
    const CDefrager::TVolumeInfo home = drives.Volume(Id(kSecond));
    QVERIFY(!home.fragmentation && home.blocks[0] == CDefrager::kUnknownBlockType);
    QCOMPARE(home.status, quint32(CDefrager::kPaused));
    QCOMPARE(m_app->Model().Busy(CModel::kDefragmentation), TBusyStatus::Paused);

    // A new connection rebuilds the model and keeps the drive the user was on.
    m_app->Defrager().SetCurrentVolume(Id(kSecond));
    QVERIFY(m_app->ConnectWithArgument(u"/connect="_s));
    QCOMPARE(m_app->Defrager().CurrentVolume(), Id(kSecond));
}

void tst_AppController::refreshStoresOrForgetsLastRuns()
{
    QVERIFY(StartDrives() && Connect());
    CDefrager& drives = m_app->Defrager();
    CDefrager::TScheduleOffer daily{CCadence::kDaily, L"Nightly", 0, 1e9, false, false};
    QVERIFY(drives.OfferSchedule(Id(kFirst), daily, {}));

    CTestEngine::TVolumeData first = m_engine->VolumeData(kFirst);
    first.lastDefragmented = 46100.25;
    m_engine->SetVolumeData(kFirst, first);
    m_app->RefreshDefragModel();
    QCOMPARE(drives.Volume(Id(kFirst)).lastDefragmented, 46100.25);
    QCOMPARE(drives.Volume(Id(kFirst)).nextRunName, TName(L"Nightly"));

    first.lastDefragmentedAnswer = E_FAIL;
    m_engine->SetVolumeData(kFirst, first);
    m_app->RefreshModel();
    QCOMPARE(drives.Volume(Id(kFirst)).lastDefragmented, 0.0);
    QCOMPARE(drives.Volume(Id(kFirst)).nextRunKind, quint32(CCadence::kNotSet));
}

void tst_AppController::conditionalRefreshRebuildsOnlyForANewVolumeList()
{
    QVERIFY(StartDrives() && Connect());
    const auto infoReads = [this] {
        return m_engine->Operations().filter(u"GetVolumeInfo:"_s).size();
    };
    const qsizetype before = infoReads();
    m_app->ConditionalRefreshDefragModel();
    QCOMPARE(infoReads(), before); // the same volumes: only refreshed

    // The model lost a volume the engine still has: the lists differ, the model is rebuilt.
    m_app->Defrager().RemoveVolume(Id(kSecond));
    m_app->ConditionalRefreshDefragModel();
    QCOMPARE(m_app->Defrager().Count(), std::size_t(2));
    QCOMPARE(infoReads(), before + 2);
}

void tst_AppController::statusFollowsTheEnginesNotices()
{
    QVERIFY(StartDrives() && Connect());
    QVERIFY(m_engine->Notify(CNoticeWriter()
                                 .U32(NoticeType::EngineStatus)
                                 .String(kFirst)
                                 .U32(1) // analysing
                                 .F64(40)
                                 .F64(0)
                                 .Body()));
    QTRY_COMPARE(m_app->Defrager().Volume(Id(kFirst)).status, quint32(CDefrager::kAnalysing));
    QCOMPARE(m_app->Model().Busy(CModel::kDefragmentation), TBusyStatus::Busy);
}

void tst_AppController::operationStartAndEnd()
{
    QVERIFY(StartDrives() && Connect());
    CDefrager& drives = m_app->Defrager();
    // Without the engine-status flag an operation that starts is a pass.
    m_app->DefragFeed().OnStarted(Id(kFirst));
    QCOMPARE(drives.Volume(Id(kFirst)).status, quint32(CDefrager::kDefragmenting));

    // With the flag the engine says what runs: here it reports the volume analysing (1).
    CTestEngine::TVolumeData second = m_engine->VolumeData(kSecond);
    second.status = 1;
    m_engine->SetVolumeData(kSecond, second);
    m_app->DefragFeed().OnStarted(Id(kSecond));
    QCOMPARE(drives.Volume(Id(kSecond)).status, quint32(CDefrager::kAnalysing));

    // A drive letter and an unknown volume are not the model's.
    const QStringList before = m_engine->Operations();
    m_app->DefragFeed().OnStarted(L"C:");
    m_app->DefragFeed().OnStarted(L"{unknown}");
    QCOMPARE(m_engine->Operations(), before);

    // At the end the engine says the status: idle.
    second.status = 0;
    m_engine->SetVolumeData(kSecond, second);
    m_app->DefragFeed().OnCompleted(Id(kSecond));
    QCOMPARE(drives.Volume(Id(kSecond)).status, quint32(CDefrager::kIdle));
}

void tst_AppController::quitWhenIdleWaitsForTheDrives()
{
    QVERIFY(StartDrives() && Connect());
    m_app->Settings().setValue(u"Preferences/Exit On Close"_s, true);
    m_app->QuitWhenIdle(); // the second volume is paused
    QVERIFY(!m_app->QuitRequested());
    m_app->Defrager().SetStatus(Id(kSecond), CDefrager::kIdle);
    // Nor while a feature is busy, nor while the window is shown.
    m_app->SetSystemTrayProgressBusy(CModel::kFreeSpaceTools, TBusyStatus::Busy);
    m_app->QuitWhenIdle();
    m_app->SetSystemTrayProgressBusy(CModel::kFreeSpaceTools, TBusyStatus::Paused);
    m_app->GetMainWindow()->show();
    m_app->QuitWhenIdle();
    QVERIFY(!m_app->QuitRequested());
    m_app->GetMainWindow()->hide();
    m_app->QuitWhenIdle();
    QVERIFY(m_app->QuitRequested());
}

void tst_AppController::schedulesGiveTheDrivesTheirNextRuns()
{
    QVERIFY(StartDrives());
    // A daily schedule of the first drive that runs tomorrow; a weekly one of the second that
    // is disabled.
    const double tomorrow = COleDate::Now() + 1;
    const auto put = [&](const QString& name, uint code, const QString& parameters, bool disabled,
                         uint interval) {
        m_schedules->Put(
            {name, 1, code, parameters, disabled, 0, {{u"Item 1"_s, tomorrow, interval}}});
    };
    put(u"Nightly"_s, 102, u"method=tl&volumes="_s + kFirst, false, 86400);
    put(u"Weekend"_s, 103, u"method=tl&volumes="_s + kSecond, true, 7 * 86400);
    put(u"Stores"_s, 201, u"datastores=ALLDATASTORES"_s, false, 0);
    QVERIFY(Connect());
    QCOMPARE(m_app->Cadence().ScheduleCount(), std::size_t(2));
    QCOMPARE(m_app->Cadence().ExScheduleCount(), std::size_t(1));
    const CDefrager::TVolumeInfo first = m_app->Defrager().Volume(Id(kFirst));
    QCOMPARE(first.nextRunKind, quint32(CCadence::kDaily));
    QCOMPARE(first.nextRunName, TName(L"Nightly"));
    QCOMPARE(m_app->Defrager().Volume(Id(kSecond)).nextRunKind, quint32(CCadence::kNotSet));

    // The agent's notices of a run mark the schedule and the scheduling busy state.
    QVERIFY(m_engine->Notify(CNoticeWriter()
                                 .U32(NoticeType::AgentScheduleStarted)
                                 .String(u"Nightly"_s)
                                 .String(u"Item 1"_s)
                                 .Body()));
    QTRY_COMPARE(m_app->Model().Busy(CModel::kScheduling), TBusyStatus::Busy);
    QVERIFY(m_app->Cadence().Schedules().at(L"Nightly").running);
    m_app->CadenceFeed().OnScheduleStopped(L"Nightly", L"Item 1");
    QCOMPARE(m_app->Model().Busy(CModel::kScheduling), TBusyStatus::Idle);
}

QTEST_MAIN(tst_AppController)
#include "tst_AppController.moc"

#include "core/CSystemMessage.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100ExchangeInterface.h"
#include "engine/CKV100FileOpInterface.h"
#include "engine/CKV100FileSetInterface.h"
#include "engine/CKV100SpaceReportsInterface.h"
#include "engine/CKVDuplicateScannerInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "notify/CSignalTap.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"
#include "tests/support/CFakeComActivator.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestSubscribable.h"

#include "EngineProxy.h"
#include "ExchangeEngineAdaptor.h"
#include "ExchangeEngineServiceBase.h"
#include "ExchangeInProcessAdaptor.h"
#include "ExchangeInProcessServiceBase.h"
#include "FileOpAdaptor.h"
#include "FileOpServiceBase.h"
#include "FileSpaceReportsAdaptor.h"
#include "FileSpaceReportsServiceBase.h"

#include <QDBusAbstractAdaptor>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A test engine that also serves the space reports, a service created afresh for every call.
std::unique_ptr<CTestEngine> StartEngine()
{
    auto engine = std::make_unique<CTestEngine>();
    engine->Serve(ServiceContract::FileSpaceReports, 0, [raw = engine.get()](QObject* owner) {
        auto* reports =
            new CTestSubscribable<CFileSpaceReportsServiceBase>(raw, u"SpaceReports"_s, owner);
        new CFileSpaceReportsAdaptor(reports);
        return reports;
    });
    return engine->Start() ? std::move(engine) : nullptr;
}

class CExchangeInProcess : public CExchangeInProcessServiceBase {
public:
    using CExchangeInProcessServiceBase::CExchangeInProcessServiceBase;
    int IsMappedNetworkDrive(const QString& path, bool& mapped) override
    {
        mapped = path.startsWith(u"//"_s);
        return S_OK;
    }
};

// An engine whose answers do not have the contract's signatures.
class CMalformedEngineAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tellmar.korvane.Engine")

public:
    explicit CMalformedEngineAdaptor(QObject* parent)
        : QDBusAbstractAdaptor(parent)
    {}

public slots:
    QString GetVolumes() { return u"not a list"_s; }
    int Pause(const QString&, int& extra)
    {
        extra = 7;
        return S_OK;
    }
    // Answers later than the caller's patience.
    int Resume(const QString&)
    {
        ++resumed;
        QThread::msleep(400);
        return S_OK;
    }

public:
    static inline std::atomic<int> resumed{0};
};

// Activation answered by a script instead of a daemon, while it lives.
struct TScriptedActivation : CFakeComActivator {
    TScriptedActivation() { IComActivator::SetInstance(this); }
    ~TScriptedActivation() override { IComActivator::SetInstance(nullptr); }
};

// Any connecting wrapper, seen the same way: how it connects, one of its calls, and a notice it
// turns into a signal.
struct TWrapper {
    std::shared_ptr<QObject> object;
    std::function<HRESULT(const TString& computer)> connect;
    std::function<HRESULT()> call;
    std::function<QString()> listenerName;
    QByteArray notice;
};

template <typename T>
TWrapper Wrap(std::function<HRESULT(T&)> call, const QByteArray& notice)
{
    auto wrapper = std::make_shared<T>();
    return {
        wrapper,
        [wrapper](const TString& computer) { return wrapper->Connect(computer, L"", L"", L""); },
        [wrapper, call] { return call(*wrapper); }, [wrapper] { return wrapper->ListenerName(); },
        notice};
}

TWrapper MakeWrapper(const QString& kind)
{
    using namespace NoticeType;
    if (kind == u"engine")
        return Wrap<CKV100EngineInterface>(
            [](CKV100EngineInterface& engine) { return engine.Pause(L"C:"); },
            CNoticeWriter().U32(EngineOpCompleted).String(u"C:"_s).Body());
    if (kind == u"agent")
        return Wrap<CKV100AgentInterface>(
            [](CKV100AgentInterface& agent) { return agent.RunNow(L"Nightly"); },
            CNoticeWriter().U32(AgentResources).F64(1).F64(2).Body());
    if (kind == u"duplicates scanner")
        return Wrap<CKVDuplicateScannerInterface>(
            [](CKVDuplicateScannerInterface& scanner) { return scanner.Scan(2); },
            CNoticeWriter().U32(ToolState).U32(1).Body());
    return Wrap<CKV100SpaceReportsInterface>(
        [](CKV100SpaceReportsInterface& reports) { return reports.ReleaseScan(L"set"); },
        CNoticeWriter().U32(SpaceReportStopped).String(u"set"_s).Body());
}

} // namespace

// The service wrappers and their operations against test services over a real peer connection.
class TestWrappers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectIsAllOrNothing();
    void aRestartedServiceIsSubscribedAgain_data();
    void aRestartedServiceIsSubscribedAgain();
    void agentGenerations();
    void engineOperations();
    void lostAndInaccessibleDrives();
    void toolWrappers();
    void fileWrappersCreateAFreshObjectPerCall();
    void exchangeNeedsBothParts();
    void malformedAndLateRepliesAreErrors();
    // The connection alone, created by a script.
    void aFailedConnectChangesNothing();
    void aLostServerIsReachedAgainOnce();
    void classOrderNamedByTheEngine();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestWrappers::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
}

void TestWrappers::cleanup()
{
    m_environment.reset();
}

void TestWrappers::connectIsAllOrNothing()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QSignalSpy completed(&wrapper, &CKV100EngineInterface::OpCompleted);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    const QString listener = wrapper.ListenerName();
    QCOMPARE(engine.Subscriptions().size(), 1);
    QCOMPARE(engine.Subscriptions().first().computer, CComputerName::Local());
    QCOMPARE(engine.Subscriptions().first().listener, listener);

    // Other computers cannot be reached yet: the connection to this one stays as it was.
    QCOMPARE(wrapper.Connect(L"elsewhere", L"", L"", L""), CDBusResult::RpcServerUnavailable);
    QVERIFY(wrapper.IsConnected());
    QVERIFY(!wrapper.IsRemote());
    QCOMPARE(wrapper.ListenerName(), listener);
    QVERIFY(wrapper.Listener().IsRunning());
    TStringList volumes;
    QCOMPARE(wrapper.GetVolumes(&volumes), S_OK);
    QCOMPARE(volumes, TStringList{engine.volumes.first().toStdWString()});
    QVERIFY(
        engine.Notify(CNoticeWriter().U32(NoticeType::EngineOpCompleted).String(u"C:"_s).Body()));
    QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 1, 5000);

    // Connecting again to the same engine, by any name of this computer, keeps the listener and
    // its one subscription.
    const QString local = CComputerName::Local();
    for (const QString& name : {local.toUpper(), local.toLower(), u"."_s}) {
        QCOMPARE(wrapper.Connect(name.toStdWString(), L"", L"", L""), S_OK);
        QVERIFY2(!wrapper.IsRemote(), qPrintable(name));
        QCOMPARE(wrapper.ListenerName(), listener);
    }
    QVERIFY(engine.Unsubscriptions().isEmpty());

    wrapper.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), 1);
    QCOMPARE(engine.Unsubscriptions().first().listener, listener);
    QVERIFY(!wrapper.Listener().IsRunning());
    // Nothing is sent once disconnected, and the caller's value is left alone.
    const int calls = engine.Calls();
    volumes = {L"untouched"};
    QCOMPARE(wrapper.GetVolumes(&volumes), E_UNEXPECTED);
    QCOMPARE(volumes, TStringList{L"untouched"});
    QCOMPARE(engine.Calls(), calls);
}

void TestWrappers::aRestartedServiceIsSubscribedAgain_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("byConnect");
    for (const QString& kind :
         {u"engine"_s, u"agent"_s, u"duplicates scanner"_s, u"space reports"_s})
        QTest::newRow(qPrintable(kind)) << kind << false;
    QTest::newRow("engine, connected again") << u"engine"_s << true;
}

void TestWrappers::aRestartedServiceIsSubscribedAgain()
{
    QFETCH(QString, kind);
    QFETCH(bool, byConnect);
    auto engine = StartEngine();
    QVERIFY(engine);
    TWrapper wrapper = MakeWrapper(kind);
    std::atomic<int> emitted{0};
    CSignalTap tap(wrapper.object.get(),
                   [&](const QMetaMethod&, const QVariantList&) { ++emitted; });
    QCOMPARE(wrapper.connect(L""), S_OK);
    const QString listener = wrapper.listenerName();
    const HRESULT answer = wrapper.call();
    // One notice each from the first engine and from the one after it: both writers number
    // their first notice 0, and the second is no repeat of the first.
    QVERIFY(engine->Notify(wrapper.notice));
    QTRY_COMPARE_WITH_TIMEOUT(emitted.load(), 1, 5000);

    engine.reset();
    engine = StartEngine();
    QVERIFY(engine);
    QCOMPARE(byConnect ? wrapper.connect(L"") : wrapper.call(), byConnect ? S_OK : answer);
    QCOMPARE(wrapper.listenerName(), listener);
    QCOMPARE(engine->Subscriptions().size(), 1);
    QCOMPARE(engine->Subscriptions().first().listener, listener);
    QVERIFY(engine->Notify(wrapper.notice));
    QTRY_COMPARE_WITH_TIMEOUT(emitted.load(), 2, 5000);
    QCOMPARE(wrapper.call(), answer);
    QCOMPARE(engine->Subscriptions().size(), 1);
}

void TestWrappers::agentGenerations()
{
    // Without an agent, or before it connects, nothing is sent.
    uint value = 0;
    QCOMPARE(CKV100ConfigurationInterface(nullptr).GetGeneral(&value), E_FAIL);
    CKV100AgentInterface unconnected;
    QCOMPARE(CKV100ConfigurationInterface(&unconnected).GetGeneral(&value), E_FAIL);
    QCOMPARE(unconnected.CreateSchedule(L"Nightly", 1, 101, L""), E_FAIL);
    TString log;
    QCOMPARE(unconnected.QueryLogText(0.0, 1.0, 0, 1, &log), E_FAIL);
    // The class ID that answers tells the generation; only the newest reports by notices.
    for (const int served : {0, 1, 2}) {
        CTestEngine engine(0, served);
        QVERIFY(engine.Start());
        CKV100AgentInterface agent;
        QCOMPARE(agent.Connect(L"", L"", L"", L""), S_OK);
        QCOMPARE(agent.IsNewest(), served == 0);
        QCOMPARE(agent.IsNewer(), served <= 1);
        QCOMPARE(engine.Subscriptions().size(), served == 0 ? 1 : 0);
        QCOMPARE(agent.Listener().IsRunning(), served == 0);
        // Methods the agent does not serve answer its own HRESULT; so does a sub-object nobody
        // serves.
        QCOMPARE(agent.QueryLogText(0.0, 1.0, 0, 1, &log), DBusContract::kNotImplemented);
        QVERIFY(FAILED(CKV100ConfigurationInterface(&agent).GetGeneral(&value)));
        agent.Disconnect();
        QCOMPARE(engine.Unsubscriptions().size(), served == 0 ? 1 : 0);
        QVERIFY(!agent.IsNewest() && !agent.IsNewer() && !agent.IsConnected());
    }
}

void TestWrappers::engineOperations()
{
    CTestEngine engine;
    engine.generation = 0; // an engine that does not say is of generation 9: no newer methods
    engine.defaultAlgorithm = 1;
    engine.volumeAnswers.insert(u"D:"_s, E_FAIL);
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(wrapper.Generation(), 9u);

    // The drive default is read from the engine first; an explicit method is passed as it is.
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kEntireDrive), S_OK);
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kSystemFiles, 0), S_OK);
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kAnalysis), S_OK);
    // Selected files need their list.
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kSelectedFiles), E_INVALIDARG);
    QCOMPARE(wrapper.DefragmentFilesList(L"C:", {L"C:\\a.txt", L"C:\\Ünïcode.doc"}), S_OK);
    QCOMPARE(engine.Operations(),
             (QStringList{u"GetDefaultAlgorithm:C:"_s, u"StartPass:C::1:1"_s, u"StartPass:C::3:0"_s,
                          u"Analyze:C:"_s, u"DefragmentFiles:C::C:\\a.txt|C:\\Ünïcode.doc"_s}));

    // The override is written, then the resulting type read back.
    uint driveType = 0;
    QCOMPARE(wrapper.SetOverrideDriveType(L"C:", 4, &driveType), S_OK);
    QCOMPARE(driveType, 4u);
    QCOMPARE(wrapper.SetOverrideDriveType(L"C:", -1, nullptr), E_POINTER);

    // Every value of the drive record comes back in its place.
    engine.SetVolumeData(u"C:"_s, {u"/mnt/data"_s, u"Data"_s, u"ext4"_s, 4, 9, 45000.25, 0, 1,
                                   0xFFFFFFFFu, -1, 3600.0, 45001.5, false, 0, 0, QList<uint>()});
    TString mount, label, fileSystem;
    uint type = 0, status = 0, extra1 = 0, extra2 = 0;
    double last = 0, size = 0, dataDate = 0;
    int bootTime = 0;
    QCOMPARE(wrapper.GetVolumeInfo(L"C:", &mount, &label, &fileSystem, &type, &status, &last,
                                   &extra1, &extra2, &bootTime, &size, &dataDate),
             S_OK);
    QCOMPARE((TStringList{mount, label, fileSystem}),
             (TStringList{L"/mnt/data", L"Data", L"ext4"}));
    QCOMPARE((QList<uint>{type, status, extra1, extra2}), (QList<uint>{4, 9, 1, 0xFFFFFFFFu}));
    QCOMPARE((QList<double>{last, size, dataDate}), (QList<double>{45000.25, 3600.0, 45001.5}));
    QCOMPARE(bootTime, -1);

    QByteArray block;
    QCOMPARE(wrapper.GetStatisticsBlock(L"C:", 3, &block), S_OK);
    QCOMPARE(block, QByteArray(3, '\x5a'));
    // A failed read leaves the caller's value alone.
    QCOMPARE(wrapper.GetStatisticsBlock(L"D:", 2, &block), E_FAIL);
    QCOMPARE(block, QByteArray(3, '\x5a'));
}

void TestWrappers::lostAndInaccessibleDrives()
{
    CTestEngine engine;
    engine.volumeAnswers = {{u"X:"_s, static_cast<int>(0x80070005)},
                            {u"Y:"_s, static_cast<int>(0x8007000F)},
                            {u"Z:"_s, static_cast<int>(0x80070015)}};
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QSignalSpy lost(&wrapper, &CKV100EngineInterface::LostDrive);
    QSignalSpy denied(&wrapper, &CKV100EngineInterface::DriveNotAccessible);

    QCOMPARE(wrapper.Pause(L"X:"), static_cast<HRESULT>(0x80070005));
    QCOMPARE(denied.size(), 1);
    QCOMPARE(denied.first().at(0).value<TId>(), TId(L"X:"));
    QCOMPARE(denied.first().at(1).value<TString>(), TString(L"Access is denied. (-2147024891)"));

    QCOMPARE(wrapper.Resume(L"Y:"), static_cast<HRESULT>(0x8007000F));
    QCOMPARE(lost.size(), 1);
    // Refused for another reason (on battery): the drive is there.
    QCOMPARE(wrapper.Analyse(L"Z:"), static_cast<HRESULT>(0x80070015));
    QCOMPARE(lost.size() + denied.size(), 2);

    // The engine gone for good: the one reconnection finds nothing, the drive is reported lost,
    // and the wrapper says so by keeping no connection and no listener.
    engine.Stop();
    QCOMPARE(wrapper.Pause(L"C:"), CDBusResult::RpcServerUnavailable);
    QCOMPARE(lost.size(), 2);
    QVERIFY(!wrapper.IsConnected());
    QVERIFY(!wrapper.Listener().IsRunning());
    QVERIFY(wrapper.ListenerName().isEmpty());
    QCOMPARE(wrapper.Pause(L"C:"), E_UNEXPECTED);
}

void TestWrappers::toolWrappers()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKVDuplicateScannerInterface scanner;
    QCOMPARE(scanner.Scan(2), E_UNEXPECTED);
    QCOMPARE(scanner.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().first().service, u"Tool"_s);
    QCOMPARE(scanner.Scan(2), S_OK);
    QCOMPARE(scanner.GetServiceObject(nullptr), E_INVALIDARG);
    CComObjectRef object;
    QCOMPARE(scanner.GetServiceObject(&object), S_OK);
    QVERIFY(object.IsValid());
    QCOMPARE(scanner.GetServiceObject(&object), E_INVALIDARG); // already holds one
    scanner.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), 1);
    QCOMPARE(scanner.Scan(2), E_UNEXPECTED);
}

void TestWrappers::fileWrappersCreateAFreshObjectPerCall()
{
    CTestEngine engine;
    engine.Serve(ServiceContract::FileOp, 0, [](QObject* owner) {
        auto* files = new CFileOpServiceBase(owner);
        new CFileOpAdaptor(files);
        return files;
    });
    QVERIFY(engine.Start());
    CKV100FileOpInterface wrapper;
    QCOMPARE(wrapper.DeleteFile(L"/data/report.txt"), E_UNEXPECTED);
    QCOMPARE(engine.Activations(), 0);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Activations(), 1);
    QCOMPARE(wrapper.DeleteFile(L"/data/report.txt"), DBusContract::kNotImplemented);
    QCOMPARE(wrapper.CreateDirectory(L"/data/new"), DBusContract::kNotImplemented);
    QCOMPARE(engine.Activations(), 3);
    bool exists = false;
    uint attributes = 0;
    quint64 size = 0;
    QCOMPARE(wrapper.GetFileInfo(L"/x", &exists, &attributes, &size, nullptr), E_POINTER);
    QCOMPARE(engine.Activations(), 3);
    wrapper.Disconnect();
    QCOMPARE(wrapper.DeleteFile(L"/data/report.txt"), E_UNEXPECTED);
    // A service this daemon does not have: connecting fails and changes nothing.
    CKV100FileSetInterface sets;
    QCOMPARE(sets.Connect(L"", L"", L"", L""), REGDB_E_CLASSNOTREG);
    QVERIFY(!sets.IsConnected());
}

void TestWrappers::exchangeNeedsBothParts()
{
    const auto serve = [](CTestEngine& engine, bool inProcessPart) {
        engine.Serve(ServiceContract::ExchangeEngine, 0, [&engine](QObject* owner) {
            auto* service =
                new CTestSubscribable<CExchangeEngineServiceBase>(&engine, u"Exchange"_s, owner);
            new CExchangeEngineAdaptor(service);
            return service;
        });
        engine.Serve(ServiceContract::ExchangeInProcess, inProcessPart ? 0 : -1,
                     [](QObject* owner) {
                         auto* part = new CExchangeInProcess(owner);
                         new CExchangeInProcessAdaptor(part);
                         return part;
                     });
        return engine.Start();
    };
    CKV100ExchangeInterface exchange;
    {
        CTestEngine engine;
        QVERIFY(serve(engine, false));
        QCOMPARE(exchange.Connect(L"", L"", L"", L""), REGDB_E_CLASSNOTREG);
        QVERIFY(!exchange.IsConnected());
        QVERIFY(engine.Subscriptions().isEmpty());
    }
    CTestEngine engine;
    QVERIFY(serve(engine, true));
    QCOMPARE(exchange.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().size(), 1);
    // Each part answers its own calls.
    uint stores = 0;
    QCOMPARE(exchange.GetDataStoreCount(&stores), DBusContract::kNotImplemented);
    bool mapped = false;
    QCOMPARE(exchange.IsMappedNetworkDrive(L"//server/share", &mapped), S_OK);
    QVERIFY(mapped);
    exchange.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), 1);
    QCOMPARE(exchange.IsMappedNetworkDrive(L"//server/share", &mapped), E_UNEXPECTED);
}

void TestWrappers::malformedAndLateRepliesAreErrors()
{
    CTestEngine engine(-1);
    engine.Serve(ServiceContract::Engine, 0, [](QObject* owner) {
        auto* malformed = new QObject(owner);
        new CMalformedEngineAdaptor(malformed);
        return malformed;
    });
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    // Subscribe is not served: connecting fails and leaves nothing connected.
    QVERIFY(FAILED(wrapper.Connect(L"", L"", L"", L"")));
    QVERIFY(!wrapper.IsConnected());

    CServiceConnection connection(ServiceContract::Engine);
    QCOMPARE(connection.Connect(L"", L"", L"", L""), S_OK);
    QStringList volumes{u"untouched"_s};
    QCOMPARE(connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumes,
                              CServiceConnection::In(), &volumes),
             CDBusResult::BadStubData);
    QCOMPARE(volumes, QStringList{u"untouched"_s});
    // One value too many after the HRESULT.
    QCOMPARE(connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::Pause,
                              CServiceConnection::In(u"C:"_s)),
             CDBusResult::BadStubData);
    // An answer later than the call's time-out is a time-out, not a lost server: the command may
    // have been carried out, and is not made again.
    const HRESULT late =
        connection.Fetch(100, &CEngineProxy::Resume, CServiceConnection::In(u"C:"_s));
    QCOMPARE(late, CDBusResult::RpcTimeout);
    QCOMPARE(CSystemMessage::Text(late),
             u"This operation returned because the timeout period expired."_s);
    // The server answers in order: once a later call is answered, every repeat would have run.
    QCOMPARE(connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumes,
                              CServiceConnection::In(), &volumes),
             CDBusResult::BadStubData);
    QCOMPARE(CMalformedEngineAdaptor::resumed.load(), 1);
    QVERIFY(connection.IsConnected());
}

void TestWrappers::aFailedConnectChangesNothing()
{
    TScriptedActivation activator;
    CServiceConnection connection(ServiceContract::Agent);
    activator.answers = {REGDB_E_CLASSNOTREG};
    QCOMPARE(connection.Connect(L"host", L"user", L"secret", L"DOMAIN"), REGDB_E_CLASSNOTREG);
    QVERIFY(!connection.IsConnected());
    QCOMPARE(connection.Computer(), QString());
    // A probe creates the object once and keeps nothing.
    QCOMPARE(connection.Probe(L"host", L"user", L"pw", L"dom"), S_OK);
    QCOMPARE(activator.requests.last().computer, u"host"_s);
    QVERIFY(!connection.IsConnected());

    activator.classIndex = 1;
    QCOMPARE(connection.Connect(L"other-host", L"user", L"secret", L"DOMAIN"), S_OK);
    QVERIFY(connection.IsRemote());
    QCOMPARE(activator.requests.last().classIds,
             CServiceConnection::ClassIds(ServiceContract::Agent));
    QCOMPARE(activator.requests.last().credentials.domain, u"DOMAIN"_s);
    QCOMPARE(activator.requests.last().credentials.password, u"secret"_s);

    // A failed connect elsewhere keeps the working connection, its computer and class.
    activator.answers = {E_ACCESSDENIED};
    QCOMPARE(
        connection.Connect(CComputerName::Local().toUpper().toStdWString(), L"other", L"", L""),
        E_ACCESSDENIED);
    QVERIFY(connection.IsConnected());
    QVERIFY(connection.IsRemote());
    QCOMPARE(connection.ClassIndex(), 1);
    // Its reconnections still use its own parameters.
    QList<HRESULT> results{CDBusResult::RpcServerUnavailable, S_OK};
    QCOMPARE(connection.Call([&](const CComObjectRef&) { return results.takeFirst(); }), S_OK);
    QCOMPARE(activator.requests.last().computer, u"other-host"_s);
    QCOMPARE(activator.requests.last().credentials.user, u"user"_s);
}

void TestWrappers::aLostServerIsReachedAgainOnce()
{
    TScriptedActivation activator;
    CServiceConnection connection(ServiceContract::Engine);
    QCOMPARE(connection.Connect(L"", L"", L"", L""), S_OK);
    QStringList paths;
    QList<HRESULT> results{CDBusResult::RpcServerUnavailable, S_FALSE};
    auto call = [&](const CComObjectRef& object) {
        paths.append(object.Path());
        return results.takeFirst();
    };
    // The server went away between two calls: one reconnection, and the call reaches it.
    QCOMPARE(connection.Call(call), S_FALSE);
    QCOMPARE(paths, (QStringList{u"/object/1"_s, u"/object/2"_s}));

    // Gone for good: the second failure is returned, after one reconnection only.
    results = {CDBusResult::RpcServerUnavailable, CDBusResult::RpcServerUnavailable, S_OK};
    paths.clear();
    QCOMPARE(connection.Call(call), CDBusResult::RpcServerUnavailable);
    QCOMPARE(paths.size(), 2);
    QVERIFY(connection.IsConnected());

    // A slow answer on a live connection may have been carried out: never made again.
    results = {CDBusResult::RpcTimeout, S_OK};
    paths.clear();
    QCOMPARE(connection.Call(call), CDBusResult::RpcTimeout);
    QCOMPARE(paths.size(), 1);

    // A reconnection that fails leaves the first error and no connection.
    results = {CDBusResult::RpcServerUnavailable};
    activator.answers = {CDBusResult::ServerExecFailure};
    QCOMPARE(connection.Call(call), CDBusResult::RpcServerUnavailable);
    QVERIFY(!connection.IsConnected());
}

void TestWrappers::classOrderNamedByTheEngine()
{
    TScriptedActivation activator;
    CServiceConnection connection(ServiceContract::Agent);
    const QStringList contract = CServiceConnection::ClassIds(ServiceContract::Agent);
    QVERIFY(contract.size() >= 3);
    // Unknown class IDs are left out, known ones kept in the order given, in any letter case.
    activator.classIndex = 0; // the first one tried answers: the contract's third
    QCOMPARE(connection.Connect(L"", L"", L"", L"",
                                {u"{00000000-0000-0000-0000-000000000000}"_s,
                                 contract.at(2).toLower(), contract.at(1)}),
             S_OK);
    QCOMPARE(activator.requests.last().classIds, (QStringList{contract.at(2), contract.at(1)}));
    QCOMPARE(connection.ClassIndex(), 2);

    // Nothing the contract knows: the contract's own order.
    QCOMPARE(connection.Connect(L"", L"", L"", L"", {u"{00000000-0000-0000-0000-000000000000}"_s}),
             S_OK);
    QCOMPARE(activator.requests.last().classIds, contract);
    QCOMPARE(connection.ClassIndex(), 0);
}

QTEST_GUILESS_MAIN(TestWrappers)
#include "tst_Wrappers.moc"

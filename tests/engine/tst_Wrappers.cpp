#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100SpaceReportsInterface.h"
#include "engine/CKVDuplicateScannerInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "notify/CSignalTap.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestSubscribable.h"

#include "FileSpaceReportsAdaptor.h"
#include "FileSpaceReportsServiceBase.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

class CSpaceReports : public CTestSubscribable<CFileSpaceReportsServiceBase> {
public:
    CSpaceReports(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, u"SpaceReports"_s, parent)
    {}
};

// A test engine that also serves the space reports, a service created afresh for every call.
std::unique_ptr<CTestEngine> StartEngine()
{
    auto engine = std::make_unique<CTestEngine>();
    engine->Serve(ServiceContract::FileSpaceReports, 0, [raw = engine.get()](QObject* owner) {
        auto* reports = new CSpaceReports(raw, owner);
        new CFileSpaceReportsAdaptor(reports);
        return reports;
    });
    return engine->Start() ? std::move(engine) : nullptr;
}

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

// The service wrappers against a test engine over a real peer connection.
class TestWrappers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectSubscribesAndDisconnectUnsubscribes();
    void aFailedConnectKeepsTheWorkingOne();
    void aRestartedServiceIsSubscribedAgain_data();
    void aRestartedServiceIsSubscribedAgain();
    void aServiceGoneForGoodDisconnects();
    void agentGenerations_data();
    void agentGenerations();
    void toolWrappers();
    void engineGenerations_data();
    void engineGenerations();

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

void TestWrappers::connectSubscribesAndDisconnectUnsubscribes()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QSignalSpy completed(&wrapper, &CKV100EngineInterface::OpCompleted);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().size(), 1);
    QCOMPARE(engine.Subscriptions().first().computer, CComputerName::Local());
    QCOMPARE(engine.Subscriptions().first().listener, wrapper.ListenerName());

    QVERIFY(
        engine.Notify(CNoticeWriter().U32(NoticeType::EngineOpCompleted).String(u"C:"_s).Body()));
    QVERIFY(
        engine.Notify(CNoticeWriter().U32(NoticeType::EngineOpCompleted).String(u"D:"_s).Body()));
    QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 2, 5000);
    QCOMPARE(completed.at(1).at(0).value<TId>(), TId(L"D:"));
    TStringList volumes;
    QCOMPARE(wrapper.GetVolumes(&volumes), S_OK);
    QCOMPARE(volumes, TStringList{engine.volumes.first().toStdWString()});

    const QString listener = wrapper.ListenerName();
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

void TestWrappers::aFailedConnectKeepsTheWorkingOne()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QSignalSpy completed(&wrapper, &CKV100EngineInterface::OpCompleted);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    const QString listener = wrapper.ListenerName();

    // Other computers cannot be reached yet: the connection to this one stays as it was.
    QCOMPARE(wrapper.Connect(L"elsewhere", L"", L"", L""), CDBusResult::RpcServerUnavailable);
    QVERIFY(wrapper.IsConnected());
    QVERIFY(!wrapper.IsRemote());
    QCOMPARE(wrapper.ListenerName(), listener);
    QVERIFY(wrapper.Listener().IsRunning());
    QVERIFY(engine.Unsubscriptions().isEmpty());
    QCOMPARE(wrapper.Pause(L"C:"), S_OK);
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

void TestWrappers::aServiceGoneForGoodDisconnects()
{
    auto engine = std::make_unique<CTestEngine>();
    QVERIFY(engine->Start());
    CKV100EngineInterface wrapper;
    QSignalSpy lost(&wrapper, &CKV100EngineInterface::LostDrive);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    engine.reset();
    // The one reconnection finds nothing: the wrapper says so and keeps no listener.
    QCOMPARE(wrapper.Pause(L"C:"), CDBusResult::RpcServerUnavailable);
    QCOMPARE(lost.size(), 1);
    QVERIFY(!wrapper.IsConnected());
    QVERIFY(!wrapper.Listener().IsRunning());
    QVERIFY(wrapper.ListenerName().isEmpty());
    QCOMPARE(wrapper.Pause(L"C:"), E_UNEXPECTED);
}

void TestWrappers::agentGenerations_data()
{
    QTest::addColumn<int>("served");
    QTest::addColumn<bool>("newest");
    QTest::addColumn<bool>("newer");
    QTest::newRow("newest") << 0 << true << true;
    QTest::newRow("newer") << 1 << false << true;
    QTest::newRow("oldest") << 2 << false << false;
}

void TestWrappers::agentGenerations()
{
    QFETCH(int, served);
    QFETCH(bool, newest);
    QFETCH(bool, newer);
    CTestEngine engine(0, served);
    QVERIFY(engine.Start());
    CKV100AgentInterface agent;
    QCOMPARE(agent.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(agent.IsNewest(), newest);
    QCOMPARE(agent.IsNewer(), newer);
    // Only the newest agent reports by notices.
    QCOMPARE(engine.Subscriptions().size(), newest ? 1 : 0);
    QCOMPARE(agent.Listener().IsRunning(), newest);
    agent.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), newest ? 1 : 0);
    QVERIFY(!agent.IsNewest() && !agent.IsNewer() && !agent.IsConnected());
}

void TestWrappers::toolWrappers()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKVDuplicateScannerInterface scanner;
    QCOMPARE(scanner.Scan(2), E_UNEXPECTED);
    QCOMPARE(scanner.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().first().service, u"Tool"_s);

    QSignalSpy started(&scanner, &CTlStateBaseInterface::Started);
    QSignalSpy progress(&scanner, &CTlStateBaseInterface::Progress);
    QVERIFY(engine.Notify(CNoticeWriter().U32(NoticeType::ToolState).U32(1).Body()));
    QVERIFY(engine.Notify(
        CNoticeWriter().U32(NoticeType::ToolProgress).String(u"Hashing"_s).F64(12.9).Body()));
    QTRY_COMPARE_WITH_TIMEOUT(progress.size(), 1, 5000);
    QCOMPARE(started.size(), 1);
    QCOMPARE(progress.first().at(1).toInt(), 12);

    QCOMPARE(scanner.Scan(2), S_OK);
    QCOMPARE(scanner.Scan(1), E_INVALIDARG);
    QCOMPARE(scanner.GetServiceObject(nullptr), E_INVALIDARG);
    CComObjectRef object;
    QCOMPARE(scanner.GetServiceObject(&object), S_OK);
    QVERIFY(object.IsValid());
    QCOMPARE(scanner.GetServiceObject(&object), E_INVALIDARG); // already holds one
    scanner.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), 1);
    QCOMPARE(scanner.Scan(2), E_UNEXPECTED);
}

void TestWrappers::engineGenerations_data()
{
    QTest::addColumn<uint>("generation");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("newest") << 11u << u"Ex"_s;
    QTest::newRow("10") << 10u << u"Ex"_s;
    QTest::newRow("9") << 9u << QString();
    QTest::newRow("does not say") << 0u << QString();
}

void TestWrappers::engineGenerations()
{
    QFETCH(uint, generation);
    QFETCH(QString, suffix);
    CTestEngine engine;
    engine.generation = generation;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(wrapper.Generation(), generation == 0 ? 9u : generation);
    QCOMPARE(wrapper.Analyse(L"C:"), S_OK);
    QCOMPARE(wrapper.Stop(L"C:"), S_OK);
    QCOMPARE(wrapper.Pause(L"C:"), S_OK);
    QCOMPARE(engine.Operations(), (QStringList{u"Analyze%1:C:"_s.arg(suffix),
                                               u"Stop%1:C:"_s.arg(suffix), u"Pause:C:"_s}));
}

QTEST_GUILESS_MAIN(TestWrappers)
#include "tst_Wrappers.moc"

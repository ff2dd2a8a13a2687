#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKVDuplicateScannerInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

// The service wrappers against a test engine over a real peer connection.
class TestWrappers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectSubscribesAndNoticesArrive();
    void thisComputerByAnyName();
    void noCallsAfterADisconnect();
    void aRestartedEngineIsReachedAgain();
    void classIdFallback();
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

void TestWrappers::connectSubscribesAndNoticesArrive()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QSignalSpy completed(&wrapper, &CKV100EngineInterface::OpCompleted);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QVERIFY(wrapper.IsConnected());
    QVERIFY(!wrapper.ListenerName().isEmpty());
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
}

void TestWrappers::thisComputerByAnyName()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    const QString local = CComputerName::Local();
    for (const QString& name : {local.toUpper(), local.toLower(), u"."_s}) {
        QCOMPARE(wrapper.Connect(name.toStdWString(), L"", L"", L""), S_OK);
        QVERIFY2(!wrapper.IsRemote(), qPrintable(name));
    }
    // Other computers cannot be reached yet.
    QCOMPARE(wrapper.Connect(L"elsewhere", L"", L"", L""), CDBusResult::RpcServerUnavailable);
    QVERIFY(!wrapper.IsConnected());
}

void TestWrappers::noCallsAfterADisconnect()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    wrapper.Disconnect();
    const int calls = engine.Calls();
    TStringList volumes{L"untouched"};
    QCOMPARE(wrapper.GetVolumes(&volumes), E_UNEXPECTED);
    QCOMPARE(volumes, TStringList{L"untouched"});
    QCOMPARE(engine.Calls(), calls);
}

void TestWrappers::aRestartedEngineIsReachedAgain()
{
    auto engine = std::make_unique<CTestEngine>();
    QVERIFY(engine->Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    engine = std::make_unique<CTestEngine>();
    QVERIFY(engine->Start());
    TStringList volumes;
    QCOMPARE(wrapper.GetVolumes(&volumes), S_OK);
    QCOMPARE(volumes.size(), 1u);
    QCOMPARE(engine->Calls(), 1);

    // Gone for good: the failure comes back after the one reconnection.
    engine.reset();
    QVERIFY(FAILED(wrapper.GetVolumes(&volumes)));
}

void TestWrappers::classIdFallback()
{
    CTestEngine engine(2); // only the oldest class ID is served
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    TStringList volumes;
    QCOMPARE(wrapper.GetVolumes(&volumes), S_OK);
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
    if (newest) {
        QCOMPARE(engine.Subscriptions().first().service, u"Agent"_s);
        QSignalSpy started(&agent, &CKV100AgentInterface::ScheduleStarted);
        QVERIFY(engine.Notify(CNoticeWriter()
                                  .U32(NoticeType::AgentScheduleStarted)
                                  .String(u"Nightly"_s)
                                  .String(u"Item 1"_s)
                                  .Body()));
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 5000);
    }
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
    QVERIFY(scanner.IsConnected());
    QCOMPARE(engine.Subscriptions().size(), 1);
    QCOMPARE(engine.Subscriptions().first().service, u"Tool"_s);
    QCOMPARE(engine.Subscriptions().first().listener, scanner.ListenerName());

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
    QTest::addColumn<QStringList>("operations");
    QTest::newRow("newest") << 11u
                            << QStringList{u"AnalyzeEx:C:"_s, u"StopEx:C:"_s, u"Pause:C:"_s,
                                           u"Resume:C:"_s};
    QTest::newRow("10") << 10u
                        << QStringList{u"AnalyzeEx:C:"_s, u"StopEx:C:"_s, u"Pause:C:"_s,
                                       u"Resume:C:"_s};
    QTest::newRow("9") << 9u
                       << QStringList{u"Analyze:C:"_s, u"Stop:C:"_s, u"Pause:C:"_s, u"Resume:C:"_s};
    QTest::newRow("does not say") << 0u
                                  << QStringList{u"Analyze:C:"_s, u"Stop:C:"_s, u"Pause:C:"_s,
                                                 u"Resume:C:"_s};
}

void TestWrappers::engineGenerations()
{
    QFETCH(uint, generation);
    QFETCH(QStringList, operations);
    CTestEngine engine;
    engine.generation = generation;
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(wrapper.Generation(), generation == 0 ? 9u : generation);
    QCOMPARE(wrapper.Analyse(L"C:"), S_OK);
    QCOMPARE(wrapper.Stop(L"C:"), S_OK);
    QCOMPARE(wrapper.Pause(L"C:"), S_OK);
    QCOMPARE(wrapper.Resume(L"C:"), S_OK);
    QCOMPARE(engine.Operations(), operations);
}

QTEST_GUILESS_MAIN(TestWrappers)
#include "tst_Wrappers.moc"

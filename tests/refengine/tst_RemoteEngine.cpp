// Remote computers over SSH: a test sshd on 127.0.0.1 plays the other machine, and a second
// engine daemon with a runtime folder of its own is that machine's engine, which the session's
// bridge reaches.
#include "core/CSystemMessage.h"
#include "engine/CKV100EngineInterface.h"
#include "platform/com/CDBusActivator.h"
#include "platform/com/CDBusResult.h"
#include "platform/com/CSshSession.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CTestSshServer.h"

#include <QDBusMessage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Blanks, quotes and shell characters: the password must reach ssh as it is.
const QByteArray kPassword = "s3cret 'with' \"quotes\" & $HOME;";

HRESULT CreateEngine(CDBusActivator& activator, const QString& user, const QString& password,
                     CComObjectRef* object)
{
    return CTestSshServer::CreateEngine(activator, user, password, object);
}

QDBusMessage GetVolumes(const CComObjectRef& engine)
{
    return engine.Connection().call(QDBusMessage::createMethodCall(QString(), engine.Path(),
                                                                   u"com.tellmar.korvane.Engine"_s,
                                                                   u"GetVolumes"_s),
                                    QDBus::Block, 30000);
}

} // namespace

class TestRemoteEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void engineCallsGoOverSsh();
    void noticesOfTheRemoteEngineReachTheListener();
    void failuresAnswerAsTheConnectMessagesExpect_data();
    void failuresAnswerAsTheConnectMessagesExpect();
    void aPasswordReachesSshOnlyThroughTheHelper();

private:
    QString Path(const QString& name) const { return m_root.filePath(name); }
    bool StartRemoteEngine();

    QTemporaryDir m_root{u"/tmp/kvssh-XXXXXX"_s};
    std::unique_ptr<CTestSshServer> m_server;
    CEngineDaemonProcess m_remoteEngine;
};

bool TestRemoteEngine::StartRemoteEngine()
{
    // This machine's engine as the other machine's: its own runtime folder.
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(Path(u"remote-run"_s)));
    const bool started = m_remoteEngine.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                                              Path(u"volume"_s), Path(u"remote-state"_s));
    // The console's own runtime folder is another.
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(Path(u"console-run"_s)));
    return started;
}

void TestRemoteEngine::initTestCase()
{
    if (const QString why = CTestSshServer::Unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY(m_root.isValid());
    QVERIFY(QDir().mkpath(Path(u"volume"_s)) && QDir().mkpath(Path(u"remote-run"_s)));
    // Something for an analysis to find.
    for (int index = 0; index < 20; ++index) {
        QFile file(Path(u"volume/file-%1"_s.arg(index)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(QByteArray(4096 * (index + 1), 'k')) > 0);
    }
    QVERIFY(StartRemoteEngine());
    m_server = std::make_unique<CTestSshServer>(m_root.path());
    QString error;
    QVERIFY2(m_server->Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), Path(u"remote-run"_s),
                             kPassword, &error),
             qPrintable(error));
    // korvane-askpass is found on the PATH, beside the engine.
    qputenv("PATH", QFile::encodeName(QFileInfo(QStringLiteral(KORVANE_ENGINE_PROGRAM)).path()) +
                        ':' + qgetenv("PATH"));
}

void TestRemoteEngine::cleanupTestCase()
{
    m_server.reset();
    QVERIFY(m_remoteEngine.Stop());
}

void TestRemoteEngine::engineCallsGoOverSsh()
{
    QVERIFY(m_server->UseClient(m_server->EnginePort(), true));
    CDBusActivator activator;
    CComObjectRef engine;
    QCOMPARE(CreateEngine(activator, QString(), QString(), &engine), S_OK);
    QVERIFY(engine.IsValid());
    const QDBusMessage reply = GetVolumes(engine);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.arguments().value(0).toInt(), S_OK);
    // The remote engine serves the one volume it was given.
    QCOMPARE(reply.arguments().value(1).toStringList().size(), 1);

    // The remote engine restarts: the next creation finds the old connection dead and makes a
    // new one through the same SSH connection.
    QVERIFY(m_remoteEngine.Stop());
    QVERIFY(StartRemoteEngine());
    CComObjectRef again;
    QCOMPARE(CreateEngine(activator, QString(), QString(), &again), S_OK);
    QCOMPARE(GetVolumes(again).arguments().value(0).toInt(), S_OK);
}

void TestRemoteEngine::noticesOfTheRemoteEngineReachTheListener()
{
    QVERIFY(m_server->UseClient(m_server->EnginePort(), true));
    // The wrapper's activator, and with it the SSH connection, end with this test.
    CDBusActivator activator;
    IComActivator::SetInstance(&activator);
    const auto restore = qScopeGuard([] { IComActivator::SetInstance(nullptr); });
    CKV100EngineInterface engine;
    QCOMPARE(engine.Connect(L"127.0.0.1", {}, {}, {}), S_OK);
    TStringList volumes;
    QCOMPARE(engine.GetVolumes(&volumes), S_OK);
    QCOMPARE(volumes.size(), std::size_t(1));
    const TId volume = volumes.front();

    QSignalSpy started(&engine, &CKV100EngineInterface::OpStarted);
    QSignalSpy mapped(&engine, &CKV100EngineInterface::BitmapUpdated);
    QSignalSpy completed(&engine, &CKV100EngineInterface::OpCompleted);
    QCOMPARE(engine.Analyse(volume), S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 1, 30000);
    QCOMPARE(started.size(), 1);
    QVERIFY(!mapped.isEmpty());
    QCOMPARE(completed.at(0).at(0).value<TId>(), volume);

    // The remote engine restarts mid-session: the next call finds the connection gone, makes
    // it again and subscribes the listener again through the relay, which outlived the engine.
    QVERIFY(m_remoteEngine.Stop());
    QVERIFY(StartRemoteEngine());
    QCOMPARE(engine.Analyse(volume), S_OK);
    QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 2, 30000);
    QCOMPARE(started.size(), 2);
    engine.Disconnect();
}

void TestRemoteEngine::failuresAnswerAsTheConnectMessagesExpect_data()
{
    QTest::addColumn<QString>("user");
    // 0: the engine's, 1: without the engine, 2: nothing listens, 3: a server that never answers
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("hostKnown");
    QTest::addColumn<int>("expected");
    QTest::newRow("login refused") << u"nobody"_s << 0 << true << int(E_ACCESSDENIED);
    QTest::newRow("nothing listens")
        << QString() << 2 << true << int(CDBusResult::RpcServerUnavailable);
    QTest::newRow("never answers")
        << QString() << 3 << true << int(CDBusResult::RpcServerUnavailable);
    QTest::newRow("not installed") << QString() << 1 << true << int(REGDB_E_CLASSNOTREG);
    QTest::newRow("unknown host key")
        << QString() << 0 << false << int(CSshSession::kHostKeyNotTrusted);
}

void TestRemoteEngine::failuresAnswerAsTheConnectMessagesExpect()
{
    QFETCH(QString, user);
    QFETCH(int, port);
    QFETCH(bool, hostKnown);
    QFETCH(int, expected);
    QTcpServer unused;
    QVERIFY(unused.listen(QHostAddress::LocalHost, 0));
    const quint16 nobodyListens = unused.serverPort();
    unused.close();
    // The kernel completes its connections; nobody ever says a word on them.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    const quint16 ports[] = {m_server->EnginePort(), m_server->BarePort(), nobodyListens,
                             silent.serverPort()};
    QVERIFY(m_server->UseClient(ports[port], hostKnown));
    CDBusActivator activator;
    // The attempt's own bound, which the silent server runs into.
    activator.SetStartTimeout(2000);
    CComObjectRef engine;
    QCOMPARE(CreateEngine(activator, user, QString(), &engine), HRESULT(expected));
    QVERIFY(!engine.IsValid());
    QVERIFY(!CSystemMessage::Text(HRESULT(expected)).startsWith(u"Unknown error"_s));
}

void TestRemoteEngine::aPasswordReachesSshOnlyThroughTheHelper()
{
    QVERIFY(m_server->UseClient(m_server->PasswordPort(), true));
    {
        CDBusActivator activator;
        CComObjectRef engine;
        QCOMPARE(CreateEngine(activator, u"root"_s, QString::fromUtf8(kPassword), &engine), S_OK);
        // Nowhere in any process's arguments or environment, the master's included.
        QDir proc(u"/proc"_s);
        for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            for (const QString& part : {u"cmdline"_s, u"environ"_s}) {
                QFile file(proc.filePath(pid + u'/' + part));
                if (file.open(QIODevice::ReadOnly))
                    QVERIFY2(!file.readAll().contains(kPassword), qPrintable(file.fileName()));
            }
        }
    }
    CDBusActivator activator;
    CComObjectRef engine;
    QCOMPARE(CreateEngine(activator, u"root"_s, u"wrong"_s, &engine), E_ACCESSDENIED);
}

QTEST_GUILESS_MAIN(TestRemoteEngine)
#include "tst_RemoteEngine.moc"

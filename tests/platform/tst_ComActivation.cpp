#include "platform/CComputerName.h"
#include "platform/CRuntimeDirectory.h"
#include "platform/com/CDBusActivator.h"
#include "platform/com/CDBusResult.h"
#include "platform/mailslot/CUnixMailslot.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestPeerServer.h"

#include <QDBusObjectPath>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kA = u"{AAAAAAAA-0000-0000-0000-000000000001}"_s;
const QString kB = u"{BBBBBBBB-0000-0000-0000-000000000002}"_s;
const QString kC = u"{CCCCCCCC-0000-0000-0000-000000000003}"_s;

// The activation object of a test daemon: serves the classes given an answer of S_OK, answers
// the others' given HRESULTs, and REGDB_E_CLASSNOTREG for the rest.
class CTestActivation : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tellmar.korvane.Activation")

public:
    explicit CTestActivation(QHash<QString, int> answers, QObject* parent)
        : QObject(parent)
        , m_answers(std::move(answers))
    {}

public slots:
    int CreateInstance(const QString& classId, const QString& interfaceId, QDBusObjectPath& object)
    {
        Q_UNUSED(interfaceId);
        const int answer = m_answers.value(classId, REGDB_E_CLASSNOTREG);
        object = QDBusObjectPath(answer == S_OK ? u"/clsid/"_s + classId.mid(1, 8) : u"/"_s);
        return answer;
    }

private:
    QHash<QString, int> m_answers;
};

// A daemon whose activation answers with the wrong signature.
class CBrokenActivation : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tellmar.korvane.Activation")

public:
    using QObject::QObject;

public slots:
    QString CreateInstance(const QString&, const QString&) { return u"nonsense"_s; }
};

} // namespace

class TestComActivation : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void classIdsAreTriedInOrder_data();
    void classIdsAreTriedInOrder();
    void thisComputerByAnyName();
    void malformedRepliesAreErrors();
    void aRestartedDaemonIsReachedAgain();
    void noDaemonToStart();
    void theSystemServiceIsUsedBeforeAnEngineIsStarted();

private:
    std::unique_ptr<CTestPeerServer> Serve(QHash<QString, int> answers,
                                           const QString& socket = QString());
    QString Socket() const { return CRuntimeDirectory::Path() + u"/engine.bus"_s; }

    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CDBusActivator> m_activator;
};

void TestComActivation::init()
{
    // Out parameters of served slots are looked up by type name.
    qRegisterMetaType<QDBusObjectPath>("QDBusObjectPath");
    m_environment = std::make_unique<CTestEnvironment>();
    QVERIFY(CRuntimeDirectory::Ensure(QString(), nullptr) == ERROR_SUCCESS ||
            QDir().mkpath(CRuntimeDirectory::Path()));
    // No daemon can be found to start: PATH leads nowhere.
    m_environment->Set("PATH", m_environment->Root());
    m_activator = std::make_unique<CDBusActivator>();
    m_activator->SetStartTimeout(300);
}

void TestComActivation::cleanup()
{
    m_activator.reset();
    m_environment.reset();
}

std::unique_ptr<CTestPeerServer> TestComActivation::Serve(QHash<QString, int> answers,
                                                          const QString& socket)
{
    auto server = std::make_unique<CTestPeerServer>(
        socket.isEmpty() ? Socket() : socket,
        [answers](QDBusConnection& connection, QObject* owner) {
            connection.registerObject(u"/"_s, new CTestActivation(answers, owner),
                                      QDBusConnection::ExportAllSlots);
        });
    return server->Listen() ? std::move(server) : nullptr;
}

void TestComActivation::classIdsAreTriedInOrder_data()
{
    QTest::addColumn<int>("answerA");
    QTest::addColumn<int>("answerB");
    QTest::addColumn<HRESULT>("result");
    QTest::addColumn<int>("index");
    QTest::newRow("first") << int(S_OK) << int(S_OK) << S_OK << 0;
    QTest::newRow("after not registered") << int(REGDB_E_CLASSNOTREG) << int(S_OK) << S_OK << 1;
    QTest::newRow("after unavailable")
        << int(CDBusResult::RpcServerUnavailable) << int(S_OK) << S_OK << 1;
    QTest::newRow("stops at another failure")
        << int(E_ACCESSDENIED) << int(S_OK) << E_ACCESSDENIED << -1;
    QTest::newRow("none") << int(REGDB_E_CLASSNOTREG) << int(REGDB_E_CLASSNOTREG)
                          << REGDB_E_CLASSNOTREG << -1;
}

void TestComActivation::classIdsAreTriedInOrder()
{
    QFETCH(int, answerA);
    QFETCH(int, answerB);
    QFETCH(HRESULT, result);
    QFETCH(int, index);
    auto server = Serve({{kA, answerA}, {kB, answerB}});
    QVERIFY(server);
    CComObjectRef object;
    QCOMPARE(
        m_activator->CreateInstance({kA, kB.toLower(), kC}, u"{IID}"_s, QString(), {}, &object),
        result);
    QCOMPARE(object.ClassIndex(), index);
    if (index >= 0) {
        QCOMPARE(object.ClassId(), index == 0 ? kA : kB);
        QCOMPARE(object.Path(), u"/clsid/"_s + object.ClassId().mid(1, 8));
        QVERIFY(object.Connection().isConnected());
    }
}

void TestComActivation::thisComputerByAnyName()
{
    auto server = Serve({{kA, S_OK}});
    QVERIFY(server);
    const QString local = CComputerName::Local();
    for (const QString& computer : {u""_s, u"."_s, local.toUpper(), local.toLower()}) {
        CComObjectRef object;
        QCOMPARE(m_activator->CreateInstance({kA}, QString(), computer, {}, &object), S_OK);
    }
    // One connection serves them all.
    QCOMPARE(server->Connections(), 1);
    CComObjectRef remote;
    QCOMPARE(m_activator->CreateInstance({kA, kB}, QString(), u"elsewhere"_s, {}, &remote),
             CDBusResult::RpcServerUnavailable);
    QVERIFY(!remote.IsValid());
}

void TestComActivation::malformedRepliesAreErrors()
{
    CTestPeerServer server(Socket(), [](QDBusConnection& connection, QObject* owner) {
        connection.registerObject(u"/"_s, new CBrokenActivation(owner),
                                  QDBusConnection::ExportAllSlots);
    });
    QVERIFY(server.Listen());
    CComObjectRef object;
    QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &object),
             CDBusResult::BadStubData);
    QVERIFY(!object.IsValid());
}

void TestComActivation::aRestartedDaemonIsReachedAgain()
{
    auto server = Serve({{kA, S_OK}});
    QVERIFY(server);
    CComObjectRef object;
    QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &object), S_OK);
    // Gone, and no daemon to start: nothing is made.
    server.reset();
    CComObjectRef none;
    QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &none),
             CDBusResult::ServerExecFailure);
    QVERIFY(!none.IsValid());
    // Restarted at once, before the old connection's hang-up is noticed.
    for (int round = 0; round < 5; ++round) {
        server = Serve({{kA, S_OK}});
        QVERIFY(server);
        QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &object), S_OK);
        server.reset();
    }
}

void TestComActivation::noDaemonToStart()
{
    // A daemon that starts but never listens: the wait ends and says so.
    CComObjectRef object;
    const QString daemon = m_environment->Root() + u"/korvane-engine"_s;
    QFile script(daemon);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n/usr/bin/touch \"$0.ran\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &object),
             CDBusResult::ServerExecFailure);
    QTRY_VERIFY(QFile::exists(daemon + u".ran"_s));
}

void TestComActivation::theSystemServiceIsUsedBeforeAnEngineIsStarted()
{
    const QString system = m_environment->Root() + u"/system/engine.bus"_s;
    QVERIFY(QDir().mkpath(QFileInfo(system).absolutePath()));
    m_environment->Set("KORVANE_SYSTEM_SOCKET", system);
    auto service = Serve({{kA, S_OK}}, system);
    QVERIFY(service);
    // No daemon could be started (PATH leads nowhere): the system service answers.
    CComObjectRef object;
    QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &object), S_OK);
    QVERIFY(object.IsValid());

    // The service writes its notices beside its socket; they reach the listener's mailslot in
    // this console's runtime folder, in order, until the listener has gone.
    CUnixMailslot listener;
    QCOMPARE(listener.Create(u"listener"_s, 0, 5000), ERROR_SUCCESS);
    QString subscriber;
    QCOMPARE(m_activator->NoticeSubscriber(QString(), {}, u"listener"_s, &subscriber), S_OK);
    QCOMPARE(subscriber, CComputerName::Local());
    CUnixMailslot writer(CUnixMailslot::kQueueLimitBytes,
                         QFileInfo(system).path() + u"/mailslot"_s);
    QCOMPARE(writer.Open(QString(), u"listener"_s), ERROR_SUCCESS);
    for (const QByteArray notice : {"first", "second"})
        QCOMPARE(writer.Write(notice), ERROR_SUCCESS);
    for (const QByteArray notice : {"first", "second"}) {
        QByteArray read;
        QCOMPARE(listener.Read(&read), ERROR_SUCCESS);
        QCOMPARE(read, notice);
    }
    listener.Close();
    QTRY_COMPARE_WITH_TIMEOUT(writer.Write("after"), ERROR_FILE_NOT_FOUND, 10000);

    // The user's own engine, once it runs, comes first.
    auto own = Serve({{kA, E_ACCESSDENIED}});
    QVERIFY(own);
    QCOMPARE(m_activator->CreateInstance({kA}, QString(), QString(), {}, &object), E_ACCESSDENIED);
}

QTEST_GUILESS_MAIN(TestComActivation)
#include "tst_ComActivation.moc"

#include "engine/CServiceConnection.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"
#include "tests/support/CFakeComActivator.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The connection a wrapper keeps: connect all or nothing, reconnect once after a lost server
// (never after a mere time-out), and calls made only while connected.
class TestServiceConnection : public QObject {
    Q_OBJECT

private slots:
    void init() { IComActivator::SetInstance(&m_activator); }
    void cleanup()
    {
        IComActivator::SetInstance(nullptr);
        m_activator = CFakeComActivator();
    }

    void aFailedConnectChangesNothing();
    void callsNeedAConnection();
    void aLostServerIsReachedAgainOnce();
    void remoteAndGeneration();
    void classOrderNamedByTheEngine();
    void probeConnectsNothing();

private:
    CFakeComActivator m_activator;
};

void TestServiceConnection::aFailedConnectChangesNothing()
{
    CServiceConnection connection(ServiceContract::Agent);
    m_activator.answers = {REGDB_E_CLASSNOTREG};
    QCOMPARE(connection.Connect(L"host", L"user", L"secret", L"DOMAIN"), REGDB_E_CLASSNOTREG);
    QVERIFY(!connection.IsConnected());
    QCOMPARE(connection.Computer(), QString());

    m_activator.classIndex = 1;
    QCOMPARE(connection.Connect(L"", L"user", L"secret", L"DOMAIN"), S_OK);
    QCOMPARE(m_activator.requests.last().classIds,
             CServiceConnection::ClassIds(ServiceContract::Agent));
    QCOMPARE(m_activator.requests.last().credentials.domain, u"DOMAIN"_s);
    QCOMPARE(m_activator.requests.last().credentials.password, u"secret"_s);

    // A failed connect elsewhere keeps the working connection, its computer and class.
    m_activator.answers = {E_ACCESSDENIED};
    QCOMPARE(connection.Connect(L"host", L"other", L"", L""), E_ACCESSDENIED);
    QVERIFY(connection.IsConnected());
    QCOMPARE(connection.Computer(), QString());
    QCOMPARE(connection.ClassIndex(), 1);
    // Its reconnections still use its own parameters.
    QList<HRESULT> results{CDBusResult::RpcServerUnavailable, S_OK};
    QCOMPARE(connection.Call([&](const CComObjectRef&) { return results.takeFirst(); }), S_OK);
    QCOMPARE(m_activator.requests.last().computer, QString());
    QCOMPARE(m_activator.requests.last().credentials.user, u"user"_s);
}

void TestServiceConnection::callsNeedAConnection()
{
    CServiceConnection connection(ServiceContract::Engine);
    int calls = 0;
    auto call = [&](const CComObjectRef&) {
        ++calls;
        return S_OK;
    };
    QCOMPARE(connection.Call(call), E_UNEXPECTED);
    QCOMPARE(connection.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(connection.Call(call), S_OK);
    connection.Disconnect();
    QCOMPARE(connection.Call(call), E_UNEXPECTED);
    QCOMPARE(calls, 1);
}

void TestServiceConnection::aLostServerIsReachedAgainOnce()
{
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
    m_activator.answers = {CDBusResult::ServerExecFailure};
    QCOMPARE(connection.Call(call), CDBusResult::RpcServerUnavailable);
    QVERIFY(!connection.IsConnected());
}

void TestServiceConnection::remoteAndGeneration()
{
    CServiceConnection connection(ServiceContract::Agent);
    const QString local = CComputerName::Local();
    for (const QString& name : {QString(), u"."_s, local.toUpper(), local.toLower()}) {
        QCOMPARE(connection.Connect(name.toStdWString(), L"", L"", L""), S_OK);
        QVERIFY2(!connection.IsRemote(), qPrintable(name));
    }
    m_activator.classIndex = 1;
    QCOMPARE(connection.Connect(L"other-host", L"", L"", L""), S_OK);
    QVERIFY(connection.IsRemote());
    QCOMPARE(connection.ClassIndex(), 1);
    connection.Disconnect();
    QCOMPARE(connection.ClassIndex(), -1);
}

void TestServiceConnection::classOrderNamedByTheEngine()
{
    CServiceConnection connection(ServiceContract::Agent);
    const QStringList contract = CServiceConnection::ClassIds(ServiceContract::Agent);
    QVERIFY(contract.size() >= 3);
    // Unknown class IDs are left out, known ones kept in the order given, in any letter case.
    m_activator.classIndex = 0; // the first one tried answers: the contract's third
    QCOMPARE(connection.Connect(L"", L"", L"", L"",
                                {u"{00000000-0000-0000-0000-000000000000}"_s,
                                 contract.at(2).toLower(), contract.at(1)}),
             S_OK);
    QCOMPARE(m_activator.requests.last().classIds, (QStringList{contract.at(2), contract.at(1)}));
    QCOMPARE(connection.ClassIndex(), 2);

    // Nothing the contract knows: the contract's own order.
    QCOMPARE(connection.Connect(L"", L"", L"", L"", {u"{00000000-0000-0000-0000-000000000000}"_s}),
             S_OK);
    QCOMPARE(m_activator.requests.last().classIds, contract);
    QCOMPARE(connection.ClassIndex(), 0);
}

void TestServiceConnection::probeConnectsNothing()
{
    CServiceConnection connection(ServiceContract::Engine);
    QCOMPARE(connection.Probe(L"host", L"user", L"pw", L"dom"), S_OK);
    QVERIFY(!connection.IsConnected());
    QCOMPARE(connection.Computer(), QString());
    QCOMPARE(m_activator.requests.last().computer, u"host"_s);
    m_activator.answers = {E_ACCESSDENIED};
    QCOMPARE(connection.Probe(L"", L"", L"", L""), E_ACCESSDENIED);
}

QTEST_GUILESS_MAIN(TestServiceConnection)
#include "tst_ServiceConnection.moc"

#include "platform/com/CDBusResult.h"
#include "platform/power/CLogindPowerControl.h"
#include "platform/power/CPowerSource.h"
#include "platform/services/CSystemdServiceControl.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestPeerServer.h"

#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// How a test's systemd manager or logind answers: each method, on its path and below, with the
// values or the error name scripted for it, never one it was not given. Calls are recorded as
// "Method:argument,argument".
struct TScript {
    QMutex mutex;
    QHash<QString, QVariantList> replies;
    QHash<QString, QString> errors;
    QStringList calls;
};

// Serves a script on the server's thread.
class CScriptedObject : public QDBusVirtualObject {
public:
    CScriptedObject(TScript* script, QObject* parent)
        : QDBusVirtualObject(parent)
        , m_script(script)
    {}

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QMutexLocker locker(&m_script->mutex);
        QStringList arguments;
        for (const QVariant& argument : message.arguments())
            arguments.append(argument.toString());
        m_script->calls.append(message.member() + u':' + arguments.join(u','));
        if (m_script->errors.contains(message.member()))
            connection.send(message.createErrorReply(m_script->errors.value(message.member()), {}));
        else if (m_script->replies.contains(message.member()))
            connection.send(message.createReply(m_script->replies.value(message.member())));
        return true;
    }

private:
    TScript* m_script;
};

QVariantList Path(const QString& path)
{
    return {QVariant::fromValue(QDBusObjectPath(path))};
}

} // namespace

class TestServicesAndPower : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startTypes_data();
    void startTypes();
    void powerActions_data();
    void powerActions();
    void callersSession();
    void cancelAndWallMessage();
    void refusals();
    void withoutLogind();
    void onBatteryOnlyWhenUPowerSaysSo();

private:
    // SCRIPT served at PATH on a peer connection named NAME; none leads nowhere.
    QDBusConnection Serve(const QString& name, const QString& path, TScript* script);
    QString Pid() const { return QString::number(QCoreApplication::applicationPid()); }

    std::unique_ptr<CTestEnvironment> m_environment;
    std::vector<std::unique_ptr<CTestPeerServer>> m_servers;
    TScript m_system, m_user, m_logind;
    std::unique_ptr<CLogindPowerControl> m_power;
};

void TestServicesAndPower::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Unset("XDG_SESSION_ID");
    for (TScript* script : {&m_system, &m_user, &m_logind}) {
        script->replies.clear();
        script->errors.clear();
        script->calls.clear();
    }
    m_logind.replies = {{u"CanReboot"_s, {u"yes"_s}},
                        {u"CanPowerOff"_s, {u"yes"_s}},
                        {u"GetSessionByPID"_s, Path(u"/org/freedesktop/login1/session/_32"_s)},
                        {u"Get"_s, {QVariant::fromValue(QDBusVariant(u"2"_s))}},
                        {u"Reboot"_s, {}},
                        {u"PowerOff"_s, {}},
                        {u"SetWallMessage"_s, {}},
                        {u"TerminateSession"_s, {}}};
    m_power = std::make_unique<CLogindPowerControl>(
        Serve(u"logind"_s, u"/org/freedesktop/login1"_s, &m_logind), QString());
}

void TestServicesAndPower::cleanup()
{
    m_power.reset();
    for (const QString& name : {u"logind"_s, u"system"_s, u"user"_s})
        QDBusConnection::disconnectFromPeer(name);
    m_servers.clear();
    m_environment.reset();
}

QDBusConnection TestServicesAndPower::Serve(const QString& name, const QString& path,
                                            TScript* script)
{
    const QString socket = m_environment->Root() + u'/' + name;
    m_servers.push_back(std::make_unique<CTestPeerServer>(
        socket, [path, script](QDBusConnection& connection, QObject* owner) {
            if (script)
                connection.registerVirtualObject(path, new CScriptedObject(script, owner),
                                                 QDBusConnection::SubPath);
        }));
    if (!m_servers.back()->Listen())
        return QDBusConnection(u"nowhere"_s);
    QDBusConnection connection = QDBusConnection::connectToPeer(u"unix:path="_s + socket, name);
    // The server takes a connection over on its own thread; a ping answers only once it has,
    // so that no test ends while the hand-over is still under way.
    connection.call(QDBusMessage::createMethodCall(QString(), u"/"_s,
                                                   u"org.freedesktop.DBus.Peer"_s, u"Ping"_s));
    return connection;
}

void TestServicesAndPower::startTypes_data()
{
    // Each manager's state of the unit: "?" it does not know it, "-" there is no such manager,
    // "hang" it never answers.
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("user");
    QTest::addColumn<quint32>("startType");
    QTest::newRow("masked") << u"masked"_s << u"enabled"_s << IServiceControl::kDisabled;
    QTest::newRow("masked by the user for this boot")
        << u"enabled"_s << u"masked-runtime"_s << IServiceControl::kDisabled;
    QTest::newRow("enabled by the user")
        << u"?"_s << u"enabled-runtime"_s << IServiceControl::kAutoStart;
    QTest::newRow("linked, no system manager")
        << u"-"_s << u"linked"_s << IServiceControl::kAutoStart;
    QTest::newRow("disabled") << u"disabled"_s << u"static"_s << IServiceControl::kDemandStart;
    QTest::newRow("no systemd") << u"-"_s << u"-"_s << IServiceControl::kDemandStart;
    QTest::newRow("hung manager") << u"hang"_s << u"masked"_s << IServiceControl::kDisabled;
}

void TestServicesAndPower::startTypes()
{
    QFETCH(QString, system);
    QFETCH(QString, user);
    QFETCH(quint32, startType);
    QList<QDBusConnection> managers;
    for (auto [name, state, manager] :
         {std::tuple(u"system"_s, system, &m_system), std::tuple(u"user"_s, user, &m_user)}) {
        if (state == u"?")
            manager->errors.insert(u"GetUnitFileState"_s, u"org.freedesktop.systemd1.NoSuchUnit"_s);
        else if (state != u"hang")
            manager->replies.insert(u"GetUnitFileState"_s, {state});
        managers.append(state == u"-" ? QDBusConnection(u"nowhere"_s)
                                      : Serve(name, u"/org/freedesktop/systemd1"_s, manager));
    }
    CSystemdServiceControl control(managers, QString());
    QCOMPARE(control.QueryStartType(u"KVAgent"_s, nullptr), E_POINTER);
    QElapsedTimer timer;
    timer.start();
    quint32 answer = 0;
    QCOMPARE(control.QueryStartType(u"KVAgent"_s, &answer), S_OK);
    QCOMPARE(answer, startType);
    QVERIFY(timer.elapsed() < CSystemdServiceControl::kCallTimeoutMs + 1000);
    QCOMPARE(m_system.calls + m_user.calls,
             QStringList(2 - (system == u"-") - (user == u"-"),
                         u"GetUnitFileState:korvane-engine.service"_s));
}

void TestServicesAndPower::powerActions_data()
{
    QTest::addColumn<QString>("answer"); // logind's to CanReboot, CanPowerOff
    QTest::addColumn<HRESULT>("result");
    QTest::addColumn<QString>("interactive"); // of the action's call; empty: not called
    QTest::newRow("yes") << u"yes"_s << S_OK << u"false"_s;
    QTest::newRow("challenge: the user is asked") << u"challenge"_s << S_OK << u"true"_s;
    QTest::newRow("no") << u"no"_s << E_ACCESSDENIED << QString();
    QTest::newRow("not available") << u"na"_s << E_ACCESSDENIED << QString();
}

void TestServicesAndPower::powerActions()
{
    QFETCH(QString, answer);
    QFETCH(HRESULT, result);
    QFETCH(QString, interactive);
    // Each action asks its own question: the other one answers the opposite.
    const QString other = result == S_OK ? u"no"_s : u"yes"_s;
    m_logind.replies[u"CanReboot"_s] = {answer};
    m_logind.replies[u"CanPowerOff"_s] = {other};
    QCOMPARE(m_power->EnablePrivilege(IPowerControl::TAction::Reboot), result);
    QCOMPARE(m_power->Reboot(), result);
    m_logind.replies[u"CanReboot"_s] = {other};
    m_logind.replies[u"CanPowerOff"_s] = {answer};
    QCOMPARE(m_power->EnablePrivilege(IPowerControl::TAction::PowerOff), result);
    QCOMPARE(m_power->PowerOff(u"Finished"_s), result);

    QStringList expected{u"CanReboot:"_s, u"CanReboot:"_s};
    if (!interactive.isEmpty())
        expected << u"Reboot:"_s + interactive;
    expected << u"CanPowerOff:"_s << u"CanPowerOff:"_s;
    if (!interactive.isEmpty())
        expected << u"SetWallMessage:Finished,true"_s << u"PowerOff:"_s + interactive;
    QCOMPARE(m_logind.calls, expected);
}

void TestServicesAndPower::callersSession()
{
    QCOMPARE(m_power->EnablePrivilege(IPowerControl::TAction::LogOff), S_OK);
    m_logind.calls.clear();
    QCOMPARE(m_power->LogOff(), S_OK);
    QCOMPARE(m_logind.calls,
             (QStringList{u"GetSessionByPID:"_s + Pid(), u"Get:org.freedesktop.login1.Session,Id"_s,
                          u"TerminateSession:2"_s}));

    // A process outside its session finds it by the ID it was given, when logind knows it.
    m_logind.errors[u"GetSessionByPID"_s] = u"org.freedesktop.login1.NoSessionForPID"_s;
    m_logind.replies[u"GetSession"_s] = Path(u"/org/freedesktop/login1/session/_37"_s);
    m_environment->Set("XDG_SESSION_ID", u"7"_s);
    QCOMPARE(m_power->LogOff(), S_OK);
    QCOMPARE(m_logind.calls.mid(3), (QStringList{u"GetSessionByPID:"_s + Pid(), u"GetSession:7"_s,
                                                 u"TerminateSession:7"_s}));
    m_logind.errors[u"GetSession"_s] = u"org.freedesktop.login1.NoSuchSession"_s;
    QCOMPARE(m_power->EnablePrivilege(IPowerControl::TAction::LogOff), E_ACCESSDENIED);
    QCOMPARE(m_power->LogOff(), E_ACCESSDENIED);
    QCOMPARE(m_logind.calls.filter(u"TerminateSession"_s).size(), 2);
}

void TestServicesAndPower::cancelAndWallMessage()
{
    m_logind.replies[u"CancelScheduledShutdown"_s] = {true};
    QCOMPARE(m_power->CancelScheduledShutdown(), S_OK);
    m_logind.replies[u"CancelScheduledShutdown"_s] = {false};
    QCOMPARE(m_power->CancelScheduledShutdown(), HRESULT_FROM_WIN32(ERROR_NO_SHUTDOWN_IN_PROGRESS));
    // A logind that cannot show the message still powers off.
    m_logind.errors[u"SetWallMessage"_s] = u"org.freedesktop.DBus.Error.AccessDenied"_s;
    QCOMPARE(m_power->PowerOff(QString()), S_OK);
    QCOMPARE(m_logind.calls.mid(2),
             (QStringList{u"CanPowerOff:"_s, u"SetWallMessage:,true"_s, u"PowerOff:false"_s}));
}

void TestServicesAndPower::refusals()
{
    const QList<std::pair<QString, HRESULT>> errors{
        {u"org.freedesktop.DBus.Error.AccessDenied"_s, E_ACCESSDENIED},
        {u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"_s, E_ACCESSDENIED},
        {u"org.freedesktop.login1.OperationInProgress"_s,
         HRESULT_FROM_WIN32(ERROR_SHUTDOWN_IN_PROGRESS)},
        {u"org.freedesktop.login1.Strange"_s, E_FAIL}};
    for (const auto& [error, result] : errors) {
        for (const QString& method : {u"Reboot"_s, u"PowerOff"_s, u"TerminateSession"_s})
            m_logind.errors[method] = error;
        QCOMPARE(m_power->Reboot(), result);
        QCOMPARE(m_power->PowerOff(u"bye"_s), result);
        QCOMPARE(m_power->LogOff(), result);
    }
}

void TestServicesAndPower::withoutLogind()
{
    CLogindPowerControl noBus(QDBusConnection(u"nowhere"_s), u"org.freedesktop.login1"_s);
    // A peer that serves nothing at logind's path is no logind either.
    CLogindPowerControl nothingServed(Serve(u"system"_s, QString(), nullptr), QString());
    for (IPowerControl* power : std::initializer_list<IPowerControl*>{&noBus, &nothingServed}) {
        for (auto action : {IPowerControl::TAction::Reboot, IPowerControl::TAction::PowerOff,
                            IPowerControl::TAction::LogOff})
            QCOMPARE(power->EnablePrivilege(action), CDBusResult::RpcServerUnavailable);
        QCOMPARE(power->Reboot(), CDBusResult::RpcServerUnavailable);
        QCOMPARE(power->PowerOff(u"bye"_s), CDBusResult::RpcServerUnavailable);
        QCOMPARE(power->LogOff(), CDBusResult::RpcServerUnavailable);
        QCOMPARE(power->CancelScheduledShutdown(), CDBusResult::RpcServerUnavailable);
    }
}

void TestServicesAndPower::onBatteryOnlyWhenUPowerSaysSo()
{
    TScript upower;
    const CPowerSource source(Serve(u"upower"_s, u"/org/freedesktop/UPower"_s, &upower), QString());
    const auto answer = [&upower](const QVariant& value) {
        QMutexLocker locker(&upower.mutex);
        upower.replies.insert(u"Get"_s, {QVariant::fromValue(QDBusVariant(value))});
    };
    answer(true);
    QVERIFY(source.OnBattery());
    QCOMPARE(upower.calls.constLast(), u"Get:org.freedesktop.UPower,OnBattery"_s);
    answer(false);
    QVERIFY(!source.OnBattery());
    // A value of another type, and no answer at all, are not on battery.
    answer(u"true"_s);
    QVERIFY(!source.OnBattery());
    {
        QMutexLocker locker(&upower.mutex);
        upower.replies.clear();
        upower.errors.insert(u"Get"_s, u"org.freedesktop.DBus.Error.UnknownObject"_s);
    }
    QVERIFY(!source.OnBattery());
    QVERIFY(!CPowerSource(QDBusConnection(u"nowhere"_s), QString()).OnBattery());
    QDBusConnection::disconnectFromPeer(u"upower"_s);
}

QTEST_GUILESS_MAIN(TestServicesAndPower)
#include "tst_ServicesAndPower.moc"

// Remote computers over SSH: a test sshd on 127.0.0.1 plays the other machine, with host and
// client keys made here, and a second engine daemon with a runtime folder of its own is that
// machine's engine, which the session's bridge reaches.
#include "core/CSystemMessage.h"
#include "engine/ServiceContract.h"
#include "platform/com/CDBusActivator.h"
#include "platform/com/CDBusResult.h"
#include "platform/com/CSshSession.h"
#include "tests/support/CEngineDaemonProcess.h"

#include <QDBusMessage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const char* const kSshd = "/usr/sbin/sshd";
// Blanks, quotes and shell characters: the password must reach ssh as it is.
const QByteArray kPassword = "s3cret 'with' \"quotes\" & $HOME;";

QString Contract(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

quint16 FreePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

bool Write(const QString& path, const QByteArray& text, QFile::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return permissions == QFile::Permissions() || file.setPermissions(permissions);
}

bool Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

class TestRemoteEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void engineCallsGoOverSsh();
    void failuresAnswerAsTheConnectMessagesExpect_data();
    void failuresAnswerAsTheConnectMessagesExpect();
    void aPasswordReachesSshOnlyThroughTheHelper();

private:
    QString Path(const QString& name) const { return m_root.filePath(name); }
    // The client's configuration for this test run's sshd on port, trusting knownHosts.
    QString ClientConfig(const QString& name, quint16 port, const QString& knownHosts) const;
    static HRESULT CreateEngine(CDBusActivator& activator, const QString& user,
                                const QString& password, CComObjectRef* object);

    QTemporaryDir m_root{u"/tmp/kvssh-XXXXXX"_s};
    QProcess m_sshd;
    quint16 m_port = 0;         // the engine is installed
    quint16 m_barePort = 0;     // korvane-engine is not on the session's PATH
    quint16 m_passwordPort = 0; // passwords only
    CEngineDaemonProcess m_remoteEngine;
};

QString TestRemoteEngine::ClientConfig(const QString& name, quint16 port,
                                       const QString& knownHosts) const
{
    const QString path = Path(name);
    const QByteArray text = u"Host 127.0.0.1\n"
                            "  Port %1\n"
                            "  IdentityFile %2\n"
                            "  IdentitiesOnly yes\n"
                            "  UserKnownHostsFile %3\n"
                            "  GlobalKnownHostsFile /dev/null\n"
                            "  StrictHostKeyChecking yes\n"
                            "  LogLevel ERROR\n"_s.arg(port)
                                .arg(Path(u"client_key"_s), knownHosts)
                                .toUtf8();
    return Write(path, text) ? path : QString();
}

void TestRemoteEngine::initTestCase()
{
    if (!QFileInfo(QString::fromLatin1(kSshd)).isExecutable() ||
        QStandardPaths::findExecutable(u"ssh"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"unshare"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"openssl"_s).isEmpty())
        QSKIP("sshd, ssh, unshare or openssl is missing (scripts/bootstrap installs them)");
    if (::geteuid() != 0)
        QSKIP("the test sshd needs root (CI runs as root)");
    if (!Run(u"unshare"_s, {u"--mount"_s, u"--propagation"_s, u"private"_s, u"true"_s}))
        QSKIP("no mount namespace can be made here, which the test sshd needs for its /run");
    QVERIFY(m_root.isValid());
    for (const QString& key : {u"host_key"_s, u"client_key"_s})
        QVERIFY(Run(u"ssh-keygen"_s,
                    {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, Path(key)}));
    QFile clientKey(Path(u"client_key.pub"_s));
    QVERIFY(clientKey.open(QIODevice::ReadOnly));
    QVERIFY(Write(Path(u"authorized_keys"_s), clientKey.readAll()));

    // This machine's engine as the other machine's: its own runtime folder, reached by the
    // session's bridge.
    const QString remoteBin = Path(u"remote-bin"_s);
    QVERIFY(QDir().mkpath(remoteBin));
    QVERIFY(QFile::link(QStringLiteral(KORVANE_ENGINE_PROGRAM), remoteBin + u"/korvane-engine"_s));
    const QString remoteRun = Path(u"remote-run"_s);
    QVERIFY(QDir().mkpath(remoteRun));
    QVERIFY(QDir().mkpath(Path(u"volume"_s)));
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(remoteRun));
    QVERIFY(m_remoteEngine.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), Path(u"volume"_s),
                                 Path(u"remote-state"_s)));
    // The console's own runtime folder is another.
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(Path(u"console-run"_s)));

    m_port = FreePort();
    m_barePort = FreePort();
    m_passwordPort = FreePort();
    QVERIFY(m_port != 0 && m_barePort != 0 && m_passwordPort != 0);
    QVERIFY(m_port != m_barePort && m_port != m_passwordPort && m_barePort != m_passwordPort);
    // root's password, in a copy of the password file that only the test sshd sees.
    QProcess hash;
    hash.start(u"openssl"_s, {u"passwd"_s, u"-6"_s, u"-stdin"_s});
    QVERIFY(hash.waitForStarted());
    hash.write(kPassword + "\n");
    hash.closeWriteChannel();
    QVERIFY(hash.waitForFinished());
    const QByteArray hashed = hash.readAllStandardOutput().trimmed();
    QVERIFY(hashed.startsWith("$6$"));
    QFile shadow(u"/etc/shadow"_s);
    QVERIFY(shadow.open(QIODevice::ReadOnly));
    QByteArray shadowCopy;
    for (QByteArray line : shadow.readAll().split('\n')) {
        if (line.startsWith("root:")) {
            QList<QByteArray> fields = line.split(':');
            fields[1] = hashed;
            line = fields.join(':');
        }
        if (!line.isEmpty())
            shadowCopy += line + '\n';
    }
    QVERIFY(Write(Path(u"shadow"_s), shadowCopy, QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray config =
        u"ListenAddress 127.0.0.1\n"
        "Port %1\n"
        "Port %2\n"
        "Port %7\n"
        "HostKey %3\n"
        "PidFile none\n"
        "AuthorizedKeysFile %4\n"
        "StrictModes no\n"
        "UsePAM no\n"
        "PasswordAuthentication no\n"
        "KbdInteractiveAuthentication no\n"
        "PermitRootLogin prohibit-password\n"
        "LogLevel ERROR\n"
        "SetEnv PATH=%5:/usr/bin:/bin KORVANE_RUNTIME_DIR=%6\n"
        "Match LocalPort %2\n"
        "  SetEnv PATH=/usr/bin:/bin\n"
        "Match LocalPort %7\n"
        "  PubkeyAuthentication no\n"
        "  PasswordAuthentication yes\n"
        "  PermitRootLogin yes\n"_s.arg(m_port)
            .arg(m_barePort)
            .arg(Path(u"host_key"_s), Path(u"authorized_keys"_s), remoteBin, remoteRun)
            .arg(m_passwordPort)
            .toUtf8();
    QVERIFY(Write(Path(u"sshd_config"_s), config));
    // sshd wants its privilege separation folder under /run: a tmpfs of the test's own, in a
    // mount namespace of its own.
    m_sshd.setProcessChannelMode(QProcess::ForwardedChannels);
    m_sshd.start(u"unshare"_s,
                 {u"--mount"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                  u"mount -t tmpfs kvssh /run && mkdir /run/sshd && mount --bind %3 /etc/shadow && "
                  "exec %1 -D -e -f %2"_s.arg(QString::fromLatin1(kSshd), Path(u"sshd_config"_s),
                                              Path(u"shadow"_s))});
    QVERIFY(m_sshd.waitForStarted());
    const auto listening = [this] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_barePort);
        return probe.waitForConnected(200);
    };
    QTRY_VERIFY_WITH_TIMEOUT(listening(), 10000);

    // The client: ssh with this test's configuration, through a wrapper first on the PATH.
    QFile hostKey(Path(u"host_key.pub"_s));
    QVERIFY(hostKey.open(QIODevice::ReadOnly));
    const QByteArray key = hostKey.readAll().split(' ').mid(0, 2).join(' ');
    QByteArray knownHosts;
    for (quint16 port : {m_port, m_barePort, m_passwordPort})
        knownHosts += "[127.0.0.1]:" + QByteArray::number(port) + ' ' + key + '\n';
    QVERIFY(Write(Path(u"known_hosts"_s), knownHosts));
    QVERIFY(Write(Path(u"empty_known_hosts"_s), QByteArray()));
    const QString bin = Path(u"bin"_s);
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(Write(bin + u"/ssh"_s,
                  "#!/bin/sh\nexec /usr/bin/ssh -F \"$KVTEST_SSH_CONFIG\" \"$@\"\n",
                  QFile::ReadOwner | QFile::ExeOwner));
    // korvane-askpass is found on the PATH, beside the engine.
    qputenv("PATH",
            QFile::encodeName(bin) + ':' +
                QFile::encodeName(QFileInfo(QStringLiteral(KORVANE_ENGINE_PROGRAM)).path()) +
                ":/usr/bin:/bin");
}

void TestRemoteEngine::cleanupTestCase()
{
    if (m_sshd.state() != QProcess::NotRunning) {
        m_sshd.terminate();
        m_sshd.waitForFinished(5000);
    }
    QVERIFY(m_remoteEngine.Stop());
}

HRESULT TestRemoteEngine::CreateEngine(CDBusActivator& activator, const QString& user,
                                       const QString& password, CComObjectRef* object)
{
    QStringList classIds;
    for (std::string_view id : ServiceContract::Engine.classIds) {
        if (!id.empty())
            classIds.append(Contract(id));
    }
    return activator.CreateInstance(classIds, Contract(ServiceContract::Engine.interfaceId),
                                    u"127.0.0.1"_s, {user, password, {}}, object);
}

void TestRemoteEngine::engineCallsGoOverSsh()
{
    qputenv("KVTEST_SSH_CONFIG",
            QFile::encodeName(ClientConfig(u"client.conf"_s, m_port, Path(u"known_hosts"_s))));
    CDBusActivator activator;
    CComObjectRef engine;
    QCOMPARE(CreateEngine(activator, QString(), QString(), &engine), S_OK);
    QVERIFY(engine.IsValid());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString(), engine.Path(), u"com.tellmar.korvane.Engine"_s, u"GetVolumes"_s);
    const QDBusMessage reply = engine.Connection().call(call, QDBus::Block, 30000);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(reply.arguments().value(0).toInt(), S_OK);
    // The remote engine serves the one volume it was given.
    QCOMPARE(reply.arguments().value(1).toStringList().size(), 1);

    // The remote engine restarts: the next creation finds the old connection dead and makes a
    // new one through the same SSH connection.
    QVERIFY(m_remoteEngine.Stop());
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(Path(u"remote-run"_s)));
    const bool restarted = m_remoteEngine.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                                                Path(u"volume"_s), Path(u"remote-state"_s));
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(Path(u"console-run"_s)));
    QVERIFY(restarted);
    CComObjectRef again;
    QCOMPARE(CreateEngine(activator, QString(), QString(), &again), S_OK);
    call = QDBusMessage::createMethodCall(QString(), again.Path(), u"com.tellmar.korvane.Engine"_s,
                                          u"GetVolumes"_s);
    QCOMPARE(again.Connection().call(call, QDBus::Block, 30000).arguments().value(0).toInt(), S_OK);
}

void TestRemoteEngine::failuresAnswerAsTheConnectMessagesExpect_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("port"); // 0: the engine's, 1: without the engine, 2: nothing listens
    QTest::addColumn<bool>("hostKnown");
    QTest::addColumn<int>("expected");
    QTest::newRow("login refused") << u"nobody"_s << 0 << true << int(E_ACCESSDENIED);
    QTest::newRow("nothing listens")
        << QString() << 2 << true << int(CDBusResult::RpcServerUnavailable);
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
    const quint16 ports[] = {m_port, m_barePort, FreePort()};
    qputenv("KVTEST_SSH_CONFIG",
            QFile::encodeName(ClientConfig(
                u"client-%1.conf"_s.arg(QString::fromLatin1(QTest::currentDataTag()))
                    .replace(u' ', u'-'),
                ports[port], Path(hostKnown ? u"known_hosts"_s : u"empty_known_hosts"_s))));
    CDBusActivator activator;
    CComObjectRef engine;
    QCOMPARE(CreateEngine(activator, user, QString(), &engine), HRESULT(expected));
    QVERIFY(!engine.IsValid());
    QVERIFY(!CSystemMessage::Text(HRESULT(expected)).startsWith(u"Unknown error"_s));
}

void TestRemoteEngine::aPasswordReachesSshOnlyThroughTheHelper()
{
    qputenv("KVTEST_SSH_CONFIG", QFile::encodeName(ClientConfig(u"password.conf"_s, m_passwordPort,
                                                                Path(u"known_hosts"_s))));
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

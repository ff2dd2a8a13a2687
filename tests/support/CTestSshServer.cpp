#include "tests/support/CTestSshServer.h"

#include "engine/ServiceContract.h"
#include "platform/com/CDBusActivator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const char* const kSshd = "/usr/sbin/sshd";

quint16 FreePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

bool WriteFile(const QString& path, const QByteArray& text, QFile::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return permissions == QFile::Permissions() || file.setPermissions(permissions);
}

// The program's standard output, when it ran to success.
bool RunProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                QByteArray* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(output ? QProcess::ForwardedErrorChannel
                                         : QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

} // namespace

CTestSshServer::CTestSshServer(QString folder)
    : m_folder(std::move(folder))
{}

CTestSshServer::~CTestSshServer()
{
    Stop();
}

QString CTestSshServer::Path(const QString& name) const
{
    return m_folder + u'/' + name;
}

QString CTestSshServer::Unavailable()
{
    if (::geteuid() != 0)
        return u"the test sshd needs root (CI runs as root)"_s;
    for (const QString& program : {u"ssh"_s, u"ssh-keygen"_s, u"unshare"_s, u"openssl"_s}) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return program + u" is missing (scripts/bootstrap installs it)"_s;
    }
    if (!QFileInfo(QString::fromLatin1(kSshd)).isExecutable())
        return u"sshd is missing (scripts/bootstrap installs openssh-server)"_s;
    if (!RunProgram(u"unshare"_s, {u"--mount"_s, u"--propagation"_s, u"private"_s, u"true"_s}))
        return u"no mount namespace can be made here, which the test sshd needs for its /run"_s;
    return {};
}

bool CTestSshServer::Start(const QString& remoteProgram, const QString& remoteRuntime,
                           const QByteArray& rootPassword, QString* error)
{
    const auto fail = [error](const QString& why) {
        *error = why;
        return false;
    };
    for (const QString& key : {u"host_key"_s, u"client_key"_s}) {
        QFile::remove(Path(key));
        if (!RunProgram(u"ssh-keygen"_s,
                        {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, Path(key)}))
            return fail(u"ssh-keygen failed"_s);
    }
    QFile clientKey(Path(u"client_key.pub"_s));
    if (!clientKey.open(QIODevice::ReadOnly) ||
        !WriteFile(Path(u"authorized_keys"_s), clientKey.readAll()))
        return fail(u"no authorized key"_s);
    const QString remoteBin = Path(u"remote-bin"_s);
    QFile::remove(remoteBin + u"/korvane-engine"_s);
    if (!QDir().mkpath(remoteBin) || !QFile::link(remoteProgram, remoteBin + u"/korvane-engine"_s))
        return fail(u"cannot place korvane-engine for the sessions"_s);

    // root's password, in a copy of the password file that only this sshd sees.
    QByteArray hashed;
    if (!RunProgram(u"openssl"_s, {u"passwd"_s, u"-6"_s, u"-stdin"_s}, rootPassword + '\n',
                    &hashed))
        return fail(u"openssl passwd failed"_s);
    QFile shadow(u"/etc/shadow"_s);
    if (!shadow.open(QIODevice::ReadOnly))
        return fail(u"cannot read /etc/shadow"_s);
    QByteArray shadowCopy;
    for (QByteArray line : shadow.readAll().split('\n')) {
        if (line.startsWith("root:")) {
            QList<QByteArray> fields = line.split(':');
            fields[1] = hashed.trimmed();
            line = fields.join(':');
        }
        if (!line.isEmpty())
            shadowCopy += line + '\n';
    }
    if (!WriteFile(Path(u"shadow"_s), shadowCopy, QFile::ReadOwner | QFile::WriteOwner))
        return fail(u"cannot write the password file's copy"_s);

    for (quint16& port : m_ports)
        port = FreePort();
    if (m_ports[0] == 0 || m_ports[1] == 0 || m_ports[2] == 0 || m_ports[0] == m_ports[1] ||
        m_ports[0] == m_ports[2] || m_ports[1] == m_ports[2])
        return fail(u"no free ports"_s);
    const QByteArray config =
        u"ListenAddress 127.0.0.1\n"
        "Port %1\n"
        "Port %2\n"
        "Port %3\n"
        "HostKey %4\n"
        "PidFile none\n"
        "AuthorizedKeysFile %5\n"
        "StrictModes no\n"
        "UsePAM no\n"
        "PasswordAuthentication no\n"
        "KbdInteractiveAuthentication no\n"
        "PermitRootLogin prohibit-password\n"
        "LogLevel ERROR\n"
        "SetEnv PATH=%6:/usr/bin:/bin KORVANE_RUNTIME_DIR=%7\n"
        "Match LocalPort %2\n"
        "  SetEnv PATH=/usr/bin:/bin\n"
        "Match LocalPort %3\n"
        "  PubkeyAuthentication no\n"
        "  PasswordAuthentication yes\n"
        "  PermitRootLogin yes\n"_s.arg(m_ports[0])
            .arg(m_ports[1])
            .arg(m_ports[2])
            .arg(Path(u"host_key"_s), Path(u"authorized_keys"_s), remoteBin, remoteRuntime)
            .toUtf8();
    if (!WriteFile(Path(u"sshd_config"_s), config))
        return fail(u"cannot write sshd_config"_s);
    m_sshd.setProcessChannelMode(QProcess::ForwardedChannels);
    m_sshd.start(u"unshare"_s,
                 {u"--mount"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                  u"mount -t tmpfs kvssh /run && mkdir /run/sshd && mount --bind %3 /etc/shadow && "
                  "exec %1 -D -e -f %2"_s.arg(QString::fromLatin1(kSshd), Path(u"sshd_config"_s),
                                              Path(u"shadow"_s))});
    if (!m_sshd.waitForStarted())
        return fail(u"sshd did not start"_s);
    const bool listening = QTest::qWaitFor(
        [this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_ports[2]);
            return probe.waitForConnected(200);
        },
        10000);
    if (!listening)
        return fail(u"sshd does not listen"_s);

    // ssh of this process: the wrapper first on the PATH.
    const QString bin = Path(u"bin"_s);
    if (!QDir().mkpath(bin) ||
        !WriteFile(bin + u"/ssh"_s,
                   "#!/bin/sh\nexec /usr/bin/ssh -F \"$KVTEST_SSH_CONFIG\" \"$@\"\n",
                   QFile::ReadOwner | QFile::ExeOwner))
        return fail(u"cannot write the ssh wrapper"_s);
    qputenv("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    return true;
}

void CTestSshServer::Stop()
{
    if (m_sshd.state() == QProcess::NotRunning)
        return;
    m_sshd.terminate();
    m_sshd.waitForFinished(5000);
}

bool CTestSshServer::UseClient(quint16 port, bool hostKnown)
{
    QByteArray knownHosts;
    if (hostKnown) {
        QFile hostKey(Path(u"host_key.pub"_s));
        if (!hostKey.open(QIODevice::ReadOnly))
            return false;
        knownHosts = "[127.0.0.1]:" + QByteArray::number(port) + ' ' +
                     hostKey.readAll().split(' ').mid(0, 2).join(' ') + '\n';
    }
    const QString knownHostsPath = Path(u"known_hosts-%1"_s.arg(port));
    const QString configPath = Path(u"client-%1.conf"_s.arg(port));
    const QByteArray config = u"Host 127.0.0.1\n"
                              "  Port %1\n"
                              "  IdentityFile %2\n"
                              "  IdentitiesOnly yes\n"
                              "  UserKnownHostsFile %3\n"
                              "  GlobalKnownHostsFile /dev/null\n"
                              "  StrictHostKeyChecking yes\n"
                              "  LogLevel ERROR\n"_s.arg(port)
                                  .arg(Path(u"client_key"_s), knownHostsPath)
                                  .toUtf8();
    if (!WriteFile(knownHostsPath, knownHosts) || !WriteFile(configPath, config))
        return false;
    qputenv("KVTEST_SSH_CONFIG", QFile::encodeName(configPath));
    return true;
}

HRESULT CTestSshServer::CreateEngine(CDBusActivator& activator, const QString& user,
                                     const QString& password, CComObjectRef* engine)
{
    const auto text = [](std::string_view id) {
        return QString::fromLatin1(id.data(), qsizetype(id.size()));
    };
    QStringList classIds;
    for (std::string_view id : ServiceContract::Engine.classIds) {
        if (!id.empty())
            classIds.append(text(id));
    }
    return activator.CreateInstance(classIds, text(ServiceContract::Engine.interfaceId),
                                    u"127.0.0.1"_s, {user, password, {}}, engine);
}

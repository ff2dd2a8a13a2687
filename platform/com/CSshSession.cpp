#include "platform/com/CSshSession.h"

#include "platform/CArgv.h"
#include "platform/CRuntimeDirectory.h"
#include "platform/com/CDBusResult.h"
#include "platform/com/CSshAskpass.h"
#include "platform/com/CSshNoticeRelay.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace Qt::StringLiterals;

const char* const CSshSession::kProgram = "ssh";
const char* const CSshSession::kRemoteProgram = "korvane-engine";

namespace {

// A shell's answer for a command it cannot find.
constexpr int kCommandNotFound = 127;
// ssh's own failures (as opposed to the remote command's).
constexpr int kSshFailed = 255;

} // namespace

CSshSession::CSshSession(QString computer, QString user)
    : m_computer(std::move(computer))
    , m_user(std::move(user))
{
    // The control socket's name is short whatever the names are: a socket path is bounded.
    QString folder;
    if (CRuntimeDirectory::Ensure(u"ssh"_s, &folder) != ERROR_SUCCESS)
        folder = CRuntimeDirectory::Path();
    // Each console has masters of its own: one that ends never takes another's connections with
    // it.
    const QByteArray identity =
        (m_user + u'@' + m_computer + u'#' + QString::number(::getpid())).toUtf8();
    m_controlPath =
        folder + u'/' +
        QString::fromLatin1(
            QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex().left(16));
}

CSshSession::~CSshSession()
{
    m_relays.clear();
    if (m_opened)
        Close();
}

QStringList CSshSession::CommonArguments() const
{
    // No X11 forwarding, no terminal; the master is found by its control socket.
    QStringList arguments = {u"-x"_s, u"-T"_s, u"-oControlPath="_s + m_controlPath};
    if (!m_user.isEmpty())
        arguments << u"-l"_s << m_user;
    return arguments;
}

int CSshSession::RunSsh(const QStringList& arguments, int timeoutMs, QString* standardError,
                        const QStringList& environment) const
{
    QProcess ssh;
    ssh.setProgram(QString::fromLatin1(kProgram));
    if (!environment.isEmpty())
        ssh.setEnvironment(QProcess::systemEnvironment() + environment);
    ssh.setArguments(arguments);
    ssh.setStandardInputFile(QProcess::nullDevice());
    ssh.setStandardOutputFile(QProcess::nullDevice());
    // One bound for the whole run: a connection attempt waits no longer than it was given.
    const QDeadlineTimer deadline(timeoutMs);
    ssh.start();
    if (!ssh.waitForStarted(static_cast<int>(deadline.remainingTime())))
        return -1;
    if (!ssh.waitForFinished(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
        ssh.kill();
        ssh.waitForFinished(1000);
        if (standardError)
            *standardError = u"timed out"_s;
        return kSshFailed;
    }
    if (standardError)
        *standardError = QString::fromLocal8Bit(ssh.readAllStandardError());
    return ssh.exitStatus() == QProcess::NormalExit ? ssh.exitCode() : kSshFailed;
}

bool CSshSession::IsOpen() const
{
    // Without its control socket no master runs; asking would cost a process.
    return QFileInfo::exists(m_controlPath) &&
           RunSsh(CommonArguments() << u"-Ocheck"_s << u"--"_s << m_computer, 5000, nullptr) == 0;
}

HRESULT CSshSession::Open(int timeoutMs, const QString& password)
{
    if (IsOpen())
        return S_OK;
    // Without a password nothing may ask: keys and agent only. With one, ssh asks
    // korvane-askpass, which answers its one password prompt and refuses any other question.
    std::unique_ptr<CSshAskpass> askpass;
    if (!password.isEmpty())
        askpass = std::make_unique<CSshAskpass>(password);
    const bool asks = askpass && askpass->IsValid();
    // The master goes into the background once logged in, running no command of its own: the
    // sessions find out soon enough whether the engine is there (Diagnose).
    QStringList arguments = CommonArguments() << u"-oControlMaster=yes"_s
                                              << u"-oControlPersist=600"_s << u"-f"_s << u"-N"_s;
    if (asks)
        arguments << u"-oBatchMode=no"_s << u"-oNumberOfPasswordPrompts=1"_s;
    else
        arguments << u"-oBatchMode=yes"_s;
    arguments << u"-oConnectTimeout=%1"_s.arg(std::max(1, timeoutMs / 1000))
              << u"-oServerAliveInterval=15"_s << u"--"_s << m_computer;
    QString standardError;
    const int exitCode =
        RunSsh(arguments, timeoutMs, &standardError, asks ? askpass->Environment() : QStringList());
    // A master may be left even when logging in failed.
    m_opened = exitCode >= 0;
    // Without ssh here, the other computer cannot be reached.
    if (exitCode < 0)
        return CDBusResult::RpcServerUnavailable;
    return exitCode == 0 ? S_OK : FailureOf(exitCode, standardError);
}

HRESULT CSshSession::Diagnose(int timeoutMs) const
{
    QString standardError;
    const int exitCode =
        RunSsh(SessionArguments({QString::fromLatin1(kRemoteProgram), u"--version"_s}), timeoutMs,
               &standardError);
    if (exitCode < 0)
        return CDBusResult::RpcServerUnavailable;
    // The engine is there: what failed was reaching it.
    return exitCode == 0 ? CDBusResult::RpcServerUnavailable : FailureOf(exitCode, standardError);
}

void CSshSession::Close()
{
    m_relays.clear();
    m_opened = false;
    // Without Qt's process machinery: a console's last activator ends after its application
    // object, and its masters must end with it all the same.
    CArgv argv(kProgram, CommonArguments() << u"-Oexit"_s << u"--"_s << m_computer);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, kProgram, &actions, nullptr, argv.Get(), environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

HRESULT CSshSession::FailureOf(int exitCode, const QString& standardError)
{
    if (exitCode == kCommandNotFound)
        return REGDB_E_CLASSNOTREG;
    if (exitCode != kSshFailed)
        return CDBusResult::RpcServerUnavailable;
    // OpenSSH's messages are not translated.
    if (standardError.contains(u"Host key verification failed"_s) ||
        standardError.contains(u"REMOTE HOST IDENTIFICATION HAS CHANGED"_s) ||
        standardError.contains(u"No matching host key"_s))
        return kHostKeyNotTrusted;
    if (standardError.contains(u"Permission denied"_s) ||
        standardError.contains(u"Too many authentication failures"_s))
        return E_ACCESSDENIED;
    return CDBusResult::RpcServerUnavailable;
}

QString CSshSession::EscapeAddressValue(const QString& value)
{
    QString escaped;
    for (const char byte : value.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '/' || c == '.' ||
                           c == '*';
        escaped +=
            plain ? QString(QLatin1Char(char(c))) : u"%%1"_s.arg(uint(c), 2, 16, QChar(u'0'));
    }
    return escaped;
}

QStringList CSshSession::SessionArguments(const QStringList& command) const
{
    return CommonArguments() << u"-oControlMaster=no"_s << u"-oBatchMode=yes"_s << u"--"_s
                             << m_computer << command;
}

QString CSshSession::BusAddress() const
{
    const QStringList arguments =
        SessionArguments({QString::fromLatin1(kRemoteProgram), u"--stdio-bridge"_s});
    QString address = u"unixexec:path="_s + EscapeAddressValue(QString::fromLatin1(kProgram)) +
                      u",argv0="_s + EscapeAddressValue(QString::fromLatin1(kProgram));
    for (int index = 0; index < arguments.size(); ++index)
        address += u",argv%1="_s.arg(index + 1) + EscapeAddressValue(arguments.at(index));
    return address;
}

HRESULT CSshSession::RelayNotices(const QString& mailslot, int timeoutMs)
{
    // The remote command is a line of the other computer's shell: only names that no shell
    // reads otherwise (the listeners' are UUIDs).
    static const QRegularExpression plain(u"^[A-Za-z0-9][A-Za-z0-9._-]{0,99}$"_s);
    if (!plain.match(mailslot).hasMatch())
        return E_INVALIDARG;
    // Relays that have ended are let go on the way.
    std::erase_if(m_relays, [](const auto& entry) { return !entry.second->IsRunning(); });
    if (m_relays.contains(mailslot))
        return S_OK;
    auto relay = std::make_unique<CSshNoticeRelay>(mailslot);
    const HRESULT started = relay->Start(
        SessionArguments({QString::fromLatin1(kRemoteProgram), u"--notice-relay"_s, mailslot}),
        timeoutMs);
    if (SUCCEEDED(started))
        m_relays.emplace(mailslot, std::move(relay));
    return started;
}

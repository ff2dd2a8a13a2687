#include "platform/com/CSshNoticeRelay.h"

#include "platform/CArgv.h"
#include "platform/com/CDBusResult.h"
#include "platform/com/CSshSession.h"
#include "platform/mailslot/IMailslot.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr size_t kReadBytes = 256 * 1024;
// What is kept of ssh's complaints, for telling its failures apart.
constexpr qsizetype kErrorTextBytes = 64 * 1024;
// How often an idle relay looks whether its listener is still there.
constexpr int kListenerLookMs = 1000;
constexpr int kProcessEndMs = 2000;

void CloseFd(int* fd)
{
    if (*fd >= 0)
        ::close(*fd);
    *fd = -1;
}

// Reads what FD has into TEXT, up to kErrorTextBytes kept; false at its end.
bool TakeErrors(int fd, QByteArray* text)
{
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0)
        return errno == EINTR || errno == EAGAIN;
    if (got == 0)
        return false;
    if (text->size() < kErrorTextBytes)
        text->append(buffer, std::min<qsizetype>(got, kErrorTextBytes - text->size()));
    return true;
}

} // namespace

CSshNoticeRelay::CSshNoticeRelay(QString mailslot)
    : m_mailslot(std::move(mailslot))
{}

CSshNoticeRelay::~CSshNoticeRelay()
{
    if (m_thread.joinable()) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t woken = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    EndProcess();
    CloseFd(&m_wake);
}

HRESULT CSshNoticeRelay::Start(const QStringList& sshArguments, int timeoutMs)
{
    if (m_pid >= 0)
        return E_UNEXPECTED;
    int input[2], output[2], errors[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return CDBusResult::RpcServerUnavailable;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return CDBusResult::RpcServerUnavailable;
    }
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        for (int fd : {input[0], input[1], output[0], output[1]})
            ::close(fd);
        return CDBusResult::RpcServerUnavailable;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    CArgv argv(CSshSession::kProgram, sshArguments);
    const int spawned =
        ::posix_spawnp(&m_pid, CSshSession::kProgram, &actions, nullptr, argv.Get(), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {input[0], output[1], errors[1]})
        ::close(fd);
    m_input = input[1];
    m_output = output[0];
    m_errors = errors[0];
    if (spawned != 0) {
        m_pid = -1;
        EndProcess();
        return CDBusResult::RpcServerUnavailable;
    }
    if (const HRESULT greeted = AwaitGreeting(timeoutMs); FAILED(greeted)) {
        EndProcess();
        return greeted;
    }
    m_target = IMailslot::Make();
    if (const DWORD opened = m_target->Open(QString(), m_mailslot); opened != ERROR_SUCCESS) {
        EndProcess();
        return HRESULT_FROM_WIN32(opened);
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC);
    if (m_wake < 0) {
        EndProcess();
        return E_OUTOFMEMORY;
    }
    m_running = true;
    m_thread = std::thread([this] { Forward(); });
    return S_OK;
}

HRESULT CSshNoticeRelay::AwaitGreeting(int timeoutMs)
{
    const QByteArray greeting(CMailslotStream::kGreeting);
    QByteArray received;
    const QDeadlineTimer deadline(timeoutMs);
    while (received.size() < greeting.size()) {
        pollfd waits[2] = {{m_output, POLLIN, 0}, {m_errors, POLLIN, 0}};
        const int ready = ::poll(waits, m_errors >= 0 ? 2 : 1,
                                 static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return CDBusResult::RpcServerUnavailable; // no answer in time
        if (waits[1].revents != 0 && !TakeErrors(m_errors, &m_errorText))
            CloseFd(&m_errors);
        if (waits[0].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            // ssh, or the relay there, has ended: its exit code tells why.
            while (m_errors >= 0 && TakeErrors(m_errors, &m_errorText)) {
            }
            int status = 0;
            const pid_t ended = ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            const int exitCode = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : 255;
            const HRESULT failure =
                CSshSession::FailureOf(exitCode, QString::fromLocal8Bit(m_errorText));
            return failure == S_OK ? CDBusResult::RpcServerUnavailable : failure;
        }
        received.append(buffer, got);
    }
    if (!received.startsWith(greeting))
        return CDBusResult::RpcServerUnavailable;
    const QByteArray rest = received.mid(greeting.size());
    m_stream.Feed(rest.constData(), rest.size());
    return S_OK;
}

bool CSshNoticeRelay::ListenerExists() const
{
    const std::unique_ptr<IMailslot> probe = IMailslot::Make();
    return probe->Open(QString(), m_mailslot) != ERROR_FILE_NOT_FOUND;
}

void CSshNoticeRelay::Forward()
{
    pthread_setname_np(pthread_self(), "kv-relay");
    std::vector<char> buffer(kReadBytes);
    bool going = true;
    const auto deliver = [this, &going] {
        QByteArray message;
        for (;;) {
            const CMailslotStream::TNext next = m_stream.Next(&message);
            if (next == CMailslotStream::TNext::NeedMore)
                return;
            // A broken stream or a listener gone ends the relay: nothing after it could be
            // delivered in order.
            if (next == CMailslotStream::TNext::Broken ||
                m_target->Write(message) != ERROR_SUCCESS) {
                going = false;
                return;
            }
        }
    };
    deliver(); // what came with the greeting
    while (going) {
        pollfd waits[3] = {{m_wake, POLLIN, 0}, {m_output, POLLIN, 0}, {m_errors, POLLIN, 0}};
        const int ready = ::poll(waits, m_errors >= 0 ? 3 : 2, kListenerLookMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (waits[0].revents != 0)
            break;
        if (ready == 0) {
            going = ListenerExists();
            continue;
        }
        if (m_errors >= 0 && waits[2].revents != 0 && !TakeErrors(m_errors, &m_errorText))
            CloseFd(&m_errors);
        if (waits[1].revents == 0)
            continue;
        const ssize_t got = ::read(m_output, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            break;
        m_stream.Feed(buffer.data(), got);
        deliver();
    }
    m_running = false;
    // The far end sees its input end and closes its mailslot.
    CloseFd(&m_input);
}

void CSshNoticeRelay::EndProcess()
{
    // Neither end waits on the other any more: the far end's input ends, and what it still
    // writes has nowhere to go.
    CloseFd(&m_input);
    CloseFd(&m_output);
    if (m_pid > 0) {
        const QDeadlineTimer deadline(kProcessEndMs);
        int status = 0;
        pid_t ended = 0;
        while ((ended = ::waitpid(m_pid, &status, WNOHANG)) == 0 && !deadline.hasExpired())
            ::usleep(10 * 1000);
        if (ended == 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
        }
    }
    m_pid = -1;
    CloseFd(&m_errors);
    if (m_target)
        m_target->Close();
}

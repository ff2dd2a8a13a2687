#include "refengine/CNoticeRelay.h"

#include "core/CSystemMessage.h"
#include "platform/mailslot/CMailslotStream.h"
#include "platform/mailslot/IMailslot.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <stop_token>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Messages are gathered up to this much, or for as long as more follow within kGatherMs, before
// one write.
constexpr qsizetype kBatchBytes = 64 * 1024;
constexpr DWORD kGatherMs = 1;
// The most a notice waits for others to join it.
constexpr std::chrono::milliseconds kLongestGather{5};

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// Asks STOP to end once IN has ended; anything read on it is of no meaning. Returns when WAKE is
// signalled.
void WatchInput(int in, int wake, std::stop_source stop)
{
    char discard[512];
    for (;;) {
        pollfd waits[2] = {{in, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (waits[1].revents != 0)
            return;
        const ssize_t got = ::read(in, discard, sizeof discard);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            break;
    }
    stop.request_stop();
}

} // namespace

int CNoticeRelay::Run(const QString& name, int inFd, int outFd, QString* error)
{
    std::unique_ptr<IMailslot> mailslot = IMailslot::Make();
    // No read waits: the loop below waits for messages itself.
    if (const DWORD created = mailslot->Create(name, 0, 0); created != ERROR_SUCCESS) {
        *error = u"cannot create the mailslot %1: %2"_s.arg(
            name, CSystemMessage::Text(HRESULT_FROM_WIN32(created)));
        return 1;
    }
    if (!WriteAll(outFd, CMailslotStream::kGreeting, sizeof CMailslotStream::kGreeting - 1))
        return 0;

    std::stop_source stop;
    const int wake = ::eventfd(0, EFD_CLOEXEC);
    if (wake < 0) {
        *error = u"eventfd: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return 1;
    }
    std::thread watcher(WatchInput, inFd, wake, stop);

    int result = 0;
    QByteArray batch;
    while (!stop.stop_requested()) {
        const DWORD waited = mailslot->WaitForMessage(MAILSLOT_WAIT_FOREVER, stop.get_token());
        if (waited == ERROR_CANCELLED)
            break;
        // What is waiting goes out together, and what follows within kGatherMs joins it: each
        // write becomes SSH packets of its own, so one write per notice of a burst would cost
        // far more than the notices themselves.
        DWORD failed = ERROR_SUCCESS;
        std::chrono::steady_clock::time_point gatherEnd;
        for (;;) {
            // Reads never wait (a read time-out of 0): a time-out is an empty mailslot.
            QByteArray message;
            const DWORD read = mailslot->Read(&message);
            if (read == ERROR_SEM_TIMEOUT) {
                if (batch.isEmpty() || std::chrono::steady_clock::now() >= gatherEnd ||
                    mailslot->WaitForMessage(kGatherMs, stop.get_token()) != ERROR_SUCCESS)
                    break;
                continue;
            }
            if (read != ERROR_SUCCESS) {
                failed = read;
                break;
            }
            if (batch.isEmpty())
                gatherEnd = std::chrono::steady_clock::now() + kLongestGather;
            CMailslotStream::Append(&batch, message);
            if (batch.size() >= kBatchBytes)
                break;
        }
        if (!batch.isEmpty() && !WriteAll(outFd, batch.constData(), batch.size()))
            stop.request_stop();
        batch.truncate(0); // keeps its room for the next batch
        if (failed != ERROR_SUCCESS) {
            *error = u"the mailslot %1 failed: %2"_s.arg(
                name, CSystemMessage::Text(HRESULT_FROM_WIN32(failed)));
            result = 1;
            break;
        }
    }
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t woken = ::write(wake, &one, sizeof one);
    watcher.join();
    ::close(wake);
    mailslot->Close();
    return result;
}

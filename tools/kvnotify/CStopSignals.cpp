#include "tools/kvnotify/CStopSignals.h"

#include "core/CWin32Error.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

CStopSignals::CStopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    // The mask stays blocked for good: unblocking on the way out would let a second SIGTERM
    // still pending kill the process instead of letting it end with 0.
    if (const int blocked = pthread_sigmask(SIG_BLOCK, &set, nullptr); blocked != 0) {
        m_error = CWin32Error::FromErrno(blocked, ERROR_INVALID_FUNCTION);
        return;
    }
    m_fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_fd < 0)
        m_error = CWin32Error::FromErrno(errno, ERROR_INVALID_FUNCTION);
}

CStopSignals::~CStopSignals()
{
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void CStopSignals::Watch(std::function<void(int)> caught)
{
    if (m_fd < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this, caught = std::move(caught)] {
                         signalfd_siginfo info;
                         while (::read(m_fd, &info, sizeof info) == sizeof info)
                             caught(static_cast<int>(info.ssi_signo));
                     });
}

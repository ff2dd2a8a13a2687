#pragma once

#include "core/HResult.h"

#include <functional>
#include <memory>

class QSocketNotifier;

// SIGINT and SIGTERM as events: both are blocked and read from a signalfd in the event loop,
// so no handler runs at all and no thread has a call cut short by them. The mask is inherited
// by threads started later, which is why this must exist before any other thread does.
class CStopSignals {
public:
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    // 0, or why the signals cannot be caught.
    DWORD Error() const { return m_error; }
    // Calls back from this thread's event loop (which must exist by now) with the signal's
    // number each time one arrives.
    void Watch(std::function<void(int)> caught);

private:
    int m_fd = -1;
    DWORD m_error = ERROR_SUCCESS;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

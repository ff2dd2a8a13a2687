#include "platform/mailslot/IMailslot.h"

#include "platform/mailslot/CUnixMailslot.h"

#include <QMutex>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

QMutex g_factoryMutex;
IMailslot::TFactory g_factory;

} // namespace

DWORD IMailslot::WaitForMessage(DWORD timeoutMs, std::stop_token stop)
{
    if (!IsOpen())
        return ERROR_INVALID_HANDLE;
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    const auto stopped = [] { return false; };
    if (timeoutMs == MAILSLOT_WAIT_FOREVER)
        never.wait(lock, stop, stopped);
    else
        never.wait_for(lock, stop, std::chrono::milliseconds(timeoutMs), stopped);
    return stop.stop_requested() ? ERROR_CANCELLED : ERROR_SEM_TIMEOUT;
}

std::unique_ptr<IMailslot> IMailslot::Make()
{
    TFactory factory;
    {
        QMutexLocker locker(&g_factoryMutex);
        factory = g_factory;
    }
    // Called outside the lock so that a factory may itself use Make or SetFactory.
    if (factory)
        return factory();
    return std::make_unique<CUnixMailslot>();
}

void IMailslot::SetFactory(TFactory factory)
{
    QMutexLocker locker(&g_factoryMutex);
    g_factory = std::move(factory);
}

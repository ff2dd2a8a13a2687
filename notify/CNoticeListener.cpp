#include "notify/CNoticeListener.h"

#include "notify/CMailSlotTransport.h"

#include <QtEndian>

#include <pthread.h>
#include <system_error>

CNoticeListener::~CNoticeListener()
{
    Stop();
}

DWORD CNoticeListener::Start(QString* name)
{
    const QString fresh = CMailSlotTransport::NewName();
    const DWORD result = StartOn(fresh);
    if (result == ERROR_SUCCESS)
        *name = fresh;
    return result;
}

DWORD CNoticeListener::StartOn(const QString& name)
{
    Stop();
    auto transport = std::make_unique<CMailSlotTransport>(false);
    if (const DWORD created = transport->Create(name); created != ERROR_SUCCESS)
        return created;
    m_transport = std::move(transport);
    m_newWriter = false;
    {
        std::lock_guard lock(m_stateMutex);
        m_state = TThreadState::NotStarted;
        m_exitCode = ERROR_SUCCESS;
    }
    try {
        m_stop = std::stop_source();
        m_thread = std::thread([this, stop = m_stop.get_token()] { Run(stop); });
    } catch (const std::system_error&) {
        m_transport.reset();
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    // Wait until the thread runs, or has already ended.
    std::unique_lock lock(m_stateMutex);
    m_stateChanged.wait(lock, [this] { return m_state != TThreadState::NotStarted; });
    if (m_state == TThreadState::Running)
        return ERROR_SUCCESS;
    const DWORD exitCode = m_exitCode;
    lock.unlock();
    m_thread.join();
    m_transport.reset();
    return exitCode;
}

void CNoticeListener::Stop()
{
    if (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id()) {
        // Asked from a dispatch on the polling thread itself: the thread ends after this
        // notice, and a later Stop from elsewhere (or the destructor) joins it.
        m_stop.request_stop();
        return;
    }
    if (m_thread.joinable()) {
        // Ends a wait on the mailslot at once.
        m_stop.request_stop();
        m_thread.join();
    }
    m_transport.reset();
}

bool CNoticeListener::IsRunning() const
{
    std::lock_guard lock(m_stateMutex);
    return m_state == TThreadState::Running;
}

DWORD CNoticeListener::ExitCode() const
{
    std::lock_guard lock(m_stateMutex);
    return m_exitCode;
}

void CNoticeListener::Run(std::stop_token stop)
{
    pthread_setname_np(pthread_self(), "kv-listener");
    {
        std::lock_guard lock(m_stateMutex);
        m_state = TThreadState::Running;
    }
    m_stateChanged.notify_all();

    DWORD exitCode = ERROR_SUCCESS;
    QByteArray body;
    while (!stop.stop_requested()) {
        bool available = false;
        exitCode = m_transport->HasMessage(available);
        if (exitCode != ERROR_SUCCESS)
            break;
        if (!available) {
            // A message, a failure of the mailslot (which the next look answers), a stop or the
            // end of the period: each sends the thread round the loop again.
            const DWORD waited = m_transport->WaitForMessage(kIdleWaitMs, stop);
            if (waited != ERROR_SUCCESS && waited != ERROR_SEM_TIMEOUT &&
                waited != ERROR_CANCELLED) {
                exitCode = waited;
                break;
            }
            continue;
        }
        if (m_newWriter.exchange(false))
            m_transport->ForgetSequence();
        bool nothing = false;
        exitCode = m_transport->Read(body, nothing);
        if (exitCode != ERROR_SUCCESS)
            break;
        // A body too short to carry its type has nothing to dispatch.
        if (!nothing && body.size() >= 4) {
            const quint32 type = qFromLittleEndian<quint32>(body.constData());
            std::lock_guard dispatching(m_dispatchLock);
            Dispatch(type, body);
        }
    }
    std::lock_guard lock(m_stateMutex);
    m_exitCode = exitCode;
    m_state = TThreadState::Ended;
    m_stateChanged.notify_all();
}

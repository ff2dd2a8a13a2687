#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "notify/CMailSlotTransport.h"

// The console side of one notice channel: owns a mailslot under a fresh name, and a polling
// thread that reads it and hands every notice to Dispatch under the dispatch lock. The thread
// looks for a stop, checks for a message and reads it when one waits, so a burst drains without
// pauses; when the mailslot is empty it waits on it for the next message, at most 200 ms, and
// a message or a stop ends that wait at once. A transport error ends the thread; the listener
// then stays stopped until it is started again.
class CNoticeListener {
public:
    // The longest wait of an empty mailslot before the thread looks again.
    static constexpr DWORD kIdleWaitMs = 200;

    CNoticeListener() = default;
    virtual ~CNoticeListener();
    CNoticeListener(const CNoticeListener&) = delete;
    CNoticeListener& operator=(const CNoticeListener&) = delete;

    // Creates the mailslot under a new name (returned in *name) and starts the thread. Answers
    // 0, or the first error, having left nothing behind.
    DWORD Start(QString* name);
    // Starts on a given name; kvnotify and tests use this, the owners use Start.
    DWORD StartOn(const QString& name);
    // Ends the thread and closes the mailslot; does nothing when not started.
    void Stop();
    // A new writer is about to write into the running mailslot (the listener is subscribed with
    // another service, or with a restarted one): its first message is taken whatever its number,
    // although a writer before it may have used the same. Any thread.
    void ExpectNewWriter() { m_newWriter = true; }

    // True from a successful start until the thread ends (by Stop or by an error).
    bool IsRunning() const;
    // How the thread ended: 0 after a stop, else the transport's error.
    DWORD ExitCode() const;
    // Held while one notice is dispatched.
    std::mutex& DispatchLock() { return m_dispatchLock; }

protected:
    // Called on the polling thread, under the dispatch lock, once per notice; the body starts
    // with the u32 type.
    virtual void Dispatch(quint32 type, const QByteArray& body) = 0;

private:
    enum class TThreadState { NotStarted, Running, Ended };

    void Run(std::stop_token stop);

    std::unique_ptr<CMailSlotTransport> m_transport;
    std::thread m_thread;
    std::stop_source m_stop; // the stop "event"; a new one for every start
    std::mutex m_dispatchLock;

    mutable std::mutex m_stateMutex;
    std::condition_variable m_stateChanged; // the started "event"
    TThreadState m_state = TThreadState::NotStarted;
    std::atomic<bool> m_newWriter{false};
    DWORD m_exitCode = ERROR_SUCCESS;
};

#include "refengine/CNoticeSink.h"

#include "notify/CMailSlotTransport.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// One subscriber's queue and writer thread. The thread holds the state by a shared pointer of
// its own, so a writer stuck on a console that no longer reads can be left behind safely.
class CNoticeSink::CSubscriber {
public:
    CSubscriber(QString computer, QString listener)
        : computer(std::move(computer))
        , listener(std::move(listener))
    {}

    static void Start(const std::shared_ptr<CSubscriber>& self)
    {
        self->m_thread = std::thread([self] { self->Run(); });
    }

    // False once the subscriber has gone away; the body is then dropped.
    bool Queue(const QByteArray& body)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_gone)
                return false;
            if (m_queue.size() >= static_cast<size_t>(kMaxBacklog)) {
                m_gone = true;
                m_queue.clear();
            } else {
                m_queue.push_back(body);
            }
        }
        m_changed.notify_all();
        return true;
    }

    bool Gone() const
    {
        std::lock_guard lock(m_mutex);
        return m_gone;
    }

    void WaitUntilIdle()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock,
                       [this] { return m_gone || m_finished || (m_queue.empty() && !m_writing); });
    }

    // Ends the thread; a thread still blocked in a write after a second is left to finish alone.
    void Stop()
    {
        {
            std::unique_lock lock(m_mutex);
            m_stopping = true;
            m_queue.clear();
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::seconds(1), [this] { return m_finished; });
        }
        if (!m_thread.joinable())
            return;
        if (m_finished)
            m_thread.join();
        else
            m_thread.detach();
    }

    const QString computer;
    const QString listener;

private:
    void Run()
    {
        CMailSlotTransport transport;
        bool open = transport.Open(computer, listener) == ERROR_SUCCESS;
        std::unique_lock lock(m_mutex);
        if (!open)
            m_gone = true;
        while (!m_gone && !m_stopping) {
            m_changed.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                break;
            const QByteArray body = std::move(m_queue.front());
            m_queue.pop_front();
            m_writing = true;
            lock.unlock();
            const DWORD written = transport.Write(body);
            lock.lock();
            m_writing = false;
            if (written != ERROR_SUCCESS) {
                m_gone = true;
                m_queue.clear();
            }
            m_changed.notify_all();
        }
        m_finished = true;
        m_changed.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queue;
    bool m_writing = false;
    bool m_gone = false;
    bool m_stopping = false;
    bool m_finished = false;
    std::thread m_thread;
};

CNoticeSink::CNoticeSink() = default;

CNoticeSink::~CNoticeSink()
{
    QList<std::shared_ptr<CSubscriber>> subscribers;
    {
        QMutexLocker locker(&m_mutex);
        subscribers.swap(m_subscribers);
    }
    for (const auto& subscriber : subscribers)
        subscriber->Stop();
}

HRESULT CNoticeSink::Subscribe(const QString& computer, const QString& listener)
{
    if (listener.trimmed().isEmpty())
        return E_INVALIDARG;
    QList<std::shared_ptr<CSubscriber>> dropped;
    QMutexLocker locker(&m_mutex);
    for (qsizetype index = m_subscribers.size() - 1; index >= 0; --index) {
        const auto& subscriber = m_subscribers.at(index);
        if (subscriber->Gone()) {
            dropped.append(m_subscribers.takeAt(index));
            continue;
        }
        if (subscriber->listener == listener &&
            subscriber->computer.compare(computer, Qt::CaseInsensitive) == 0)
            return S_FALSE;
    }
    auto subscriber = std::make_shared<CSubscriber>(computer, listener);
    CSubscriber::Start(subscriber);
    m_subscribers.append(subscriber);
    locker.unlock();
    for (const auto& gone : dropped)
        gone->Stop();
    return S_OK;
}

HRESULT CNoticeSink::Unsubscribe(const QString& computer, const QString& listener)
{
    std::shared_ptr<CSubscriber> removed;
    {
        QMutexLocker locker(&m_mutex);
        for (qsizetype index = 0; index < m_subscribers.size(); ++index) {
            const auto& subscriber = m_subscribers.at(index);
            if (subscriber->listener == listener &&
                subscriber->computer.compare(computer, Qt::CaseInsensitive) == 0) {
                removed = m_subscribers.takeAt(index);
                break;
            }
        }
    }
    if (!removed)
        return S_FALSE;
    removed->Stop();
    return S_OK;
}

void CNoticeSink::Send(const QByteArray& body)
{
    QList<std::shared_ptr<CSubscriber>> dropped;
    {
        QMutexLocker locker(&m_mutex);
        for (qsizetype index = m_subscribers.size() - 1; index >= 0; --index) {
            if (!m_subscribers.at(index)->Queue(body))
                dropped.append(m_subscribers.takeAt(index));
        }
    }
    for (const auto& gone : dropped)
        gone->Stop();
}

int CNoticeSink::Subscribers() const
{
    QMutexLocker locker(&m_mutex);
    int alive = 0;
    for (const auto& subscriber : m_subscribers)
        alive += subscriber->Gone() ? 0 : 1;
    return alive;
}

void CNoticeSink::Flush()
{
    QList<std::shared_ptr<CSubscriber>> subscribers;
    {
        QMutexLocker locker(&m_mutex);
        subscribers = m_subscribers;
    }
    for (const auto& subscriber : subscribers)
        subscriber->WaitUntilIdle();
}

#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <memory>

// The subscribers of one service and the notices written to them. Each subscriber (computer and
// listener name, as Subscribe passes them) gets its notices in the order Send was called, from a
// writer thread of its own, so that a console that stops reading holds up only itself. A
// subscriber whose mailslot has gone away, or that has fallen too far behind, is dropped. Every
// operation may be called from any thread.
class CNoticeSink {
public:
    // Notices waiting for one subscriber before it counts as gone.
    static constexpr int kMaxBacklog = 20000;

    CNoticeSink();
    ~CNoticeSink();
    CNoticeSink(const CNoticeSink&) = delete;
    CNoticeSink& operator=(const CNoticeSink&) = delete;

    // E_INVALIDARG for an empty listener name; S_FALSE when the pair is already subscribed.
    HRESULT Subscribe(const QString& computer, const QString& listener);
    // S_FALSE when the pair was not subscribed.
    HRESULT Unsubscribe(const QString& computer, const QString& listener);
    // Queues the body for every subscriber.
    void Send(const QByteArray& body);
    int Subscribers() const;
    // Waits until every queued notice has been written or dropped (tests, shutdown).
    void Flush();

private:
    class CSubscriber;

    mutable QMutex m_mutex;
    QList<std::shared_ptr<CSubscriber>> m_subscribers;
};

#pragma once

#include "core/Types.h"
#include "notify/CNoticeListener.h"

// The listener of one service wrapper: hands every notice to the owner's Dispatch(type, body)
// on the polling thread, under the dispatch lock.
template <typename T>
class CListenerBase : public CNoticeListener {
public:
    explicit CListenerBase(T* owner)
        : m_owner(owner)
    {}
    ~CListenerBase() override { Stop(); }

    T* Owner() const { return m_owner; }

protected:
    void Dispatch(quint32 type, const QByteArray& body) override { m_owner->Dispatch(type, body); }

private:
    T* m_owner;
};

#pragma once

#include <QMutex>

// A base for objects that serialise their own changes. Readers that only look at values
// already in place need not take the lock.
class CLockable {
public:
    void Lock() const;
    void Unlock() const;

    // Holds the lock of one object for the lifetime of the guard.
    class CGuard {
    public:
        explicit CGuard(const CLockable& lockable);
        ~CGuard();
        CGuard(const CGuard&) = delete;
        CGuard& operator=(const CGuard&) = delete;

    private:
        const CLockable& m_lockable;
    };

protected:
    CLockable() = default;
    ~CLockable() = default;
    CLockable(const CLockable&) = delete;
    CLockable& operator=(const CLockable&) = delete;

private:
    mutable QMutex m_mutex;
};

#include "policy/CLockable.h"

void CLockable::Lock() const
{
    m_mutex.lock();
}

void CLockable::Unlock() const
{
    m_mutex.unlock();
}

CLockable::CGuard::CGuard(const CLockable& lockable)
    : m_lockable(lockable)
{
    m_lockable.Lock();
}

CLockable::CGuard::~CGuard()
{
    m_lockable.Unlock();
}

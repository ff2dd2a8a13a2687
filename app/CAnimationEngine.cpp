#include "app/CAnimationEngine.h"

CAnimationEngine::CAnimationEngine(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CAnimationEngine::Animate);
}

void CAnimationEngine::Start()
{
    m_started = true;
    Apply();
}

void CAnimationEngine::Stop()
{
    m_started = false;
    Apply();
}

void CAnimationEngine::SetDemand(const QObject* client, bool wanted)
{
    if (!client)
        return;
    if (wanted && !m_clients.contains(client)) {
        m_clients.insert(client);
        connect(client, &QObject::destroyed, this, &CAnimationEngine::Forget);
    } else if (!wanted && m_clients.remove(client)) {
        disconnect(client, &QObject::destroyed, this, &CAnimationEngine::Forget);
    }
    Apply();
}

void CAnimationEngine::Forget(QObject* client)
{
    m_clients.remove(client);
    Apply();
}

void CAnimationEngine::Apply()
{
    const bool run = m_started && !m_clients.isEmpty();
    if (run && !m_timer.isActive())
        m_timer.start();
    else if (!run)
        m_timer.stop();
}

#include "app/CAnimationEngine.h"

CAnimationEngine::CAnimationEngine(QObject* parent)
    : QObject(parent)
{
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CAnimationEngine::Animate);
}

void CAnimationEngine::Start()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void CAnimationEngine::Stop()
{
    m_timer.stop();
}

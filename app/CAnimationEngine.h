#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>

// The clock of the window's small animations (busy icons and the like): one tick for all of
// them, running only while the window is shown and some animation asks for it, so that an idle
// console spends nothing on it.
class CAnimationEngine : public QObject {
    Q_OBJECT

public:
    static constexpr int kTickMilliseconds = 100;

    explicit CAnimationEngine(QObject* parent = nullptr);

    // The window is shown, or hidden.
    void Start();
    void Stop();
    bool IsStarted() const { return m_started; }
    // Whether CLIENT needs the tick; a destroyed client needs it no longer.
    void SetDemand(const QObject* client, bool wanted);
    bool IsRunning() const { return m_timer.isActive(); }

signals:
    void Animate();

private:
    void Apply();
    void Forget(QObject* client);

    QTimer m_timer;
    QSet<const QObject*> m_clients;
    bool m_started = false;
};

#pragma once

#include <QObject>
#include <QTimer>

// The clock of the window's small animations (busy icons and the like): one tick for all of
// them, running only while the window is shown.
class CAnimationEngine : public QObject {
    Q_OBJECT

public:
    static constexpr int kTickMilliseconds = 100;

    explicit CAnimationEngine(QObject* parent = nullptr);

    void Start();
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }

signals:
    void Animate();

private:
    QTimer m_timer;
};

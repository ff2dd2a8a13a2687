#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>

class QPaintEvent;

// A small busy indicator of the status bar: nine frames of a skin, a still frame while idle,
// one frame further on each Advance() while animating. It repaints only its own rectangle, and
// only when its picture changes.
class CAnimatedIcon : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrameCount = 9;
    // The frames' names in a skin's image folder: "defrag_00.png" ... "defrag_08.png".
    static QString FrameName(int frame);

    explicit CAnimatedIcon(QWidget* parent = nullptr);

    // Reloads the frames from a skin's image folder; a missing frame paints nothing.
    void LoadFrames(const QString& imageFolder);
    const QPixmap& FramePixmap(int frame) const { return m_frames[std::size_t(frame)]; }

    // Animating goes on from the frame shown; stopping returns to the still first frame.
    void Start();
    void Stop();
    bool IsAnimating() const { return m_animating; }
    int Frame() const { return m_frame; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

public slots:
    // The next frame while animating; nothing while idle.
    void Advance();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<QPixmap, kFrameCount> m_frames;
    int m_frame = 0;
    bool m_animating = false;
};

#include "notify/statusbar/CAnimatedIcon.h"

#include "resources/CSkinResources.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int kAnimatedIconSide = 20;
// An idle indicator stays in place but steps back, so that a glance tells busy from idle.
constexpr qreal kAnimatedIconIdleOpacity = 0.45;

} // namespace

QString CAnimatedIcon::FrameName(int frame)
{
    return QStringLiteral("defrag_%1.png").arg(frame, 2, 10, QLatin1Char('0'));
}

CAnimatedIcon::CAnimatedIcon(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(kAnimatedIconSide, kAnimatedIconSide);
}

void CAnimatedIcon::LoadFrames(const QString& imageFolder)
{
    for (int frame = 0; frame < kFrameCount; ++frame)
        m_frames[std::size_t(frame)] =
            QPixmap(CSkinResources::SkinImagePath(imageFolder, FrameName(frame)));
    update();
}

void CAnimatedIcon::Start()
{
    if (m_animating)
        return;
    m_animating = true;
    update();
}

void CAnimatedIcon::Stop()
{
    if (!m_animating)
        return;
    m_animating = false;
    m_frame = 0;
    update();
}

void CAnimatedIcon::Advance()
{
    if (!m_animating)
        return;
    m_frame = (m_frame + 1) % kFrameCount;
    update();
}

QSize CAnimatedIcon::sizeHint() const
{
    return {kAnimatedIconSide, kAnimatedIconSide};
}

void CAnimatedIcon::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    const QPixmap& pixmap = m_frames[std::size_t(m_frame)];
    if (pixmap.isNull())
        return;
    QPainter painter(this);
    if (!m_animating)
        painter.setOpacity(kAnimatedIconIdleOpacity);
    const QSize size = pixmap.deviceIndependentSize().toSize();
    painter.drawPixmap((width() - size.width()) / 2, (height() - size.height()) / 2, pixmap);
}

#include "defrag/CBlockImage.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {

QColor Shade(const QColor& color, double saturation, double value)
{
    float hue = 0;
    float s = 0;
    float v = 0;
    float alpha = 0;
    color.getHsvF(&hue, &s, &v, &alpha);
    return QColor::fromHsvF(hue, float(std::min(1.0, s * saturation)),
                            float(std::min(1.0, v * value)), alpha);
}

} // namespace

QColor CBlockImage::LightShade(const QColor& color)
{
    return Shade(color, 0.6, 1.2);
}

QColor CBlockImage::DarkShade(const QColor& color)
{
    return Shade(color, 1.0, 0.5);
}

QColor CBlockImage::FootShade(const QColor& color)
{
    return Shade(color, 0.75, 0.75);
}

QImage CBlockImage::Draw(QSize size, const QColor& color, bool fragmented)
{
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kFrameColor);
    const QRect cell(QPoint(0, 0), size);
    const QRect inner = cell.adjusted(1, 1, -1, -1);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    if (!fragmented) {
        if (inner.isEmpty())
            return image;
        painter.fillRect(inner, color);
        QRect upper = inner;
        upper.setBottom(inner.bottom() - size.height() * 6 / 10);
        if (!upper.isEmpty())
            painter.fillRect(upper, LightShade(color));
        return image;
    }
    // The edge runs from the dark shade at the top to a deeper one at the foot, so that the
    // outlined block reads as sunk into the grid.
    const QColor dark = DarkShade(color);
    QLinearGradient edge(cell.topLeft(), cell.bottomLeft());
    edge.setColorAt(0.0, dark);
    edge.setColorAt(1.0, dark.darker(140));
    painter.fillRect(cell, edge);
    if (inner.isEmpty())
        return image;
    QLinearGradient body(inner.topLeft(), inner.bottomLeft());
    body.setColorAt(0.0, color);
    body.setColorAt(1.0, FootShade(color));
    painter.fillRect(inner, body);
    return image;
}

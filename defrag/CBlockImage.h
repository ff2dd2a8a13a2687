#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

// The picture of one drive-map block: a frame in the map's grid colour around the block's
// colour, lit from above when plain, in darker gradients when the block holds fragmented files.
class CBlockImage {
public:
    static inline const QColor kFrameColor = QColor(226, 234, 245);
    static inline const QColor kOutlineColor = QColor(6, 6, 6);
    // The cover of a hovered or blinking block.
    static inline const QColor kDarkenColor = QColor(0, 0, 0, 96);

    // An image of the size (ARGB32 premultiplied); an empty size gives a null image.
    static QImage Draw(QSize size, const QColor& color, bool fragmented);

    // The shades the drawing uses, in HSV: the lit top of a plain block (saturation x 0.6, value
    // x 1.2 capped at 1), the dark edge of a fragmented one (value x 0.5) and the foot of its
    // inner gradient (saturation and value x 0.75).
    static QColor LightShade(const QColor& color);
    static QColor DarkShade(const QColor& color);
    static QColor FootShade(const QColor& color);
};

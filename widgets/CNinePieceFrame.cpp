#include "widgets/CNinePieceFrame.h"

#include "resources/CSkinResources.h"

#include <QPainter>

void CNinePieceFrame::Load(const QString& imageFolder)
{
    for (std::size_t index = 0; index < m_pieces.size(); ++index)
        m_pieces[index] = QPixmap(
            CSkinResources::SkinImagePath(imageFolder, QString::fromLatin1(m_names[index])));
}

void CNinePieceFrame::Paint(QPainter& painter, const QRect& area) const
{
    const QPixmap& topLeft = m_pieces[0];
    const QPixmap& bottomRight = m_pieces[8];
    const int left = qMin(topLeft.width(), area.width() / 2);
    const int top = qMin(topLeft.height(), area.height() / 2);
    const int right = qMin(bottomRight.width(), area.width() - left);
    const int bottom = qMin(bottomRight.height(), area.height() - top);
    const int middleWidth = area.width() - left - right;
    const int middleHeight = area.height() - top - bottom;
    const std::array<int, 3> xs = {area.left(), area.left() + left,
                                   area.left() + left + middleWidth};
    const std::array<int, 3> ys = {area.top(), area.top() + top, area.top() + top + middleHeight};
    const std::array<int, 3> widths = {left, middleWidth, right};
    const std::array<int, 3> heights = {top, middleHeight, bottom};
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t column = 0; column < 3; ++column) {
            const QPixmap& piece = m_pieces[row * 3 + column];
            const QRect target(xs[column], ys[row], widths[column], heights[row]);
            if (!piece.isNull() && !target.isEmpty())
                painter.drawPixmap(target, piece);
        }
    }
}

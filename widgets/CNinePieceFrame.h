#pragma once

#include <QPixmap>
#include <QString>

#include <array>

class QPainter;
class QRect;

// A panel drawn from nine pieces of a skin, row by row from the top left: the corners keep
// their size (squeezed when the area is smaller than two of them), the edges and the middle
// are stretched.
class CNinePieceFrame {
public:
    static constexpr int kPieceCount = 9;
    using TNames = std::array<const char*, kPieceCount>;

    explicit CNinePieceFrame(const TNames& names)
        : m_names(names)
    {}

    // Reloads the pieces from a skin's image folder; a missing image leaves its place empty.
    void Load(const QString& imageFolder);
    void Paint(QPainter& painter, const QRect& area) const;

    const QPixmap& Piece(int index) const { return m_pieces[std::size_t(index)]; }

private:
    TNames m_names;
    std::array<QPixmap, kPieceCount> m_pieces;
};

#pragma once

#include "widgets/CNinePieceFrame.h"

#include <QWidget>

class QVBoxLayout;

// The window's background: a panel drawn from the skin's nine pieces (four corners at their own
// size, the edges and the middle stretched), holding the ribbon above the pages.
class CMainWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPieceCount = CNinePieceFrame::kPieceCount;
    // The pieces' names, row by row from the top left.
    static const CNinePieceFrame::TNames kPieceNames;

    explicit CMainWidget(QWidget* parent = nullptr);

    QVBoxLayout* Layout() const { return m_layout; }
    const QPixmap& Piece(int index) const { return m_frame.Piece(index); }

public slots:
    // Reloads the pieces from the current skin and repaints.
    void SkinChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CNinePieceFrame m_frame;
    QVBoxLayout* m_layout;
};

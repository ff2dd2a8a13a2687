#pragma once

#include "core/CTranslatable.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <vector>

class CTimelineGrid;

// The colours the timeline strips paint with; one set per skin.
struct TTimelineColors {
    QColor free;
    QColor marked;
    QColor repeating;
    QColor line;
    QColor midnight;
    QColor text;
    QColor highlight;

    static TTimelineColors ForSkin(const QString& imageFolder);
};

// The strip of hour cells of the timeline's grid, from a start cell on, with the hour of day
// above every third cell. A press on a cell starts a run: on a free cell the run marks, on a
// marked one it unmarks; moving extends or shrinks the run (cells the run leaves get their
// state back) and past either edge scrolls the strip; the release ends it. Only the cells that
// change are repainted, from one pre-drawn day of cells per state.
class CTimelineHours : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kDefaultCellWidth = 12;
    static constexpr int kLabelHeight = 14;
    static constexpr int kCellHeight = 26;

    explicit CTimelineHours(CTimelineGrid& grid, QWidget* parent = nullptr);

    int StartIndex() const { return m_start; }
    // The cells the width shows (the last one perhaps in part).
    int VisibleCells() const;
    // The cell under a point of the strip: -1 left of the first cell, CellCount right of the last.
    int CellAt(const QPoint& point) const;
    // The area of a cell in the strip's coordinates (empty when not shown).
    QRect CellRect(int cell) const;

    int CellWidth() const { return m_cellWidth; }
    // At least 1 pixel; below 8 the hour labels are left out.
    void SetCellWidth(int pixels);
    void SetColors(const TTimelineColors& colors);

    // Paints the cells and labels that meet the area (strip coordinates); the paint event's
    // work, public for measuring.
    void PaintArea(QPainter& painter, const QRect& area);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void StartIndexChanged(int index);
    // The first cell of the run the last press and release went over.
    void Selected(int cell);
    // The number of cells the width shows.
    void Resized(int blocks);
    void Updated();

public slots:
    // Cut to the range that keeps the strip full; repaints by scrolling what is shown.
    void SetStartIndex(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum TTile { kFreeTile, kMarkedTile, kRepeatingTile, kTileCount };

    void BuildTiles();
    // The state a cell is painted in.
    TTile TileOf(int cell) const;
    // The run from the press to the cell, cells it leaves restored.
    void DragTo(int cell);
    // Repaints cells first..last (either order) where they are shown.
    void UpdateCells(int first, int last);
    // The hour of day of a cell, from the grid's base.
    int HourOf(int cell) const;

    CTimelineGrid& m_grid;
    TTimelineColors m_colors;
    int m_cellWidth = kDefaultCellWidth;
    int m_start = 0;
    int m_lastBlocks = -1;
    // One day of cells per state, 24 cells wide, and the labels of a day.
    QPixmap m_tiles[kTileCount];
    QPixmap m_labels;

    // The run being dragged: its anchor, its far end, whether it marks, and the states of the
    // cells before the press.
    bool m_dragging = false;
    bool m_marking = true;
    bool m_changed = false;
    int m_anchor = 0;
    int m_current = 0;
    std::vector<quint8> m_before;
    std::vector<qint32> m_beforeRepeat;
};

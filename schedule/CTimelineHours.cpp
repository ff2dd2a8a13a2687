#include "schedule/CTimelineHours.h"

#include "resources/CSkinResources.h"
#include "schedule/CTimelineGrid.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

TTimelineColors TTimelineColors::ForSkin(const QString& imageFolder)
{
    if (imageFolder == CSkinResources::ImageFolder(CSkinResources::kGray))
        return {QColor(0xf7, 0xf8, 0xf9), QColor(0xe8, 0x80, 0x4a), QColor(0xc9, 0x58, 0x8a),
                QColor(0xd0, 0xd4, 0xd9), QColor(0x7d, 0x85, 0x8f), QColor(0x2b, 0x33, 0x3c),
                QColor(0xd6, 0xda, 0xe0)};
    return {QColor(0xf4, 0xf8, 0xfd), QColor(0xe8, 0x80, 0x4a), QColor(0xc9, 0x58, 0x8a),
            QColor(0xc5, 0xd6, 0xec), QColor(0x5d, 0x86, 0xbd), QColor(0x1d, 0x3a, 0x5f),
            QColor(0xbc, 0xd3, 0xf0)};
}

CTimelineHours::CTimelineHours(CTimelineGrid& grid, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CTimelineHours")
    , m_grid(grid)
    , m_colors(TTimelineColors::ForSkin(CSkinResources::ImageFolder(CSkinResources::kBlue)))
{
    // Every pixel is painted, so scrolling can move what is shown and paint the rest.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(false);
    setToolTip(Translate("Drag across hours to exclude them; drag across excluded hours to "
                         "free them"));
    BuildTiles();
}

QSize CTimelineHours::sizeHint() const
{
    return {48 * m_cellWidth, kLabelHeight + kCellHeight};
}

QSize CTimelineHours::minimumSizeHint() const
{
    return {6 * m_cellWidth, kLabelHeight + kCellHeight};
}

int CTimelineHours::VisibleCells() const
{
    return std::max(1, width() / m_cellWidth);
}

int CTimelineHours::CellAt(const QPoint& point) const
{
    const int x = point.x();
    const int offset = x >= 0 ? x / m_cellWidth : -((-x + m_cellWidth - 1) / m_cellWidth);
    return std::clamp(m_start + offset, -1, CTimelineGrid::CellCount);
}

QRect CTimelineHours::CellRect(int cell) const
{
    if (cell < m_start || cell >= CTimelineGrid::CellCount)
        return {};
    const QRect area((cell - m_start) * m_cellWidth, kLabelHeight, m_cellWidth, kCellHeight);
    return area.intersected(rect());
}

void CTimelineHours::SetCellWidth(int pixels)
{
    pixels = std::max(pixels, 1);
    if (pixels == m_cellWidth)
        return;
    m_cellWidth = pixels;
    BuildTiles();
    updateGeometry();
    update();
    m_lastBlocks = -1;
    resizeEvent(nullptr);
}

void CTimelineHours::SetColors(const TTimelineColors& colors)
{
    m_colors = colors;
    BuildTiles();
    update();
}

int CTimelineHours::HourOf(int cell) const
{
    return (m_grid.Base().time().hour() + cell) % CTimelineGrid::HoursPerDay;
}

CTimelineHours::TTile CTimelineHours::TileOf(int cell) const
{
    if (!m_grid.IsMarked(cell))
        return kFreeTile;
    return m_grid.Repeat(cell) > 0 ? kRepeatingTile : kMarkedTile;
}

void CTimelineHours::BuildTiles()
{
    const qreal ratio = devicePixelRatioF();
    const int dayWidth = CTimelineGrid::HoursPerDay * m_cellWidth;
    const QColor fills[kTileCount] = {m_colors.free, m_colors.marked, m_colors.repeating};
    for (int tile = 0; tile < kTileCount; ++tile) {
        QPixmap pixmap(QSize(dayWidth, kCellHeight) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(fills[tile]);
        QPainter painter(&pixmap);
        for (int hour = 0; hour < CTimelineGrid::HoursPerDay; ++hour) {
            const int x = hour * m_cellWidth;
            if (hour == 0)
                painter.fillRect(QRect(x, 0, std::min(m_cellWidth, 2), kCellHeight),
                                 m_colors.midnight);
            else if (m_cellWidth >= 3)
                painter.fillRect(QRect(x, 0, 1, kCellHeight), m_colors.line);
        }
        painter.fillRect(QRect(0, kCellHeight - 1, dayWidth, 1), m_colors.line);
        m_tiles[tile] = pixmap;
    }

    m_labels = QPixmap(QSize(dayWidth, kLabelHeight) * ratio);
    m_labels.setDevicePixelRatio(ratio);
    m_labels.fill(palette().color(QPalette::Base));
    QPainter painter(&m_labels);
    painter.fillRect(QRect(0, 0, std::min(m_cellWidth, 2), kLabelHeight), m_colors.midnight);
    if (m_cellWidth >= 8) {
        QFont small = font();
        small.setPixelSize(kLabelHeight - 4);
        painter.setFont(small);
        painter.setPen(m_colors.text);
        for (int hour = 0; hour < CTimelineGrid::HoursPerDay; hour += 3)
            painter.drawText(QRect(hour * m_cellWidth + 2, 0, 3 * m_cellWidth, kLabelHeight),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
    }
}

void CTimelineHours::PaintArea(QPainter& painter, const QRect& area)
{
    const int dayWidth = CTimelineGrid::HoursPerDay * m_cellWidth;
    // The tiles' x of the strip's left edge: the hour of day of the first cell shown.
    const int origin = HourOf(m_start) * m_cellWidth;
    if (area.top() < kLabelHeight) {
        const QRect labels(area.left(), 0, area.width(), kLabelHeight);
        painter.drawTiledPixmap(labels, m_labels, QPoint((origin + labels.left()) % dayWidth, 0));
    }
    if (area.bottom() < kLabelHeight)
        return;
    const QRect cells(area.left(), kLabelHeight, area.width(), kCellHeight);
    const int first = std::max(CellAt(cells.topLeft()), 0);
    const int last = std::min(CellAt(cells.topRight()), CTimelineGrid::CellCount - 1);
    int cell = first;
    while (cell <= last) {
        // One run of cells in one state, drawn from its tile in one call.
        const TTile tile = TileOf(cell);
        int end = cell + 1;
        while (end <= last && TileOf(end) == tile)
            ++end;
        const int left = (cell - m_start) * m_cellWidth;
        const QRect run =
            QRect(left, kLabelHeight, (end - cell) * m_cellWidth, kCellHeight).intersected(cells);
        painter.drawTiledPixmap(run, m_tiles[tile], QPoint((origin + run.left()) % dayWidth, 0));
        cell = end;
    }
    // Past the year's last cell.
    const int yearEnd = (CTimelineGrid::CellCount - m_start) * m_cellWidth;
    if (cells.right() >= yearEnd)
        painter.fillRect(QRect(yearEnd, kLabelHeight, cells.right() - yearEnd + 1, kCellHeight)
                             .intersected(cells),
                         palette().color(QPalette::Window));
    if (area.bottom() >= kLabelHeight + kCellHeight)
        painter.fillRect(QRect(area.left(), kLabelHeight + kCellHeight, area.width(), height())
                             .intersected(area),
                         palette().color(QPalette::Window));
}

void CTimelineHours::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    for (const QRect& area : event->region())
        PaintArea(painter, area);
}

void CTimelineHours::resizeEvent(QResizeEvent* event)
{
    if (event)
        QWidget::resizeEvent(event);
    SetStartIndex(m_start);
    const int blocks = VisibleCells();
    if (blocks != m_lastBlocks) {
        m_lastBlocks = blocks;
        emit Resized(blocks);
    }
}

void CTimelineHours::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        BuildTiles();
        update();
    }
}

void CTimelineHours::SetStartIndex(int index)
{
    index = std::clamp(index, 0, std::max(0, CTimelineGrid::CellCount - VisibleCells()));
    if (index == m_start)
        return;
    const int delta = index - m_start;
    m_start = index;
    if (std::abs(delta) * m_cellWidth < width())
        scroll(-delta * m_cellWidth, 0);
    else
        update();
    emit StartIndexChanged(m_start);
}

void CTimelineHours::UpdateCells(int first, int last)
{
    if (first > last)
        std::swap(first, last);
    first = std::max(first, m_start);
    if (first > last)
        return;
    const QRect area((first - m_start) * m_cellWidth, kLabelHeight,
                     (last - first + 1) * m_cellWidth, kCellHeight);
    update(area.intersected(rect()));
}

void CTimelineHours::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int cell = CellAt(event->position().toPoint());
    if (cell < 0 || cell >= CTimelineGrid::CellCount)
        return;
    m_before.resize(CTimelineGrid::CellCount);
    m_beforeRepeat.resize(CTimelineGrid::CellCount);
    for (int index = 0; index < CTimelineGrid::CellCount; ++index) {
        m_before[std::size_t(index)] = m_grid.IsMarked(index) ? 1 : 0;
        m_beforeRepeat[std::size_t(index)] = m_grid.Repeat(index);
    }
    m_dragging = true;
    m_changed = false;
    m_marking = !m_grid.IsMarked(cell);
    m_anchor = cell;
    // No run yet: the pressed cell becomes a run of one.
    m_current = -1;
    DragTo(cell);
}

void CTimelineHours::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    int cell = CellAt(event->position().toPoint());
    // Past an edge the strip follows the mouse.
    if (cell < m_start)
        SetStartIndex(cell);
    else if (cell >= m_start + VisibleCells())
        SetStartIndex(cell - VisibleCells() + 1);
    cell = std::clamp(cell, 0, CTimelineGrid::CellCount - 1);
    DragTo(cell);
}

void CTimelineHours::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    m_before.clear();
    m_beforeRepeat.clear();
    emit Selected(std::min(m_anchor, m_current));
    if (m_changed)
        emit Updated();
}

void CTimelineHours::DragTo(int cell)
{
    if (cell == m_current)
        return;
    const int oldFirst = m_current < 0 ? m_anchor : std::min(m_anchor, m_current);
    const int oldLast = m_current < 0 ? m_anchor : std::max(m_anchor, m_current);
    const int newFirst = std::min(m_anchor, cell);
    const int newLast = std::max(m_anchor, cell);
    int changedFirst = CTimelineGrid::CellCount;
    int changedLast = -1;
    for (int index = std::min(oldFirst, newFirst); index <= std::max(oldLast, newLast); ++index) {
        const bool inRun = index >= newFirst && index <= newLast;
        const bool marked = inRun ? m_marking : m_before[std::size_t(index)] != 0;
        // Hours marked before keep their repeat value when a marking run passes over them.
        const qint32 repeat = marked ? m_beforeRepeat[std::size_t(index)] : 0;
        if (m_grid.IsMarked(index) == marked && m_grid.Repeat(index) == repeat)
            continue;
        m_grid.SetRange(index, index, marked, repeat);
        changedFirst = std::min(changedFirst, index);
        changedLast = std::max(changedLast, index);
    }
    m_current = cell;
    if (changedLast >= 0) {
        m_changed = true;
        UpdateCells(changedFirst, changedLast);
    }
}

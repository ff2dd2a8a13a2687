#include "schedule/CTimelineDays.h"

#include "resources/CSkinResources.h"
#include "schedule/CTimelineGrid.h"

#include <QContextMenuEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

// The bar of a day's hours at the strip's foot.
constexpr int kBarHeight = 6;

} // namespace

CTimelineDays::CTimelineDays(CTimelineGrid& grid, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CTimelineDays")
    , m_grid(grid)
    , m_colors(TTimelineColors::ForSkin(CSkinResources::ImageFolder(CSkinResources::kBlue)))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

QSize CTimelineDays::sizeHint() const
{
    return {14 * kDayWidth, kHeight};
}

QSize CTimelineDays::minimumSizeHint() const
{
    return {3 * kDayWidth, kHeight};
}

int CTimelineDays::VisibleDays() const
{
    return std::max(1, width() / kDayWidth);
}

int CTimelineDays::DayAt(const QPoint& point) const
{
    if (point.x() < 0 || point.y() < 0 || point.y() >= height())
        return -1;
    const int day = m_start + point.x() / kDayWidth;
    return day < CTimelineGrid::DayCount ? day : -1;
}

void CTimelineDays::SetHourSpan(int hours)
{
    m_hourSpan = std::max(hours, 1);
    update();
}

void CTimelineDays::SetColors(const TTimelineColors& colors)
{
    m_colors = colors;
    update();
}

void CTimelineDays::SetStartIndex(int index)
{
    index = std::clamp(index, 0, std::max(0, CTimelineGrid::DayCount - VisibleDays()));
    if (index == m_start)
        return;
    const int delta = index - m_start;
    m_start = index;
    if (std::abs(delta) * kDayWidth < width())
        scroll(-delta * kDayWidth, 0);
    else
        update();
    emit StartIndexChanged(m_start);
}

void CTimelineDays::SetStartHourIndex(int index)
{
    const int oldFirst = m_startHour / CTimelineGrid::HoursPerDay;
    const int oldLast = (m_startHour + m_hourSpan - 1) / CTimelineGrid::HoursPerDay;
    m_startHour = std::clamp(index, 0, CTimelineGrid::CellCount - 1);
    const int first = m_startHour / CTimelineGrid::HoursPerDay;
    const int last = std::min((m_startHour + m_hourSpan - 1) / CTimelineGrid::HoursPerDay,
                              CTimelineGrid::DayCount - 1);
    // The highlight's old and new days.
    for (const auto& [from, to] : {std::pair{oldFirst, oldLast}, std::pair{first, last}})
        update(QRect((from - m_start) * kDayWidth, 0, (to - from + 1) * kDayWidth, height()));
    if (first < m_start)
        SetStartIndex(first);
    else if (last >= m_start + VisibleDays())
        SetStartIndex(last - VisibleDays() + 1);
}

void CTimelineDays::SelectDay()
{
    if (m_menuDay < 0 || m_menuDay >= CTimelineGrid::DayCount)
        return;
    m_grid.MarkDay(m_menuDay);
    update(QRect((m_menuDay - m_start) * kDayWidth, 0, kDayWidth, height()));
    emit Updated();
}

QMenu* CTimelineDays::CreateContextMenu(const QPoint& point)
{
    m_menuDay = DayAt(point);
    if (m_menuDay < 0)
        return nullptr;
    auto* menu = new QMenu(this);
    QAction* select = menu->addAction(Translate("Select All Hours For Day"));
    connect(select, &QAction::triggered, this, &CTimelineDays::SelectDay);
    return menu;
}

void CTimelineDays::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateContextMenu(event->pos());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CTimelineDays::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int day = DayAt(event->position().toPoint());
    if (day >= 0)
        emit Moved(day * CTimelineGrid::HoursPerDay);
}

void CTimelineDays::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    SetStartIndex(m_start);
}

void CTimelineDays::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    const int first = std::max(m_start + area.left() / kDayWidth, 0);
    const int last = std::min(m_start + area.right() / kDayWidth, CTimelineGrid::DayCount - 1);
    const int highlightFirst = m_startHour / CTimelineGrid::HoursPerDay;
    const int highlightLast = (m_startHour + m_hourSpan - 1) / CTimelineGrid::HoursPerDay;
    const QLocale locale;
    QFont small = font();
    small.setPixelSize(11);
    painter.setFont(small);
    const int hourWidth = kDayWidth / CTimelineGrid::HoursPerDay;
    const int barTop = height() - kBarHeight - 2;
    for (int day = first; day <= last; ++day) {
        const int left = (day - m_start) * kDayWidth;
        const QRect column(left, 0, kDayWidth, height());
        if (day >= highlightFirst && day <= highlightLast)
            painter.fillRect(column, m_colors.highlight);
        const QDate date = m_grid.CellStart(day * CTimelineGrid::HoursPerDay).date();
        painter.fillRect(QRect(left, 0, 1, height()),
                         date.day() == 1 ? m_colors.midnight : m_colors.line);
        painter.setPen(m_colors.text);
        const QRect text(left + 3, 1, kDayWidth - 4, barTop - 2);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignTop,
                         locale.dayName(date.dayOfWeek(), QLocale::ShortFormat));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom,
                         QStringLiteral("%1 %2")
                             .arg(date.day())
                             .arg(locale.monthName(date.month(), QLocale::ShortFormat)));
        // The day's hours, marked ones in the marked colours, runs drawn at once.
        int hour = 0;
        while (hour < CTimelineGrid::HoursPerDay) {
            const int cell = day * CTimelineGrid::HoursPerDay + hour;
            const bool marked = m_grid.IsMarked(cell);
            const bool repeating = m_grid.Repeat(cell) > 0;
            int end = hour + 1;
            while (end < CTimelineGrid::HoursPerDay &&
                   m_grid.IsMarked(cell + end - hour) == marked &&
                   (m_grid.Repeat(cell + end - hour) > 0) == repeating)
                ++end;
            const QColor color =
                !marked ? m_colors.free : (repeating ? m_colors.repeating : m_colors.marked);
            painter.fillRect(
                QRect(left + hour * hourWidth, barTop, (end - hour) * hourWidth, kBarHeight),
                color);
            hour = end;
        }
        painter.setPen(m_colors.line);
        painter.drawRect(QRect(left, barTop, kDayWidth - 1, kBarHeight));
    }
    painter.fillRect(QRect(0, height() - 1, width(), 1), m_colors.line);
}

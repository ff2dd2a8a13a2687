#include "schedule/CTimelineGrid.h"

#include "core/COleDate.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

namespace {

QDateTime WholeHour(const QDateTime& moment)
{
    QDateTime cut = moment;
    cut.setTime(QTime(moment.time().hour(), 0));
    return cut;
}

} // namespace

CTimelineGrid::CTimelineGrid(const QDateTime& base)
    : m_marked(CellCount, 0)
    , m_repeat(CellCount, 0)
{
    SetBase(base);
}

void CTimelineGrid::SetBase(const QDateTime& base)
{
    m_base = WholeHour(base.isValid() ? base : QDateTime::currentDateTime());
    Clear();
}

bool CTimelineGrid::IsMarked(int cell) const
{
    return cell >= 0 && cell < CellCount && m_marked[cell] != 0;
}

qint32 CTimelineGrid::Repeat(int cell) const
{
    return cell >= 0 && cell < CellCount ? m_repeat[cell] : 0;
}

int CTimelineGrid::MarkedCount() const
{
    return static_cast<int>(std::count(m_marked.begin(), m_marked.end(), quint8{1}));
}

void CTimelineGrid::SetRange(int first, int last, bool marked, qint32 repeat)
{
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, CellCount - 1);
    for (int cell = first; cell <= last; ++cell) {
        m_marked[cell] = marked ? 1 : 0;
        m_repeat[cell] = marked ? repeat : 0;
    }
}

void CTimelineGrid::MarkDay(int day, qint32 repeat)
{
    if (day < 0 || day >= DayCount)
        return;
    SetRange(day * HoursPerDay, day * HoursPerDay + HoursPerDay - 1, true, repeat);
}

void CTimelineGrid::Clear()
{
    std::fill(m_marked.begin(), m_marked.end(), quint8{0});
    std::fill(m_repeat.begin(), m_repeat.end(), 0);
}

QDateTime CTimelineGrid::CellStart(int cell) const
{
    if (cell < 0 || cell > CellCount)
        return {};
    return m_base.addSecs(cell * SecondsPerHour);
}

int CTimelineGrid::CellAt(const QDateTime& moment) const
{
    const qint64 seconds = m_base.secsTo(moment);
    if (seconds < 0)
        return -1;
    return static_cast<int>(std::min<qint64>(seconds / SecondsPerHour, CellCount));
}

CTimelineGrid::TWindows CTimelineGrid::ToWindows() const
{
    TWindows windows;
    int cell = 0;
    while (cell < CellCount) {
        if (!m_marked[cell]) {
            ++cell;
            continue;
        }
        const int first = cell;
        const qint32 repeat = m_repeat[first];
        while (cell < CellCount && m_marked[cell] && m_repeat[cell] == repeat)
            ++cell;
        // The run ends at the first unmarked cell, a change of repeat value or the year's end.
        windows.push_back({CellStart(first), CellStart(cell), repeat});
    }
    return windows;
}

bool CTimelineGrid::CellRange(const TWindow& window, int* first, int* end) const
{
    if (!window.start.isValid() || !window.end.isValid())
        return false;
    QDateTime start = WholeHour(window.start);
    QDateTime stop = WholeHour(window.end);
    if (stop <= start)
        return false;
    if (window.repeat > 0 && start < m_base) {
        // Whole repeats first, then single steps for what daylight saving leaves over.
        const qint64 days = start.date().daysTo(m_base.date());
        const qint64 steps = std::max<qint64>(days / window.repeat - 1, 0);
        start = start.addDays(steps * window.repeat);
        stop = stop.addDays(steps * window.repeat);
        while (start < m_base) {
            start = start.addDays(window.repeat);
            stop = stop.addDays(window.repeat);
        }
    }
    const QDateTime horizon = CellStart(CellCount);
    if (stop <= m_base || start >= horizon)
        return false;
    *first = start < m_base ? 0 : CellAt(start);
    *end = CellAt(stop);
    return *first < *end;
}

void CTimelineGrid::FromWindows(const TWindows& windows)
{
    Clear();
    for (const TWindow& window : windows)
        Mark(window);
}

bool CTimelineGrid::Mark(const TWindow& window)
{
    int first = 0;
    int end = 0;
    if (!CellRange(window, &first, &end))
        return false;
    SetRange(first, end - 1, true, window.repeat);
    return true;
}

bool CTimelineGrid::Overlaps(const TWindow& window) const
{
    int first = 0;
    int end = 0;
    if (!CellRange(window, &first, &end))
        return false;
    return std::any_of(m_marked.begin() + first, m_marked.begin() + end,
                       [](quint8 marked) { return marked != 0; });
}

CTimelineGrid::TWindows
CTimelineGrid::FromRecord(const CScheduleSettings::TExclusionWindows& windows)
{
    TWindows result;
    result.reserve(windows.size());
    for (const auto& window : windows) {
        const QDateTime start = COleDate::ToDateTime(window.start);
        const qint64 length = static_cast<qint64>(window.lengthHours) * SecondsPerHour;
        result.push_back({start, start.isValid() ? start.addSecs(length) : QDateTime(),
                          static_cast<qint32>(std::min<quint32>(window.repeat, INT32_MAX))});
    }
    return result;
}

CScheduleSettings::TExclusionWindows CTimelineGrid::ToRecord(const TWindows& windows)
{
    CScheduleSettings::TExclusionWindows result;
    result.reserve(windows.size());
    for (const TWindow& window : windows) {
        const qint64 hours = std::max<qint64>(window.start.secsTo(window.end), 0) / SecondsPerHour;
        result.push_back({COleDate::FromDateTime(window.start), static_cast<quint32>(hours),
                          static_cast<quint32>(std::max(window.repeat, 0))});
    }
    return result;
}

QString CTimelineGrid::RepeatText(qint32 days)
{
    if (days <= 0)
        return QCoreApplication::translate("CTimeline", "Does Not Repeat");
    if (days == 1)
        return QCoreApplication::translate("CTimeline", "Every Day");
    return QCoreApplication::translate("CTimeline", "Every %1 Days").arg(days);
}

QString CTimelineGrid::PeriodText(const QDateTime& start, const QDateTime& end)
{
    const QLocale locale;
    const QString hour = QStringLiteral("HH:mm");
    const QString from =
        locale.toString(start.date(), QLocale::ShortFormat) + u' ' + start.time().toString(hour);
    // An end at the next midnight is the start day's 24:00.
    QString to;
    if (start.date() == end.date())
        to = end.time().toString(hour);
    else if (end.time() == QTime(0, 0) && start.date().addDays(1) == end.date())
        to = QStringLiteral("24:00");
    else
        to = locale.toString(end.date(), QLocale::ShortFormat) + u' ' + end.time().toString(hour);
    return from + QStringLiteral(" - ") + to;
}

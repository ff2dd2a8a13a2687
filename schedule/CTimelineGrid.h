#pragma once

#include "schedule/CScheduleSettings.h"

#include <QDateTime>
#include <QString>

#include <vector>

// One year of hours from a base date-time, the model behind the timeline views: cell i is the
// hour that begins i hours after the base, and holds a marked flag and the repeat value (days,
// 0 for none) of the exclusion period it belongs to. The grid converts to and from the list of
// exclusion windows; a repeating window is marked once, at its first repetition that starts at
// or after the base, and every cell of a marked run carries the window's repeat value.
class CTimelineGrid {
public:
    static constexpr int CellCount = 8760;
    static constexpr int HoursPerDay = 24;
    static constexpr int DayCount = CellCount / HoursPerDay;
    static constexpr qint64 SecondsPerHour = 3600;

    // An exclusion period with its end, as the views edit it.
    struct TWindow {
        QDateTime start;
        QDateTime end;
        qint32 repeat = 0;

        bool operator==(const TWindow& other) const = default;
    };
    using TWindows = std::vector<TWindow>;

    // The base is cut to its whole hour; an invalid base gives the current hour.
    explicit CTimelineGrid(const QDateTime& base = QDateTime());

    const QDateTime& Base() const { return m_base; }
    // Cuts the base to its whole hour and clears every cell.
    void SetBase(const QDateTime& base);

    // False and 0 for a cell outside the year.
    bool IsMarked(int cell) const;
    qint32 Repeat(int cell) const;
    int MarkedCount() const;

    // Marks (with the repeat value) or unmarks the cells first..last, in either order; the
    // range is cut to the year. Unmarking sets the repeat value to 0.
    void SetRange(int first, int last, bool marked, qint32 repeat = 0);
    // The 24 cells of a day; nothing for a day outside the year.
    void MarkDay(int day, qint32 repeat = 0);
    void Clear();

    // The hour a cell stands for; invalid outside 0..CellCount (CellCount is the year's end).
    QDateTime CellStart(int cell) const;
    // The cell holding a moment, -1 before the base and CellCount from the year's end on.
    int CellAt(const QDateTime& moment) const;

    // Each run of marked cells with one repeat value is one window, a run reaching the last
    // cell included.
    TWindows ToWindows() const;
    // Clears the grid and marks the windows' hours within the year. Windows are cut to whole
    // hours; a repeating window starting before the base is moved forward by whole repeats;
    // windows with an invalid start or end, or an end not after the start, are ignored.
    void FromWindows(const TWindows& windows);

    // Marks the window's hours within the year, as FromWindows does for each window, without
    // clearing the others; false when no hour of it lies in the year.
    bool Mark(const TWindow& window);
    // Whether any hour of the window (cut to whole hours, within the year) is marked.
    bool Overlaps(const TWindow& window) const;

    // Between the views' form and the schedule record's (start OLE date, length in hours).
    static TWindows FromRecord(const CScheduleSettings::TExclusionWindows& windows);
    static CScheduleSettings::TExclusionWindows ToRecord(const TWindows& windows);

    // A period as the views show it: the start's date and hour, then the end's hour, with its
    // date when the end falls on a later day (other than at its midnight).
    static QString PeriodText(const QDateTime& start, const QDateTime& end);
    // "Does Not Repeat", "Every Day" or "Every N Days".
    static QString RepeatText(qint32 days);

private:
    // The window cut to whole hours and moved to its first repetition at or after the base,
    // as cells [first, end) of the year; false when no hour of it lies in the year.
    bool CellRange(const TWindow& window, int* first, int* end) const;

    QDateTime m_base;
    std::vector<quint8> m_marked;
    std::vector<qint32> m_repeat;
};

#pragma once

#include <QDateTime>

#include <cmath>

// OLE automation dates: days since 30 December 1899 00:00 in local wall-clock time, the
// fraction being the time of day. Before that day the integer part counts days backwards while
// the fraction still runs forwards through the day, so 1899-12-29 06:00 is -1.25.
class COleDate {
public:
    // What an invalid or null date converts to; converting it back gives no date.
    static constexpr double Invalid = 949998.0;
    // Year 100-01-01 00:00 and year 9999-12-31 at the last representable moment.
    static constexpr double MinValue = -657434.0;
    static constexpr double MaxValue = 2958465.99999999;

    COleDate() = delete;

    // Local time to millisecond precision; Invalid for an invalid date or one outside the
    // years 100 to 9999.
    static double FromDateTime(const QDateTime& dateTime);
    // Local time rounded to the nearest millisecond; an invalid QDateTime for Invalid, NaN,
    // infinities and values outside MinValue..MaxValue.
    static QDateTime ToDateTime(double value);
    // Dates below 1.0 mean "not set", and so do NaN and the infinities, which are no dates.
    static bool IsSet(double value) { return std::isfinite(value) && value >= 1.0; }
    static double Now();
};

#include "core/COleDate.h"

#include <cmath>

namespace {

constexpr qint64 MillisecondsPerDay = 24 * 60 * 60 * 1000;
constexpr int FirstYear = 100;
constexpr int LastYear = 9999;

QDate Epoch()
{
    return QDate(1899, 12, 30);
}

} // namespace

double COleDate::FromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return Invalid;
    const QDateTime local = dateTime.toLocalTime();
    const QDate date = local.date();
    if (date.year() < FirstYear || date.year() > LastYear)
        return Invalid;
    const double days = static_cast<double>(Epoch().daysTo(date));
    const double dayFraction =
        static_cast<double>(local.time().msecsSinceStartOfDay()) / MillisecondsPerDay;
    return days < 0 ? days - dayFraction : days + dayFraction;
}

QDateTime COleDate::ToDateTime(double value)
{
    if (value == Invalid || !std::isfinite(value) || value < MinValue || value > MaxValue)
        return {};
    // Split before scaling: the sign belongs to the day count only, and the subtraction is
    // exact, so the fraction keeps its full precision.
    const double days = std::trunc(value);
    qint64 milliseconds = std::llround(std::fabs(value - days) * MillisecondsPerDay);
    QDate date = Epoch().addDays(static_cast<qint64>(days));
    if (milliseconds >= MillisecondsPerDay) {
        date = date.addDays(1);
        milliseconds -= MillisecondsPerDay;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(milliseconds)),
                     Qt::LocalTime);
}

double COleDate::Now()
{
    return FromDateTime(QDateTime::currentDateTime());
}

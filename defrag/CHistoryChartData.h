#pragma once

#include "widgets/CBarChartWidget.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <functional>

// What the history charts of a volume show: one group of a "Before" and an "After" bar per past
// pass, labelled with the pass date in the user's date order.
class CHistoryChartData {
public:
    // The order in which the user's dates write day, month and year.
    enum TDateOrder : int {
        kMonthDayYear = 0,
        kDayMonthYear = 1,
        kYearMonthDay = 2,
    };
    static constexpr int kUnknownOrder = -1;

    // The two series' legend images.
    static constexpr const char* kLegendBefore = ":/images/legend_before.png";
    static constexpr const char* kLegendAfter = ":/images/legend_after.png";

    // A tool tip of a bar from its value and the pass date: after is false for the "Before" bar.
    using TToolTip = std::function<QString(const QString& value, const QString& date, bool after)>;

    CHistoryChartData() = delete;

    // The order of the first day, month and year fields of a date format (QDate's format
    // letters; quoted text is skipped); kUnknownOrder when one of them is missing or the order
    // is none of the three.
    static int DateOrder(const QString& format);
    // The date format of the charts' axes and tool tips: "MM/dd/yy", "dd/MM/yy" or "yy/MM/dd" by
    // the order, "MM/dd/yy" for any other order; "MM/dd" whatever the order when the language is
    // Japanese.
    static QString AxisDateFormat(int order, QLocale::Language language);
    // From the locale's short date format and its language.
    static QString AxisDateFormat(const QLocale& locale);
    // An OLE date in that format; empty when the date is not set.
    static QString DateText(double oleDate, const QString& format);

    // The legend of the before/after charts: the two names with their images, and the bars'
    // colours taken from the images so that bars and legend agree.
    static QList<CBarChartWidget::TSeries> BeforeAfterSeries(const QString& before,
                                                             const QString& after);
    // One group per pass, oldest first, as many as the longer series has; a value a series
    // lacks draws no bar and has no tool tip. dates go with the passes (missing ones unknown).
    static QList<CBarChartWidget::TGroup>
    Groups(const QList<double>& before, const QList<double>& after, const QList<double>& dates,
           const QString& dateFormat, const TToolTip& toolTip);
};

#include "defrag/CHistoryChartData.h"

#include "core/COleDate.h"
#include "core/CTextFormat.h"

#include <QImage>

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The bar colour an image stands for: the colour at its centre.
QColor HistoryChartImageColor(const QPixmap& image, const QColor& fallback)
{
    if (image.isNull())
        return fallback;
    const QImage pixels = image.toImage();
    const QColor centre = pixels.pixelColor(pixels.width() / 2, pixels.height() / 2);
    return centre.alpha() == 0 ? fallback : centre;
}

} // namespace

int CHistoryChartData::DateOrder(const QString& format)
{
    // Positions of the first d, M and y outside quoted text.
    std::array<qsizetype, 3> positions{-1, -1, -1};
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        const qsizetype field = quoted ? -1 : c == u'd' ? 0 : c == u'M' ? 1 : c == u'y' ? 2 : -1;
        if (field >= 0 && positions[field] < 0)
            positions[field] = i;
    }
    const auto [day, month, year] = positions;
    if (day < 0 || month < 0 || year < 0)
        return kUnknownOrder;
    if (month < day && day < year)
        return kMonthDayYear;
    if (day < month && month < year)
        return kDayMonthYear;
    if (year < month && month < day)
        return kYearMonthDay;
    return kUnknownOrder;
}

QString CHistoryChartData::AxisDateFormat(int order, QLocale::Language language)
{
    if (language == QLocale::Japanese)
        return u"MM/dd"_s;
    switch (order) {
    case kDayMonthYear:
        return u"dd/MM/yy"_s;
    case kYearMonthDay:
        return u"yy/MM/dd"_s;
    default:
        return u"MM/dd/yy"_s;
    }
}

QString CHistoryChartData::AxisDateFormat(const QLocale& locale)
{
    return AxisDateFormat(DateOrder(locale.dateFormat(QLocale::ShortFormat)), locale.language());
}

QString CHistoryChartData::DateText(double oleDate, const QString& format)
{
    if (!COleDate::IsSet(oleDate))
        return {};
    const QDateTime date = COleDate::ToDateTime(oleDate);
    return date.isValid() ? date.date().toString(format) : QString();
}

QList<CBarChartWidget::TSeries> CHistoryChartData::BeforeAfterSeries(const QString& before,
                                                                     const QString& after)
{
    const QPixmap beforeImage(QString::fromLatin1(kLegendBefore));
    const QPixmap afterImage(QString::fromLatin1(kLegendAfter));
    return {{before, HistoryChartImageColor(beforeImage, QColor()), beforeImage},
            {after, HistoryChartImageColor(afterImage, QColor()), afterImage}};
}

QList<CBarChartWidget::TGroup> CHistoryChartData::Groups(const QList<double>& before,
                                                         const QList<double>& after,
                                                         const QList<double>& dates,
                                                         const QString& dateFormat,
                                                         const TToolTip& toolTip)
{
    const qsizetype passes = std::max(before.size(), after.size());
    QList<CBarChartWidget::TGroup> groups;
    groups.reserve(passes);
    for (qsizetype pass = 0; pass < passes; ++pass) {
        CBarChartWidget::TGroup group;
        group.label = DateText(pass < dates.size() ? dates.at(pass) : 0.0, dateFormat);
        for (const QList<double>* series : {&before, &after}) {
            const bool present = pass < series->size() && std::isfinite(series->at(pass));
            const double value = present ? series->at(pass) : std::nan("");
            group.values.append(value);
            group.toolTips.append(
                present ? toolTip(CTextFormat::NumberText(value, 1), group.label, series == &after)
                        : QString());
        }
        groups.append(std::move(group));
    }
    return groups;
}

#include "core/CTextFormat.h"

#include "core/COleDate.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr double Kilo = 1024.0;
constexpr double Mega = Kilo * Kilo;
constexpr double Giga = Mega * Kilo;
constexpr double Tera = Giga * Kilo;

} // namespace

QString CTextFormat::NumberText(double value, int decimals)
{
    QString text = QString::number(value, 'f', std::max(decimals, 0));
    if (text.contains(u'.')) {
        qsizetype end = text.size();
        while (text.at(end - 1) == u'0')
            --end;
        if (text.at(end - 1) == u'.')
            --end;
        text.truncate(end);
    }
    if (text == u"-0")
        return QStringLiteral("0");
    return text;
}

CTextFormat::TScaledSize CTextFormat::ScaleMegabytes(double megabytes)
{
    // The unit is chosen on the unrounded value, so 1023.999 MB stays "1024 MB".
    double scaled = megabytes;
    const char* unitTemplate = "%1 MB";
    if (megabytes >= Mega) {
        scaled = megabytes / Mega;
        unitTemplate = "%1 TB";
    } else if (megabytes >= Kilo) {
        scaled = megabytes / Kilo;
        unitTemplate = "%1 GB";
    }
    return {NumberText(std::round(scaled * 100.0) / 100.0, 2), unitTemplate};
}

QString CTextFormat::SizeTextFromMegabytes(double megabytes)
{
    const TScaledSize size = ScaleMegabytes(megabytes);
    return QLatin1String(size.unitTemplate).arg(size.number);
}

QString CTextFormat::FragmentationText(double percent)
{
    return QStringLiteral("%1 %").arg(NumberText(std::round(percent * 10.0) / 10.0, 1));
}

QString CTextFormat::ByteSizeText(quint64 bytes)
{
    struct TUnit {
        double size;
        const char* suffix;
    };
    static constexpr TUnit Units[] = {{Tera, " TB"}, {Giga, " GB"}, {Mega, " MB"}, {Kilo, " KB"}};

    const double count = static_cast<double>(bytes);
    TUnit chosen{1.0, " B"};
    for (const TUnit& unit : Units) {
        if (count >= unit.size) {
            chosen = unit;
            break;
        }
    }
    const double rounded = std::floor(count / chosen.size * 100.0 + 0.5) / 100.0;
    return NumberText(rounded, 2) + QLatin1String(chosen.suffix);
}

QString CTextFormat::LocaleDateTimeText(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return {};
    return QLocale::system().toString(dateTime, QLocale::ShortFormat);
}

QString CTextFormat::LocaleDateTimeText(double oleDate)
{
    if (!COleDate::IsSet(oleDate))
        return {};
    return LocaleDateTimeText(COleDate::ToDateTime(oleDate));
}

QString CTextFormat::LocaleDateText(const QDate& date)
{
    if (!date.isValid())
        return {};
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

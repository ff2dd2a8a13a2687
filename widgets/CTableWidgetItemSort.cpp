#include "widgets/CTableWidgetItemSort.h"

#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

CTableWidgetItemSort::CTableWidgetItemSort(const QString& text)
    : QTableWidgetItem(text, QTableWidgetItem::UserType)
{}

CTableWidgetItemSort::CTableWidgetItemSort(const QString& text, double sortValue)
    : CTableWidgetItemSort(text)
{
    setData(kSortRole, sortValue);
}

QTableWidgetItem* CTableWidgetItemSort::clone() const
{
    return new CTableWidgetItemSort(*this);
}

bool CTableWidgetItemSort::operator<(const QTableWidgetItem& other) const
{
    const std::optional<double> mine = SortNumber(*this);
    const std::optional<double> theirs = SortNumber(other);
    if (mine && theirs)
        return *mine < *theirs;
    if (mine || theirs)
        return mine.has_value();
    const QString left = text();
    const QString right = other.text();
    if (const int folded = left.compare(right, Qt::CaseInsensitive); folded != 0)
        return folded < 0;
    return left < right;
}

std::optional<double> CTableWidgetItemSort::NumberOf(const QString& text)
{
    static const std::array<std::pair<QString, double>, 5> Units = {{
        {u"TB"_s, 1024.0 * 1024.0 * 1024.0 * 1024.0},
        {u"GB"_s, 1024.0 * 1024.0 * 1024.0},
        {u"MB"_s, 1024.0 * 1024.0},
        {u"KB"_s, 1024.0},
        {u"B"_s, 1.0},
    }};
    QString number = text.trimmed();
    if (number.isEmpty())
        return std::nullopt;
    double scale = 1.0;
    if (number.endsWith(u'%')) {
        number.chop(1);
    } else {
        for (const auto& [unit, factor] : Units)
            if (number.endsWith(unit) && number.size() > unit.size()) {
                number.chop(unit.size());
                scale = factor;
                break;
            }
    }
    bool ok = false;
    const double value = number.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value * scale;
}

std::optional<double> CTableWidgetItemSort::SortNumber(const QTableWidgetItem& item)
{
    const QVariant stored = item.data(kSortRole);
    if (stored.isValid()) {
        bool ok = false;
        const double value = stored.toDouble(&ok);
        if (ok)
            return value;
    }
    return NumberOf(item.text());
}

#pragma once

#include <QTableWidgetItem>

#include <optional>

// A table cell that sorts by number where it holds one: its sort value when one is given, else
// the number its text reads as (blanks around it, a trailing "%" or a size unit "B", "KB",
// "MB", "GB", "TB" allowed), else its text. Numbers come before texts; texts compare ignoring
// case first. Works against plain QTableWidgetItems too.
class CTableWidgetItemSort : public QTableWidgetItem {
public:
    // Where the sort value is kept.
    static constexpr int kSortRole = Qt::UserRole + 0x100;

    explicit CTableWidgetItemSort(const QString& text = {});
    CTableWidgetItemSort(const QString& text, double sortValue);

    QTableWidgetItem* clone() const override;
    bool operator<(const QTableWidgetItem& other) const override;

    // The number a cell's text reads as, sizes in bytes; nothing for any other text.
    static std::optional<double> NumberOf(const QString& text);
    // The number a cell sorts by, if any.
    static std::optional<double> SortNumber(const QTableWidgetItem& item);
};

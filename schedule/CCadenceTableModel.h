#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "schedule/CCadence.h"

#include <QAbstractTableModel>

#include <optional>

// The schedule table: every drive schedule in map order, then the Exchange schedules, then the
// guest schedules, read straight from the scheduling model. The model keeps no rows of its own;
// whoever changes the scheduling model resets it (Reset()).
class CCadenceTableModel : public QAbstractTableModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn : int {
        kNameColumn = 0,
        kTypeColumn,
        kLastRunColumn,
        kNextRunColumn,
        kDisabledColumn,
        kColumnCount
    };
    // The kind of schedule a row shows.
    enum TKind : int { kDriveKind, kExchangeKind, kGuestKind };
    // The role under which every cell answers its schedule's name.
    static constexpr int kNameRole = Qt::UserRole + 1;
    // The role under which every cell answers the value its column sorts by.
    static constexpr int kSortRole = Qt::UserRole + 2;

    // The model must outlive the table model.
    explicit CCadenceTableModel(const CCadence& cadence, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The schedule shown by a row; none outside the rows.
    std::optional<TName> NameAt(int row) const;
    std::optional<TKind> KindAt(int row) const;
    // The row of a schedule, -1 when none shows it.
    int RowOf(const TName& name) const;

    // The scheduling model changed: every view starts again.
    void Reset();

private:
    // What a row shows, whatever its kind.
    struct TRowView {
        TKind kind = kDriveKind;
        const TName* name = nullptr;
        const CScheduleSettings* settings = nullptr;
        QString displayName;
        QString typeText;
        QString iconName;
    };
    std::optional<TRowView> RowView(int row) const;
    QVariant DisplayData(const TRowView& view, int column) const;
    QVariant SortData(const TRowView& view, int column) const;
    // A run date as the table shows it; empty below 1.0.
    static QString RunText(double date);

    const CCadence& m_cadence;
};

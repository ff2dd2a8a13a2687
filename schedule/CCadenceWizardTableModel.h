#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QAbstractTableModel>
#include <QVector>

class CCadence;

// The existing schedules as the name page lists them: every drive schedule, then the Exchange
// and the guest schedules, with their name, type and owner. The rows are taken from the
// scheduling model when the table model is made and again on Reload().
class CCadenceWizardTableModel : public QAbstractTableModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn : int { kNameColumn = 0, kTypeColumn, kOwnerColumn, kColumnCount };
    // Every cell answers its schedule's name as the agent keeps it under this role.
    static constexpr int kNameRole = Qt::UserRole + 1;
    // Every cell answers "name (type)" under this role: the name page's list entry.
    static constexpr int kListTextRole = Qt::UserRole + 2;

    // The scheduling model must outlive the table model.
    explicit CCadenceWizardTableModel(const CCadence& cadence, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Whether a schedule of any kind is kept under that name.
    bool Contains(const TName& name) const;
    // Takes the rows from the scheduling model again.
    void Reload();

private:
    struct TRow {
        TName name;
        QString displayName;
        QString typeText;
        QString ownerText;
    };

    const CCadence& m_cadence;
    QVector<TRow> m_rows;
};

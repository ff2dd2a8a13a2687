#include "schedule/CCadenceWizardTableModel.h"

#include "schedule/CCadence.h"

#include <algorithm>

CCadenceWizardTableModel::CCadenceWizardTableModel(const CCadence& cadence, QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable("CCadenceWizardTableModel")
    , m_cadence(cadence)
{
    Reload();
}

int CCadenceWizardTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CCadenceWizardTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CCadenceWizardTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const TRow& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kNameColumn:
            return row.displayName;
        case kTypeColumn:
            return row.typeText;
        case kOwnerColumn:
            return row.ownerText;
        default:
            return {};
        }
    case kNameRole:
        return QString::fromStdWString(row.name);
    case kListTextRole:
        return QStringLiteral("%1 (%2)").arg(row.displayName, row.typeText);
    default:
        return {};
    }
}

QVariant CCadenceWizardTableModel::headerData(int section, Qt::Orientation orientation,
                                              int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kNameColumn:
        return QString(Translate("Schedule Name"));
    case kTypeColumn:
        return QString(Translate("Type"));
    case kOwnerColumn:
        return QString(Translate("Owner"));
    default:
        return {};
    }
}

bool CCadenceWizardTableModel::Contains(const TName& name) const
{
    return std::any_of(m_rows.cbegin(), m_rows.cend(),
                       [&name](const TRow& row) { return row.name == name; });
}

void CCadenceWizardTableModel::Reload()
{
    beginResetModel();
    m_rows.clear();
    const auto add = [this](const auto& schedules) {
        for (const auto& [name, schedule] : schedules)
            m_rows.append(
                {name, schedule.DisplayName(), schedule.TypeText(), schedule.SourceText()});
    };
    add(m_cadence.Schedules());
    add(m_cadence.ExSchedules());
    add(m_cadence.VmSchedules());
    endResetModel();
}

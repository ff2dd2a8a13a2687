#include "defrag/CStatsExcludedTableModel.h"

#include "core/CSystemMessage.h"

CStatsExcludedTableModel::CStatsExcludedTableModel(QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable("CStatsExcludedTableModel")
{}

void CStatsExcludedTableModel::SetEntries(QList<CStatisticsBlockLists::TExcluded> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

QString CStatsExcludedTableModel::ReasonText(const CStatisticsBlockLists::TExcluded& entry) const
{
    switch (entry.reason) {
    case CStatisticsBlockLists::kAccessDenied:
        return Translate("Access Denied ");
    case CStatisticsBlockLists::kMetadata:
        return Translate("Metadata ");
    case CStatisticsBlockLists::kSystemFile:
        return Translate("System File");
    case CStatisticsBlockLists::kError:
        return CSystemMessage::Text(entry.error);
    case CStatisticsBlockLists::kExcludedFile:
        return Translate("Excluded File");
    default:
        return Translate("None");
    }
}

int CStatsExcludedTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int CStatsExcludedTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CStatsExcludedTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const CStatisticsBlockLists::TExcluded& entry = m_entries.at(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() == kFragmentsColumn
                   ? QVariant(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter))
                   : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != kSortRole)
        return {};
    switch (index.column()) {
    case kReasonColumn:
        return ReasonText(entry);
    case kNameColumn:
        return QString::fromStdWString(entry.path);
    case kFragmentsColumn:
        if (role == kSortRole)
            return qint64(entry.excessFragments);
        return entry.excessFragments < 0 ? QString() : QString::number(entry.excessFragments);
    default:
        return {};
    }
}

QVariant CStatsExcludedTableModel::headerData(int section, Qt::Orientation orientation,
                                              int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case kReasonColumn:
        return Translate("Reason").Text();
    case kNameColumn:
        return Translate("File Name (Directories Not Included)").Text();
    case kFragmentsColumn:
        return Translate("Excess Fragments").Text();
    default:
        return {};
    }
}

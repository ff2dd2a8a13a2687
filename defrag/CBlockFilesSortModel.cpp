#include "defrag/CBlockFilesSortModel.h"

#include "defrag/CBlockFilesModel.h"

namespace {

// Ignoring case first, so that "a" and "B" sort as people expect; case only breaks ties.
bool TextLess(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

} // namespace

CBlockFilesSortModel::CBlockFilesSortModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(CBlockFilesModel::kSortRole);
}

void CBlockFilesSortModel::setSourceModel(QAbstractItemModel* model)
{
    m_files = qobject_cast<const CBlockFilesModel*>(model);
    QSortFilterProxyModel::setSourceModel(model);
}

bool CBlockFilesSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    // The rows themselves: a block can hold tens of thousands of files, and their values need
    // no trip through QVariant.
    if (m_files) {
        const TBlockFile& a = m_files->File(left.row());
        const TBlockFile& b = m_files->File(right.row());
        switch (left.column()) {
        case CBlockFilesModel::kNameColumn:
            return TextLess(a.name, b.name);
        case CBlockFilesModel::kFolderColumn:
            return TextLess(a.folder, b.folder);
        case CBlockFilesModel::kExcessColumn:
            return a.excessFragments < b.excessFragments;
        case CBlockFilesModel::kSpaceColumn:
            return a.bytesUsed < b.bytesUsed;
        default:
            return false;
        }
    }
    return false;
}

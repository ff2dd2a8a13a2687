#include "defrag/CBlockFilesModel.h"

#include "core/CTextFormat.h"

CBlockFilesModel::CBlockFilesModel(CKV100EngineInterface& engine, QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable("CBlockFilesModel")
    , m_builder(new CBlockFilesModelBuilder(engine, this))
{
    Wire();
}

CBlockFilesModel::CBlockFilesModel(CBlockFilesModelBuilder::TFetch fetch, QObject* parent)
    : QAbstractTableModel(parent)
    , CTranslatable("CBlockFilesModel")
    , m_builder(new CBlockFilesModelBuilder(std::move(fetch), this))
{
    Wire();
}

void CBlockFilesModel::Wire()
{
    connect(m_builder, &CBlockFilesModelBuilder::Started, this, &CBlockFilesModel::OnStarted);
    connect(m_builder, &CBlockFilesModelBuilder::Progress, this, &CBlockFilesModel::Progress);
    connect(m_builder, &CBlockFilesModelBuilder::RowsReady, this, &CBlockFilesModel::Append);
    connect(m_builder, &CBlockFilesModelBuilder::Completed, this, &CBlockFilesModel::OnFinish);
    connect(m_builder, &CBlockFilesModelBuilder::Stopped, this, &CBlockFilesModel::OnFinish);
    connect(m_builder, &CBlockFilesModelBuilder::Failed, this, &CBlockFilesModel::OnFinish);
}

void CBlockFilesModel::Build(const TId& volume, int block)
{
    m_builder->Start(volume, block);
}

void CBlockFilesModel::Stop()
{
    m_builder->Stop();
}

void CBlockFilesModel::OnStarted()
{
    if (!m_rows.isEmpty()) {
        beginResetModel();
        m_rows.clear();
        endResetModel();
    }
    emit Started();
}

void CBlockFilesModel::Append(const TBlockFileList& rows)
{
    const auto first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void CBlockFilesModel::OnFinish()
{
    emit Finished();
}

int CBlockFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CBlockFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CBlockFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const TBlockFile& file = m_rows.at(index.row());
    if (role == kPathRole)
        return file.Path();
    if (role == Qt::TextAlignmentRole && index.column() >= kExcessColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole && role != kSortRole)
        return {};
    const bool sort = role == kSortRole;
    switch (index.column()) {
    case kNameColumn:
        return file.name;
    case kFolderColumn:
        return file.folder;
    case kExcessColumn:
        if (sort)
            return file.excessFragments;
        return file.excessFragments < 0 ? Translate("N/A").Text()
                                        : QString::number(file.excessFragments);
    case kSpaceColumn:
        if (sort)
            return file.bytesUsed;
        return file.bytesUsed <= 0 ? Translate("N/A").Text()
                                   : CTextFormat::ByteSizeText(quint64(file.bytesUsed));
    default:
        return {};
    }
}

QVariant CBlockFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case kNameColumn:
        return Translate("Name").Text();
    case kFolderColumn:
        return Translate("In Folder").Text();
    case kExcessColumn:
        return Translate("Excess Fragments").Text();
    case kSpaceColumn:
        return Translate("Space Used").Text();
    default:
        return {};
    }
}

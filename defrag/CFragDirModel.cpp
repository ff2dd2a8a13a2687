#include "defrag/CFragDirModel.h"

#include <QFileIconProvider>

#include <algorithm>

CFragDirModel::CFragDirModel(QObject* parent)
    : CDirectoryTreeModelBase(parent, "CFragDirModel")
{}

void CFragDirModel::SetRoot(const QString& root, TReader reader)
{
    CDirectoryTreeModelBase::TReader read;
    if (reader) {
        read = [reader = std::move(reader)](const QString& directory) {
            const TListing listing = reader(directory);
            CDirectoryTreeModelBase::TListing converted{listing.result, {}};
            converted.entries.reserve(listing.entries.size());
            for (const TEntry& entry : listing.entries)
                converted.entries.append({entry.name, entry.directory, 0,
                                          entry.directory ? -1 : std::max(entry.fragments, -1)});
            return converted;
        };
    }
    SetTree(root, std::move(read), false);
}

int CFragDirModel::columnCount(const QModelIndex&) const
{
    return kColumnCount;
}

QString CFragDirModel::FragmentsText(int fragments) const
{
    if (fragments < 0)
        return {};
    if (fragments < 2)
        return Translate("Not Fragmented");
    return Translate("%1 fragments").Arg(fragments);
}

QVariant CFragDirModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const bool directory = IsDirectory(index);
    const int fragments = directory ? -1 : ExtraOf(index).toInt();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case kNameColumn:
            return NameOf(index);
        case kFragmentsColumn:
            return directory ? QString() : FragmentsText(fragments);
        case kPathColumn:
            return PathOf(index);
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() != kNameColumn)
            return {};
        return QFileIconProvider().icon(directory ? QAbstractFileIconProvider::Folder
                                                  : QAbstractFileIconProvider::File);
    case kPathRole:
        return PathOf(index);
    case kDirectoryRole:
        return directory;
    case kFragmentsRole:
        return fragments;
    default:
        return {};
    }
}

QVariant CFragDirModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kNameColumn:
        return Translate("Name").Text();
    case kFragmentsColumn:
        return Translate("Fragments").Text();
    case kPathColumn:
        return Translate("File Path").Text();
    default:
        return {};
    }
}

#include "defrag/CFragDirModel.h"

#include <QFileIconProvider>
#include <QThreadPool>

#include <algorithm>

struct CFragDirModel::TNode {
    TNode* parent = nullptr;
    int row = 0;
    QString name;
    QString path;
    bool directory = false;
    int fragments = -1;
    TState state = TState::Unread;
    std::vector<std::unique_ptr<TNode>> children;
};

CFragDirModel::CFragDirModel(QObject* parent)
    : QAbstractItemModel(parent)
    , CTranslatable("CFragDirModel")
    , m_top(std::make_unique<TNode>())
    , m_mailbox(std::make_shared<TMailbox>())
{
    m_mailbox->model = this;
    m_top->directory = true;
    m_top->state = TState::Read;
}

CFragDirModel::~CFragDirModel()
{
    // A read still running answers into nothing from now on.
    QMutexLocker locker(&m_mailbox->mutex);
    m_mailbox->model = nullptr;
}

QString CFragDirModel::Join(const QString& directory, const QString& name)
{
    return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

void CFragDirModel::SetRoot(const QString& root, TReader reader)
{
    const bool wasLoading = !m_loading.isEmpty();
    beginResetModel();
    ++m_generation;
    m_loading.clear();
    m_root = root;
    m_reader = std::move(reader);
    m_top = std::make_unique<TNode>();
    m_top->directory = true;
    m_top->path = root;
    m_top->state = root.isEmpty() || !m_reader ? TState::Read : TState::Unread;
    endResetModel();
    if (wasLoading)
        emit LoadingChanged(false);
    if (m_top->state == TState::Unread)
        Read(m_top.get());
}

void CFragDirModel::Read(TNode* node)
{
    if (node->state != TState::Unread || !m_reader)
        return;
    node->state = TState::Reading;
    const bool first = m_loading.isEmpty();
    m_loading.insert(node->path, node);
    if (first)
        emit LoadingChanged(true);
    const quint64 generation = m_generation;
    const QString directory = node->path;
    QThreadPool::globalInstance()->start(
        [mailbox = m_mailbox, reader = m_reader, generation, directory] {
            const TListing listing = reader(directory);
            QMutexLocker locker(&mailbox->mutex);
            if (CFragDirModel* model = mailbox->model) {
                QMetaObject::invokeMethod(
                    model,
                    [model, generation, directory, listing] {
                        model->OnRead(generation, directory, listing);
                    },
                    Qt::QueuedConnection);
            }
        });
}

void CFragDirModel::OnRead(quint64 generation, const QString& directory, const TListing& listing)
{
    if (generation != m_generation)
        return; // a tree since replaced
    TNode* node = m_loading.take(directory);
    if (!node)
        return;
    node->state = TState::Read;
    if (FAILED(listing.result)) {
        // No rows, and no expander promising any.
        const QModelIndex index = IndexOf(node);
        if (index.isValid())
            emit dataChanged(index, IndexOf(node, kColumnCount - 1));
        emit DirectoryFailed(directory, listing.result);
    } else {
        QList<TEntry> entries = listing.entries;
        // Directories first, then files, each by name.
        std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
            if (a.directory != b.directory)
                return a.directory;
            return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
        });
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const TEntry& entry) {
                                         return entry.name.isEmpty() || entry.name.contains(u'/') ||
                                                entry.name == u"." || entry.name == u"..";
                                     }),
                      entries.end());
        if (!entries.isEmpty()) {
            beginInsertRows(IndexOf(node), 0, int(entries.size()) - 1);
            node->children.reserve(std::size_t(entries.size()));
            for (const TEntry& entry : entries) {
                auto child = std::make_unique<TNode>();
                child->parent = node;
                child->row = int(node->children.size());
                child->name = entry.name;
                child->path = Join(directory, entry.name);
                child->directory = entry.directory;
                child->fragments = entry.directory ? -1 : std::max(entry.fragments, -1);
                child->state = entry.directory ? TState::Unread : TState::Read;
                node->children.push_back(std::move(child));
            }
            endInsertRows();
        }
    }
    if (m_loading.isEmpty())
        emit LoadingChanged(false);
}

CFragDirModel::TNode* CFragDirModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TNode*>(index.internalPointer()) : m_top.get();
}

QModelIndex CFragDirModel::IndexOf(TNode* node, int column) const
{
    if (!node || node == m_top.get())
        return {};
    return createIndex(node->row, column, node);
}

QModelIndex CFragDirModel::IndexOfPath(const QString& path) const
{
    if (m_root.isEmpty() || !path.startsWith(m_root))
        return {};
    const QStringList parts = path.mid(m_root.size()).split(u'/', Qt::SkipEmptyParts);
    TNode* node = m_top.get();
    for (const QString& part : parts) {
        const auto found =
            std::find_if(node->children.begin(), node->children.end(),
                         [&](const std::unique_ptr<TNode>& child) { return child->name == part; });
        if (found == node->children.end())
            return {};
        node = found->get();
    }
    return IndexOf(node);
}

QModelIndex CFragDirModel::index(int row, int column, const QModelIndex& parent) const
{
    const TNode* node = NodeOf(parent);
    if (row < 0 || column < 0 || column >= kColumnCount ||
        std::size_t(row) >= node->children.size())
        return {};
    return createIndex(row, column, node->children[std::size_t(row)].get());
}

QModelIndex CFragDirModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return IndexOf(NodeOf(child)->parent);
}

int CFragDirModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(NodeOf(parent)->children.size());
}

int CFragDirModel::columnCount(const QModelIndex&) const
{
    return kColumnCount;
}

bool CFragDirModel::hasChildren(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return false;
    const TNode* node = NodeOf(parent);
    // An unread directory may have rows: the view offers to expand it, which reads it.
    return node->directory && (node->state != TState::Read || !node->children.empty());
}

bool CFragDirModel::canFetchMore(const QModelIndex& parent) const
{
    const TNode* node = NodeOf(parent);
    return node->directory && node->state == TState::Unread;
}

void CFragDirModel::fetchMore(const QModelIndex& parent)
{
    Read(NodeOf(parent));
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
    const TNode* node = NodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case kNameColumn:
            return node->name;
        case kFragmentsColumn:
            return node->directory ? QString() : FragmentsText(node->fragments);
        case kPathColumn:
            return node->path;
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() != kNameColumn)
            return {};
        return QFileIconProvider().icon(node->directory ? QAbstractFileIconProvider::Folder
                                                        : QAbstractFileIconProvider::File);
    case kPathRole:
        return node->path;
    case kDirectoryRole:
        return node->directory;
    case kFragmentsRole:
        return node->fragments;
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

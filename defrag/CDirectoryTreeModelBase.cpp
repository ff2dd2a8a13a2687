#include "defrag/CDirectoryTreeModelBase.h"

#include "engine/CKV100FileBrowserInterface.h"

#include <QFileIconProvider>
#include <QThreadPool>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr uint kDirectoryAttribute = 0x10;
constexpr uint kReparsePointAttribute = 0x400;

QString Join(const QString& directory, const QString& name)
{
    return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

bool IsDevicePath(const QString& mountName)
{
    return mountName.startsWith(uR"(\\?\)"_s) || mountName.startsWith(uR"(\\.\)"_s);
}

} // namespace

struct CDirectoryTreeModelBase::TNode {
    TNode* parent = nullptr;
    int row = 0;
    QString name;
    QString path;
    bool directory = false;
    qulonglong size = 0;
    QVariant extra;
    TState state = TState::Unread;
    std::vector<std::unique_ptr<TNode>> children;
};

CDirectoryTreeModelBase::CDirectoryTreeModelBase(QObject* parent, QByteArray context)
    : QAbstractItemModel(parent)
    , CTranslatable(std::move(context))
    , m_top(std::make_unique<TNode>())
    , m_mailbox(std::make_shared<TMailbox>())
{
    m_mailbox->model = this;
    m_top->directory = true;
    m_top->state = TState::Read;
}

CDirectoryTreeModelBase::~CDirectoryTreeModelBase()
{
    // A read still running answers into nothing from now on.
    QMutexLocker locker(&m_mailbox->mutex);
    m_mailbox->model = nullptr;
}

QString CDirectoryTreeModelBase::VolumeName(const QString& mountName) const
{
    if (mountName.isEmpty() || IsDevicePath(mountName))
        return Translate("Unmounted Volume");
    return Translate("Volume Mounted at %1").Arg(mountName);
}

QString CDirectoryTreeModelBase::SizeText(qulonglong bytes)
{
    constexpr double kKilo = 1024.0;
    const double value = double(bytes);
    if (value >= kKilo * kKilo * kKilo * kKilo)
        return QString::asprintf("%.1f TB", value / (kKilo * kKilo * kKilo * kKilo));
    if (value >= kKilo * kKilo * kKilo)
        return QString::asprintf("%.1f GB", value / (kKilo * kKilo * kKilo));
    if (value >= kKilo * kKilo)
        return QString::asprintf("%.1f MB", value / (kKilo * kKilo));
    return QString::asprintf("%.1f KB", value / kKilo);
}

CDirectoryTreeModelBase::TReader
CDirectoryTreeModelBase::BrowserReader(CKV100FileBrowserInterface& browser)
{
    return [&browser](const QString& directory) {
        TListing listing;
        TStringList names;
        QList<uint> attributes;
        QList<qulonglong> sizes;
        QList<double> modified;
        listing.result =
            browser.ListDirectory(directory.toStdWString(), &names, &attributes, &sizes, &modified);
        if (FAILED(listing.result))
            return listing;
        if (qsizetype(names.size()) != attributes.size() ||
            qsizetype(names.size()) != sizes.size()) {
            listing.result = E_UNEXPECTED;
            return listing;
        }
        qsizetype i = 0;
        for (const TString& name : names) {
            const uint attribute = attributes.at(i);
            const qulonglong size = sizes.at(i++);
            if (attribute & kReparsePointAttribute)
                continue;
            const bool folder = attribute & kDirectoryAttribute;
            listing.entries.append({QString::fromStdWString(name), folder, folder ? 0 : size, {}});
        }
        return listing;
    };
}

void CDirectoryTreeModelBase::SetVolume(const QString& mountName, TReader reader)
{
    SetTree(mountName, std::move(reader), true);
}

void CDirectoryTreeModelBase::SetTree(const QString& root, TReader reader, bool volumeRow)
{
    const bool wasLoading = !m_loading.isEmpty();
    beginResetModel();
    ++m_generation;
    m_loading.clear();
    m_mountName = root;
    m_volumeRow = volumeRow;
    m_reader = std::move(reader);
    m_top = std::make_unique<TNode>();
    m_top->directory = true;
    m_top->state = TState::Read;
    TNode* first = nullptr;
    if (!root.isEmpty() && volumeRow) {
        auto node = std::make_unique<TNode>();
        node->parent = m_top.get();
        node->name = VolumeName(root);
        node->path = root;
        node->directory = true;
        first = node.get();
        m_top->children.push_back(std::move(node));
    } else if (!root.isEmpty()) {
        m_top->path = root;
        first = m_top.get();
    }
    if (first)
        first->state = m_reader ? TState::Unread : TState::Read;
    endResetModel();
    if (wasLoading)
        emit LoadingChanged(false);
    if (first)
        Read(first);
}

QModelIndex CDirectoryTreeModelBase::VolumeIndex() const
{
    return m_volumeRow ? index(0, kNameColumn) : QModelIndex();
}

void CDirectoryTreeModelBase::Read(TNode* node)
{
    if (node->state != TState::Unread || !m_reader)
        return;
    node->state = TState::Reading;
    const bool first = m_loading.isEmpty();
    m_loading.insert(node->path, node);
    if (first)
        emit LoadingChanged(true);
    QThreadPool::globalInstance()->start([mailbox = m_mailbox, reader = m_reader,
                                          generation = m_generation, directory = node->path] {
        const TListing listing = reader(directory);
        QMutexLocker locker(&mailbox->mutex);
        if (CDirectoryTreeModelBase* model = mailbox->model) {
            QMetaObject::invokeMethod(
                model,
                [model, generation, directory, listing] {
                    model->OnRead(generation, directory, listing);
                },
                Qt::QueuedConnection);
        }
    });
}

void CDirectoryTreeModelBase::OnRead(quint64 generation, const QString& directory,
                                     const TListing& listing)
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
            emit dataChanged(index, IndexOf(node, columnCount(index.parent()) - 1));
        emit DirectoryFailed(directory, listing.result);
    } else {
        QList<TEntry> entries = listing.entries;
        entries.removeIf([](const TEntry& entry) {
            return entry.name.isEmpty() || entry.name.contains(u'/') || entry.name == u"." ||
                   entry.name == u"..";
        });
        std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
            if (a.directory != b.directory)
                return a.directory;
            return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
        });
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
                child->size = entry.directory ? 0 : entry.size;
                child->extra = entry.extra;
                child->state = entry.directory ? TState::Unread : TState::Read;
                node->children.push_back(std::move(child));
            }
            endInsertRows();
        }
    }
    if (m_loading.isEmpty())
        emit LoadingChanged(false);
}

CDirectoryTreeModelBase::TNode* CDirectoryTreeModelBase::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TNode*>(index.internalPointer()) : m_top.get();
}

QModelIndex CDirectoryTreeModelBase::IndexOf(TNode* node, int column) const
{
    if (!node || node == m_top.get())
        return {};
    return createIndex(node->row, column, node);
}

QModelIndex CDirectoryTreeModelBase::IndexOfPath(const QString& path) const
{
    if (m_mountName.isEmpty() || (m_volumeRow && m_top->children.empty()))
        return {};
    TNode* node = m_volumeRow ? m_top->children.front().get() : m_top.get();
    if (path == node->path)
        return IndexOf(node);
    if (!path.startsWith(Join(node->path, {})))
        return {};
    const QStringList parts = path.mid(Join(node->path, {}).size()).split(u'/', Qt::SkipEmptyParts);
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

QString CDirectoryTreeModelBase::NameOf(const QModelIndex& index) const
{
    return index.isValid() ? NodeOf(index)->name : QString();
}

QVariant CDirectoryTreeModelBase::ExtraOf(const QModelIndex& index) const
{
    return index.isValid() ? NodeOf(index)->extra : QVariant();
}

QString CDirectoryTreeModelBase::PathOf(const QModelIndex& index) const
{
    return index.isValid() ? NodeOf(index)->path : QString();
}

bool CDirectoryTreeModelBase::IsDirectory(const QModelIndex& index) const
{
    return index.isValid() && NodeOf(index)->directory;
}

QModelIndex CDirectoryTreeModelBase::index(int row, int column, const QModelIndex& parent) const
{
    const TNode* node = NodeOf(parent);
    if (row < 0 || column < 0 || column >= columnCount(parent) ||
        std::size_t(row) >= node->children.size())
        return {};
    return createIndex(row, column, node->children[std::size_t(row)].get());
}

QModelIndex CDirectoryTreeModelBase::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return IndexOf(NodeOf(child)->parent);
}

int CDirectoryTreeModelBase::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(NodeOf(parent)->children.size());
}

int CDirectoryTreeModelBase::columnCount(const QModelIndex&) const
{
    return kColumnCount;
}

bool CDirectoryTreeModelBase::hasChildren(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return false;
    const TNode* node = NodeOf(parent);
    // An unread folder may have rows: the view offers to expand it, which reads it.
    return node->directory && (node->state != TState::Read || !node->children.empty());
}

bool CDirectoryTreeModelBase::canFetchMore(const QModelIndex& parent) const
{
    const TNode* node = NodeOf(parent);
    return node->directory && node->state == TState::Unread;
}

void CDirectoryTreeModelBase::fetchMore(const QModelIndex& parent)
{
    Read(NodeOf(parent));
}

QVariant CDirectoryTreeModelBase::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TNode* node = NodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == kNameColumn)
            return node->name;
        if (index.column() == kSizeColumn && !node->directory)
            return SizeText(node->size);
        return {};
    case Qt::ToolTipRole:
        return index.column() == kNameColumn ? node->path : QVariant();
    case Qt::DecorationRole:
        if (index.column() != kNameColumn)
            return {};
        if (m_volumeRow && node->parent == m_top.get())
            return QFileIconProvider().icon(QAbstractFileIconProvider::Drive);
        return QFileIconProvider().icon(node->directory ? QAbstractFileIconProvider::Folder
                                                        : QAbstractFileIconProvider::File);
    case kPathRole:
        return node->path;
    case kDirectoryRole:
        return node->directory;
    case kSizeRole:
        return node->size;
    default:
        return {};
    }
}

QVariant CDirectoryTreeModelBase::headerData(int section, Qt::Orientation orientation,
                                             int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kNameColumn:
        return Translate("Name").Text();
    case kSizeColumn:
        return Translate("Size").Text();
    default:
        return {};
    }
}

#include "defrag/CExcludedFilesPage.h"

#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "defrag/CExcludedTreeModel.h"
#include "engine/CKV100EngineInterface.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QTreeView* MakeTree(CExcludedTreeModel* model, QWidget* parent)
{
    auto* tree = new QTreeView(parent);
    tree->setModel(model);
    tree->setUniformRowHeights(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(CDirectoryTreeModelBase::kNameColumn,
                                         QHeaderView::Stretch);
    return tree;
}

} // namespace

CExcludedFilesPage::CExcludedFilesPage(const TDrivePropertiesContext& context, QWidget* parent)
    : CDiskNoteBookPage(context, "CExcludedFilesPage", parent)
    , m_model(new CExcludedTreeModel(this))
    , m_tree(MakeTree(m_model, this))
{
    auto* group = new QGroupBox(Translate("Files excluded from defragmentation"), this);
    auto* info = new QLabel(Translate("You can exclude files from the online defragmentation "
                                      "pass. In this case these files will not be moved by "
                                      "Korvane."),
                            group);
    info->setWordWrap(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(info);
    groupLayout->addWidget(m_tree, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);

    connect(m_model, &CExcludedTreeModel::CheckedChanged, this, &CExcludedFilesPage::DataChanged);
    connect(m_model, &CDirectoryTreeModelBase::DirectoryFailed, this,
            &CExcludedFilesPage::OnDirectoryFailed);
    connect(m_tree, &QTreeView::expanded, this, &CExcludedFilesPage::TreeItemExpanded);
    connect(m_tree, &QTreeView::collapsed, this, &CExcludedFilesPage::TreeItemCollapse);
}

QString CExcludedFilesPage::Label() const
{
    return Translate("Excluded Files");
}

QString CExcludedFilesPage::HelpTopic() const
{
    return u"Drive_Properties_-_Excluded_Files.htm"_s;
}

HRESULT CExcludedFilesPage::Load(std::wstring drive_guid)
{
    const QString mountName = QString::fromStdWString(Feed().Model().MountName(drive_guid));
    if (Context().reader) {
        m_model->SetVolume(mountName, Context().reader);
        m_tree->expand(m_model->VolumeIndex());
    }
    TStringList files;
    const HRESULT result = Engine().GetExcludedFiles(drive_guid, &files);
    if (SUCCEEDED(result)) {
        QStringList paths;
        for (const TString& file : files)
            paths << QString::fromStdWString(file);
        m_model->SetCheckedPaths(paths);
    }
    m_changed = false;
    return result;
}

HRESULT CExcludedFilesPage::Save(std::wstring drive_guid)
{
    if (!m_changed)
        return S_OK;
    TStringList files;
    for (const QString& path : m_model->CheckedPaths())
        files.push_back(path.toStdWString());
    const HRESULT result = Engine().SetExcludedFiles(drive_guid, files);
    if (SUCCEEDED(result))
        m_changed = false;
    return result;
}

bool CExcludedFilesPage::Verify()
{
    return false;
}

void CExcludedFilesPage::ResizeTree()
{
    m_tree->resizeColumnToContents(CDirectoryTreeModelBase::kSizeColumn);
}

void CExcludedFilesPage::DataChanged()
{
    m_changed = true;
}

void CExcludedFilesPage::TreeItemExpanded(const QModelIndex& index)
{
    Q_UNUSED(index);
    ResizeTree();
}

void CExcludedFilesPage::TreeItemCollapse(const QModelIndex& index)
{
    Q_UNUSED(index);
    ResizeTree();
}

void CExcludedFilesPage::OnDirectoryFailed(const QString& directory, HRESULT result)
{
    m_tree->collapse(m_model->IndexOfPath(directory));
    IMessagePresenter::Show(QMessageBox::Warning, Translate("Failure browsing excluded files"),
                            Translate("Unable to view filesystem of %1 . Error %2 (%3).")
                                .Arg(directory)
                                .Arg(static_cast<long long>(result))
                                .Arg(CSystemMessage::Text(result)),
                            QMessageBox::Ok, this);
}

CSelectRemoteFileBrowserExDialog::CSelectRemoteFileBrowserExDialog(QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CSelectRemoteFileBrowserExDialog")
    , m_model(new CExcludedTreeModel(this))
    , m_tree(MakeTree(m_model, this))
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 480);
}

void CSelectRemoteFileBrowserExDialog::SetVolume(const QString& mountName,
                                                 CDirectoryTreeModelBase::TReader reader)
{
    m_model->SetVolume(mountName, std::move(reader));
    m_tree->expand(m_model->VolumeIndex());
}

void CSelectRemoteFileBrowserExDialog::SetCheckedPaths(const QStringList& paths)
{
    m_model->SetCheckedPaths(paths);
}

QStringList CSelectRemoteFileBrowserExDialog::CheckedPaths() const
{
    return m_model->CheckedPaths();
}

#include "defrag/CSelectRemoteFileDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CSelectRemoteFileDialog::CSelectRemoteFileDialog(CKV100FileBrowserInterface& browser,
                                                 QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CSelectRemoteFileDialog")
    , m_browser(browser)
    , m_model(new CDirectoryTreeModelBase(this))
    , m_tree(new QTreeView(this))
    , m_pathLabel(new QLabel(this))
    , m_waitLabel(new QLabel(Translate("Please wait, reading folder..."), this))
    , m_waitBar(new QProgressBar(this))
{
    setWindowTitle(Translate("Select File"));
    m_pathLabel->setObjectName(u"pathLabel"_s);
    m_waitLabel->setObjectName(u"waitLabel"_s);
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->header()->setSectionResizeMode(CDirectoryTreeModelBase::kNameColumn,
                                           QHeaderView::Stretch);
    m_tree->header()->setStretchLastSection(false);
    m_waitBar->setRange(0, 0); // how long a folder takes is not known
    m_waitLabel->hide();
    m_waitBar->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setEnabled(false);
    buttons->button(QDialogButtonBox::Cancel)->setText(Translate("Cancel"));

    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(m_waitLabel);
    waitRow->addWidget(m_waitBar, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_pathLabel);
    layout->addLayout(waitRow);
    layout->addWidget(buttons);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CSelectRemoteFileDialog::OnCurrentChanged);
    connect(m_tree, &QTreeView::doubleClicked, this, &CSelectRemoteFileDialog::OnActivated);
    connect(m_model, &CDirectoryTreeModelBase::LoadingChanged, this,
            &CSelectRemoteFileDialog::OnLoadingChanged);
    // The volume's row opens by itself once its entries are in.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& inserted) {
        if (inserted.isValid() && inserted == m_model->VolumeIndex())
            m_tree->expand(inserted);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(560, 480);
}

CSelectRemoteFileDialog::~CSelectRemoteFileDialog() = default;

void CSelectRemoteFileDialog::SetVolume(const QString& mountName,
                                        CDirectoryTreeModelBase::TReader reader)
{
    SetSelectedFile({});
    m_model->SetVolume(mountName, reader ? std::move(reader)
                                         : CDirectoryTreeModelBase::BrowserReader(m_browser));
}

void CSelectRemoteFileDialog::SetSelectedFile(const QString& path)
{
    m_selected = path;
    m_pathLabel->setText(path);
    m_ok->setEnabled(!path.isEmpty());
}

void CSelectRemoteFileDialog::OnCurrentChanged(const QModelIndex& current)
{
    const bool file =
        current.isValid() && !current.data(CDirectoryTreeModelBase::kDirectoryRole).toBool();
    SetSelectedFile(file ? current.data(CDirectoryTreeModelBase::kPathRole).toString() : QString());
}

void CSelectRemoteFileDialog::OnActivated(const QModelIndex& index)
{
    if (!index.isValid() || index.data(CDirectoryTreeModelBase::kDirectoryRole).toBool())
        return;
    SetSelectedFile(index.data(CDirectoryTreeModelBase::kPathRole).toString());
    accept();
}

void CSelectRemoteFileDialog::OnLoadingChanged(bool loading)
{
    m_waitLabel->setVisible(loading);
    m_waitBar->setVisible(loading);
}

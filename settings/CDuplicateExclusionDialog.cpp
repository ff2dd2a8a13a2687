#include "settings/CDuplicateExclusionDialog.h"

#include "defrag/CDirectoryTreeModelBase.h"
#include "engine/CKV100BrowserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr uint CDuplicateExclusionDirectory = 0x10;
constexpr uint CDuplicateExclusionReparsePoint = 0x400;

// Folders only, and no links: the search does not follow them either.
CDirectoryTreeModelBase::TReader CDuplicateExclusionReader(CKV100AgentInterface* agent)
{
    return [agent](const QString& directory) {
        CDirectoryTreeModelBase::TListing listing;
        TStringList names;
        QList<uint> attributes;
        QList<qulonglong> sizes;
        QList<double> modified;
        listing.result = CKV100BrowserInterface(agent).ListDirectory(
            directory.toStdWString(), &names, &attributes, &sizes, &modified);
        if (FAILED(listing.result))
            return listing;
        qsizetype i = 0;
        for (auto name = names.cbegin(); name != names.cend() && i < attributes.size(); ++name, ++i)
            if ((attributes[i] & CDuplicateExclusionDirectory) &&
                !(attributes[i] & CDuplicateExclusionReparsePoint))
                listing.entries.append({QString::fromStdWString(*name), true, 0, {}});
        return listing;
    };
}

} // namespace

CDuplicateExclusionDialog::CDuplicateExclusionDialog(CKV100AgentInterface* agent, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CDuplicateExclusionDialog")
    , m_agent(agent)
    , m_model(new CDirectoryTreeModelBase(this))
    , m_volumes(new QComboBox(this))
    , m_tree(new QTreeView(this))
    , m_folder(new QLineEdit(this))
    , m_subfolders(new QCheckBox(Translate("Exclude its subfolders too"), this))
{
    setWindowTitle(Translate("Exclude Folder"));
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setColumnHidden(CDirectoryTreeModelBase::kSizeColumn, true);
    m_tree->header()->hide();
    m_subfolders->setChecked(true);

    TStringList roots;
    TStringList ids;
    QList<uint> types;
    QList<qulonglong> total;
    QList<qulonglong> free;
    if (SUCCEEDED(CKV100BrowserInterface(agent).GetDrives(&roots, &ids, &types, &total, &free)))
        for (const TString& root : roots)
            m_volumes->addItem(QString::fromStdWString(root));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* form = new QFormLayout;
    form->addRow(Translate("Volume:"), m_volumes);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_tree, 1);
    auto* folderForm = new QFormLayout;
    folderForm->addRow(Translate("Folder:"), m_folder);
    layout->addLayout(folderForm);
    layout->addWidget(m_subfolders);
    layout->addWidget(buttons);

    connect(m_volumes, &QComboBox::currentIndexChanged, this,
            &CDuplicateExclusionDialog::ShowVolume);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CDuplicateExclusionDialog::OnCurrentChanged);
    connect(m_folder, &QLineEdit::textChanged, this, &CDuplicateExclusionDialog::UpdateOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ShowVolume(m_volumes->currentIndex());
    UpdateOk();
    resize(460, 440);
}

QString CDuplicateExclusionDialog::Folder() const
{
    return m_folder->text().trimmed();
}

bool CDuplicateExclusionDialog::Subfolders() const
{
    return m_subfolders->isChecked();
}

void CDuplicateExclusionDialog::ShowVolume(int index)
{
    m_model->SetVolume(index < 0 ? QString() : m_volumes->itemText(index),
                       CDuplicateExclusionReader(m_agent));
    m_tree->expand(m_model->VolumeIndex());
}

void CDuplicateExclusionDialog::OnCurrentChanged()
{
    const QString path = m_tree->currentIndex().data(CDirectoryTreeModelBase::kPathRole).toString();
    if (!path.isEmpty())
        m_folder->setText(path);
}

void CDuplicateExclusionDialog::UpdateOk()
{
    m_ok->setEnabled(!Folder().isEmpty());
}

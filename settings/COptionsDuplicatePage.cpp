#include "settings/COptionsDuplicatePage.h"

#include "appmodel/IMessagePresenter.h"
#include "engine/CKV100BrowserInterface.h"
#include "settings/CDuplicateExclusionDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QStringList COptionsDuplicatePageList(const TStringList& list)
{
    QStringList converted;
    for (const TString& item : list)
        converted.append(QString::fromStdWString(item));
    return converted;
}

} // namespace

COptionsDuplicatePage::COptionsDuplicatePage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("COptionsDuplicatePage", "Duplicate search",
                    u"Korvane_Settings_-_Duplicate_Search_Settings.htm"_s, context, parent)
    , m_table(new QTableWidget(0, 2, this))
{
    m_table->setHorizontalHeaderLabels({Translate("Name"), Translate("Subfolders")});
    m_table->horizontalHeader()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(kSubfoldersColumn,
                                                      QHeaderView::ResizeToContents);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* add = new QPushButton(Translate("Add Folder..."), this);
    m_remove = new QPushButton(Translate("Remove"), this);
    m_removeAll = new QPushButton(Translate("Remove All"), this);
    auto* restore = new QPushButton(Translate("Restore Defaults"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_removeAll);
    buttons->addStretch(1);
    buttons->addWidget(restore);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Translate("Exclude from Duplicate File search:"), this));
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &COptionsDuplicatePage::AddFolder);
    connect(m_remove, &QPushButton::clicked, this, &COptionsDuplicatePage::RemoveSelected);
    connect(m_removeAll, &QPushButton::clicked, this, &COptionsDuplicatePage::RemoveAll);
    connect(restore, &QPushButton::clicked, this, &COptionsDuplicatePage::RestoreDefaults);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            &COptionsDuplicatePage::UpdateButtons);
    UpdateButtons();
}

HRESULT COptionsDuplicatePage::Load()
{
    CKV100BrowserInterface browser(Context().agent);
    TStringList folders;
    QList<bool> subfolders;
    HRESULT result = browser.GetDefaultDuplicateExclusions(&folders, &subfolders);
    if (SUCCEEDED(result)) {
        m_defaultFolders = COptionsDuplicatePageList(folders);
        m_defaultSubfolders = subfolders;
    }
    const HRESULT current = browser.GetDuplicateExclusions(&folders, &subfolders);
    if (SUCCEEDED(current))
        SetEntries(COptionsDuplicatePageList(folders), subfolders);
    return FAILED(result) ? result : current;
}

HRESULT COptionsDuplicatePage::Save()
{
    TStringList folders;
    for (const QString& folder : Folders())
        folders.push_back(folder.toStdWString());
    const HRESULT result =
        CKV100BrowserInterface(Context().agent).SetDuplicateExclusions(folders, Subfolders());
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}

QStringList COptionsDuplicatePage::Folders() const
{
    QStringList folders;
    for (int row = 0; row < m_table->rowCount(); ++row)
        folders.append(m_table->item(row, kNameColumn)->text());
    return folders;
}

QList<bool> COptionsDuplicatePage::Subfolders() const
{
    QList<bool> subfolders;
    for (int row = 0; row < m_table->rowCount(); ++row)
        subfolders.append(m_table->item(row, kSubfoldersColumn)->checkState() == Qt::Checked);
    return subfolders;
}

void COptionsDuplicatePage::AddFolder()
{
    CDuplicateExclusionDialog dialog(Context().agent, this);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted ||
        dialog.Folder().isEmpty())
        return;
    AddEntry(dialog.Folder(), dialog.Subfolders());
    UpdateButtons();
}

void COptionsDuplicatePage::RemoveSelected()
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.rbegin(), rows.rend());
    for (const int row : rows)
        m_table->removeRow(row);
    UpdateButtons();
}

void COptionsDuplicatePage::RemoveAll()
{
    m_table->setRowCount(0);
    UpdateButtons();
}

void COptionsDuplicatePage::RestoreDefaults()
{
    SetEntries(m_defaultFolders, m_defaultSubfolders);
}

void COptionsDuplicatePage::SetEntries(const QStringList& folders, const QList<bool>& subfolders)
{
    m_table->setRowCount(0);
    for (qsizetype i = 0; i < folders.size(); ++i)
        AddEntry(folders[i], i < subfolders.size() && subfolders[i]);
    UpdateButtons();
}

void COptionsDuplicatePage::AddEntry(const QString& folder, bool subfolders)
{
    int row = 0;
    while (row < m_table->rowCount() && m_table->item(row, kNameColumn)->text() != folder)
        ++row;
    if (row == m_table->rowCount()) {
        m_table->insertRow(row);
        m_table->setItem(row, kNameColumn, new QTableWidgetItem(folder));
        auto* check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        m_table->setItem(row, kSubfoldersColumn, check);
    }
    m_table->item(row, kSubfoldersColumn)->setCheckState(subfolders ? Qt::Checked : Qt::Unchecked);
}

void COptionsDuplicatePage::UpdateButtons()
{
    m_remove->setEnabled(m_table->selectionModel()->hasSelection());
    m_removeAll->setEnabled(m_table->rowCount() > 0);
}

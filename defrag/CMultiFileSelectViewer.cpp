#include "defrag/CMultiFileSelectViewer.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "defrag/CDefragTreeView.h"
#include "defrag/CFragmentedFilesProxy.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100FileBrowserInterface.h"
#include "platform/registry/CSettings.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kFileSelectGroup = u"Selections"_s;
const QString kFileSelectShowAllKey = u"Selected Files Defrag Show All"_s;
const QString kFileSelectColumnsKey = u"Selected Files Defrag Columns"_s;
const QString kFileSelectHelpTopic = u"Defragment_Selected_Files.htm"_s;

} // namespace

CMultiFileSelectViewer::CMultiFileSelectViewer(CKV100EngineInterface& engine,
                                               CKV100FileBrowserInterface& browser, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CMultiFileSelectViewer")
    , m_readerFactory([&engine, &browser](const TId& volume) -> CFragDirModel::TReader {
        return [&engine, &browser, volume](const QString& directory) {
            return ReadDirectory(engine, browser, volume, directory);
        };
    })
    , m_model(new CFragDirModel(this))
    , m_proxy(new CFragmentedFilesProxy(this))
    , m_tree(new CDefragTreeView(this))
    , m_driveLabel(new QLabel(this))
    , m_fragmentedOnly(new QRadioButton(Translate("Show Only Fragmented Files"), this))
    , m_showAll(new QRadioButton(Translate("Show All Files"), this))
    , m_waitLabel(new QLabel(Translate("Please wait, analyzing directory..."), this))
    , m_waitBar(new QProgressBar(this))
    , m_add(new QPushButton(Translate("Add ->"), this))
    , m_remove(new QPushButton(Translate("<- Remove"), this))
    , m_clear(new QPushButton(Translate("Clear All"), this))
    , m_listCaption(new QLabel(this))
    , m_list(new QListWidget(this))
{
    setWindowTitle(Translate("Defragment Selected Files"));
    m_driveLabel->setObjectName(u"driveLabel"_s);
    m_listCaption->setObjectName(u"listCaption"_s);
    m_waitLabel->setObjectName(u"waitLabel"_s);
    m_list->setObjectName(u"fileList"_s);
    m_proxy->setSourceModel(m_model);
    m_tree->setModel(m_proxy);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_waitBar->setRange(0, 0); // how long a directory takes is not known
    m_waitLabel->hide();
    m_waitBar->hide();
    m_fragmentedOnly->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    m_defragment = buttons->addButton(Translate("Defragment"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Translate("Cancel"), QDialogButtonBox::RejectRole);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_driveLabel, 1);
    filterRow->addWidget(m_fragmentedOnly);
    filterRow->addWidget(m_showAll);
    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(m_waitLabel);
    waitRow->addWidget(m_waitBar, 1);
    auto* treeColumn = new QVBoxLayout;
    treeColumn->addLayout(filterRow);
    treeColumn->addWidget(m_tree, 1);
    treeColumn->addLayout(waitRow);
    auto* moveColumn = new QVBoxLayout;
    moveColumn->addStretch(1);
    moveColumn->addWidget(m_add);
    moveColumn->addWidget(m_remove);
    moveColumn->addWidget(m_clear);
    moveColumn->addStretch(1);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(m_listCaption);
    listColumn->addWidget(m_list, 1);
    auto* panes = new QHBoxLayout;
    panes->addLayout(treeColumn, 3);
    panes->addLayout(moveColumn);
    panes->addLayout(listColumn, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(buttons);

    connect(m_showAll, &QRadioButton::toggled, this, &CMultiFileSelectViewer::UpdateFileFilter);
    connect(m_add, &QPushButton::clicked, this, &CMultiFileSelectViewer::AddSelected);
    connect(m_remove, &QPushButton::clicked, this, &CMultiFileSelectViewer::RemoveSelected);
    connect(m_clear, &QPushButton::clicked, this, &CMultiFileSelectViewer::ClearAll);
    connect(m_tree, &CDefragTreeView::FileDoubleClicked, this,
            [this](const QString& path) { AddFiles({path}); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            &CMultiFileSelectViewer::OnListDoubleClicked);
    connect(m_model, &CFragDirModel::LoadingChanged, this,
            &CMultiFileSelectViewer::OnLoadingChanged);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(860, 520);
    UpdateTexts();
}

CMultiFileSelectViewer::~CMultiFileSelectViewer() = default;

CFragDirModel::TListing CMultiFileSelectViewer::ReadDirectory(CKV100EngineInterface& engine,
                                                              CKV100FileBrowserInterface& browser,
                                                              const TId& volume,
                                                              const QString& directory)
{
    // The browser's entries, without symbolic links, each with the count the engine gives.
    const CDirectoryTreeModelBase::TListing read =
        CDirectoryTreeModelBase::BrowserReader(browser)(directory);
    CFragDirModel::TListing listing{read.result, {}};
    if (FAILED(listing.result))
        return listing;
    // Without the engine's counts the files are still listed, their counts unknown.
    TStringList counted;
    QList<uint> fragments;
    QHash<QString, int> counts;
    if (SUCCEEDED(
            engine.GetDirectoryFragments(volume, directory.toStdWString(), &counted, &fragments)) &&
        qsizetype(counted.size()) == fragments.size()) {
        qsizetype i = 0;
        for (const TString& name : counted)
            counts.insert(QString::fromStdWString(name),
                          int(std::min(fragments.at(i++), 0x7fffffffu)));
    }
    for (const CDirectoryTreeModelBase::TEntry& entry : read.entries)
        listing.entries.append(
            {entry.name, entry.directory, entry.directory ? -1 : counts.value(entry.name, -1)});
    return listing;
}

void CMultiFileSelectViewer::SetVolume(const TId& volume, const TName& mountName)
{
    m_volume = volume;
    m_mountName = QString::fromStdWString(mountName);
    m_list->clear();
    const bool present = !volume.empty();
    m_model->SetRoot(present ? m_mountName : QString(), present && m_readerFactory
                                                            ? m_readerFactory(volume)
                                                            : CFragDirModel::TReader());
    m_tree->setEnabled(present);
    m_add->setEnabled(present);
    m_fragmentedOnly->setEnabled(present);
    m_showAll->setEnabled(present);
    UpdateTexts();
}

TStringList CMultiFileSelectViewer::Files() const
{
    TStringList files;
    for (int row = 0; row < m_list->count(); ++row)
        files.push_back(m_list->item(row)->text().toStdWString());
    return files;
}

void CMultiFileSelectViewer::UpdateFileFilter(bool showAll)
{
    if (m_showAll->isChecked() != showAll)
        (showAll ? m_showAll : m_fragmentedOnly)->setChecked(true); // comes back here
    m_proxy->UpdateFileFilter(showAll);
    UpdateTexts();
}

void CMultiFileSelectViewer::AddSelected()
{
    AddFiles(m_tree->SelectedFiles());
}

void CMultiFileSelectViewer::AddFiles(const QStringList& files)
{
    for (const QString& file : files) {
        if (!m_list->findItems(file, Qt::MatchExactly).isEmpty())
            continue;
        if (m_list->count() >= kMaxFiles) {
            IMessagePresenter::TMessage message;
            message.icon = QMessageBox::Warning;
            message.title = Translate("Maximum Files Allowed Reached");
            message.text = Translate("You are not allowed to select more than %1 files to "
                                     "individually defragment.")
                               .Arg(kMaxFiles);
            message.parent = this;
            IMessagePresenter::Instance().ShowMessage(message);
            break;
        }
        m_list->addItem(file);
    }
    UpdateTexts();
}

void CMultiFileSelectViewer::RemoveSelected()
{
    qDeleteAll(m_list->selectedItems());
    UpdateTexts();
}

void CMultiFileSelectViewer::ClearAll()
{
    m_list->clear();
    UpdateTexts();
}

void CMultiFileSelectViewer::OnListDoubleClicked(QListWidgetItem* item)
{
    delete item;
    UpdateTexts();
}

void CMultiFileSelectViewer::OnLoadingChanged(bool loading)
{
    m_waitLabel->setVisible(loading);
    m_waitBar->setVisible(loading);
}

void CMultiFileSelectViewer::UpdateTexts()
{
    if (m_volume.empty()) {
        m_driveLabel->setText(Translate("ERROR: NO DRIVES FOUND."));
    } else {
        const QString which = m_proxy->ShowsAll() ? Translate("All Files On").Text()
                                                  : Translate("Fragmented Files On").Text();
        m_driveLabel->setText(Translate("%1 %2").Arg(which).Arg(m_mountName));
    }
    const int count = m_list->count();
    m_listCaption->setText(count == 0 ? Translate("Files To Be Defragmented").Text()
                                      : Translate("%1 Files To Be Defragmented").Arg(count).Text());
    m_remove->setEnabled(count > 0);
    m_clear->setEnabled(count > 0);
    m_defragment->setEnabled(count > 0);
}

void CMultiFileSelectViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        if (IAppController* controller = IAppController::Current())
            controller->ContextHelp(kFileSelectHelpTopic);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMultiFileSelectViewer::LoadSettings()
{
    IAppController* controller = IAppController::Current();
    if (!controller)
        return;
    CSettings& settings = controller->Settings();
    settings.beginGroup(kFileSelectGroup);
    const bool showAll = settings.value(kFileSelectShowAllKey, false).toBool();
    const QStringList widths = settings.value(kFileSelectColumnsKey).toStringList();
    settings.endGroup();
    UpdateFileFilter(showAll);
    for (int column = 0; column < std::min<int>(int(widths.size()), CFragDirModel::kColumnCount);
         ++column) {
        bool ok = false;
        const int width = widths.at(column).toInt(&ok);
        if (ok && width > 0 && width <= 10000)
            m_tree->header()->resizeSection(column, width);
    }
}

void CMultiFileSelectViewer::SaveSettings()
{
    IAppController* controller = IAppController::Current();
    if (!controller)
        return;
    QStringList widths;
    for (int column = 0; column < CFragDirModel::kColumnCount; ++column)
        widths.append(QString::number(m_tree->header()->sectionSize(column)));
    CSettings& settings = controller->Settings();
    settings.beginGroup(kFileSelectGroup);
    settings.setValue(kFileSelectShowAllKey, m_proxy->ShowsAll());
    settings.setValue(kFileSelectColumnsKey, widths);
    settings.endGroup();
}

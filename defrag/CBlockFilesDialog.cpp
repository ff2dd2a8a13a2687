#include "defrag/CBlockFilesDialog.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "appmodel/IMessagePresenter.h"
#include "defrag/CBlockFilesModel.h"
#include "defrag/CBlockFilesSortModel.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragHelpKey.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100EngineInterface.h"
#include "platform/shell/IShell.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

using namespace Qt::StringLiterals;

namespace {

const QString kBlockFilesHelpTopic = u"How_Do_I_View_the_Files_in_a_Block_of_the_Drive_Map.htm"_s;
const QByteArray kBlockFilesContext = "CBlockFilesDialog";

void ShowNeedToAnalyze(QWidget* parent)
{
    IMessagePresenter::Show(
        QMessageBox::Information,
        CTranslatable::Translate("Need To Analyze Drive", kBlockFilesContext),
        CTranslatable::Translate("Please analyze the drive in order to view files in this block.",
                                 kBlockFilesContext),
        QMessageBox::Ok, parent);
}

} // namespace

CBlockFilesDialog::CBlockFilesDialog(CDefragFeed& feed, const TId& volume, int block,
                                     QWidget* parent)
    : QDialog(parent)
    , CTranslatable(kBlockFilesContext)
    , m_feed(feed)
    , m_volume(volume)
    , m_block(block)
    , m_model(new CBlockFilesModel(feed.Engine(), this))
    , m_sort(new CBlockFilesSortModel(this))
    , m_view(new QTableView(this))
    , m_waitLabel(new QLabel(Translate("Please wait, analyzing block..."), this))
    , m_waitBar(new QProgressBar(this))
    , m_previous(new QPushButton(Translate("Previous Block"), this))
    , m_next(new QPushButton(Translate("Next Block"), this))
    , m_defragment(new QPushButton(Translate("Defragment"), this))
    , m_showOnDrive(new QPushButton(Translate("Show On Drive"), this))
    , m_open(new QPushButton(Translate("Open"), this))
    , m_openFolder(new QPushButton(Translate("Open Folder"), this))
    , m_defragmentAction(new QAction(Translate("Defragment"), this))
    , m_showOnDriveAction(new QAction(Translate("Show On Drive"), this))
    , m_openAction(new QAction(Translate("Open"), this))
    , m_openFolderAction(new QAction(Translate("Open Folder"), this))
    , m_menu(new QMenu(this))
{
    m_waitLabel->setObjectName(u"waitLabel"_s);
    m_waitBar->setObjectName(u"waitBar"_s);
    m_waitBar->setRange(0, 100);
    m_sort->setSourceModel(m_model);
    m_view->setModel(m_sort);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true); // no column until the user picks one: the engine's order
    m_view->setColumnWidth(CBlockFilesModel::kNameColumn, 200);
    m_view->setColumnWidth(CBlockFilesModel::kFolderColumn, 260);
    // The numbers' column is as wide as its title, and the sort arrow beside it.
    const QString numbersTitle =
        m_model->headerData(CBlockFilesModel::kExcessColumn, Qt::Horizontal).toString();
    m_view->setColumnWidth(CBlockFilesModel::kExcessColumn,
                           m_view->fontMetrics().horizontalAdvance(numbersTitle) + 32);
    m_menu->addAction(m_defragmentAction);
    m_menu->addAction(m_showOnDriveAction);
    m_menu->addAction(m_openAction);
    m_menu->addAction(m_openFolderAction);
    auto* close = new QPushButton(Translate("Close"), this);

    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(m_waitLabel);
    waitRow->addWidget(m_waitBar, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button :
         {m_previous, m_next, m_defragment, m_showOnDrive, m_open, m_openFolder})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(waitRow);
    layout->addLayout(buttons);
    resize(760, 420);
    new CDefragHelpKey(this, [] { return kBlockFilesHelpTopic; });

    connect(m_model, &CBlockFilesModel::Started, this, &CBlockFilesDialog::OnStarted);
    connect(m_model, &CBlockFilesModel::Finished, this, &CBlockFilesDialog::OnFinished);
    connect(m_model, &CBlockFilesModel::Progress, m_waitBar, &QProgressBar::setValue);
    connect(&m_model->Builder(), &CBlockFilesModelBuilder::Failed, this,
            &CBlockFilesDialog::OnBuildFailed);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CBlockFilesDialog::OnSelectionChanged);
    connect(m_previous, &QPushButton::clicked, this, &CBlockFilesDialog::OnPrevious);
    connect(m_next, &QPushButton::clicked, this, &CBlockFilesDialog::OnNext);
    connect(m_defragment, &QPushButton::clicked, this, &CBlockFilesDialog::OnDefrag);
    connect(m_showOnDrive, &QPushButton::clicked, this, &CBlockFilesDialog::OnShow);
    connect(m_open, &QPushButton::clicked, this, &CBlockFilesDialog::OnOpen);
    connect(m_openFolder, &QPushButton::clicked, this, &CBlockFilesDialog::OnOpenFolder);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_defragmentAction, &QAction::triggered, this, &CBlockFilesDialog::OnDefrag);
    connect(m_showOnDriveAction, &QAction::triggered, this, &CBlockFilesDialog::OnShow);
    connect(m_openAction, &QAction::triggered, this, &CBlockFilesDialog::OnOpen);
    connect(m_openFolderAction, &QAction::triggered, this, &CBlockFilesDialog::OnOpenFolder);
    connect(&m_feed, &CDefragFeed::DefragModelUpdated, this, &CBlockFilesDialog::OnDrivesChanged);
    connect(&m_feed.Model(), &CDefrager::StatusChanged, this,
            qOverload<>(&CBlockFilesDialog::UpdateButtons));

    Rebuild(block);
}

CBlockFilesDialog::~CBlockFilesDialog()
{
    m_model->Stop();
}

void CBlockFilesDialog::Launch(CDefragFeed& feed, const TId& volume, int block, QWidget* parent)
{
    bool available = false;
    if (FAILED(feed.Engine().HasAnalysisData(volume, &available)) || !available) {
        ShowNeedToAnalyze(parent);
        return;
    }
    CBlockFilesDialog dialog(feed, volume, block, parent);
    IMessagePresenter::Instance().RunDialog(dialog);
}

bool CBlockFilesDialog::IsBuilding() const
{
    return m_model->IsBuilding();
}

void CBlockFilesDialog::Rebuild(int block)
{
    m_block = std::clamp(block, 0, int(CDefrager::kMapBlockCount) - 1);
    setWindowTitle(Translate("BlockViewer - Files In Block %1").Arg(m_block + 1));
    m_model->Build(m_volume, m_block);
}

void CBlockFilesDialog::OnStarted()
{
    m_waitBar->setValue(0);
    m_waitLabel->show();
    m_waitBar->show();
    // Rows arrive in the engine's order and are sorted once, at the end, rather than batch by
    // batch.
    m_sort->sort(-1);
    UpdateButtons();
}

void CBlockFilesDialog::OnFinished()
{
    m_waitLabel->hide();
    m_waitBar->hide();
    const QHeaderView* header = m_view->horizontalHeader();
    if (header->sortIndicatorSection() >= 0 &&
        header->sortIndicatorSection() < CBlockFilesModel::kColumnCount)
        m_sort->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    UpdateButtons();
}

void CBlockFilesDialog::OnBuildFailed(HRESULT)
{
    ReportNeedToAnalyze();
}

void CBlockFilesDialog::OnDrivesChanged()
{
    if (VolumePresent())
        return;
    // The volume is gone: the list keeps what it had.
    if (IsBuilding()) {
        m_model->Stop();
        ReportNeedToAnalyze();
    }
    UpdateButtons();
}

bool CBlockFilesDialog::VolumePresent() const
{
    return m_feed.Model().FindVolume(m_volume) != nullptr;
}

void CBlockFilesDialog::ReportNeedToAnalyze()
{
    ShowNeedToAnalyze(this);
}

void CBlockFilesDialog::ReportInaccessibleFile()
{
    IMessagePresenter::Show(QMessageBox::Warning, Translate("Korvane"),
                            Translate("Unable to access file."), QMessageBox::Ok, this);
}

QList<int> CBlockFilesDialog::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows.append(m_sort->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CBlockFilesDialog::OnSelectionChanged(const QItemSelection&, const QItemSelection&)
{
    UpdateButtons();
}

void CBlockFilesDialog::UpdateButtons()
{
    UpdateButtons(m_view->selectionModel()->selectedRows());
}

void CBlockFilesDialog::UpdateButtons(const QModelIndexList& selections)
{
    const auto count = selections.size();
    const bool present = VolumePresent();
    const bool local = !m_feed.Engine().IsRemote();
    const bool defragment = present && count > 0 && !m_feed.Model().IsRunningOrPaused(m_volume);
    const bool show = present && count == 1;
    const bool open = local && count == 1;
    m_previous->setEnabled(present && m_block > 0);
    m_next->setEnabled(present && m_block < int(CDefrager::kMapBlockCount) - 1);
    m_defragment->setEnabled(defragment);
    m_defragmentAction->setEnabled(defragment);
    m_showOnDrive->setEnabled(show);
    m_showOnDriveAction->setEnabled(show);
    m_open->setEnabled(open);
    m_openAction->setEnabled(open);
    m_openFolder->setEnabled(open);
    m_openFolderAction->setEnabled(open);
}

void CBlockFilesDialog::OnDefrag()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty() || !m_defragment->isEnabled())
        return;
    if (rows.size() > kMaxFiles) {
        IMessagePresenter::Show(QMessageBox::Information,
                                Translate("Maximum Allowed Files Selected"),
                                Translate("Your are not allowed to select more than %1 files at a "
                                          "time to be individually defragmented.")
                                    .Arg(kMaxFiles),
                                QMessageBox::Ok, this);
        return;
    }
    TStringList files;
    bool fragmented = false;
    for (const int row : rows) {
        const TBlockFile& file = m_model->File(row);
        fragmented = fragmented || file.excessFragments > 0;
        files.push_back(file.Path().toStdWString());
    }
    if (!fragmented) {
        IMessagePresenter::Show(QMessageBox::Information, Translate("No Fragmented Files"),
                                Translate("None of the selected files are fragmented."),
                                QMessageBox::Ok, this);
        return;
    }
    IAppController* app = IAppController::Current();
    if (IDefragController* controller = app ? app->DefragController() : nullptr)
        controller->DefragmentFilesList(m_volume, files);
    UpdateButtons();
}

void CBlockFilesDialog::OnShow()
{
    const QList<int> rows = SelectedRows();
    IAppController* app = IAppController::Current();
    IDefragController* controller = app ? app->DefragController() : nullptr;
    if (rows.size() != 1 || !controller || !VolumePresent())
        return;
    const TString path = m_model->File(rows.front()).Path().toStdWString();
    std::set<quint32> blocks;
    if (FAILED(controller->EnumFileExtents(m_volume, path, blocks))) {
        ReportInaccessibleFile();
        return;
    }
    if (blocks.empty()) {
        IMessagePresenter::Show(QMessageBox::Information, Translate("Korvane"),
                                m_feed.Model().IsNtfs(m_volume)
                                    ? Translate("File is resident inside the Master File Table "
                                                "(MFT).")
                                    : Translate("File is empty"),
                                QMessageBox::Ok, this);
        return;
    }
    controller->SetSelectedBlocks(m_volume, blocks, path);
}

void CBlockFilesDialog::OnOpen()
{
    const QList<int> rows = SelectedRows();
    if (rows.size() != 1 || !m_open->isEnabled())
        return;
    if (!IShell::Instance().Open(QUrl::fromLocalFile(m_model->File(rows.front()).Path())))
        ReportInaccessibleFile();
}

void CBlockFilesDialog::OnOpenFolder()
{
    const QList<int> rows = SelectedRows();
    if (rows.size() != 1 || !m_openFolder->isEnabled())
        return;
    if (!IShell::Instance().Open(QUrl::fromLocalFile(m_model->File(rows.front()).folder)))
        ReportInaccessibleFile();
}

void CBlockFilesDialog::OnNext()
{
    if (m_block < int(CDefrager::kMapBlockCount) - 1 && VolumePresent())
        Rebuild(m_block + 1);
}

void CBlockFilesDialog::OnPrevious()
{
    if (m_block > 0 && VolumePresent())
        Rebuild(m_block - 1);
}

void CBlockFilesDialog::OnContextMenu(QContextMenuEvent* e)
{
    UpdateButtons();
    m_menu->exec(e->globalPos());
    e->accept();
}

void CBlockFilesDialog::contextMenuEvent(QContextMenuEvent* event)
{
    OnContextMenu(event);
}

void CBlockFilesDialog::done(int result)
{
    m_model->Stop();
    QDialog::done(result);
}

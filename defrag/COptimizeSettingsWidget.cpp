#include "defrag/COptimizeSettingsWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "defrag/CEditorTableView.h"
#include "defrag/COptimizeTableModel.h"
#include "defrag/COptimizeTableSortFilterModel.h"
#include "defrag/COptimizeViewDelegate.h"
#include "platform/registry/CSettings.h"
#include "policy/CClientGP.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include <iterator>
#include <numeric>
#include <set>

namespace {

const QString kSettingsGroup = QStringLiteral("Tabs");

// Shares of the table's width per column on first show, all but the last column's.
constexpr int kColumnShares[] = {60, 40, 40, 75, 80, 80, 40, 40};

IDefragController* Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->DefragController() : nullptr;
}

} // namespace

const QString COptimizeSettingsWidget::kHeaderStateKey = QStringLiteral("Defrag Drive Table");

COptimizeSettingsWidget::COptimizeSettingsWidget(CDefragFeed& feed, QWidget* parent)
    : QWidget(parent)
    , m_feed(feed)
    , m_model(new COptimizeTableModel(feed, this))
    , m_proxy(new COptimizeTableSortFilterModel(this))
    , m_delegate(
          new COptimizeViewDelegate(COptimizeTableModel::kNextRunColumn, feed.Cadence(), this))
    , m_view(new CEditorTableView(feed, this))
{
    m_proxy->setSourceModel(m_model);
    m_view->setModel(m_proxy);
    m_view->setItemDelegate(m_delegate);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                            QAbstractItemView::EditKeyPressed);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(COptimizeTableModel::kNameColumn, Qt::AscendingOrder);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    const CDefrager* model = &m_feed.Model();
    connect(m_view, &QAbstractItemView::activated, this, &COptimizeSettingsWidget::OnActivated);
    connect(m_delegate, &COptimizeViewDelegate::itemActive, this,
            &COptimizeSettingsWidget::UpdateFromModel);
    connect(m_model, &COptimizeTableModel::BeforeResetModel, this,
            &COptimizeSettingsWidget::TurnSelectionUpdateOff);
    connect(m_model, &COptimizeTableModel::AfterResetModel, this,
            &COptimizeSettingsWidget::TurnSelectionUpdateOn);
    connect(&m_feed, &CDefragFeed::DefragModelUpdated, this,
            &COptimizeSettingsWidget::OnModelUpdated);
    connect(&m_feed, &CDefragFeed::NextRunsUpdated, this,
            &COptimizeSettingsWidget::UpdateFromModel);
    connect(model, &CDefrager::VolumesSelected, this,
            qOverload<>(&COptimizeSettingsWidget::UpdateSelection));
    connect(model, &CDefrager::VolumesDeselected, this,
            qOverload<>(&COptimizeSettingsWidget::UpdateSelection));
    connect(model, &CDefrager::CurrentVolumeChanged, this,
            &COptimizeSettingsWidget::CurrentVolumeChanged);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            qOverload<const QItemSelection&, const QItemSelection&>(
                &COptimizeSettingsWidget::UpdateSelection));

    HideDeniedColumns();
    UpdateSelection();
    SelectCurrentRow();
}

std::list<TId> COptimizeSettingsWidget::VolumesOf(const QItemSelection& selection) const
{
    std::set<TId> volumes;
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const QModelIndex source = m_proxy->mapToSource(m_proxy->index(row, 0));
            TId volume = m_model->VolumeAt(source.row());
            if (!volume.empty())
                volumes.insert(std::move(volume));
        }
    }
    return {std::make_move_iterator(volumes.begin()), std::make_move_iterator(volumes.end())};
}

void COptimizeSettingsWidget::UpdateSelection(const QItemSelection& selected,
                                              const QItemSelection& deselected)
{
    IDefragController* controller = Controller();
    if (!m_selectionUpdate || m_syncing || !controller)
        return;
    const std::list<TId> removed = VolumesOf(deselected);
    const std::list<TId> added = VolumesOf(selected);
    m_syncing = true;
    if (!removed.empty())
        controller->DeselectVolumes(removed);
    if (!added.empty())
        controller->SelectVolumes(added);
    m_syncing = false;
    const CDefrager& model = m_feed.Model();
    const std::list<TId> selection = model.Selection();
    if (selection.size() == 1 && selection.front() != model.CurrentVolume())
        controller->SetCurrentVolume(selection.front());
}

void COptimizeSettingsWidget::UpdateSelection()
{
    if (m_syncing)
        return;
    QItemSelection selection;
    for (const TId& volume : m_feed.Model().Selection()) {
        const int row = m_model->RowOf(volume);
        if (row < 0)
            continue;
        const QModelIndex first = m_proxy->mapFromSource(m_model->index(row, 0));
        selection.select(first, first.siblingAtColumn(COptimizeTableModel::kColumnCount - 1));
    }
    m_syncing = true;
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

void COptimizeSettingsWidget::SelectCurrentRow()
{
    const int row = m_model->RowOf(m_feed.Model().CurrentVolume());
    if (row < 0)
        return;
    const QModelIndex index = m_proxy->mapFromSource(m_model->index(row, 0));
    QItemSelectionModel* selection = m_view->selectionModel();
    if (selection->isRowSelected(index.row()))
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    else
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void COptimizeSettingsWidget::UpdateFromModel()
{
    m_model->UpdateFromModel();
}

void COptimizeSettingsWidget::SetEnabled(bool enabled)
{
    m_view->setEnabled(enabled);
}

void COptimizeSettingsWidget::OnActivated(const QModelIndex& index)
{
    const TId volume = m_model->VolumeAt(m_proxy->mapToSource(index).row());
    if (volume.empty() || !m_feed.Model().Contains(volume))
        return;
    if (IDefragController* controller = Controller())
        controller->SetCurrentVolume(volume);
}

void COptimizeSettingsWidget::TurnSelectionUpdateOn()
{
    m_selectionUpdate = true;
}

void COptimizeSettingsWidget::TurnSelectionUpdateOff()
{
    m_selectionUpdate = false;
}

void COptimizeSettingsWidget::OnModelUpdated()
{
    UpdateSelection();
    SelectCurrentRow();
}

void COptimizeSettingsWidget::CurrentVolumeChanged(const TId& id)
{
    Q_UNUSED(id); // the same as the drive model's current volume
    SelectCurrentRow();
}

void COptimizeSettingsWidget::LoadSettings()
{
    IAppController* app = IAppController::Current();
    if (!app)
        return;
    CSettings& settings = app->Settings();
    settings.beginGroup(kSettingsGroup);
    const QByteArray state = settings.value(kHeaderStateKey).toByteArray();
    settings.endGroup();
    if (!state.isEmpty() && m_view->horizontalHeader()->restoreState(state))
        m_headerRestored = true;
    // A state stored under a laxer policy must not show what this one hides.
    HideDeniedColumns();
}

void COptimizeSettingsWidget::SaveSettings()
{
    IAppController* app = IAppController::Current();
    if (!app)
        return;
    CSettings& settings = app->Settings();
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kHeaderStateKey, m_view->horizontalHeader()->saveState());
    settings.endGroup();
}

void COptimizeSettingsWidget::HideDeniedColumns()
{
    IAppController* app = IAppController::Current();
    if (!app || app->Policy().AllowOfflineDefrag())
        return;
    m_view->setColumnHidden(COptimizeTableModel::kStatusColumn, true);
    m_view->setColumnHidden(COptimizeTableModel::kBootTimeColumn, true);
}

void COptimizeSettingsWidget::ApplyColumnShares()
{
    // The shares leave the last column, "Fragmented", less than its header needs on an
    // ordinary window: the others share what remains once it has that, in their proportions,
    // so that no column is hidden behind a scroll bar.
    const int fragmented =
        m_view->horizontalHeader()->sectionSizeHint(COptimizeTableModel::kFragmentedColumn);
    const int width = std::max(0, m_view->viewport()->width() - fragmented);
    const int shares = std::accumulate(std::begin(kColumnShares), std::end(kColumnShares), 0);
    for (int column = 0; column < static_cast<int>(std::size(kColumnShares)); ++column)
        m_view->setColumnWidth(column, width * kColumnShares[column] / shares);
}

void COptimizeSettingsWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_headerRestored || m_sharesApplied)
        return;
    m_sharesApplied = true;
    ApplyColumnShares();
}

#pragma once

#include "core/Types.h"

#include <QItemSelection>
#include <QWidget>

#include <list>

class CDefragFeed;
class CEditorTableView;
class COptimizeTableModel;
class COptimizeTableSortFilterModel;
class COptimizeViewDelegate;

// The drive table with its models. The view's selection and the drive model's selection follow
// each other through the defragmentation controller; activating a row makes its volume current,
// and a new current volume selects its row. The header's state is kept in the console's settings.
class COptimizeSettingsWidget : public QWidget {
    Q_OBJECT

public:
    // Where the header's state is kept: this key under the settings group "Tabs".
    static const QString kHeaderStateKey;

    COptimizeSettingsWidget(CDefragFeed& feed, QWidget* parent = nullptr);

    CEditorTableView* View() const { return m_view; }
    COptimizeTableModel* TableModel() const { return m_model; }
    COptimizeTableSortFilterModel* SortModel() const { return m_proxy; }

public slots:
    // The user changed the view's selection: the controller follows.
    void UpdateSelection(const QItemSelection& selected, const QItemSelection& deselected);
    // The drive model's selection changed: the view follows.
    void UpdateSelection();
    void UpdateFromModel();
    void SetEnabled(bool enabled);
    void OnActivated(const QModelIndex& index);
    void TurnSelectionUpdateOn();
    void TurnSelectionUpdateOff();
    void OnModelUpdated();
    void CurrentVolumeChanged(const TId& id);
    void LoadSettings();
    void SaveSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::list<TId> VolumesOf(const QItemSelection& selection) const;
    void SelectCurrentRow();
    void HideDeniedColumns();
    void ApplyColumnShares();

    CDefragFeed& m_feed;
    COptimizeTableModel* m_model;
    COptimizeTableSortFilterModel* m_proxy;
    COptimizeViewDelegate* m_delegate;
    CEditorTableView* m_view;
    // Off while the table model resets.
    bool m_selectionUpdate = true;
    // Set while the view's selection is being made from the drive model's, or handed to the
    // controller: neither goes back the other way.
    bool m_syncing = false;
    bool m_headerRestored = false;
    bool m_sharesApplied = false;
};

#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "core/Types.h"

#include <QDialog>
#include <QItemSelection>
#include <QModelIndexList>

class CBlockFilesModel;
class CBlockFilesSortModel;
class CDefragFeed;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;

// The files of one drive-map block of a volume, listed as the dialog opens and again for the
// neighbouring blocks. From the list the user defragments files through the defragmentation
// controller, shows a file's blocks on the map, or opens a file or its folder with the desktop's
// handler; opening is offered only while the console is connected to this computer, since the
// files of another computer are not reachable from here.
//
// The list is built on a worker thread that calls the feed's engine wrapper, so the wrapper must
// outlive the dialog's builds (the application's does). Closing the dialog ends its build.
class CBlockFilesDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // At most this many files are defragmented at a time.
    static constexpr int kMaxFiles = 100;

    // Lists the block (0-based) of the volume at once.
    CBlockFilesDialog(CDefragFeed& feed, const TId& volume, int block, QWidget* parent = nullptr);
    ~CBlockFilesDialog() override;

    // What the drive map does for a block: without the volume's analysis data the user is told
    // to analyse the drive; otherwise the dialog runs modally through the message presenter.
    static void Launch(CDefragFeed& feed, const TId& volume, int block, QWidget* parent);

    int Block() const { return m_block; }
    bool IsBuilding() const;
    CBlockFilesModel& Model() const { return *m_model; }
    CBlockFilesSortModel& SortModel() const { return *m_sort; }
    QTableView* View() const { return m_view; }
    // The context menu's entries, in the buttons' state.
    QMenu* ContextMenu() const { return m_menu; }

public slots:
    void OnStarted();
    void OnFinished();
    void OnDefrag();
    void OnOpen();
    void OnShow();
    void OnOpenFolder();
    void OnNext();
    void OnPrevious();
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void UpdateButtons(const QModelIndexList& selections);
    void UpdateButtons();
    void OnContextMenu(QContextMenuEvent* e);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void done(int result) override;

private:
    // The selected rows of the model (not of the view's sorting).
    QList<int> SelectedRows() const;
    void Rebuild(int block);
    void OnBuildFailed(HRESULT result);
    void OnDrivesChanged();
    bool VolumePresent() const;
    void ReportNeedToAnalyze();
    void ReportInaccessibleFile();

    CDefragFeed& m_feed;
    const TId m_volume;
    int m_block;
    CBlockFilesModel* m_model;
    CBlockFilesSortModel* m_sort;
    QTableView* m_view;
    QLabel* m_waitLabel;
    QProgressBar* m_waitBar;
    QPushButton* m_previous;
    QPushButton* m_next;
    QPushButton* m_defragment;
    QPushButton* m_showOnDrive;
    QPushButton* m_open;
    QPushButton* m_openFolder;
    QAction* m_defragmentAction;
    QAction* m_showOnDriveAction;
    QAction* m_openAction;
    QAction* m_openFolderAction;
    QMenu* m_menu;
};

#pragma once

#include "core/CTranslatable.h"

#include <QList>
#include <QTableView>

#include <cstddef>

class CDefragFeed;
class QAction;

// The drive table's view. Its context menu offers the defragmentation commands for the current
// volume, as its state and the console policy allow; each command goes to the defragmentation
// controller for the selected volumes.
class CEditorTableView : public QTableView, public CTranslatable {
    Q_OBJECT

public:
    // The menu's entries; kSeparator stands for a separator line.
    enum TCommand : int {
        kSeparator = -1,
        kDefragNow,
        kSelectedFilesCommand,
        kBootTimeCommand,
        kAnalyzeCommand,
        kStopCommand,
        kPauseCommand,
        kResumeCommand,
        kPropertiesCommand,
        kCommandCount,
    };

    // What decides the menu.
    struct TMenuContext {
        // The current volume.
        bool busy = false;
        bool paused = false;
        bool blocked = false;
        bool ntfs = false;
        // The console policy.
        bool allowOnlineDefrag = true;
        bool allowOfflineDefrag = true;
        bool allowAnalyze = true;
        bool allowStop = true;
        bool allowModifyDriveProps = true;
        // The connection.
        bool remote = false;
        bool newerGeneration = false;
        std::size_t selectedCount = 0;
    };

    explicit CEditorTableView(CDefragFeed& feed, QWidget* parent = nullptr);

    static QList<TCommand> MenuCommands(const TMenuContext& context);
    // The menu as it would open now: empty without a current volume or an application
    // controller; a null entry is a separator.
    QList<QAction*> MenuActions() const;

public slots:
    void OnEntireDrive();
    void OnSelectedFiles();
    void OnOffline();
    void OnQuickScan();
    void OnStop();
    void OnPause();
    void OnResume();
    void OnProperties();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QAction* MakeAction(const char* text, void (CEditorTableView::*slot)());

    CDefragFeed& m_feed;
    // Made once, indexed by TCommand.
    QList<QAction*> m_actions;
};

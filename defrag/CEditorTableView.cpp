#include "defrag/CEditorTableView.h"

#include "appmodel/IAppController.h"
#include "appmodel/IDefragController.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "engine/CKV100EngineInterface.h"
#include "policy/CClientGP.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

namespace {

IDefragController* Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->DefragController() : nullptr;
}

} // namespace

CEditorTableView::CEditorTableView(CDefragFeed& feed, QWidget* parent)
    : QTableView(parent)
    , CTranslatable("CEditorTableView")
    , m_feed(feed)
{
    m_actions = {MakeAction("Defrag Now", &CEditorTableView::OnEntireDrive),
                 MakeAction("Selected Files", &CEditorTableView::OnSelectedFiles),
                 MakeAction("Boot Time", &CEditorTableView::OnOffline),
                 MakeAction("Analyze", &CEditorTableView::OnQuickScan),
                 MakeAction("Stop", &CEditorTableView::OnStop),
                 MakeAction("Pause", &CEditorTableView::OnPause),
                 MakeAction("Resume", &CEditorTableView::OnResume),
                 MakeAction("Drive Properties", &CEditorTableView::OnProperties)};
}

QAction* CEditorTableView::MakeAction(const char* text, void (CEditorTableView::*slot)())
{
    auto* action = new QAction(Translate(text).Text(), this);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

QList<CEditorTableView::TCommand> CEditorTableView::MenuCommands(const TMenuContext& context)
{
    QList<TCommand> commands;
    if (!context.busy && !context.blocked) {
        if (context.allowOnlineDefrag) {
            commands << kDefragNow;
            // Files are picked through the engine's file browser, which an older engine on
            // another computer does not offer.
            if (!context.remote || context.newerGeneration)
                commands << kSeparator << kSelectedFilesCommand;
        }
        if (context.allowOfflineDefrag && context.ntfs)
            commands << kBootTimeCommand;
        if (context.allowAnalyze)
            commands << kAnalyzeCommand;
    } else if (context.allowStop && !context.blocked) {
        commands << kStopCommand;
        if (context.newerGeneration)
            commands << (context.paused ? kResumeCommand : kPauseCommand);
    }
    if (context.allowModifyDriveProps && !context.blocked && context.selectedCount == 1) {
        if (!commands.isEmpty())
            commands << kSeparator;
        commands << kPropertiesCommand;
    }
    return commands;
}

QList<QAction*> CEditorTableView::MenuActions() const
{
    IAppController* app = IAppController::Current();
    const CDefrager& model = m_feed.Model();
    const CDefrager::TVolumeInfo* volume =
        model.CurrentVolume().empty() ? nullptr : model.FindVolume(model.CurrentVolume());
    if (!app || !volume)
        return {};
    const CClientGP& policy = app->Policy();
    TMenuContext context;
    context.busy = volume->status != CDefrager::kIdle;
    context.paused = CDefrager::IsPausedStatus(volume->status);
    context.blocked = volume->blocked;
    context.ntfs = model.CanDefragmentSystemFiles(volume->volumeId);
    context.allowOnlineDefrag = policy.AllowOnlineDefrag();
    context.allowOfflineDefrag = policy.AllowOfflineDefrag();
    context.allowAnalyze = policy.AllowAnalyze();
    context.allowStop = policy.AllowStop();
    context.allowModifyDriveProps = policy.AllowModifyDriveProps();
    context.remote = m_feed.Engine().IsRemote();
    context.newerGeneration =
        m_feed.Engine().Generation() >= CKV100EngineInterface::kNewerGeneration;
    context.selectedCount = model.Selection().size();

    QList<QAction*> actions;
    for (const TCommand command : MenuCommands(context))
        actions << (command == kSeparator ? nullptr : m_actions.at(command));
    return actions;
}

void CEditorTableView::contextMenuEvent(QContextMenuEvent* event)
{
    const QList<QAction*> actions = MenuActions();
    if (actions.isEmpty())
        return;
    QMenu menu(this);
    for (QAction* action : actions) {
        if (action)
            menu.addAction(action);
        else
            menu.addSeparator();
    }
    menu.exec(event->globalPos());
}

void CEditorTableView::OnEntireDrive()
{
    if (IDefragController* controller = Controller())
        controller->EntireDrive();
}

void CEditorTableView::OnSelectedFiles()
{
    if (IDefragController* controller = Controller())
        controller->SelectedFiles();
}

void CEditorTableView::OnOffline()
{
    if (IDefragController* controller = Controller())
        controller->SystemFiles();
}

void CEditorTableView::OnQuickScan()
{
    if (IDefragController* controller = Controller())
        controller->Analyse();
}

void CEditorTableView::OnStop()
{
    if (IDefragController* controller = Controller())
        controller->Stop();
}

void CEditorTableView::OnPause()
{
    if (IDefragController* controller = Controller())
        controller->Pause();
}

void CEditorTableView::OnResume()
{
    if (IDefragController* controller = Controller())
        controller->Resume();
}

void CEditorTableView::OnProperties()
{
    if (IDefragController* controller = Controller())
        controller->Properties();
}

#include "schedule/CScheduleTable.h"

#include "appmodel/ICadenceController.h"
#include "policy/CClientGP.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include <memory>

CScheduleTable::TMenuEntries CScheduleTable::MenuEntries(const TMenuContext& context)
{
    TMenuEntries entries;
    if (!context.hasCurrent)
        return entries;
    entries.shown = true;
    // Running does not change the schedule: allowed whoever made it.
    entries.runNow = context.allowRun;
    const bool mayChange = context.allowModify && context.local;
    entries.edit = mayChange;
    entries.rename = mayChange;
    entries.remove = mayChange;
    entries.toggle = mayChange;
    entries.toggleEnables = context.disabled;
    return entries;
}

void CScheduleTable::ApplyPolicy(const CClientGP& policy, TMenuContext* context)
{
    context->allowRun = policy.AllowRunSchedule();
    context->allowModify = policy.AllowModifySched();
}

CScheduleTable::CScheduleTable(ICadenceController& controller, QWidget* parent)
    : QTableView(parent)
    , CTranslatable("CScheduleTable")
    , m_controller(controller)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(true);
    setAlternatingRowColors(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSortIndicatorShown(true);
}

QMenu* CScheduleTable::CreateContextMenu(const TMenuContext& context, QWidget* parent)
{
    const TMenuEntries entries = MenuEntries(context);
    if (!entries.shown)
        return nullptr;
    auto menu = std::make_unique<QMenu>(parent);
    auto add = [&](const char* text, bool enabled, void (CScheduleTable::*slot)()) {
        QAction* action = menu->addAction(Translate(text));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
    };
    add("Run Now", entries.runNow, &CScheduleTable::OnRunNowSchedule);
    add("Edit", entries.edit, &CScheduleTable::OnEditSchedule);
    add("Rename", entries.rename, &CScheduleTable::OnRenameSchedule);
    add("Delete", entries.remove, &CScheduleTable::OnDeleteSchedule);
    add(entries.toggleEnables ? "Enable" : "Disable", entries.toggle,
        &CScheduleTable::OnDisableSchedule);
    return menu.release();
}

void CScheduleTable::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_contextSource)
        return;
    std::unique_ptr<QMenu> menu(CreateContextMenu(m_contextSource(), this));
    if (menu)
        menu->exec(event->globalPos());
}

void CScheduleTable::updateCurrent(const QModelIndex& index)
{
    if (!index.isValid()) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
        return;
    }
    setCurrentIndex(index);
    scrollTo(index);
}

void CScheduleTable::OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    Q_UNUSED(previous);
    emit CurrentRowChanged(current);
}

void CScheduleTable::OnRunNowSchedule()
{
    m_controller.RunNow();
}

void CScheduleTable::OnEditSchedule()
{
    m_controller.Edit();
}

void CScheduleTable::OnRenameSchedule()
{
    m_controller.Rename();
}

void CScheduleTable::OnDeleteSchedule()
{
    m_controller.Delete();
}

void CScheduleTable::OnDisableSchedule()
{
    m_controller.Disable();
}

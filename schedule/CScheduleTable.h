#pragma once

#include "core/CTranslatable.h"

#include <QTableView>

#include <functional>

class CClientGP;
class ICadenceController;
class QAction;
class QMenu;

// The table of schedules on the scheduling tab. Its context menu carries the controller's
// operations on the current schedule, as far as the console policy and the schedule's source
// allow them.
class CScheduleTable : public QTableView, public CTranslatable {
    Q_OBJECT

public:
    // What the context menu is offered for.
    struct TMenuContext {
        bool hasCurrent = false;
        // The agent reports the current schedule as disabled.
        bool disabled = false;
        // The schedule was made on this computer (not by Group Policy or the enterprise
        // console).
        bool local = true;
        bool allowRun = true;
        bool allowModify = true;
    };
    // The entries of the context menu and whether each may be chosen.
    struct TMenuEntries {
        bool shown = false;
        bool runNow = false;
        bool edit = false;
        bool rename = false;
        bool remove = false;
        bool toggle = false;
        // The toggle reads "Enable" for a disabled schedule, else "Disable".
        bool toggleEnables = false;
    };
    static TMenuEntries MenuEntries(const TMenuContext& context);
    // The policy's part of the context.
    static void ApplyPolicy(const CClientGP& policy, TMenuContext* context);

    // The controller must outlive the table.
    explicit CScheduleTable(ICadenceController& controller, QWidget* parent = nullptr);

    // Builds the context menu for that context (owned by the caller); null when none is shown.
    QMenu* CreateContextMenu(const TMenuContext& context, QWidget* parent);
    // The context of the table's current row; supplied by the page.
    using TContextSource = std::function<TMenuContext()>;
    void SetContextSource(TContextSource source) { m_contextSource = std::move(source); }

public slots:
    void updateCurrent(const QModelIndex& index);
    void OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    void OnRunNowSchedule();
    void OnEditSchedule();
    void OnRenameSchedule();
    void OnDeleteSchedule();
    void OnDisableSchedule();

signals:
    // The current row changed (an index of the table's own model).
    void CurrentRowChanged(const QModelIndex& current);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ICadenceController& m_controller;
    TContextSource m_contextSource;
};

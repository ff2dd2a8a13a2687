#pragma once

#include "appmodel/ICadenceController.h"
#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "schedule/CCadence.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CScheduleTable.h"
#include "schedule/CSelectDrivesPage.h"

#include <QMessageBox>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class CAgentSchedules;
class CCadenceTableModel;
class CCadenceTableSortFilterModel;
class IAppController;
class IDisplayPowerOff;
class QModelIndex;
class QSplitter;

// The scheduling tab: the table of every schedule of the connected computer beside the detail
// pane. It is also the scheduling controller the ribbon and the table call: it runs, renames,
// deletes, disables and enables schedules through the agent, shows failures in message boxes
// (leaving the model as it was), and writes the outcome into the scheduling model. It registers
// itself as the application's scheduling controller while it lives.
class CCadenceWidget : public QWidget, public ICadenceController, public CTranslatable {
    Q_OBJECT

public:
    // The settings keys of the view state.
    static const QString kSplitterKey;
    static const QString kTableStateKey;

    explicit CCadenceWidget(CCadenceFeed& feed, QWidget* parent = nullptr);
    ~CCadenceWidget() override;

    CCadenceFeed& Feed() const { return m_feed; }
    CScheduleTable* Table() const { return m_table; }
    CCadenceTableModel* TableModel() const { return m_model; }
    CCadenceTableSortFilterModel* SortModel() const { return m_sortModel; }
    QSplitter* Splitter() const { return m_splitter; }
    // Puts the detail pane beside the table (owned by the splitter from then on).
    void SetDetailPane(QWidget* pane);
    // What lists the computer's drives for the wizards' drive pages.
    using TDriveLister = std::function<CSelectDrivesPage::TDrives()>;
    void SetDriveLister(TDriveLister lister);
    // Replaces what tells whether the display turns itself off (the X server's by default).
    void SetDisplayPowerOff(std::unique_ptr<IDisplayPowerOff> display);

    // The context menu's view of the current schedule.
    CScheduleTable::TMenuContext MenuContext() const;

public slots:
    // ICadenceController.
    void UpdateModel() override;
    void RunNow() override;
    void OneTime() override;
    void Daily() override;
    void Weekly() override;
    void ScreenSaver() override;
    void Automatic() override;
    void OneTimeEx() override;
    void WeeklyEx() override;
    void OneTimeVm() override;
    void DailyVm() override;
    void WeeklyVm() override;
    void Edit() override;
    void Rename() override;
    void Delete() override;
    void Disable() override;

    void SelectSchedule(const TName& name);
    // Opens the wizard of a drive type; false when none was opened.
    bool CallWizard(CCadence::TScheduleType type);
    // Writes a new drive schedule through the agent and reads it back into the model; a failure
    // is shown and answered.
    HRESULT CreateSchedule(CCadence::CScheduleData schedule_data);

    void ReselectRows();
    void SaveSettings();
    void LoadSettings();
    void OnEditSchedule();
    void OnConnectComputer();
    void OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous);

signals:
    void ModelUpdated();
    void ScheduleCreated(const TName& kv_schedule_name);
    void ScheduleChanged(const TName& kv_schedule_name);
    void ScheduleChangedVM(const TName& kv_schedule_name);
    void ScheduleChangedEX(const TName& kv_schedule_name);
    void ScheduleDeleted();
    void ScheduleEnabled(const TName& kv_schedule_name, bool enabled);
    void ScheduleSelected(const TName& kv_schedule_name);

private:
    // The kind of map the name is found in; none when no map has it.
    enum class TKind { kDrive, kExchange, kGuest };
    std::optional<TKind> KindOf(const TName& name) const;
    // Reads the schedule again from the agent into the map of its kind.
    HRESULT ReadBack(const TName& name, TKind kind);
    // Writes an edited drive schedule: renamed first when its name changed, then written and
    // read back.
    HRESULT WriteEdit(const TName& oldName, CCadence::CScheduleData schedule);
    CSelectDrivesPage::TDrives Drives() const;
    // The table model was reset: views start again with the current schedule selected.
    void ResetTable();
    // The plain notice of a wizard that is not there yet.
    void WizardMissing();
    QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const QString& title,
                                    const QString& text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    void ShowFailure(const char* title, const char* text, const TName& name, HRESULT result);
    void ShowCodeFailure(const char* title, const char* text, HRESULT result);
    // The warnings of a reload's failing agent calls: the first of each part.
    void ShowReloadFailures(const CCadenceFeed::TReloadFailures& failures);
    IAppController* App() const;

    CCadenceFeed& m_feed;
    CCadence& m_cadence;
    CCadenceTableModel* m_model;
    CCadenceTableSortFilterModel* m_sortModel;
    QSplitter* m_splitter;
    CScheduleTable* m_table;
    std::unique_ptr<IDisplayPowerOff> m_display;
    TDriveLister m_driveLister;
    // The splitter's saved state, taken again once the detail pane is there.
    QByteArray m_splitterState;
    bool m_registered = false;
};

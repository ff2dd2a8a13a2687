#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"
#include "core/Types.h"

#include <map>

class ICadenceController;

// The bar of the scheduling tab: creates drive, Exchange and guest schedules through the
// wizards and acts on the current schedule. It follows the scheduling controller's signals to
// offer "Enable" for a disabled schedule.
class CRibbonCadenceWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonCadenceWidget(QWidget* parent = nullptr);

    CRibbonGroup* VmGroup() const { return m_vmGroup; }
    CRibbonGroup* DriveGroup() const { return m_driveGroup; }
    CRibbonGroup* ExchangeGroup() const { return m_exchangeGroup; }
    CRibbonGroup* ChangeGroup() const { return m_changeGroup; }
    CRibbonButton* DisableButton() const { return m_disable; }
    const TName& CurrentSchedule() const { return m_current; }

public slots:
    void DoOneTimeVm();
    void DoDailyVm();
    void DoWeeklyVm();
    void DoOneTime();
    void DoDaily();
    void DoWeekly();
    void DoScreenSaver();
    void DoAuto();
    void DoOneTimeEx();
    void DoWeeklyEx();
    void DoRunNow();
    void DoEdit();
    void DoRename();
    void DoDelete();
    void DoDisable();

    // The scheduling controller's signals.
    void OnModelUpdated();
    void OnScheduleCreated(TName kv_schedule_name);
    void OnScheduleSelected(TName kv_schedule_name);
    void OnScheduleChanged(TName kv_schedule_name);
    void OnScheduleChangedVM(TName kv_schedule_name);
    void OnScheduleChangedEX(TName kv_schedule_name);
    void OnScheduleEnabled(TName kv_schedule_name, bool enabled);
    void OnScheduleDeleted();

    // Shows the groups of the schedules the connected computer can have: guest schedules on a
    // local host of virtual machines, Exchange schedules on a local Exchange server.
    void UpdateGroups();

private:
    static ICadenceController* Controller();
    void FollowControllers() override;
    // "Disable", or "Enable" when the current schedule is known to be disabled.
    void UpdateDisableButton();

    CRibbonGroup* m_vmGroup;
    CRibbonGroup* m_driveGroup;
    CRibbonGroup* m_exchangeGroup;
    CRibbonGroup* m_changeGroup;
    CRibbonButton* m_runNow;
    CRibbonButton* m_disable;
    bool m_mayModify = true;
    TName m_current;
    // What the controller last said about each schedule's state; a schedule it said nothing
    // about counts as enabled.
    std::map<TName, bool> m_enabled;
    QPointer<QObject> m_followed;
};

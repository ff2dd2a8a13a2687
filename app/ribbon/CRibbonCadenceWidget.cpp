#include "app/ribbon/CRibbonCadenceWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/ICadenceController.h"
#include "policy/CClientGP.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

using namespace Qt::StringLiterals;

CRibbonCadenceWidget::CRibbonCadenceWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonCadenceWidget", parent)
{
    using Bar = CRibbonCadenceWidget;
    IAppController* app = IAppController::Current();
    m_mayModify = !app || app->Policy().AllowModifySched();

    m_vmGroup = AddNewGroup("Create Virtual Guest Schedule");
    const char* vmOnceTip = "Schedule a single date and time to perform \nan  defragmentation, "
                            "re-indexing and shrinking operations on your Virtual Guests.";
    AddNewButton(m_vmGroup, "One Time", vmOnceTip, u"cadence_vm_one_time.png"_s, &Bar::DoOneTimeVm);
    AddNewButton(m_vmGroup, "Daily", vmOnceTip, u"cadence_vm_daily.png"_s, &Bar::DoDailyVm);
    AddNewButton(m_vmGroup, "Weekly",
                 "Schedule days and times for Korvane to perform \nweekly defragmentation, "
                 "re-indexing and shrinking operations on your Virtual Guests",
                 u"cadence_vm_weekly.png"_s, &Bar::DoWeeklyVm);

    m_driveGroup = AddNewGroup("Create New Schedule");
    AddNewButton(m_driveGroup, "One Time",
                 "Schedule a single date and time to perform \na defragmentation run of your "
                 "drive or drives.",
                 u"cadence_one_time.png"_s, &Bar::DoOneTime);
    AddNewButton(m_driveGroup, "Daily",
                 "Schedule days and times for Korvane to perform\n daily defragmentation runs of "
                 "your drive or drives.",
                 u"cadence_daily.png"_s, &Bar::DoDaily);
    AddNewButton(m_driveGroup, "Weekly",
                 "Schedule days and times for Korvane to perform\n weekly defragmentation runs "
                 "of your drive or drives.",
                 u"cadence_weekly.png"_s, &Bar::DoWeekly);
    AddNewButton(m_driveGroup, "Screen\nSaver",
                 "Have Korvane perform defragmentation on \nyour drive or drives when the Windows "
                 "screensaver is running.",
                 u"cadence_screen_saver.png"_s, &Bar::DoScreenSaver);
    AddNewButton(m_driveGroup, "QuietWatch",
                 "Use Korvane's exclusive QuietWatch to automatically \ndefragment when your "
                 "system is idle.",
                 u"cadence_quietwatch.png"_s, &Bar::DoAuto);

    m_exchangeGroup = AddNewGroup("Create New Exchange Schedule");
    AddNewButton(m_exchangeGroup, "Exchange One Time",
                 "Schedule a single date and time to perform \nan Exchange compaction "
                 "operations.",
                 u"cadence_exchange_one_time.png"_s, &Bar::DoOneTimeEx);
    AddNewButton(m_exchangeGroup, "Exchange Weekly",
                 "Schedule days and times for Korvane to perform \nweekly compaction of your "
                 "Exchange data stores.",
                 u"cadence_exchange_weekly.png"_s, &Bar::DoWeeklyEx);

    m_changeGroup = AddNewGroup("Change Existing Schedule");
    m_runNow = AddNewButton(m_changeGroup, "Run Now", "Start a defragmentation pass now.",
                            u"cadence_run_now.png"_s, &Bar::DoRunNow);
    QList<CRibbonButton*> changing;
    changing << AddNewButton(m_changeGroup, "Edit", "Modify a schedule.", u"cadence_edit.png"_s,
                             &Bar::DoEdit);
    changing << AddNewButton(m_changeGroup, "Rename", "Rename a schedule.", u"cadence_rename.png"_s,
                             &Bar::DoRename);
    changing << AddNewButton(m_changeGroup, "Delete", "Delete a schedule.", u"cadence_delete.png"_s,
                             &Bar::DoDelete);
    m_disable = AddNewButton(m_changeGroup, "Disable", "Disable or enable a schedule.",
                             u"cadence_disable.png"_s, &Bar::DoDisable);
    changing << m_disable;

    // Without the permission to change schedules only running them is offered.
    for (CRibbonButton* button : std::as_const(changing))
        button->setVisible(m_mayModify);
    m_runNow->setVisible(!app || app->Policy().AllowRunSchedule());
    m_changeGroup->setVisible(m_mayModify || !m_runNow->isHidden());

    if (app)
        FollowSignal(app->Object(), "ComputerConnected", "UpdateGroups()");
    UpdateGroups();
    FollowControllers();
}

ICadenceController* CRibbonCadenceWidget::Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->CadenceController() : nullptr;
}

void CRibbonCadenceWidget::FollowControllers()
{
    if (!StartFollowing(m_followed, dynamic_cast<QObject*>(Controller())))
        return;
    FollowSignal(m_followed, "ModelUpdated", "OnModelUpdated()");
    FollowSignal(m_followed, "ScheduleCreated", "OnScheduleCreated(TName)");
    FollowSignal(m_followed, "ScheduleSelected", "OnScheduleSelected(TName)");
    FollowSignal(m_followed, "ScheduleChanged", "OnScheduleChanged(TName)");
    FollowSignal(m_followed, "ScheduleChangedVM", "OnScheduleChangedVM(TName)");
    FollowSignal(m_followed, "ScheduleChangedEX", "OnScheduleChangedEX(TName)");
    FollowSignal(m_followed, "ScheduleEnabled", "OnScheduleEnabled(TName,bool)");
    FollowSignal(m_followed, "ScheduleDeleted", "OnScheduleDeleted()");
}

void CRibbonCadenceWidget::UpdateGroups()
{
    IAppController* app = IAppController::Current();
    const quint32 edition = app ? app->Model().Edition() : 0;
    const bool local = app && !app->Model().IsRemote();
    m_vmGroup->setVisible(m_mayModify && local && edition == CModel::kEditionVirtualMachines);
    m_driveGroup->setVisible(m_mayModify);
    m_exchangeGroup->setVisible(m_mayModify && local && edition == CModel::kEditionExchange);
}

void CRibbonCadenceWidget::UpdateDisableButton()
{
    const auto known = m_enabled.find(m_current);
    const bool disabled = known != m_enabled.end() && !known->second;
    m_disable->SetRibbonText(disabled ? Translate("Enable") : Translate("Disable"));
    m_disable->SetImageName(disabled ? u"cadence_enable.png"_s : u"cadence_disable.png"_s);
}

void CRibbonCadenceWidget::DoOneTimeVm()
{
    if (ICadenceController* cadence = Controller())
        cadence->OneTimeVm();
}

void CRibbonCadenceWidget::DoDailyVm()
{
    if (ICadenceController* cadence = Controller())
        cadence->DailyVm();
}

void CRibbonCadenceWidget::DoWeeklyVm()
{
    if (ICadenceController* cadence = Controller())
        cadence->WeeklyVm();
}

void CRibbonCadenceWidget::DoOneTime()
{
    if (ICadenceController* cadence = Controller())
        cadence->OneTime();
}

void CRibbonCadenceWidget::DoDaily()
{
    if (ICadenceController* cadence = Controller())
        cadence->Daily();
}

void CRibbonCadenceWidget::DoWeekly()
{
    if (ICadenceController* cadence = Controller())
        cadence->Weekly();
}

void CRibbonCadenceWidget::DoScreenSaver()
{
    if (ICadenceController* cadence = Controller())
        cadence->ScreenSaver();
}

void CRibbonCadenceWidget::DoAuto()
{
    if (ICadenceController* cadence = Controller())
        cadence->Automatic();
}

void CRibbonCadenceWidget::DoOneTimeEx()
{
    if (ICadenceController* cadence = Controller())
        cadence->OneTimeEx();
}

void CRibbonCadenceWidget::DoWeeklyEx()
{
    if (ICadenceController* cadence = Controller())
        cadence->WeeklyEx();
}

void CRibbonCadenceWidget::DoRunNow()
{
    if (ICadenceController* cadence = Controller())
        cadence->RunNow();
}

void CRibbonCadenceWidget::DoEdit()
{
    if (ICadenceController* cadence = Controller())
        cadence->Edit();
}

void CRibbonCadenceWidget::DoRename()
{
    if (ICadenceController* cadence = Controller())
        cadence->Rename();
}

void CRibbonCadenceWidget::DoDelete()
{
    if (ICadenceController* cadence = Controller())
        cadence->Delete();
}

void CRibbonCadenceWidget::DoDisable()
{
    if (ICadenceController* cadence = Controller())
        cadence->Disable();
}

void CRibbonCadenceWidget::OnModelUpdated()
{
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleCreated(TName kv_schedule_name)
{
    // A new schedule starts enabled.
    m_enabled[kv_schedule_name] = true;
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleSelected(TName kv_schedule_name)
{
    m_current = std::move(kv_schedule_name);
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleChanged(TName)
{
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleChangedVM(TName)
{
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleChangedEX(TName)
{
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleEnabled(TName kv_schedule_name, bool enabled)
{
    m_enabled[kv_schedule_name] = enabled;
    UpdateDisableButton();
}

void CRibbonCadenceWidget::OnScheduleDeleted()
{
    m_enabled.erase(m_current);
    m_current.clear();
    UpdateDisableButton();
}

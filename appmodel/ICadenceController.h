#pragma once

// The scheduling tab as the ribbon and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class ICadenceController {
public:
    virtual ~ICadenceController() = default;

    // Reloads every schedule from the agent.
    virtual void UpdateModel() = 0;
    // Runs the current schedule now.
    virtual void RunNow() = 0;
    // The wizards of new drive schedules.
    virtual void OneTime() = 0;
    virtual void Daily() = 0;
    virtual void Weekly() = 0;
    // The screen-saver and the QuietWatch schedules: the existing one is edited, else created.
    virtual void ScreenSaver() = 0;
    virtual void Automatic() = 0;
    // The wizards of new Exchange schedules.
    virtual void OneTimeEx() = 0;
    virtual void WeeklyEx() = 0;
    // The wizards of new guest schedules.
    virtual void OneTimeVm() = 0;
    virtual void DailyVm() = 0;
    virtual void WeeklyVm() = 0;
    // What the user does with the current schedule.
    virtual void Edit() = 0;
    virtual void Rename() = 0;
    virtual void Delete() = 0;
    // Disables an enabled schedule and enables a disabled one.
    virtual void Disable() = 0;
};

#include "schedule/CScreenWizard.h"

#include "schedule/CScreenAutoMethodPage.h"
#include "schedule/CScreenMinimumPeriod.h"

CScreenWizard::CScreenWizard(CSelectDrivesPage::TDrives drives, CCadence::CScheduleData record,
                             QWidget* parent)
    : CDriveWizardBase(kScreenSaver, std::move(record), "CScreenWizard",
                       {"Screen Saver Schedule Wizard", "Screen Saver Schedule",
                        "Creating_a_Screen_Saver_Schedule.htm"},
                       parent)
{
    AddPage(new CSelectDrivesPage(std::move(drives)));
    AddPage(new CScreenAutoMethodPage);
    AddPage(new CScreenMinimumPeriod);
}

#include "schedule/CAutoWizard.h"

#include "schedule/CAutoExclusions.h"
#include "schedule/CAutoMinimumPeriod.h"
#include "schedule/CScreenAutoMethodPage.h"

CAutoWizard::CAutoWizard(CSelectDrivesPage::TDrives drives, CCadence::CScheduleData record,
                         QWidget* parent)
    : CDriveWizardBase(kQuietWatch, std::move(record), "CAutoWizard",
                       {"QuietWatch Schedule Wizard", "QuietWatch Schedule",
                        "Creating_a_QuietWatch_Schedule.htm"},
                       parent)
{
    AddPage(new CSelectDrivesPage(std::move(drives)));
    AddPage(new CScreenAutoMethodPage);
    AddPage(new CAutoMinimumPeriod);
    AddPage(new CAutoExclusions);
}

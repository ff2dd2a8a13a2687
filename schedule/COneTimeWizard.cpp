#include "schedule/COneTimeWizard.h"

#include "schedule/CDefragOneTimeDatePage.h"
#include "schedule/CScheduleNamePage.h"

COneTimeWizard::COneTimeWizard(const CCadence& cadence, CSelectDrivesPage::TDrives drives,
                               CCadence::CScheduleData record, QWidget* parent)
    : CDriveWizardBase(
          kOneTime, std::move(record), "COneTimeWizard",
          {"One Time Schedule Wizard", "One Time Schedule", "Creating_a_One_Time_Schedule.htm"},
          parent)
{
    AddPage(new CScheduleNamePage(cadence));
    AddPage(new CSelectDrivesPage(std::move(drives)));
    AddMethodAndDate(new CDefragOneTimeDatePage);
}

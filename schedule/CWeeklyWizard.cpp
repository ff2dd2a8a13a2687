#include "schedule/CWeeklyWizard.h"

#include "schedule/CDefragWeeklyTimeDatePage.h"
#include "schedule/CScheduleNamePage.h"

CWeeklyWizard::CWeeklyWizard(const CCadence& cadence, CSelectDrivesPage::TDrives drives,
                             CCadence::CScheduleData record, QWidget* parent)
    : CDriveWizardBase(
          kWeekly, std::move(record), "CWeeklyWizard",
          {"Weekly Schedule Wizard", "Weekly Schedule", "Creating_a_Weekly_Schedule.htm"}, parent)
{
    AddPage(new CScheduleNamePage(cadence));
    AddPage(new CSelectDrivesPage(std::move(drives)));
    AddMethodAndDate(new CDefragWeeklyTimeDatePage);
}

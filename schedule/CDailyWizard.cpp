#include "schedule/CDailyWizard.h"

#include "schedule/CDefragDailyTimeDatePage.h"
#include "schedule/CScheduleNamePage.h"

CDailyWizard::CDailyWizard(const CCadence& cadence, CSelectDrivesPage::TDrives drives,
                           CCadence::CScheduleData record, QWidget* parent)
    : CDriveWizardBase(kDaily, std::move(record), "CDailyWizard",
                       {"Daily Schedule Wizard", "Daily Schedule", "Creating_a_Daily_Schedule.htm"},
                       parent)
{
    AddPage(new CScheduleNamePage(cadence));
    AddPage(new CSelectDrivesPage(std::move(drives)));
    AddMethodAndDate(new CDefragDailyTimeDatePage);
}

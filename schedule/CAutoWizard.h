#pragma once

#include "schedule/CDriveWizardBase.h"
#include "schedule/CSelectDrivesPage.h"

// The wizard of the QuietWatch schedule: its drives, method, the least time between runs, the idle
// time it waits for and the programs and hours it keeps away from. The schedule keeps its fixed
// name.
class CAutoWizard : public CDriveWizardBase {
    Q_OBJECT

public:
    CAutoWizard(CSelectDrivesPage::TDrives drives, CCadence::CScheduleData record,
                QWidget* parent = nullptr);
};

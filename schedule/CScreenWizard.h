#pragma once

#include "schedule/CDriveWizardBase.h"
#include "schedule/CSelectDrivesPage.h"

// The wizard of the screen-saver schedule: its drives, method and the least time between runs. The
// schedule keeps its fixed name.
class CScreenWizard : public CDriveWizardBase {
    Q_OBJECT

public:
    CScreenWizard(CSelectDrivesPage::TDrives drives, CCadence::CScheduleData record,
                  QWidget* parent = nullptr);
};

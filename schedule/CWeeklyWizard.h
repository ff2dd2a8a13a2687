#pragma once

#include "schedule/CDriveWizardBase.h"
#include "schedule/CSelectDrivesPage.h"

// The wizard of a weekly drive schedule: its name, drives, method, start, weeks and days.
class CWeeklyWizard : public CDriveWizardBase {
    Q_OBJECT

public:
    CWeeklyWizard(const CCadence& cadence, CSelectDrivesPage::TDrives drives,
                  CCadence::CScheduleData record, QWidget* parent = nullptr);
};

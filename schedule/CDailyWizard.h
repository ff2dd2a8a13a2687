#pragma once

#include "schedule/CDriveWizardBase.h"
#include "schedule/CSelectDrivesPage.h"

// The wizard of a daily drive schedule: its name, drives, method, start and frequency.
class CDailyWizard : public CDriveWizardBase {
    Q_OBJECT

public:
    CDailyWizard(const CCadence& cadence, CSelectDrivesPage::TDrives drives,
                 CCadence::CScheduleData record, QWidget* parent = nullptr);
};

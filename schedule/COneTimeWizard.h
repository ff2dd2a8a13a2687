#pragma once

#include "schedule/CDriveWizardBase.h"
#include "schedule/CSelectDrivesPage.h"

// The wizard of a one-time drive schedule: its name, drives, method and start.
class COneTimeWizard : public CDriveWizardBase {
    Q_OBJECT

public:
    COneTimeWizard(const CCadence& cadence, CSelectDrivesPage::TDrives drives,
                   CCadence::CScheduleData record, QWidget* parent = nullptr);
};

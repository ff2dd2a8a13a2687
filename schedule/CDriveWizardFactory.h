#pragma once

#include "schedule/CCadence.h"
#include "schedule/CDriveWizardBase.h"
#include "schedule/CSelectDrivesPage.h"

#include <memory>

class QWidget;

// Opens the right wizard for a drive schedule: a new one of a type, or an existing one to edit.
class CDriveWizardFactory {
public:
    // A new schedule of the type as its wizard starts it: every drive, and the fixed name of a
    // special schedule.
    static CCadence::CScheduleData FreshRecord(CCadence::TScheduleType type);

    // The wizard of the record's type, none for a type without one. An edited record is shown
    // as it is stored and its pages word their refusals for an edit.
    static std::unique_ptr<CDriveWizardBase> Create(const CCadence& cadence,
                                                    CSelectDrivesPage::TDrives drives,
                                                    CCadence::CScheduleData record, bool editing,
                                                    QWidget* parent = nullptr);
};

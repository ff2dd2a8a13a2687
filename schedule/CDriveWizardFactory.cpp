#include "schedule/CDriveWizardFactory.h"

#include "schedule/CAgentSchedules.h"
#include "schedule/CAutoWizard.h"
#include "schedule/CDailyWizard.h"
#include "schedule/COneTimeWizard.h"
#include "schedule/CScreenWizard.h"
#include "schedule/CWeeklyWizard.h"

CCadence::CScheduleData CDriveWizardFactory::FreshRecord(CCadence::TScheduleType type)
{
    CCadence::CScheduleData record;
    record.settings.type = type;
    record.allDrives = true;
    if (type == CCadence::kScreenSaver)
        record.name = CAgentSchedules::kScreenSaverName;
    else if (type == CCadence::kQuietWatch)
        record.name = CAgentSchedules::kQuietWatchName;
    return record;
}

std::unique_ptr<CDriveWizardBase> CDriveWizardFactory::Create(const CCadence& cadence,
                                                              CSelectDrivesPage::TDrives drives,
                                                              CCadence::CScheduleData record,
                                                              bool editing, QWidget* parent)
{
    std::unique_ptr<CDriveWizardBase> wizard;
    switch (record.settings.type) {
    case CCadence::kOneTime:
        wizard =
            std::make_unique<COneTimeWizard>(cadence, std::move(drives), std::move(record), parent);
        break;
    case CCadence::kDaily:
        wizard =
            std::make_unique<CDailyWizard>(cadence, std::move(drives), std::move(record), parent);
        break;
    case CCadence::kWeekly:
        wizard =
            std::make_unique<CWeeklyWizard>(cadence, std::move(drives), std::move(record), parent);
        break;
    case CCadence::kScreenSaver:
        wizard = std::make_unique<CScreenWizard>(std::move(drives), std::move(record), parent);
        break;
    case CCadence::kQuietWatch:
        wizard = std::make_unique<CAutoWizard>(std::move(drives), std::move(record), parent);
        break;
    default:
        return nullptr;
    }
    if (editing) {
        wizard->SetEdit();
        // The pages loaded before they knew: the name page lets an edit keep its own name.
        wizard->LoadSettings();
    }
    return wizard;
}

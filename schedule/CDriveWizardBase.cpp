#include "schedule/CDriveWizardBase.h"

CDriveWizardBase::CDriveWizardBase(TWizardType type, CCadence::CScheduleData record,
                                   QByteArray context, const TLook& look, QWidget* parent)
    : CWireWizardWithIO(type, TWireRecord(std::move(record)), std::move(context), parent)
{
    setWindowTitle(Translate(look.title));
    SetHeader(Translate(look.header));
    if (look.helpTopic)
        SetHelpTopic(QString::fromLatin1(look.helpTopic));
}

CCadence::CScheduleData CDriveWizardBase::Schedule() const
{
    CCadence::CScheduleData schedule = std::get<CCadence::CScheduleData>(Record());
    schedule.settings.type = ScheduleType(Type());
    return schedule;
}

CCadence::TScheduleType CDriveWizardBase::ScheduleType(TWizardType type)
{
    switch (type) {
    case kOneTime:
        return CCadence::kOneTime;
    case kDaily:
        return CCadence::kDaily;
    case kWeekly:
        return CCadence::kWeekly;
    case kScreenSaver:
        return CCadence::kScreenSaver;
    case kQuietWatch:
        return CCadence::kQuietWatch;
    default:
        return CCadence::kNotSet;
    }
}

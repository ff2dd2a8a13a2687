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

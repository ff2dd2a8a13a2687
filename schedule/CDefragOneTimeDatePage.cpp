#include "schedule/CDefragOneTimeDatePage.h"

CDefragOneTimeDatePage::CDefragOneTimeDatePage(QWidget* parent)
    : CDefragDatePageBase("CDefragOneTimeDatePage", parent)
{
    SetForType(CWireWizardBase::kOneTime);
}

QString CDefragOneTimeDatePage::Summary() const
{
    return Translate("Once at %1").Arg(StartText());
}

void CDefragOneTimeDatePage::LoadRepeat(const CScheduleSettings&, bool) {}

void CDefragOneTimeDatePage::StoreRepeat(CScheduleSettings* settings) const
{
    settings->type = CCadence::kOneTime;
    settings->interval = 0;
    settings->weekdays = 0;
}

#include "platform/power/IPowerControl.h"

#include "platform/CReplaceable.h"
#include "platform/power/CLogindPowerControl.h"

IPowerControl::~IPowerControl() = default;

IPowerControl& IPowerControl::Instance()
{
    return CReplaceable<IPowerControl, CLogindPowerControl>::Instance();
}

void IPowerControl::SetInstance(IPowerControl* instance)
{
    CReplaceable<IPowerControl, CLogindPowerControl>::Install(instance);
}

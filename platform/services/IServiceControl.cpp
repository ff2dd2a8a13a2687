#include "platform/services/IServiceControl.h"

#include "platform/CReplaceable.h"
#include "platform/services/CSystemdServiceControl.h"

IServiceControl::~IServiceControl() = default;

IServiceControl& IServiceControl::Instance()
{
    return CReplaceable<IServiceControl, CSystemdServiceControl>::Instance();
}

void IServiceControl::SetInstance(IServiceControl* instance)
{
    CReplaceable<IServiceControl, CSystemdServiceControl>::Install(instance);
}

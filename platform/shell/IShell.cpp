#include "platform/shell/IShell.h"

#include "platform/CReplaceable.h"
#include "platform/shell/CDesktopShell.h"

IShell::~IShell() = default;

IShell& IShell::Instance()
{
    return CReplaceable<IShell, CDesktopShell>::Instance();
}

void IShell::SetInstance(IShell* instance)
{
    CReplaceable<IShell, CDesktopShell>::Install(instance);
}

#include "tests/support/CAppFixture.h"

#include "platform/power/IPowerControl.h"
#include "platform/registry/CRegKey.h"
#include "platform/services/IServiceControl.h"
#include "platform/shell/IShell.h"

using namespace Qt::StringLiterals;

CAppFixture::CAppFixture(bool makeController)
{
    environment.Set("PATH", environment.Root()); // no daemon to start
    activator.fallback = &dbus;
    IComActivator::SetInstance(&activator);
    IServiceControl::SetInstance(&services);
    IPowerControl::SetInstance(&power);
    IShell::SetInstance(&shell);
    SetDword(u"Software\\Tellmar\\Korvane\\11.0"_s, u"Wizard"_s, 1, true);
    if (!makeController)
        return;
    app = std::make_unique<CApp>();
    app->SetProcessExit([this](int code) { exits.append(code); });
}

CAppFixture::~CAppFixture()
{
    app.reset();
    IShell::SetInstance(nullptr);
    IPowerControl::SetInstance(nullptr);
    IServiceControl::SetInstance(nullptr);
    IComActivator::SetInstance(nullptr);
}

void CAppFixture::SetDword(const QString& key, const QString& name, quint32 value, bool machine)
{
    CRegKey handle;
    if (handle.Create(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key) != ERROR_SUCCESS ||
        handle.SetDWORDValue(name, value) != ERROR_SUCCESS)
        qFatal("cannot set %s", qPrintable(name));
}

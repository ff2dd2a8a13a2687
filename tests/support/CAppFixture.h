#pragma once

#include "app/CApp.h"
#include "platform/com/CDBusActivator.h"
#include "tests/support/CFakeComActivator.h"
#include "tests/support/CFakePowerControl.h"
#include "tests/support/CFakeServiceControl.h"
#include "tests/support/CFakeShell.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestEnvironment.h"

#include <memory>

// What a test of the application controller stands on, for its lifetime: folders of its own
// with no daemon to start, the getting-started wizard done, the activator (answering from its
// script, then over D-Bus), service, power, shell and presenter doubles installed, and a
// controller whose process exits are only recorded.
class CAppFixture {
public:
    explicit CAppFixture(bool makeController = true);
    ~CAppFixture();
    CAppFixture(const CAppFixture&) = delete;
    CAppFixture& operator=(const CAppFixture&) = delete;

    // Sets a DWORD of the current user's (or machine's) key, creating the key.
    static void SetDword(const QString& key, const QString& name, quint32 value,
                         bool machine = false);

    CTestEnvironment environment;
    CDBusActivator dbus;
    CFakeComActivator activator;
    CFakeServiceControl services;
    CFakePowerControl power;
    CFakeShell shell;
    CScriptedPresenter presenter;
    QList<int> exits;
    std::unique_ptr<CApp> app;
};

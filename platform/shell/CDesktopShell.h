#pragma once

#include "platform/shell/IShell.h"

// The desktop's handlers through QDesktopServices (which needs a GUI application; without one
// nothing opens), and programs started through QProcess, which gives a detached program a
// session of its own. A target without a scheme is a local path.
class CDesktopShell : public IShell {
public:
    bool Open(const QUrl& target) override;
    HRESULT StartDetached(const QString& program, const QStringList& arguments) override;
};

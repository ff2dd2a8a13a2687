#pragma once

#include "core/HResult.h"

#include <QStringList>
#include <QUrl>

// The desktop's shell: opening documents, folders and addresses, and starting programs.
class IShell {
public:
    virtual ~IShell();

    // Opens a file, folder or URL with the desktop's handler ("open" verb). False when nothing
    // could open it or it does not exist: a local file that does not exist is false without
    // asking the desktop.
    virtual bool Open(const QUrl& target) = 0;
    // Starts a program detached from this process, in its own process group. S_OK, or the
    // HRESULT of the system error (ERROR_FILE_NOT_FOUND when the program does not exist,
    // ERROR_ACCESS_DENIED when it is not executable).
    virtual HRESULT StartDetached(const QString& program, const QStringList& arguments) = 0;

    // The process-wide shell: the desktop's unless a replacement was installed.
    static IShell& Instance();
    // Installs a replacement (not owned); null goes back to the desktop's.
    static void SetInstance(IShell* instance);
};

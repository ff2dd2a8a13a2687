#pragma once

// Whether the desktop's screen saver is active, as the session bus's freedesktop screen-saver
// service says. Without a session bus or such a service the screen saver is never active.
class CDesktopScreenSaver {
public:
    CDesktopScreenSaver() = delete;

    static bool IsActive();
};

#pragma once

#include <QString>

#include <optional>

// Whether the computer's display is set to turn off after an idle time. The screen-saver
// schedule runs only while the display is on, so the scheduling tab warns about it.
class IDisplayPowerOff {
public:
    virtual ~IDisplayPowerOff() = default;

    // The idle minutes after which the display is turned off; none when it never is or when
    // that cannot be told.
    virtual std::optional<int> PowerOffMinutes() const = 0;
};

// The X server's DPMS "Off" timeout, as `xset q` reports it for the display of $DISPLAY. Without
// an X display, without xset, or when it does not answer within a second, nothing is known.
class CXsetDisplayPowerOff : public IDisplayPowerOff {
public:
    std::optional<int> PowerOffMinutes() const override;

    // Reads the output of `xset q`: the "Off" timeout in whole minutes (rounded up) when DPMS is
    // enabled and the timeout is above zero.
    static std::optional<int> ParseQuery(const QString& output);
};

#pragma once

#include "core/HResult.h"
#include "schedule/CScheduleSettings.h"

#include <QString>
#include <QStringView>

// The exclusion windows of a QuietWatch schedule as the agent keeps them in the parameter text:
// "start:hours:repeat" for each window, separated by ";", the start an OLE date with twelve
// digits after the point.
class CExclusionWindowsText {
public:
    using TWindows = CScheduleSettings::TExclusionWindows;

    CExclusionWindowsText() = delete;

    // Empty for no windows; no ";" after the last window.
    static QString Write(const TWindows& windows);
    // E_INVALIDARG when the text is not a ";"-separated list of windows or a number does not fit;
    // windows is replaced only on success (an empty text gives no windows).
    static HRESULT Read(QStringView text, TWindows* windows);
};

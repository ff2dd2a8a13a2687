#pragma once

#include "core/HResult.h"
#include "refengine/CAgentSettingsStore.h"
#include "refengine/CThreadPriority.h"
#include "refengine/CVolumePass.h"

#include <QString>

// What the product settings say about a pass: whether it may start on a drive of a type, on
// battery or not, whether it stops when the computer goes on battery, and the priorities its
// threads run at. Analyses always run: they only read.
class CPassPolicy {
public:
    using TSettings = CAgentSettingsStore::TSettings;

    // A drive type the settings keep from being defragmented. Windows' ERROR_NOT_SUPPORTED,
    // which the console shows as a failure to start with its text; access denied would make the
    // console take the drive for unreachable, analysis and all.
    static const HRESULT kDriveNotAllowed; // 0x80070032
    // Not started on battery: Windows' ERROR_NOT_READY, which the console words so.
    static const HRESULT kOnBattery; // 0x80070015

    // Nice values of the three CPU priorities, and the best-effort I/O levels that go with them
    // when I/O is not throttled.
    static constexpr int kNice[3] = {10, 0, -5};
    static constexpr int kIoLevel[3] = {6, 4, 2};

    CPassPolicy() = delete;

    // S_OK when a pass of the kind may start now on the drive (its mount point and effective
    // type); otherwise the refusal, with why in REASON.
    static HRESULT MayStart(const TSettings& settings, CVolumePass::TKind kind, quint32 driveType,
                            bool onBattery, const QString& drive, QString* reason);
    // Whether a running pass of the kind stops when the computer goes on battery.
    static bool StopsOnBattery(const TSettings& settings, CVolumePass::TKind kind);
    // The priorities of a pass's threads.
    static CThreadPriority::TPriority Priority(const TSettings& settings);
};

#include "refengine/CPassPolicy.h"

#include "refengine/TVolumeDescription.h"

#include <algorithm>

using namespace Qt::StringLiterals;

const HRESULT CPassPolicy::kDriveNotAllowed = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
const HRESULT CPassPolicy::kOnBattery = HRESULT_FROM_WIN32(21);

HRESULT CPassPolicy::MayStart(const TSettings& settings, CVolumePass::TKind kind, quint32 driveType,
                              bool onBattery, const QString& drive, QString* reason)
{
    if (kind == CVolumePass::TKind::Analysis)
        return S_OK;
    QString kept;
    if (driveType == TVolumeDescription::kExternal && !settings.allowExternalDrives)
        kept = u"USB and Firewire connected drives"_s;
    else if (driveType == TVolumeDescription::kFlash && !settings.allowFlashDrives)
        kept = u"flash drives"_s;
    else if (driveType == TVolumeDescription::kSsd && !settings.allowSsdDrives)
        kept = u"SSD drives"_s;
    if (!kept.isEmpty()) {
        *reason =
            u"The drive %1 is not defragmented: the settings do not allow defragmenting %2."_s.arg(
                drive, kept);
        return kDriveNotAllowed;
    }
    if (onBattery && settings.noStartOnBattery) {
        *reason = u"The drive %1 is not defragmented while the computer runs on battery power, "
                  u"as the settings ask."_s.arg(drive);
        return kOnBattery;
    }
    return S_OK;
}

bool CPassPolicy::StopsOnBattery(const TSettings& settings, CVolumePass::TKind kind)
{
    return settings.stopOnBattery && kind != CVolumePass::TKind::Analysis;
}

CThreadPriority::TPriority CPassPolicy::Priority(const TSettings& settings)
{
    const uint cpu = std::min<uint>(settings.cpuPriority, 2);
    CThreadPriority::TPriority priority;
    priority.nice = kNice[cpu];
    if (settings.ioThrottling) {
        priority.ioClass = CThreadPriority::kIoClassIdle;
        priority.ioLevel = 0;
    } else {
        priority.ioClass = CThreadPriority::kIoClassBestEffort;
        priority.ioLevel = kIoLevel[cpu];
    }
    return priority;
}

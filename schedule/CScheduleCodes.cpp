#include "schedule/CScheduleCodes.h"

namespace {

constexpr quint32 CScheduleCodesExchangeBase = 200;
constexpr quint32 CScheduleCodesGuestBase = 400;
constexpr quint32 CScheduleCodesDriveBase = 100;

} // namespace

quint32 CScheduleCodes::Code(TKind kind, quint32 type)
{
    switch (kind) {
    case TKind::Drive:
        return type >= 1 && type <= 5 ? CScheduleCodesDriveBase + type : 0;
    case TKind::Exchange:
        return type >= 1 && type <= 3 ? CScheduleCodesExchangeBase + type : 0;
    case TKind::Guest:
        return type >= 1 && type <= 3 ? CScheduleCodesGuestBase + type : 0;
    }
    return 0;
}

quint32 CScheduleCodes::Type(quint32 code)
{
    if (code == kDriveVolumesOnly)
        return 2;
    if (code >= kDriveOneTime && code <= kQuietWatch)
        return code - CScheduleCodesDriveBase;
    if (code >= CScheduleCodesExchangeBase + 1 && code <= CScheduleCodesExchangeBase + 3)
        return code - CScheduleCodesExchangeBase;
    if (code >= CScheduleCodesGuestBase + 1 && code <= CScheduleCodesGuestBase + 3)
        return code - CScheduleCodesGuestBase;
    return 0;
}

bool CScheduleCodes::IsCodeOf(TKind kind, quint32 code)
{
    switch (kind) {
    case TKind::Drive:
        return code >= kDriveOneTime && code <= kDriveVolumesOnly;
    case TKind::Exchange:
        return code > CScheduleCodesExchangeBase && code <= CScheduleCodesExchangeBase + 3;
    case TKind::Guest:
        return code > CScheduleCodesGuestBase && code <= CScheduleCodesGuestBase + 3;
    }
    return false;
}

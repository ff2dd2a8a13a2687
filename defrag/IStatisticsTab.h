#pragma once

#include "core/Types.h"

// A page of the statistics views: shows what the drive model holds for one volume, read afresh
// on every call; an unknown volume clears it.
class IStatisticsTab {
public:
    virtual ~IStatisticsTab() = default;
    virtual void ShowVolume(const TId& volume) = 0;
};

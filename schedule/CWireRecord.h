#pragma once

#include "schedule/CCadence.h"

#include <variant>

// The schedule record a wizard works on: a drive, Exchange or guest schedule. Every kind has a
// name and settings; the pages of one kind reach the rest with std::get.
using TWireRecord =
    std::variant<CCadence::CScheduleData, CCadence::CExScheduleData, CCadence::CVmScheduleData>;

inline TName& WireName(TWireRecord& record)
{
    return std::visit([](auto& schedule) -> TName& { return schedule.name; }, record);
}

inline const TName& WireName(const TWireRecord& record)
{
    return std::visit([](const auto& schedule) -> const TName& { return schedule.name; }, record);
}

inline CScheduleSettings& WireSettings(TWireRecord& record)
{
    return std::visit([](auto& schedule) -> CScheduleSettings& { return schedule.settings; },
                      record);
}

inline const CScheduleSettings& WireSettings(const TWireRecord& record)
{
    return std::visit(
        [](const auto& schedule) -> const CScheduleSettings& { return schedule.settings; }, record);
}

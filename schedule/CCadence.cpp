#include "schedule/CCadence.h"

#include "core/COleDate.h"

#include <algorithm>

CCadence::CCadence(QObject* parent)
    : QObject(parent)
{}

void CCadence::ClearSchedules()
{
    m_schedules.clear();
    m_exSchedules.clear();
    m_vmSchedules.clear();
    UpdateBusy();
}

void CCadence::UpdateBusy()
{
    const bool busy = AnyRunning();
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit BusyStateChanged(m_busy ? TBusyStatus::Busy : TBusyStatus::Idle);
}

void CCadence::SetRunning(const TName& name, bool running)
{
    const auto found = m_schedules.find(name);
    if (found == m_schedules.end())
        return;
    found->second.running = running;
    m_busy = AnyRunning();
    emit BusyStateChanged(m_busy ? TBusyStatus::Busy : TBusyStatus::Idle);
}

bool CCadence::AnyRunning() const
{
    return std::any_of(m_schedules.begin(), m_schedules.end(),
                       [](const auto& entry) { return entry.second.running; });
}

bool CCadence::RemoveSchedule(const TName& name)
{
    const bool erased =
        (m_schedules.erase(name) + m_exSchedules.erase(name) + m_vmSchedules.erase(name)) != 0;
    if (m_currentSchedule == name)
        m_currentSchedule.reset();
    UpdateBusy();
    return erased;
}

TName CCadence::ScreenSaverScheduleName() const
{
    return FirstScheduleOfType(kScreenSaver);
}

TName CCadence::QuietWatchScheduleName() const
{
    return FirstScheduleOfType(kQuietWatch);
}

std::optional<double> CCadence::NextRun(quint32 type, const TName& name) const
{
    const auto found = m_schedules.find(name);
    if (found == m_schedules.end() || found->second.settings.type != type)
        return std::nullopt;
    const double nextRun = found->second.settings.nextRun;
    return COleDate::IsSet(nextRun) ? nextRun : 0.0;
}

TName CCadence::FirstScheduleOfType(quint32 type) const
{
    const auto found =
        std::find_if(m_schedules.begin(), m_schedules.end(),
                     [type](const auto& entry) { return entry.second.settings.type == type; });
    return found == m_schedules.end() ? TName() : found->first;
}

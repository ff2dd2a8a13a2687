#include "schedule/CCadenceFeed.h"

#include "engine/CKV100AgentInterface.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadence.h"

CCadenceFeed::CCadenceFeed(CKV100AgentInterface& agent, CCadence& cadence, QObject* parent)
    : QObject(parent)
    , m_agent(agent)
    , m_cadence(cadence)
{
    connect(&m_agent, &CKV100AgentInterface::ScheduleStarted, this,
            &CCadenceFeed::OnScheduleStarted);
    connect(&m_agent, &CKV100AgentInterface::ScheduleStopped, this,
            &CCadenceFeed::OnScheduleStopped);
}

void CCadenceFeed::Reload()
{
    if (m_agent.IsConnected()) {
        // Every schedule of the agent is listed, those that cannot be read by their names.
        CAgentSchedules(m_agent).Reload(&m_cadence);
    } else {
        m_cadence.ClearSchedules();
    }
    const std::optional<TName>& current = m_cadence.CurrentSchedule();
    if (current && !m_cadence.Schedules().contains(*current) &&
        !m_cadence.ExSchedules().contains(*current) && !m_cadence.VmSchedules().contains(*current))
        m_cadence.ClearCurrentSchedule();
    emit Reloaded();
}

void CCadenceFeed::UpdateNextRuns()
{
    emit NextRunsChanged();
}

void CCadenceFeed::OnScheduleStarted(const std::wstring& schedule_name,
                                     const std::wstring& item_name)
{
    Q_UNUSED(item_name);
    m_cadence.SetRunning(schedule_name, true);
    emit RunningChanged(schedule_name, true);
}

void CCadenceFeed::OnScheduleStopped(const std::wstring& schedule_name,
                                     const std::wstring& item_name)
{
    Q_UNUSED(item_name);
    m_cadence.SetRunning(schedule_name, false);
    emit RunningChanged(schedule_name, false);
}

#include "schedule/CCadenceFeed.h"

#include "appmodel/CModel.h"
#include "engine/CKV100AgentInterface.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadence.h"

namespace {

CCadenceFeed::TFailedPart CadenceFeedPart(const CAgentSchedules::TReloadFailure& failure)
{
    switch (failure.kind) {
    case CAgentSchedules::kExchangeSchedules:
        return CCadenceFeed::TFailedPart::kExchange;
    case CAgentSchedules::kGuestSchedules:
        return CCadenceFeed::TFailedPart::kGuest;
    default:
        return failure.name.empty() ? CCadenceFeed::TFailedPart::kDriveNames
                                    : CCadenceFeed::TFailedPart::kDriveSchedule;
    }
}

} // namespace

CCadenceFeed::CCadenceFeed(CKV100AgentInterface& agent, CCadence& cadence, const CModel* console,
                           QObject* parent)
    : QObject(parent)
    , m_agent(agent)
    , m_cadence(cadence)
    , m_console(console)
{
    connect(&m_agent, &CKV100AgentInterface::ScheduleStarted, this,
            &CCadenceFeed::OnScheduleStarted);
    connect(&m_agent, &CKV100AgentInterface::ScheduleStopped, this,
            &CCadenceFeed::OnScheduleStopped);
}

bool CCadenceFeed::IsRemote() const
{
    return m_console != nullptr && m_console->IsRemote();
}

CCadenceFeed::TReloadFailures CCadenceFeed::Reload()
{
    TReloadFailures failures;
    if (m_agent.IsConnected()) {
        // Every schedule of the agent is listed, those that cannot be read by their names.
        const bool policySchedules = m_console == nullptr || !m_console->SkipsPolicySchedules();
        CAgentSchedules::TReloadFailures failed;
        CAgentSchedules(m_agent).Reload(&m_cadence, policySchedules, &failed);
        for (const CAgentSchedules::TReloadFailure& failure : failed)
            failures.push_back({CadenceFeedPart(failure), failure.name, failure.result});
    } else {
        m_cadence.ClearSchedules();
    }
    const std::optional<TName>& current = m_cadence.CurrentSchedule();
    if (current && !m_cadence.Schedules().contains(*current) &&
        !m_cadence.ExSchedules().contains(*current) && !m_cadence.VmSchedules().contains(*current))
        m_cadence.ClearCurrentSchedule();
    emit Reloaded();
    return failures;
}

void CCadenceFeed::UpdateNextRuns()
{
    emit NextRunsChanged();
}

void CCadenceFeed::Refresh()
{
    Reload();
    UpdateNextRuns();
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

#pragma once

#include "core/Types.h"

#include <QObject>

#include <string>

class CCadence;
class CKV100AgentInterface;

// Keeps the scheduling model in step with the agent of the connected computer: it reloads every
// schedule from the agent, follows the agent's started and stopped notices into the running
// flags, and tells the drive views when the next runs of the schedules may have changed. The
// scheduling tab and the application controller reach the model through it. GUI thread only.
class CCadenceFeed : public QObject {
    Q_OBJECT

public:
    // The agent and the model must outlive the feed.
    CCadenceFeed(CKV100AgentInterface& agent, CCadence& cadence, QObject* parent = nullptr);

    CKV100AgentInterface& Agent() const { return m_agent; }
    CCadence& Cadence() const { return m_cadence; }

    // Empties the model and fills it again with every schedule the agent lists; without a
    // connection the model is left empty. A current schedule the agent no longer has is cleared.
    // Emits Reloaded().
    void Reload();
    // Offers the schedules to the drives again (NextRunsChanged()).
    void UpdateNextRuns();

public slots:
    void OnScheduleStarted(const std::wstring& schedule_name, const std::wstring& item_name);
    void OnScheduleStopped(const std::wstring& schedule_name, const std::wstring& item_name);

signals:
    void Reloaded();
    // The drive model should take the schedules' next runs again.
    void NextRunsChanged();
    // A schedule started or stopped running.
    void RunningChanged(const TName& kv_schedule_name, bool running);

private:
    CKV100AgentInterface& m_agent;
    CCadence& m_cadence;
};

#pragma once

#include "core/Types.h"
#include "schedule/CAgentSchedules.h"

#include <QObject>

#include <string>

class CCadence;
class CKV100AgentInterface;
class CModel;

// Keeps the scheduling model in step with the agent of the connected computer: it reloads every
// schedule from the agent, follows the agent's started and stopped notices into the running
// flags, and tells the drive views when the next runs of the schedules may have changed. The
// scheduling tab and the application controller reach the model through it. GUI thread only.
class CCadenceFeed : public QObject {
    Q_OBJECT

public:
    // Where a reload failed: the listing or a read of the drive schedules, or the listing or a
    // read of the Exchange or guest schedules.
    enum class TFailedPart { kDriveNames, kDriveSchedule, kExchange, kGuest };
    struct TReloadFailure {
        TFailedPart part = TFailedPart::kDriveNames;
        // The schedule whose read failed; empty for a listing.
        TName name;
        HRESULT result = S_OK;
    };
    using TReloadFailures = std::vector<TReloadFailure>;

    // The agent, the model and the console's model (when given) must outlive the feed. The
    // console's model says whether the connection is remote and whether the drive schedules of
    // policy are left out.
    CCadenceFeed(CKV100AgentInterface& agent, CCadence& cadence, const CModel* console = nullptr,
                 QObject* parent = nullptr);

    CKV100AgentInterface& Agent() const { return m_agent; }
    CCadence& Cadence() const { return m_cadence; }
    bool IsRemote() const;

    // Empties the model and fills it again with every schedule the agent lists; without a
    // connection the model is left empty. A current schedule the agent no longer has is cleared.
    // Answers the agent's failing calls, in the order they were made. Emits Reloaded().
    TReloadFailures Reload();
    // Offers the schedules to the drives again (NextRunsChanged()).
    void UpdateNextRuns();
    // Reload() then UpdateNextRuns(), for a console without the scheduling tab: failures are
    // only logged.
    void Refresh();

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
    const CModel* m_console;
};

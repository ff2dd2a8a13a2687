#pragma once

#include "AgentScheduleServiceBase.h"

class CScheduleRunner;
class CScheduleStore;

// The agent's schedule object (AgentSchedule.xml) over the schedule store, with the runner for
// the next runs and RunNow; every change tells the runner. Unknown schedules answer
// CScheduleStore::kNotFound, names taken kAlreadyExists, bad arguments E_INVALIDARG. The store
// and the runner must outlive the service.
class CAgentScheduleService : public CAgentScheduleServiceBase {
public:
    CAgentScheduleService(CScheduleStore& store, CScheduleRunner& runner,
                          QObject* parent = nullptr);

    int CreateSchedule(const QString& name, uint source, uint code,
                       const QString& parameters) override;
    int AddItem(const QString& schedule, const QString& item, double firstRun, uint intervalSeconds,
                uint maxDurationSeconds, uint flags) override;
    int DeleteSchedule(const QString& name) override;
    int RenameSchedule(const QString& oldName, const QString& newName) override;
    int GetScheduleNames(uint kind, QStringList& names) override;
    int GetSchedule(const QString& name, uint& source, uint& code, QString& parameters,
                    bool& disabled, double& lastRun, double& nextRun) override;
    int GetScheduleItems(const QString& name, QStringList& items, QList<double>& firstRuns,
                         QList<uint>& intervalSeconds, QList<uint>& maxDurationSeconds,
                         QList<uint>& flags) override;
    int GetDisabled(const QString& name, bool& disabled) override;
    int SetDisabled(const QString& name, bool disabled) override;
    // S_FALSE when the schedule is running already.
    int RunNow(const QString& name) override;
    int GetAutoUpdateSchedule(uint& intervalWeeks, uint& dayOfWeek) override;
    int SetAutoUpdateSchedule(uint intervalWeeks, uint dayOfWeek) override;

private:
    // Passes a change's answer on, telling the runner when it succeeded.
    int Changed(int result);

    CScheduleStore& m_store;
    CScheduleRunner& m_runner;
};

#include "refengine/CAgentScheduleService.h"

#include "core/HResult.h"
#include "refengine/CScheduleRunner.h"
#include "refengine/CScheduleStore.h"

CAgentScheduleService::CAgentScheduleService(CScheduleStore& store, CScheduleRunner& runner,
                                             QObject* parent)
    : CAgentScheduleServiceBase(parent)
    , m_store(store)
    , m_runner(runner)
{}

int CAgentScheduleService::Changed(int result)
{
    if (SUCCEEDED(result))
        m_runner.SchedulesChanged();
    return result;
}

int CAgentScheduleService::CreateSchedule(const QString& name, uint source, uint code,
                                          const QString& parameters)
{
    return Changed(m_store.Create(name, source, code, parameters));
}

int CAgentScheduleService::AddItem(const QString& schedule, const QString& item, double firstRun,
                                   uint intervalSeconds, uint maxDurationSeconds, uint flags)
{
    return Changed(m_store.AddItem(schedule, item, firstRun, intervalSeconds, maxDurationSeconds,
                                   flags, m_runner.NewItemHandledThrough()));
}

int CAgentScheduleService::DeleteSchedule(const QString& name)
{
    return Changed(m_store.Delete(name));
}

int CAgentScheduleService::RenameSchedule(const QString& oldName, const QString& newName)
{
    return Changed(m_store.Rename(oldName, newName));
}

int CAgentScheduleService::GetScheduleNames(uint kind, QStringList& names)
{
    return m_store.Names(kind, &names);
}

int CAgentScheduleService::GetSchedule(const QString& name, uint& source, uint& code,
                                       QString& parameters, bool& disabled, double& lastRun,
                                       double& nextRun)
{
    CScheduleStore::TSchedule schedule;
    const HRESULT found = m_store.Get(name, &schedule);
    if (FAILED(found))
        return found;
    source = schedule.source;
    code = schedule.code;
    parameters = schedule.parameters;
    disabled = schedule.disabled;
    lastRun = schedule.lastRun;
    nextRun = m_runner.NextRun(schedule);
    return S_OK;
}

int CAgentScheduleService::GetScheduleItems(const QString& name, QStringList& items,
                                            QList<double>& firstRuns, QList<uint>& intervalSeconds,
                                            QList<uint>& maxDurationSeconds, QList<uint>& flags)
{
    CScheduleStore::TSchedule schedule;
    const HRESULT found = m_store.Get(name, &schedule);
    if (FAILED(found))
        return found;
    items.clear();
    firstRuns.clear();
    intervalSeconds.clear();
    maxDurationSeconds.clear();
    flags.clear();
    for (const CScheduleStore::TItem& item : schedule.items) {
        items.append(item.name);
        firstRuns.append(item.firstRun);
        intervalSeconds.append(item.intervalSeconds);
        maxDurationSeconds.append(item.maxDurationSeconds);
        flags.append(item.flags);
    }
    return S_OK;
}

int CAgentScheduleService::GetDisabled(const QString& name, bool& disabled)
{
    CScheduleStore::TSchedule schedule;
    const HRESULT found = m_store.Get(name, &schedule);
    if (SUCCEEDED(found))
        disabled = schedule.disabled;
    return found;
}

int CAgentScheduleService::SetDisabled(const QString& name, bool disabled)
{
    return Changed(m_store.SetDisabled(name, disabled));
}

int CAgentScheduleService::RunNow(const QString& name)
{
    return m_runner.RunNow(name);
}

int CAgentScheduleService::GetAutoUpdateSchedule(uint& intervalWeeks, uint& dayOfWeek)
{
    const CScheduleStore::TAutoUpdate autoUpdate = m_store.AutoUpdate();
    intervalWeeks = autoUpdate.intervalWeeks;
    dayOfWeek = autoUpdate.dayOfWeek;
    return S_OK;
}

int CAgentScheduleService::SetAutoUpdateSchedule(uint intervalWeeks, uint dayOfWeek)
{
    return m_store.SetAutoUpdate(intervalWeeks, dayOfWeek);
}

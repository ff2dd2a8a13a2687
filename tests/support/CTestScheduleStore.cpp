#include "tests/support/CTestScheduleStore.h"

#include "core/COleDate.h"
#include "core/HResult.h"
#include "tests/support/CTestEngine.h"

#include "AgentScheduleAdaptor.h"
#include "AgentScheduleServiceBase.h"

#include <algorithm>

using namespace Qt::StringLiterals;

const int CTestScheduleStore::kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
const int CTestScheduleStore::kAlreadyExists = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);

class CTestScheduleStore::CService : public CAgentScheduleServiceBase {
public:
    CService(CTestScheduleStore* store, QObject* parent)
        : CAgentScheduleServiceBase(parent)
        , m_store(store)
    {}

    int CreateSchedule(const QString& name, uint source, uint code,
                       const QString& parameters) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"CreateSchedule"_s, name))
            return failure;
        TSchedule schedule;
        schedule.name = name;
        schedule.source = source;
        schedule.code = code;
        schedule.parameters = parameters;
        m_store->m_schedules[name] = schedule;
        return S_OK;
    }

    int AddItem(const QString& scheduleName, const QString& item, double firstRun,
                uint intervalSeconds, uint maxDurationSeconds, uint flags) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"AddItem"_s, scheduleName))
            return failure;
        TSchedule* schedule = Find(scheduleName);
        if (schedule == nullptr)
            return kNotFound;
        const bool taken = std::any_of(schedule->items.cbegin(), schedule->items.cend(),
                                       [&](const TItem& added) { return added.name == item; });
        if (taken)
            return kAlreadyExists;
        schedule->items.append({item, firstRun, intervalSeconds, maxDurationSeconds, flags});
        return S_OK;
    }

    int DeleteSchedule(const QString& name) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"DeleteSchedule"_s, name))
            return failure;
        return m_store->m_schedules.erase(name) != 0 ? S_OK : kNotFound;
    }

    int RenameSchedule(const QString& oldName, const QString& newName) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"RenameSchedule"_s, oldName))
            return failure;
        auto found = m_store->m_schedules.find(oldName);
        if (found == m_store->m_schedules.end())
            return kNotFound;
        if (m_store->m_schedules.count(newName) != 0)
            return kAlreadyExists;
        TSchedule schedule = found->second;
        schedule.name = newName;
        m_store->m_schedules.erase(found);
        m_store->m_schedules[newName] = schedule;
        return S_OK;
    }

    int GetScheduleNames(uint kind, QStringList& names) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"GetScheduleNames"_s, QString()))
            return failure;
        names.clear();
        for (const auto& [name, schedule] : m_store->m_schedules) {
            const uint family = schedule.code / 100;
            const bool wanted = (family == 1 && schedule.source == 1 && (kind & 1) != 0) ||
                                (family == 1 && schedule.source != 1 && (kind & 2) != 0) ||
                                (family == 2 && (kind & 4) != 0) ||
                                (family == 4 && (kind & 8) != 0);
            if (wanted)
                names.append(name);
        }
        return S_OK;
    }

    int GetSchedule(const QString& name, uint& source, uint& code, QString& parameters,
                    bool& disabled, double& lastRun, double& nextRun) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"GetSchedule"_s, name))
            return failure;
        const TSchedule* schedule = Find(name);
        if (schedule == nullptr)
            return kNotFound;
        source = schedule->source;
        code = schedule->code;
        parameters = schedule->parameters;
        disabled = schedule->disabled;
        lastRun = schedule->lastRun;
        nextRun = 0.0;
        for (const TItem& item : schedule->items)
            nextRun = nextRun == 0.0 ? item.firstRun : std::min(nextRun, item.firstRun);
        return S_OK;
    }

    int GetScheduleItems(const QString& name, QStringList& items, QList<double>& firstRuns,
                         QList<uint>& intervalSeconds, QList<uint>& maxDurationSeconds,
                         QList<uint>& flags) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"GetScheduleItems"_s, name))
            return failure;
        const TSchedule* schedule = Find(name);
        if (schedule == nullptr)
            return kNotFound;
        for (const TItem& item : schedule->items) {
            items.append(item.name);
            firstRuns.append(item.firstRun);
            intervalSeconds.append(item.intervalSeconds);
            maxDurationSeconds.append(item.maxDurationSeconds);
            flags.append(item.flags);
        }
        return S_OK;
    }

    int GetDisabled(const QString& name, bool& disabled) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"GetDisabled"_s, name))
            return failure;
        const TSchedule* schedule = Find(name);
        if (schedule == nullptr)
            return kNotFound;
        disabled = schedule->disabled;
        return S_OK;
    }

    int SetDisabled(const QString& name, bool disabled) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"SetDisabled"_s, name))
            return failure;
        TSchedule* schedule = Find(name);
        if (schedule == nullptr)
            return kNotFound;
        schedule->disabled = disabled;
        return S_OK;
    }

    int RunNow(const QString& name) override
    {
        QMutexLocker locker(&m_store->m_mutex);
        if (const int failure = m_store->Begin(u"RunNow"_s, name))
            return failure;
        TSchedule* schedule = Find(name);
        if (schedule == nullptr)
            return kNotFound;
        schedule->lastRun = COleDate::Now();
        return S_OK;
    }

private:
    // Under the store's mutex.
    TSchedule* Find(const QString& name)
    {
        const auto found = m_store->m_schedules.find(name);
        return found == m_store->m_schedules.end() ? nullptr : &found->second;
    }

    CTestScheduleStore* m_store;
};

void CTestScheduleStore::ServeOn(CTestEngine& engine)
{
    engine.ServeAt(engine.AgentObjectPath(u"Schedule"_s), [this](QObject* owner) {
        auto* service = new CService(this, owner);
        new CAgentScheduleAdaptor(service);
        return service;
    });
}

int CTestScheduleStore::Begin(const QString& method, const QString& schedule)
{
    m_calls.append(schedule.isEmpty() ? method : method + u':' + schedule);
    const auto failure = m_failures.find(method);
    if (failure == m_failures.end())
        return S_OK;
    const int code = failure->second;
    m_failures.erase(failure);
    return code;
}

void CTestScheduleStore::Put(const TSchedule& schedule)
{
    QMutexLocker locker(&m_mutex);
    m_schedules[schedule.name] = schedule;
}

std::optional<CTestScheduleStore::TSchedule> CTestScheduleStore::Schedule(const QString& name) const
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.find(name);
    if (found == m_schedules.end())
        return std::nullopt;
    return found->second;
}

QStringList CTestScheduleStore::Names() const
{
    QMutexLocker locker(&m_mutex);
    QStringList names;
    for (const auto& entry : m_schedules)
        names.append(entry.first);
    return names;
}

QStringList CTestScheduleStore::Calls() const
{
    QMutexLocker locker(&m_mutex);
    return m_calls;
}

void CTestScheduleStore::ClearCalls()
{
    QMutexLocker locker(&m_mutex);
    m_calls.clear();
}

void CTestScheduleStore::FailNext(const QString& method, int code)
{
    QMutexLocker locker(&m_mutex);
    m_failures[method] = code;
}

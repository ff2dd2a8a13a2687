#include "tests/support/CTestScheduleStore.h"

#include "core/HResult.h"
#include "tests/support/CTestEngine.h"

#include "AgentScheduleAdaptor.h"
#include "AgentScheduleServiceBase.h"

#include <algorithm>

using namespace Qt::StringLiterals;

const int CTestScheduleStore::kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

class CTestScheduleStore::CService : public CAgentScheduleServiceBase {
public:
    CService(CTestScheduleStore* store, QObject* parent)
        : CAgentScheduleServiceBase(parent)
        , m_store(store)
    {}

    int CreateSchedule(const QString& name, uint source, uint code,
                       const QString& parameters) override
    {
        return Serve(u"CreateSchedule"_s, name, [&](TSchedule*) {
            m_store->m_schedules[name] = {name, source, code, parameters, false, 0.0, {}};
            return S_OK;
        });
    }

    int AddItem(const QString& name, const QString& item, double firstRun, uint intervalSeconds,
                uint maxDurationSeconds, uint flags) override
    {
        return Serve(u"AddItem"_s, name, [&](TSchedule* schedule) {
            if (!schedule)
                return kNotFound;
            schedule->items.append({item, firstRun, intervalSeconds, maxDurationSeconds, flags});
            return S_OK;
        });
    }

    int GetScheduleNames(uint kind, QStringList& names) override
    {
        return Serve(u"GetScheduleNames"_s, QString(), [&](TSchedule*) {
            names.clear();
            // Codes 1xx are drive schedules (local 1, the others 2), 2xx Exchange 4, 4xx guests 8.
            for (const auto& [name, schedule] : m_store->m_schedules) {
                const uint family = schedule.code / 100;
                const uint bit = family == 1   ? (schedule.source == 1 ? 1 : 2)
                                 : family == 2 ? 4
                                 : family == 4 ? 8
                                               : 0;
                if ((kind & bit) != 0)
                    names.append(name);
            }
            return S_OK;
        });
    }

    int GetSchedule(const QString& name, uint& source, uint& code, QString& parameters,
                    bool& disabled, double& lastRun, double& nextRun) override
    {
        return Serve(u"GetSchedule"_s, name, [&](TSchedule* schedule) {
            if (!schedule)
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
        });
    }

    int GetScheduleItems(const QString& name, QStringList& items, QList<double>& firstRuns,
                         QList<uint>& intervalSeconds, QList<uint>& maxDurationSeconds,
                         QList<uint>& flags) override
    {
        return Serve(u"GetScheduleItems"_s, name, [&](TSchedule* schedule) {
            if (!schedule)
                return kNotFound;
            for (const TItem& item : schedule->items) {
                items.append(item.name);
                firstRuns.append(item.firstRun);
                intervalSeconds.append(item.intervalSeconds);
                maxDurationSeconds.append(item.maxDurationSeconds);
                flags.append(item.flags);
            }
            return S_OK;
        });
    }

    int SetDisabled(const QString& name, bool disabled) override
    {
        return Serve(u"SetDisabled"_s, name, [&](TSchedule* schedule) {
            if (!schedule)
                return kNotFound;
            schedule->disabled = disabled;
            return S_OK;
        });
    }

    int GetDisabled(const QString& name, bool& disabled) override
    {
        return Serve(u"GetDisabled"_s, name, [&](TSchedule* schedule) {
            if (!schedule)
                return kNotFound;
            disabled = schedule->disabled;
            return S_OK;
        });
    }

    int DeleteSchedule(const QString& name) override
    {
        return Serve(u"DeleteSchedule"_s, name, [&](TSchedule* schedule) {
            if (!schedule)
                return kNotFound;
            m_store->m_schedules.erase(name);
            return S_OK;
        });
    }

    int RenameSchedule(const QString& oldName, const QString& newName) override
    {
        return Serve(u"RenameSchedule"_s, oldName, [&](TSchedule* schedule) {
            if (!schedule)
                return kNotFound;
            if (m_store->m_schedules.contains(newName))
                return int(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
            TSchedule renamed = *schedule;
            renamed.name = newName;
            m_store->m_schedules.erase(oldName);
            m_store->m_schedules[newName] = renamed;
            return S_OK;
        });
    }

    // Running is only recorded: the store runs nothing.
    int RunNow(const QString& name) override
    {
        return Serve(u"RunNow"_s, name,
                     [&](TSchedule* schedule) { return schedule ? int(S_OK) : kNotFound; });
    }

private:
    // Records the call and answers the failure set for it; otherwise runs SERVE with the
    // schedule of that name (null when there is none), under the store's lock.
    template <typename TServe>
    int Serve(const QString& method, const QString& name, TServe serve)
    {
        QMutexLocker locker(&m_store->m_mutex);
        m_store->m_calls.append(name.isEmpty() ? method : method + u':' + name);
        const auto failure = m_store->m_failures.find(method);
        if (failure != m_store->m_failures.end()) {
            const int code = failure->second;
            m_store->m_failures.erase(failure);
            return code;
        }
        const auto found = m_store->m_schedules.find(name);
        return serve(found == m_store->m_schedules.end() ? nullptr : &found->second);
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

void CTestScheduleStore::Put(const TSchedule& schedule)
{
    QMutexLocker locker(&m_mutex);
    m_schedules[schedule.name] = schedule;
}

std::optional<CTestScheduleStore::TSchedule> CTestScheduleStore::Schedule(const QString& name) const
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.find(name);
    return found == m_schedules.end() ? std::nullopt : std::optional<TSchedule>(found->second);
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

#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

class CTestEngine;

// The agent's schedule object for tests, served at the test engine's AgentObjectPath("Schedule"):
// it creates, fills, lists, reads, renames and deletes schedules kept in memory, reads and sets
// their disabled flags and records runs asked for (running nothing); the next run of a schedule
// is its earliest item's first run (0 without items). The service runs on the engine's thread;
// every member may be called from the test's thread.
class CTestScheduleStore {
public:
    struct TItem {
        QString name;
        double firstRun = 0.0;
        uint intervalSeconds = 0;
        uint maxDurationSeconds = 0;
        uint flags = 0;

        bool operator==(const TItem& other) const = default;
    };

    struct TSchedule {
        QString name;
        uint source = 1;
        uint code = 0;
        QString parameters;
        bool disabled = false;
        double lastRun = 0.0;
        // In the order they were added.
        QList<TItem> items;
    };

    // The answer for an unknown schedule name.
    static const int kNotFound;

    // Before the engine starts. The store must outlive the engine.
    void ServeOn(CTestEngine& engine);

    // Adds or replaces a schedule as the agent would have it, without a call.
    void Put(const TSchedule& schedule);
    std::optional<TSchedule> Schedule(const QString& name) const;
    // Every call served, as "Method:schedule name" ("Method" alone for calls without a name).
    QStringList Calls() const;
    void ClearCalls();
    // The next call of the method (its name in the contract) answers the code and does
    // nothing.
    void FailNext(const QString& method, int code);

private:
    class CService;

    mutable QMutex m_mutex;
    std::map<QString, TSchedule> m_schedules;
    QStringList m_calls;
    std::map<QString, int> m_failures;
};

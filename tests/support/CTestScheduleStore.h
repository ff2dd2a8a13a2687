#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

class CTestEngine;

// The agent's schedule object for tests: schedules kept in memory, served at the test engine's
// AgentObjectPath("Schedule") over the generated adaptor, so that schedules written through the
// agent wrapper can be read back through it. The next run of a schedule is its earliest item's
// first run (0 without items); the last run is when RunNow was last called (0 never). The
// service runs on the engine's thread; every member may be called from the test's thread.
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

    // Answers of unknown schedule names and of names taken.
    static const int kNotFound;
    static const int kAlreadyExists;

    // Before the engine starts. The store must outlive the engine.
    void ServeOn(CTestEngine& engine);

    // Adds or replaces a schedule as the agent would have it, without a call.
    void Put(const TSchedule& schedule);
    std::optional<TSchedule> Schedule(const QString& name) const;
    // In name order.
    QStringList Names() const;
    // Every call served, as "Method:schedule name" ("Method" alone for calls without a name).
    QStringList Calls() const;
    void ClearCalls();
    // The next call of the method (its name in the contract) answers the code and does
    // nothing.
    void FailNext(const QString& method, int code);

private:
    class CService;

    // Under m_mutex: records the call and answers the failure set for it, or 0.
    int Begin(const QString& method, const QString& schedule);

    mutable QMutex m_mutex;
    std::map<QString, TSchedule> m_schedules;
    QStringList m_calls;
    std::map<QString, int> m_failures;
};

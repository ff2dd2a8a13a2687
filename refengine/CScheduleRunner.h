#pragma once

#include "core/HResult.h"
#include "refengine/CScheduleStore.h"
#include "schedule/CScheduleSettings.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>

class CEventLog;
class CNoticeSink;

// Runs the agent's schedules when their items come due. An item is due once its first run, or its
// first run plus a whole number of intervals, has come and that run has not been taken care of;
// an item of interval 0 runs once. Disabled schedules do not run, and a running schedule is not
// started again (an item that comes due meanwhile runs when it has ended). A run sends the
// schedule-started notice through the agent's sink, logs, records the last run and asks the
// daemon for the passes (PassesRequested); the daemon answers with PassesFinished, and the runner
// then sends the schedule-stopped notice and logs. Exchange and guest schedules have no passes
// on this engine: they start and stop at once, with a warning in the log.
//
// The QuietWatch schedule has no items: it is due while the session has been idle for its
// "timeout" minutes, its "interval" has passed since its last run, and no exclusion window of its
// "exclude" text holds the time. The idle source says since when the session is idle (logind by
// default); the runner asks it only when an enabled QuietWatch schedule is not running.
//
// The runner lives on the daemon's main thread, where Start arms its timer: it wakes for the next
// due item, and at least once a minute so that a changed clock is noticed. Every other member may
// be called from any thread; PassesRequested is emitted on the thread of the call that started
// the run (the timer's, or RunNow's caller's), so the daemon connects it queued or automatically.
class CScheduleRunner : public QObject {
    Q_OBJECT

public:
    // The current time as an OLE date.
    using TClock = std::function<double()>;
    // The OLE date since which the session has been idle; 0 when it is busy.
    using TIdleSource = std::function<double()>;

    static constexpr int kMaxSleepMs = 60 * 1000;
    // A new item's runs more than this long before it was added are past, not due.
    static constexpr int kNewItemGraceSeconds = 60;
    // A run due longer ago than this was missed (the daemon was not running, or the machine
    // slept); whether it is made up for is SetRunMissed's to say.
    static constexpr int kMissedAfterSeconds = 5 * 60;

    // The agent's own events in the log, under kLogSource.
    static constexpr qint32 kEventStarted = 100;
    static constexpr qint32 kEventFinished = 101;
    static constexpr qint32 kEventFailed = 102;
    static constexpr qint32 kEventNotAvailable = 103;
    static constexpr qint32 kEventMissed = 104;
    static constexpr qint32 kEventNothingToRun = 105;
    static constexpr qint32 kEventUnreadable = 107;
    static const QString kLogSource;

    // The method bits of PassesRequested, from the parameter string's "method" pairs.
    static constexpr uint kMethodOffline = 1;
    static constexpr uint kMethodDefrag = 2;
    static constexpr uint kMethodTierLayout = 4;
    static constexpr uint kMethodConsolidate = 8;
    static constexpr uint kMethodDefault = 16;

    // All three must outlive the runner.
    CScheduleRunner(CScheduleStore& store, CNoticeSink& sink, CEventLog& log,
                    QObject* parent = nullptr);

    // Tests drive the time; COleDate::Now by default.
    void SetClock(TClock clock);
    double Now() const;
    // Whether missed runs are made up for at once (the default, and the settings' "run at
    // restart") or left to their next time ("reschedule"); asked at each missed run.
    void SetRunMissed(std::function<bool()> runMissed);
    // Tests fake the session's idle state; CLogindIdle::IdleSince by default.
    void SetIdleSource(TIdleSource idleSource);

    // On the runner's thread: arms the timer, which first fires at once.
    void Start();
    // Starts every schedule that has an item due now (one item per schedule at a time).
    void CheckDue();
    // Runs the schedule at once, disabled or not, as its first item would (no item when it has
    // none). kNotFound for an unknown schedule; S_FALSE when it is already running.
    HRESULT RunNow(const QString& name);
    // The daemon's answer to PassesRequested. False when that schedule and item was not running.
    bool PassesFinished(const QString& scheduleName, const QString& itemName, HRESULT result);
    // After a change to the schedules: the timer is armed anew (when started).
    void SchedulesChanged();

    bool IsRunning(const QString& name) const;
    // The next time an item of the schedule comes due (it may have passed while the schedule
    // runs); 0 when none will.
    double NextRun(const CScheduleStore::TSchedule& schedule) const;
    // What CScheduleStore::AddItem takes as handledThrough for an item added now.
    double NewItemHandledThrough() const;

    // The volumes ("volumes": ALLDRIVES, or identifiers joined by ";" or ",") and method bits of
    // a drive schedule's parameter string.
    static void DecodeParameters(const QString& parameters, QStringList* volumes, bool* allVolumes,
                                 uint* methodFlags);
    // Whether a schedule of the code runs passes on this engine (drive schedules).
    static bool HasPasses(uint code);
    // Whether the time (an OLE date) lies in one of the windows, a repeating window counting at
    // each of its repeats from its start on.
    static bool InExclusionWindow(const CScheduleSettings::TExclusionWindows& windows, double time);

    // What the QuietWatch schedule's parameter string says about when it may run.
    struct TQuietWatch {
        quint32 intervalHours = 0;
        quint32 idleMinutes = 0;
        CScheduleSettings::TExclusionWindows windows;
    };
    // E_INVALIDARG when "interval" or "timeout" is missing or not positive, or "exclude" cannot
    // be read; quietWatch is changed only on success.
    static HRESULT ReadQuietWatch(const QString& parameters, TQuietWatch* quietWatch);

signals:
    void PassesRequested(const QString& scheduleName, const QString& itemName,
                         const QStringList& volumes, bool allVolumes, uint methodFlags,
                         uint itemFlags);

private:
    struct TStart {
        QString schedule;
        QString item;
        uint code = 0;
        QString parameters;
        uint itemFlags = 0;
    };

    // Under m_mutex: when the item was last taken care of, in milliseconds of OLE time.
    qint64 HandledThroughMs(const QString& schedule, const CScheduleStore::TItem& item) const;
    // Under m_mutex: the first run after those taken care of, or -1.
    qint64 NextRunMs(const QString& schedule, const CScheduleStore::TItem& item) const;
    // Under m_mutex: records the item's run through that time, in memory first so that a store
    // that cannot be written never makes a run repeat.
    void MarkHandled(const QString& schedule, const QString& item, qint64 throughMs,
                     double lastRun);
    // Sends the started notice and asks for the passes, or ends the run at once. Not under
    // m_mutex.
    void Begin(const TStart& start);
    // Ends a running schedule: the stopped notice and the log. Not under m_mutex.
    bool Finish(const QString& schedule, const QString& item, HRESULT result);
    void Log(qint32 eventType, qint32 eventId, const QString& message);
    void Rearm();
    // Under m_mutex: whether the QuietWatch schedule may start now, the session idle since
    // idleSince (0 busy). Unreadable parameters are added to unreadable, to be logged.
    bool QuietWatchDue(const CScheduleStore::TSchedule& schedule, double now, double idleSince,
                       QStringList* unreadable);

    CScheduleStore& m_store;
    CNoticeSink& m_sink;
    CEventLog& m_log;
    QTimer m_timer;
    std::atomic<bool> m_started{false};

    mutable QMutex m_mutex;
    TClock m_clock;
    std::function<bool()> m_runMissed;
    TIdleSource m_idleSource;
    // QuietWatch schedules whose unreadable parameters were logged, to log them once.
    QSet<QString> m_unreadableLogged;
    QMap<QString, QString> m_running;   // schedule name to the item it runs
    QHash<QString, qint64> m_handledMs; // "schedule\nitem" to handled through
};

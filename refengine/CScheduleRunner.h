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
#include <tuple>
#include <utility>

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
// "timeout" minutes, its "interval" has passed since its last run, no exclusion window of its
// "exclude" text holds the time and none of its "processes" runs. While it runs, its passes are
// paused as soon as one of these no longer holds (the session in use, a window begun, a listed
// program started) and resumed once they all hold again. The screen-saver schedule is due while
// the screen saver is active and its "interval" has passed; its passes pause while the screen
// saver is off. A special schedule disabled or deleted while it runs is stopped. An item with a
// maximum duration has its passes stopped when the duration has passed. The session sources
// (logind's idle hint, the desktop's screen saver, the running programs) are asked only while a
// special schedule needs them, outside the runner's lock.
//
// The runner lives on the daemon's main thread, where Start arms its timer: it wakes for the next
// due item, and at least once a minute so that a changed clock is noticed. Every other member may
// be called from any thread; PassesRequested is emitted on the thread of the call that started
// the run (the timer's, or RunNow's caller's), so the daemon connects it queued or automatically.
// StopRequested and PauseRequested come from the timer's thread.
class CScheduleRunner : public QObject {
    Q_OBJECT

public:
    // The current time as an OLE date.
    using TClock = std::function<double()>;
    // The OLE date since which the session has been idle; 0 when it is busy.
    using TIdleSource = std::function<double()>;
    // Whether the desktop's screen saver is active.
    using TScreenSaverSource = std::function<bool()>;
    // The names of the programs running on the computer.
    using TProgramSource = std::function<QStringList()>;

    static constexpr int kMaxSleepMs = 60 * 1000;
    // A new item's runs more than this long before it was added are past, not due.
    static constexpr int kNewItemGraceSeconds = 60;
    // A run due longer ago than this was missed (the daemon was not running, or the machine
    // slept); whether it is made up for is SetRunMissed's to say.
    static constexpr int kMissedAfterSeconds = 5 * 60;
    // How often the session is looked at while a special schedule may start or runs.
    static constexpr int kSessionPollMs = 15 * 1000;

    // The agent's own events in the log, under kLogSource.
    static constexpr qint32 kEventStarted = 100;
    static constexpr qint32 kEventFinished = 101;
    static constexpr qint32 kEventFailed = 102;
    static constexpr qint32 kEventNotAvailable = 103;
    static constexpr qint32 kEventMissed = 104;
    static constexpr qint32 kEventNothingToRun = 105;
    static constexpr qint32 kEventUnreadable = 107;
    static constexpr qint32 kEventPaused = 108;
    static constexpr qint32 kEventResumed = 109;
    static constexpr qint32 kEventStopping = 110;
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
    // Tests fake these too; CDesktopScreenSaver::IsActive and CRunningPrograms::Names by default.
    void SetScreenSaverSource(TScreenSaverSource screenSaverSource);
    void SetProgramSource(TProgramSource programSource);

    // On the runner's thread: arms the timer, which first fires at once.
    void Start();
    // Starts every schedule that has an item due now (one item per schedule at a time), and
    // pauses, resumes or stops the running ones as their conditions say.
    void CheckDue();
    // Runs the schedule at once, disabled or not, as its first item would (no item when it has
    // none). kNotFound for an unknown schedule; S_FALSE when it is already running.
    HRESULT RunNow(const QString& name);
    // The daemon's answer to PassesRequested. False when that schedule and item was not running.
    bool PassesFinished(const QString& scheduleName, const QString& itemName, HRESULT result);
    // After a change to the schedules: the timer is armed anew (when started).
    void SchedulesChanged();

    bool IsRunning(const QString& name) const;
    bool IsPaused(const QString& name) const;
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
        QStringList programs;
    };
    // E_INVALIDARG when "interval" or "timeout" is missing or not positive, or "exclude" cannot
    // be read; quietWatch is changed only on success.
    static HRESULT ReadQuietWatch(const QString& parameters, TQuietWatch* quietWatch);
    // Whether one of the listed programs (a path or a name, any case, ".exe" ignored) runs.
    static bool AnyProgramRuns(const QStringList& listed, const QStringList& running);

signals:
    void PassesRequested(const QString& scheduleName, const QString& itemName,
                         const QStringList& volumes, bool allVolumes, uint methodFlags,
                         uint itemFlags);
    // The passes of the run are to stop; the run ends with PassesFinished as always.
    void StopRequested(const QString& scheduleName, const QString& itemName);
    // The passes of the run are to pause (paused) or to go on.
    void PauseRequested(const QString& scheduleName, const QString& itemName, bool paused);

private:
    struct TRun {
        QString item;
        uint code = 0;
        QString parameters;
        qint64 deadlineMs = -1; // passes stop from then on; -1 for no limit
        bool paused = false;
        bool stopping = false;
    };
    struct TSession {
        double idleSince = 0.0;
        bool screenSaverActive = false;
        QStringList programs;
    };
    // What the timer's check does outside the lock, in order.
    struct TActions {
        QList<std::pair<qint32, QString>> information; // event id and message
        QList<std::pair<QString, QString>> stops;
        QList<std::tuple<QString, QString, bool>> pauses;
    };

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
    qint64 NextRunMs(const CScheduleStore::TSchedule& schedule,
                     const CScheduleStore::TItem& item) const;
    // The item's interval; 0 for the items of a one-time schedule, which run once.
    static qint64 IntervalMs(const CScheduleStore::TSchedule& schedule,
                             const CScheduleStore::TItem& item);
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
    bool QuietWatchDue(const CScheduleStore::TSchedule& schedule, double now,
                       const TSession& session, QStringList* unreadable);
    // Under m_mutex: whether the screen-saver schedule may start now.
    bool ScreenSaverDue(const CScheduleStore::TSchedule& schedule, double now,
                        const TSession& session, QStringList* unreadable);
    // Under m_mutex: whether a running special schedule must wait now, and whether it may go on
    // again after a pause.
    bool SpecialBlocked(const TRun& run, double now, const TSession& session) const;
    bool SpecialMayResume(const TRun& run, double now, const TSession& session) const;
    // Under m_mutex: pauses, resumes and stops of the running schedules.
    void Supervise(const QList<CScheduleStore::TSchedule>& schedules, double now,
                   const TSession& session, TActions* actions);
    // Under m_mutex: an unreadable special schedule is logged once.
    void NoteUnreadable(const QString& name, bool readable, QStringList* unreadable);
    // Asks the session sources the schedules need, outside m_mutex.
    TSession AskSession(const QList<CScheduleStore::TSchedule>& schedules);

    CScheduleStore& m_store;
    CNoticeSink& m_sink;
    CEventLog& m_log;
    QTimer m_timer;
    std::atomic<bool> m_started{false};

    mutable QMutex m_mutex;
    TClock m_clock;
    std::function<bool()> m_runMissed;
    TIdleSource m_idleSource;
    TScreenSaverSource m_screenSaverSource;
    TProgramSource m_programSource;
    // QuietWatch schedules whose unreadable parameters were logged, to log them once.
    QSet<QString> m_unreadableLogged;
    QMap<QString, TRun> m_running;      // schedule name to its run
    QHash<QString, qint64> m_handledMs; // "schedule\nitem" to handled through
};

#include "refengine/CScheduleRunner.h"

#include "core/COleDate.h"
#include "engine/CParameterString.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "refengine/CDesktopScreenSaver.h"
#include "refengine/CEventLog.h"
#include "refengine/CLogindIdle.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CRunningPrograms.h"
#include "schedule/CEngineParameters.h"
#include "schedule/CExcludedProgram.h"
#include "schedule/CExclusionWindowsText.h"
#include "schedule/CScheduleCodes.h"

#include <QMetaMethod>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 CScheduleRunnerMsPerDay = 24LL * 60 * 60 * 1000;

qint64 CScheduleRunnerToMs(double oleDate)
{
    return std::llround(oleDate * CScheduleRunnerMsPerDay);
}

double CScheduleRunnerToOle(qint64 ms)
{
    return static_cast<double>(ms) / CScheduleRunnerMsPerDay;
}

QString CScheduleRunnerKey(const QString& schedule, const QString& item)
{
    return schedule + u'\n' + item;
}

QByteArray CScheduleRunnerNotice(quint32 type, const QString& schedule, const QString& item)
{
    return CNoticeWriter().U32(type).String(schedule).String(item).Body();
}

QString CScheduleRunnerRunName(const QString& schedule, const QString& item)
{
    return item.isEmpty() ? u"\"%1\""_s.arg(schedule) : u"\"%1\" (%2)"_s.arg(schedule, item);
}

// The screen-saver and QuietWatch schedules run on the session's state, not at times.
bool CScheduleRunnerIsSpecial(uint code)
{
    return code == CScheduleCodes::kScreenSaver || code == CScheduleCodes::kQuietWatch;
}

} // namespace

const QString CScheduleRunner::kLogSource = u"KVAgent"_s;

CScheduleRunner::CScheduleRunner(CScheduleStore& store, CNoticeSink& sink, CEventLog& log,
                                 QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_sink(sink)
    , m_log(log)
    , m_timer(this)
    , m_clock(&COleDate::Now)
    , m_runMissed([] { return true; })
    , m_idleSource(&CLogindIdle::IdleSince)
    , m_screenSaverSource(&CDesktopScreenSaver::IsActive)
    , m_programSource([] { return CRunningPrograms::Names(); })
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        CheckDue();
        Rearm();
    });
}

void CScheduleRunner::SetClock(TClock clock)
{
    QMutexLocker locker(&m_mutex);
    m_clock = clock ? std::move(clock) : TClock(&COleDate::Now);
}

double CScheduleRunner::Now() const
{
    QMutexLocker locker(&m_mutex);
    return m_clock();
}

void CScheduleRunner::SetRunMissed(std::function<bool()> runMissed)
{
    QMutexLocker locker(&m_mutex);
    m_runMissed = runMissed ? std::move(runMissed) : [] { return true; };
}

void CScheduleRunner::SetIdleSource(TIdleSource idleSource)
{
    QMutexLocker locker(&m_mutex);
    m_idleSource = idleSource ? std::move(idleSource) : TIdleSource(&CLogindIdle::IdleSince);
}

void CScheduleRunner::SetScreenSaverSource(TScreenSaverSource screenSaverSource)
{
    QMutexLocker locker(&m_mutex);
    m_screenSaverSource = screenSaverSource ? std::move(screenSaverSource)
                                            : TScreenSaverSource(&CDesktopScreenSaver::IsActive);
}

void CScheduleRunner::SetProgramSource(TProgramSource programSource)
{
    QMutexLocker locker(&m_mutex);
    m_programSource =
        programSource ? std::move(programSource) : [] { return CRunningPrograms::Names(); };
}

void CScheduleRunner::Start()
{
    m_started = true;
    m_timer.start(0);
}

void CScheduleRunner::SchedulesChanged()
{
    if (!m_started)
        return;
    QMetaObject::invokeMethod(
        this, [this] { Rearm(); }, Qt::QueuedConnection);
}

void CScheduleRunner::Rearm()
{
    qint64 nextMs = -1;
    qint64 nowMs = 0;
    bool watchSession = false;
    {
        QMutexLocker locker(&m_mutex);
        nowMs = CScheduleRunnerToMs(m_clock());
        for (const TRun& run : std::as_const(m_running)) {
            if (!run.stopping && run.deadlineMs >= 0 && (nextMs < 0 || run.deadlineMs < nextMs))
                nextMs = run.deadlineMs;
            watchSession = watchSession || CScheduleRunnerIsSpecial(run.code);
        }
        for (const CScheduleStore::TSchedule& schedule : m_store.Schedules()) {
            if (schedule.disabled || m_running.contains(schedule.name))
                continue;
            watchSession = watchSession || CScheduleRunnerIsSpecial(schedule.code);
            for (const CScheduleStore::TItem& item : schedule.items) {
                const qint64 itemMs = NextRunMs(schedule, item);
                if (itemMs >= 0 && (nextMs < 0 || itemMs < nextMs))
                    nextMs = itemMs;
            }
        }
    }
    const qint64 longest = watchSession ? kSessionPollMs : kMaxSleepMs;
    const qint64 delay = nextMs < 0 ? longest : std::clamp<qint64>(nextMs - nowMs, 0, longest);
    m_timer.start(static_cast<int>(delay));
}

qint64 CScheduleRunner::HandledThroughMs(const QString& schedule,
                                         const CScheduleStore::TItem& item) const
{
    const qint64 stored = item.handledThrough > 0 ? CScheduleRunnerToMs(item.handledThrough) : -1;
    return std::max(stored, m_handledMs.value(CScheduleRunnerKey(schedule, item.name), -1));
}

qint64 CScheduleRunner::IntervalMs(const CScheduleStore::TSchedule& schedule,
                                   const CScheduleStore::TItem& item)
{
    // A one-time schedule runs once, whatever interval its items were given.
    if (CScheduleCodes::Type(schedule.code) == 1)
        return 0;
    return static_cast<qint64>(item.intervalSeconds) * 1000;
}

qint64 CScheduleRunner::NextRunMs(const CScheduleStore::TSchedule& schedule,
                                  const CScheduleStore::TItem& item) const
{
    const qint64 firstMs = CScheduleRunnerToMs(item.firstRun);
    const qint64 handledMs = HandledThroughMs(schedule.name, item);
    if (firstMs > handledMs)
        return firstMs;
    const qint64 intervalMs = IntervalMs(schedule, item);
    if (intervalMs == 0)
        return -1;
    return firstMs + ((handledMs - firstMs) / intervalMs + 1) * intervalMs;
}

double CScheduleRunner::NextRun(const CScheduleStore::TSchedule& schedule) const
{
    QMutexLocker locker(&m_mutex);
    qint64 nextMs = -1;
    for (const CScheduleStore::TItem& item : schedule.items) {
        const qint64 itemMs = NextRunMs(schedule, item);
        if (itemMs >= 0 && (nextMs < 0 || itemMs < nextMs))
            nextMs = itemMs;
    }
    return nextMs < 0 ? 0.0 : CScheduleRunnerToOle(nextMs);
}

double CScheduleRunner::NewItemHandledThrough() const
{
    return Now() - kNewItemGraceSeconds / (24.0 * 60 * 60);
}

void CScheduleRunner::MarkHandled(const QString& schedule, const QString& item, qint64 throughMs,
                                  double lastRun)
{
    if (!item.isEmpty()) {
        qint64& handled = m_handledMs[CScheduleRunnerKey(schedule, item)];
        handled = std::max(handled, throughMs);
    }
    const HRESULT marked = m_store.MarkHandled(
        schedule, item, item.isEmpty() ? 0.0 : CScheduleRunnerToOle(throughMs), lastRun);
    if (FAILED(marked) && marked != CScheduleStore::kNotFound)
        qWarning("The run of schedule %s could not be recorded (0x%08x)", qUtf8Printable(schedule),
                 static_cast<unsigned>(marked));
}

CScheduleRunner::TSession
CScheduleRunner::AskSession(const QList<CScheduleStore::TSchedule>& schedules)
{
    // The sources may ask over the bus or read /proc: not under the mutex, and only when a
    // special schedule may start or runs.
    bool needIdle = false;
    bool needScreenSaver = false;
    bool needPrograms = false;
    TIdleSource idleSource;
    TScreenSaverSource screenSaverSource;
    TProgramSource programSource;
    {
        QMutexLocker locker(&m_mutex);
        for (const CScheduleStore::TSchedule& schedule : schedules) {
            const bool running = m_running.contains(schedule.name);
            if (schedule.disabled && !running)
                continue;
            if (schedule.code == CScheduleCodes::kQuietWatch) {
                needIdle = true;
                needPrograms = needPrograms ||
                               schedule.parameters.contains(u"processes="_s, Qt::CaseInsensitive);
            } else if (schedule.code == CScheduleCodes::kScreenSaver) {
                needScreenSaver = true;
            }
        }
        idleSource = m_idleSource;
        screenSaverSource = m_screenSaverSource;
        programSource = m_programSource;
    }
    TSession session;
    if (needIdle)
        session.idleSince = idleSource();
    if (needScreenSaver)
        session.screenSaverActive = screenSaverSource();
    if (needPrograms)
        session.programs = programSource();
    return session;
}

void CScheduleRunner::CheckDue()
{
    const QList<CScheduleStore::TSchedule> schedules = m_store.Schedules();
    const TSession session = AskSession(schedules);

    QList<TStart> starts;
    QStringList missed;
    QStringList unreadable;
    TActions actions;
    {
        QMutexLocker locker(&m_mutex);
        const double now = m_clock();
        const qint64 nowMs = CScheduleRunnerToMs(now);
        Supervise(schedules, now, session, &actions);
        for (const CScheduleStore::TSchedule& schedule : schedules) {
            if (schedule.disabled || m_running.contains(schedule.name))
                continue;
            if (CScheduleRunnerIsSpecial(schedule.code)) {
                const bool due = schedule.code == CScheduleCodes::kQuietWatch
                                     ? QuietWatchDue(schedule, now, session, &unreadable)
                                     : ScreenSaverDue(schedule, now, session, &unreadable);
                if (due) {
                    MarkHandled(schedule.name, QString(), 0, now);
                    m_running.insert(schedule.name,
                                     {QString(), schedule.code, schedule.parameters});
                    starts.append(
                        {schedule.name, QString(), schedule.code, schedule.parameters, 0});
                }
                continue;
            }
            for (const CScheduleStore::TItem& item : schedule.items) {
                const qint64 firstMs = CScheduleRunnerToMs(item.firstRun);
                if (firstMs > nowMs)
                    continue;
                // The latest run due by now.
                qint64 dueMs = firstMs;
                if (const qint64 intervalMs = IntervalMs(schedule, item); intervalMs != 0) {
                    dueMs += (nowMs - firstMs) / intervalMs * intervalMs;
                }
                if (dueMs <= HandledThroughMs(schedule.name, item))
                    continue;
                if (nowMs - dueMs > kMissedAfterSeconds * 1000LL && !m_runMissed()) {
                    MarkHandled(schedule.name, item.name, dueMs, 0.0);
                    // What runs once has no next time: rescheduling it is not running it.
                    const char* text =
                        IntervalMs(schedule, item) == 0
                            ? "The run of schedule %1 due at %2 was missed; it ran only once, "
                              "so it is not rescheduled and does not run."
                            : "The run of schedule %1 due at %2 was missed; it runs at its next "
                              "time.";
                    missed.append(tr(text).arg(
                        CScheduleRunnerRunName(schedule.name, item.name),
                        COleDate::ToDateTime(CScheduleRunnerToOle(dueMs)).toString(Qt::ISODate)));
                    continue;
                }
                MarkHandled(schedule.name, item.name, dueMs, now);
                TRun run{item.name, schedule.code, schedule.parameters};
                if (item.maxDurationSeconds != 0)
                    run.deadlineMs = nowMs + item.maxDurationSeconds * 1000LL;
                m_running.insert(schedule.name, run);
                starts.append(
                    {schedule.name, item.name, schedule.code, schedule.parameters, item.flags});
                break;
            }
        }
    }
    for (const QString& message : std::as_const(missed))
        Log(CEventLog::kInformation, kEventMissed, message);
    for (const QString& name : std::as_const(unreadable))
        Log(CEventLog::kError, kEventUnreadable,
            tr("Schedule %1 cannot be read; it does not run.")
                .arg(CScheduleRunnerRunName(name, {})));
    for (const auto& [eventId, message] : std::as_const(actions.information))
        Log(CEventLog::kInformation, eventId, message);
    for (const auto& [schedule, item, paused] : std::as_const(actions.pauses))
        emit PauseRequested(schedule, item, paused);
    for (const auto& [schedule, item] : std::as_const(actions.stops))
        emit StopRequested(schedule, item);
    for (const TStart& start : std::as_const(starts))
        Begin(start);
}

void CScheduleRunner::Supervise(const QList<CScheduleStore::TSchedule>& schedules, double now,
                                const TSession& session, TActions* actions)
{
    const qint64 nowMs = CScheduleRunnerToMs(now);
    for (auto run = m_running.begin(); run != m_running.end(); ++run) {
        if (run->stopping)
            continue;
        const QString& name = run.key();
        const QString runName = CScheduleRunnerRunName(name, run->item);
        if (run->deadlineMs >= 0 && nowMs >= run->deadlineMs) {
            run->stopping = true;
            actions->stops.append({name, run->item});
            actions->information.append(
                {kEventStopping,
                 tr("Schedule %1 has run for its longest time; it stops.").arg(runName)});
            continue;
        }
        if (!CScheduleRunnerIsSpecial(run->code))
            continue;
        const auto schedule = std::find_if(
            schedules.cbegin(), schedules.cend(),
            [&name](const CScheduleStore::TSchedule& each) { return each.name == name; });
        if (schedule == schedules.cend() || schedule->disabled) {
            run->stopping = true;
            actions->stops.append({name, run->item});
            actions->information.append(
                {kEventStopping,
                 tr("Schedule %1 was disabled or deleted while it ran; it stops.").arg(runName)});
            continue;
        }
        // An edited schedule's new conditions hold from now on.
        run->parameters = schedule->parameters;
        if (!run->paused && SpecialBlocked(*run, now, session)) {
            run->paused = true;
            actions->pauses.append({name, run->item, true});
            actions->information.append(
                {kEventPaused,
                 tr("Schedule %1 pauses until its conditions hold again.").arg(runName)});
        } else if (run->paused && SpecialMayResume(*run, now, session)) {
            run->paused = false;
            actions->pauses.append({name, run->item, false});
            actions->information.append({kEventResumed, tr("Schedule %1 goes on.").arg(runName)});
        }
    }
}

bool CScheduleRunner::SpecialBlocked(const TRun& run, double now, const TSession& session) const
{
    if (run.code == CScheduleCodes::kScreenSaver)
        return !session.screenSaverActive;
    TQuietWatch quietWatch;
    if (FAILED(ReadQuietWatch(run.parameters, &quietWatch)))
        return true;
    return session.idleSince <= 0.0 || InExclusionWindow(quietWatch.windows, now) ||
           AnyProgramRuns(quietWatch.programs, session.programs);
}

bool CScheduleRunner::SpecialMayResume(const TRun& run, double now, const TSession& session) const
{
    if (SpecialBlocked(run, now, session))
        return false;
    if (run.code != CScheduleCodes::kQuietWatch)
        return true;
    // As before a start: idle for the schedule's timeout.
    TQuietWatch quietWatch;
    ReadQuietWatch(run.parameters, &quietWatch);
    return CScheduleRunnerToMs(now) - CScheduleRunnerToMs(session.idleSince) >=
           quietWatch.idleMinutes * 60 * 1000LL;
}

void CScheduleRunner::NoteUnreadable(const QString& name, bool readable, QStringList* unreadable)
{
    if (readable) {
        m_unreadableLogged.remove(name);
    } else if (!m_unreadableLogged.contains(name)) {
        m_unreadableLogged.insert(name);
        unreadable->append(name);
    }
}

bool CScheduleRunner::QuietWatchDue(const CScheduleStore::TSchedule& schedule, double now,
                                    const TSession& session, QStringList* unreadable)
{
    TQuietWatch quietWatch;
    const bool readable = SUCCEEDED(ReadQuietWatch(schedule.parameters, &quietWatch));
    NoteUnreadable(schedule.name, readable, unreadable);
    if (!readable)
        return false;
    const qint64 nowMs = CScheduleRunnerToMs(now);
    if (session.idleSince <= 0.0 ||
        nowMs - CScheduleRunnerToMs(session.idleSince) < quietWatch.idleMinutes * 60 * 1000LL)
        return false;
    if (schedule.lastRun > 0.0 &&
        nowMs - CScheduleRunnerToMs(schedule.lastRun) < quietWatch.intervalHours * 60 * 60 * 1000LL)
        return false;
    return !InExclusionWindow(quietWatch.windows, now) &&
           !AnyProgramRuns(quietWatch.programs, session.programs);
}

bool CScheduleRunner::ScreenSaverDue(const CScheduleStore::TSchedule& schedule, double now,
                                     const TSession& session, QStringList* unreadable)
{
    quint32 intervalHours = 0;
    const bool readable = SUCCEEDED(CEngineParameters::ReadIntervalDays(
        CParameterString::Parse(schedule.parameters).Value(u"interval"_s), &intervalHours));
    NoteUnreadable(schedule.name, readable, unreadable);
    if (!readable || !session.screenSaverActive)
        return false;
    return schedule.lastRun <= 0.0 ||
           CScheduleRunnerToMs(now) - CScheduleRunnerToMs(schedule.lastRun) >=
               intervalHours * 60 * 60 * 1000LL;
}

bool CScheduleRunner::AnyProgramRuns(const QStringList& listed, const QStringList& running)
{
    // The kernel cuts a process's command name to 15 bytes.
    static constexpr qsizetype kCommandNameLength = 15;
    for (const QString& entry : listed) {
        const QString program = CExcludedProgram::MatchName(entry);
        if (program.isEmpty())
            continue;
        for (const QString& name : running) {
            if (name.compare(program, Qt::CaseInsensitive) == 0 ||
                (name.size() == kCommandNameLength &&
                 program.left(kCommandNameLength).compare(name, Qt::CaseInsensitive) == 0))
                return true;
        }
    }
    return false;
}

HRESULT CScheduleRunner::ReadQuietWatch(const QString& parameters, TQuietWatch* quietWatch)
{
    const CParameterString pairs = CParameterString::Parse(parameters);
    TQuietWatch read;
    if (FAILED(
            CEngineParameters::ReadIntervalDays(pairs.Value(u"interval"_s), &read.intervalHours)))
        return E_INVALIDARG;
    bool ok = false;
    read.idleMinutes = pairs.Value(u"timeout"_s).toUInt(&ok);
    if (!ok || read.idleMinutes == 0)
        return E_INVALIDARG;
    if (FAILED(CExclusionWindowsText::Read(pairs.Value(u"exclude"_s), &read.windows)))
        return E_INVALIDARG;
    for (const QString& listed : pairs.Value(u"processes"_s).split(u';')) {
        for (const QString& program : listed.split(u',')) {
            if (!program.trimmed().isEmpty())
                read.programs.append(program.trimmed());
        }
    }
    *quietWatch = std::move(read);
    return S_OK;
}

bool CScheduleRunner::InExclusionWindow(const CScheduleSettings::TExclusionWindows& windows,
                                        double time)
{
    const qint64 timeMs = CScheduleRunnerToMs(time);
    for (const CScheduleSettings::TExclusionWindow& window : windows) {
        const qint64 startMs = CScheduleRunnerToMs(window.start);
        const qint64 lengthMs = window.lengthHours * 60 * 60 * 1000LL;
        if (timeMs < startMs || lengthMs == 0)
            continue;
        qint64 offsetMs = timeMs - startMs;
        // A window longer than its repeat covers everything after its start.
        if (window.repeat != 0 && window.repeat * CScheduleRunnerMsPerDay > lengthMs)
            offsetMs %= window.repeat * CScheduleRunnerMsPerDay;
        else if (window.repeat != 0)
            return true;
        if (offsetMs < lengthMs)
            return true;
    }
    return false;
}

HRESULT CScheduleRunner::RunNow(const QString& name)
{
    TStart start;
    {
        QMutexLocker locker(&m_mutex);
        CScheduleStore::TSchedule schedule;
        const HRESULT found = m_store.Get(name, &schedule);
        if (FAILED(found))
            return found;
        if (m_running.contains(name))
            return S_FALSE;
        start = {name, QString(), schedule.code, schedule.parameters, 0};
        TRun run{QString(), schedule.code, schedule.parameters};
        if (!schedule.items.isEmpty()) {
            const CScheduleStore::TItem& first = schedule.items.constFirst();
            start.item = run.item = first.name;
            start.itemFlags = first.flags;
            if (first.maxDurationSeconds != 0)
                run.deadlineMs = CScheduleRunnerToMs(m_clock()) + first.maxDurationSeconds * 1000LL;
        }
        m_running.insert(name, run);
        MarkHandled(name, QString(), 0, m_clock());
    }
    Begin(start);
    // The timer wakes for the run's limit and the session's checks.
    SchedulesChanged();
    return S_OK;
}

void CScheduleRunner::Begin(const TStart& start)
{
    m_sink.Send(
        CScheduleRunnerNotice(NoticeType::AgentScheduleStarted, start.schedule, start.item));
    Log(CEventLog::kInformation, kEventStarted,
        tr("Schedule %1 started.").arg(CScheduleRunnerRunName(start.schedule, start.item)));
    if (!HasPasses(start.code)) {
        Log(CEventLog::kWarning, kEventNotAvailable,
            tr("Schedule %1: the service it needs is not available on this computer; nothing was "
               "run.")
                .arg(CScheduleRunnerRunName(start.schedule, start.item)));
        Finish(start.schedule, start.item, S_OK);
        return;
    }
    QStringList volumes;
    bool allVolumes = false;
    uint methodFlags = 0;
    DecodeParameters(start.parameters, &volumes, &allVolumes, &methodFlags);
    if (!allVolumes && volumes.isEmpty()) {
        Log(CEventLog::kWarning, kEventNothingToRun,
            tr("Schedule %1 names no volumes; nothing was run.")
                .arg(CScheduleRunnerRunName(start.schedule, start.item)));
        Finish(start.schedule, start.item, S_OK);
        return;
    }
    if (!isSignalConnected(QMetaMethod::fromSignal(&CScheduleRunner::PassesRequested))) {
        Finish(start.schedule, start.item, E_NOTIMPL);
        return;
    }
    emit PassesRequested(start.schedule, start.item, volumes, allVolumes, methodFlags,
                         start.itemFlags);
}

bool CScheduleRunner::PassesFinished(const QString& scheduleName, const QString& itemName,
                                     HRESULT result)
{
    const bool finished = Finish(scheduleName, itemName, result);
    if (finished)
        SchedulesChanged();
    return finished;
}

bool CScheduleRunner::Finish(const QString& schedule, const QString& item, HRESULT result)
{
    {
        QMutexLocker locker(&m_mutex);
        const auto running = m_running.constFind(schedule);
        if (running == m_running.cend() || running->item != item)
            return false;
        m_running.erase(running);
    }
    m_sink.Send(CScheduleRunnerNotice(NoticeType::AgentScheduleStopped, schedule, item));
    if (SUCCEEDED(result))
        Log(CEventLog::kInformation, kEventFinished,
            tr("Schedule %1 finished.").arg(CScheduleRunnerRunName(schedule, item)));
    else
        Log(CEventLog::kError, kEventFailed,
            tr("Schedule %1 ended with error 0x%2.")
                .arg(CScheduleRunnerRunName(schedule, item))
                .arg(static_cast<quint32>(result), 8, 16, QLatin1Char('0')));
    return true;
}

bool CScheduleRunner::IsRunning(const QString& name) const
{
    QMutexLocker locker(&m_mutex);
    return m_running.contains(name);
}

bool CScheduleRunner::IsPaused(const QString& name) const
{
    QMutexLocker locker(&m_mutex);
    const auto run = m_running.constFind(name);
    return run != m_running.cend() && run->paused;
}

void CScheduleRunner::Log(qint32 eventType, qint32 eventId, const QString& message)
{
    m_log.Append(kLogSource, eventType, eventId, message);
}

bool CScheduleRunner::HasPasses(uint code)
{
    return code / 100 == 1;
}

void CScheduleRunner::DecodeParameters(const QString& parameters, QStringList* volumes,
                                       bool* allVolumes, uint* methodFlags)
{
    static constexpr std::pair<QStringView, uint> methods[] = {
        {u"offline", kMethodOffline}, {u"defrag", kMethodDefrag},   {u"tl", kMethodTierLayout},
        {u"cfs", kMethodConsolidate}, {u"default", kMethodDefault},
    };
    const CParameterString pairs = CParameterString::Parse(parameters);
    const QString volumeText = pairs.Value(u"volumes"_s).trimmed();
    *allVolumes = volumeText.compare(u"ALLDRIVES"_s, Qt::CaseInsensitive) == 0;
    volumes->clear();
    if (!*allVolumes) {
        const QStringList parts = QString(volumeText).replace(u',', u';').split(u';');
        for (const QString& part : parts) {
            const QString volume = part.trimmed();
            if (!volume.isEmpty() && !volumes->contains(volume))
                volumes->append(volume);
        }
    }
    *methodFlags = 0;
    for (const QString& method : pairs.Values(u"method"_s)) {
        for (const auto& [name, bit] : methods) {
            if (method.trimmed().compare(name, Qt::CaseInsensitive) == 0)
                *methodFlags |= bit;
        }
    }
}

#include "refengine/CScheduleRunner.h"

#include "core/COleDate.h"
#include "engine/CParameterString.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "refengine/CEventLog.h"
#include "refengine/CLogindIdle.h"
#include "refengine/CNoticeSink.h"
#include "schedule/CEngineParameters.h"
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
    {
        QMutexLocker locker(&m_mutex);
        nowMs = CScheduleRunnerToMs(m_clock());
        for (const CScheduleStore::TSchedule& schedule : m_store.Schedules()) {
            if (schedule.disabled || m_running.contains(schedule.name))
                continue;
            for (const CScheduleStore::TItem& item : schedule.items) {
                const qint64 itemMs = NextRunMs(schedule.name, item);
                if (itemMs >= 0 && (nextMs < 0 || itemMs < nextMs))
                    nextMs = itemMs;
            }
        }
    }
    const qint64 delay =
        nextMs < 0 ? kMaxSleepMs : std::clamp<qint64>(nextMs - nowMs, 0, kMaxSleepMs);
    m_timer.start(static_cast<int>(delay));
}

qint64 CScheduleRunner::HandledThroughMs(const QString& schedule,
                                         const CScheduleStore::TItem& item) const
{
    const qint64 stored = item.handledThrough > 0 ? CScheduleRunnerToMs(item.handledThrough) : -1;
    return std::max(stored, m_handledMs.value(CScheduleRunnerKey(schedule, item.name), -1));
}

qint64 CScheduleRunner::NextRunMs(const QString& schedule, const CScheduleStore::TItem& item) const
{
    const qint64 firstMs = CScheduleRunnerToMs(item.firstRun);
    const qint64 handledMs = HandledThroughMs(schedule, item);
    if (firstMs > handledMs)
        return firstMs;
    if (item.intervalSeconds == 0)
        return -1;
    const qint64 intervalMs = static_cast<qint64>(item.intervalSeconds) * 1000;
    return firstMs + ((handledMs - firstMs) / intervalMs + 1) * intervalMs;
}

double CScheduleRunner::NextRun(const CScheduleStore::TSchedule& schedule) const
{
    QMutexLocker locker(&m_mutex);
    qint64 nextMs = -1;
    for (const CScheduleStore::TItem& item : schedule.items) {
        const qint64 itemMs = NextRunMs(schedule.name, item);
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

void CScheduleRunner::CheckDue()
{
    // The idle source may ask over the bus: not under the mutex, and only when it matters.
    const QList<CScheduleStore::TSchedule> schedules = m_store.Schedules();
    TIdleSource idleSource;
    {
        QMutexLocker locker(&m_mutex);
        for (const CScheduleStore::TSchedule& schedule : schedules) {
            if (schedule.code == CScheduleCodes::kQuietWatch && !schedule.disabled &&
                !m_running.contains(schedule.name))
                idleSource = m_idleSource;
        }
    }
    const double idleSince = idleSource ? idleSource() : 0.0;

    QList<TStart> starts;
    QStringList missed;
    QStringList unreadable;
    {
        QMutexLocker locker(&m_mutex);
        const double now = m_clock();
        const qint64 nowMs = CScheduleRunnerToMs(now);
        for (const CScheduleStore::TSchedule& schedule : schedules) {
            if (schedule.disabled || m_running.contains(schedule.name))
                continue;
            if (schedule.code == CScheduleCodes::kQuietWatch) {
                if (QuietWatchDue(schedule, now, idleSince, &unreadable)) {
                    MarkHandled(schedule.name, QString(), 0, now);
                    m_running.insert(schedule.name, QString());
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
                if (item.intervalSeconds != 0) {
                    const qint64 intervalMs = static_cast<qint64>(item.intervalSeconds) * 1000;
                    dueMs += (nowMs - firstMs) / intervalMs * intervalMs;
                }
                if (dueMs <= HandledThroughMs(schedule.name, item))
                    continue;
                if (nowMs - dueMs > kMissedAfterSeconds * 1000LL && !m_runMissed()) {
                    MarkHandled(schedule.name, item.name, dueMs, 0.0);
                    missed.append(
                        tr("The run of schedule %1 due at %2 was missed; it runs at its next time.")
                            .arg(CScheduleRunnerRunName(schedule.name, item.name),
                                 COleDate::ToDateTime(CScheduleRunnerToOle(dueMs))
                                     .toString(Qt::ISODate)));
                    continue;
                }
                MarkHandled(schedule.name, item.name, dueMs, now);
                m_running.insert(schedule.name, item.name);
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
    for (const TStart& start : std::as_const(starts))
        Begin(start);
}

bool CScheduleRunner::QuietWatchDue(const CScheduleStore::TSchedule& schedule, double now,
                                    double idleSince, QStringList* unreadable)
{
    TQuietWatch quietWatch;
    if (FAILED(ReadQuietWatch(schedule.parameters, &quietWatch))) {
        if (!m_unreadableLogged.contains(schedule.name)) {
            m_unreadableLogged.insert(schedule.name);
            unreadable->append(schedule.name);
        }
        return false;
    }
    m_unreadableLogged.remove(schedule.name);
    const qint64 nowMs = CScheduleRunnerToMs(now);
    if (idleSince <= 0.0 ||
        nowMs - CScheduleRunnerToMs(idleSince) < quietWatch.idleMinutes * 60 * 1000LL)
        return false;
    if (schedule.lastRun > 0.0 &&
        nowMs - CScheduleRunnerToMs(schedule.lastRun) < quietWatch.intervalHours * 60 * 60 * 1000LL)
        return false;
    return !InExclusionWindow(quietWatch.windows, now);
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
        if (!schedule.items.isEmpty()) {
            start.item = schedule.items.constFirst().name;
            start.itemFlags = schedule.items.constFirst().flags;
        }
        m_running.insert(name, start.item);
        MarkHandled(name, QString(), 0, m_clock());
    }
    Begin(start);
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
        if (running == m_running.cend() || *running != item)
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

#include "schedule/CAgentSchedules.h"

#include "core/COleDate.h"
#include "core/CWideText.h"
#include "engine/CKV100AgentInterface.h"
#include "schedule/CEngineParameters.h"
#include "schedule/CExchangeGuestParameters.h"
#include "schedule/CScheduleCodes.h"

#include <QLoggingCategory>

#include <algorithm>
#include <limits>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcAgentSchedules, "korvane.schedule.agent")

constexpr uint CAgentSchedulesLocalSource = 1;
constexpr int CAgentSchedulesDaysPerWeek = 7;

uint CAgentSchedulesIntervalSeconds(quint32 hours)
{
    const quint64 seconds = static_cast<quint64>(hours) * 3600u;
    return static_cast<uint>(std::min<quint64>(seconds, std::numeric_limits<uint>::max()));
}

} // namespace

CAgentSchedules::CAgentSchedules(CKV100AgentInterface& agent)
    : m_agent(agent)
{}

quint32 CAgentSchedules::WeekdayBit(double date)
{
    const QDateTime dateTime = COleDate::ToDateTime(date);
    if (!dateTime.isValid())
        return 0;
    // dayOfWeek: 1 Monday to 7 Sunday, the order of the mask's bits.
    return 1u << (dateTime.date().dayOfWeek() - 1);
}

std::set<double> CAgentSchedules::FirstRuns(const CScheduleSettings& settings, bool driveSchedule)
{
    std::set<double> runs;
    const bool single =
        settings.type == CCadence::kOneTime ||
        (driveSchedule && settings.type == CCadence::kDaily && settings.weekdays == 0);
    if (single) {
        runs.insert(settings.start);
        return runs;
    }
    for (int weekday = 0; weekday < CAgentSchedulesDaysPerWeek; ++weekday) {
        const quint32 bit = 1u << weekday;
        if ((settings.weekdays & bit) == 0)
            continue;
        // Whole days added to an OLE date keep its time of day.
        for (int day = 0; day < CAgentSchedulesDaysPerWeek; ++day) {
            const double candidate = settings.start + day;
            if (WeekdayBit(candidate) == bit) {
                runs.insert(candidate);
                break;
            }
        }
    }
    return runs;
}

void CAgentSchedules::ApplyItems(const TItems& items, bool driveSchedule,
                                 CScheduleSettings* settings)
{
    std::vector<const TItem*> runs;
    for (const TItem& item : items) {
        if (!item.name.ends_with(kOnlinePartSuffix))
            runs.push_back(&item);
    }
    if (runs.empty())
        return;
    double start = runs.front()->firstRun;
    quint32 weekdays = 0;
    for (const TItem* run : runs) {
        start = std::min(start, run->firstRun);
        weekdays |= WeekdayBit(run->firstRun);
    }
    const bool hasWeekdays =
        settings->type == CCadence::kWeekly ||
        (settings->type == CCadence::kDaily && (!driveSchedule || runs.size() > 1));
    settings->start = start;
    settings->interval = runs.front()->intervalSeconds / 3600;
    settings->weekdays = hasWeekdays ? weekdays : 0;
    if (driveSchedule) {
        settings->maxDuration = runs.front()->maxDurationSeconds;
        settings->shutdownWhenComplete = (runs.front()->flags & kItemShutdown) != 0;
    }
}

HRESULT CAgentSchedules::CreateWithItems(const TName& name, uint code, const QString& parameters,
                                         const CScheduleSettings& settings, bool driveSchedule,
                                         bool onlineParts) const
{
    HRESULT result =
        m_agent.CreateSchedule(name, CAgentSchedulesLocalSource, code, parameters.toStdWString());
    if (FAILED(result))
        return result;
    result = m_agent.SetDisabled(name, settings.disabled);
    if (FAILED(result))
        return result;

    const uint interval = CAgentSchedulesIntervalSeconds(settings.interval);
    uint maxDuration = 0;
    uint flags = 0;
    if (driveSchedule) {
        maxDuration = settings.maxDuration;
        flags = (settings.shutdownWhenComplete ? kItemShutdown : 0) |
                ((settings.passes & CCadence::kOfflinePass) != 0 ? kItemOfflinePass : 0);
    }
    int number = 0;
    for (const double run : FirstRuns(settings, driveSchedule)) {
        const TString item = kItemPrefix + std::to_wstring(++number);
        result = m_agent.AddItem(name, item, run, interval, maxDuration, flags);
        if (FAILED(result))
            return result;
        if (!onlineParts)
            continue;
        result = m_agent.AddItem(name, item + kOnlinePartSuffix, run + kOnlinePartDelay, interval,
                                 maxDuration, flags);
        if (FAILED(result))
            return result;
    }
    return S_OK;
}

HRESULT CAgentSchedules::Save(const CCadence::CScheduleData& schedule) const
{
    if (!m_agent.IsConnected())
        return E_UNEXPECTED;
    const CScheduleSettings& settings = schedule.settings;
    const uint code = CScheduleCodes::Code(CScheduleCodes::TKind::Drive, settings.type);
    if (code == 0 || settings.option > 2)
        return E_FAIL;
    const CEngineParameters parameters = CEngineParameters::FromRecord(schedule);
    if (schedule.IsScreenSaver() || schedule.IsQuietWatch()) {
        const HRESULT created =
            schedule.IsScreenSaver()
                ? m_agent.CreateSchedule(kScreenSaverName, CAgentSchedulesLocalSource, code,
                                         parameters.ScreenSaverString().toStdWString())
                : m_agent.CreateSchedule(kQuietWatchName, CAgentSchedulesLocalSource, code,
                                         parameters.QuietWatchString().toStdWString());
        if (FAILED(created))
            return created;
        const HRESULT disabled = m_agent.SetDisabled(schedule.name, settings.disabled);
        return FAILED(disabled) ? disabled : S_OK;
    }
    return CreateWithItems(schedule.name, code, parameters.DriveString(), settings, true,
                           schedule.HasOnlinePass() && schedule.HasOfflinePass());
}

HRESULT CAgentSchedules::Save(const CCadence::CExScheduleData& schedule) const
{
    const uint code = CScheduleCodes::Code(CScheduleCodes::TKind::Exchange, schedule.settings.type);
    if (code == 0)
        return E_FAIL;
    return CreateWithItems(schedule.name, code, CExchangeGuestParameters::ExchangeString(schedule),
                           schedule.settings, false, false);
}

HRESULT CAgentSchedules::Save(const CCadence::CVmScheduleData& schedule) const
{
    const uint code = CScheduleCodes::Code(CScheduleCodes::TKind::Guest, schedule.settings.type);
    if (code == 0)
        return E_FAIL;
    return CreateWithItems(schedule.name, code, CExchangeGuestParameters::GuestString(schedule),
                           schedule.settings, false, false);
}

HRESULT CAgentSchedules::ReadItems(const TName& name, TItems* items) const
{
    TStringList names;
    QList<double> firstRuns;
    QList<uint> intervals;
    QList<uint> durations;
    QList<uint> flags;
    HRESULT result = S_OK;
    if (const auto ahead = m_readAhead.find(name); ahead != m_readAhead.end()) {
        result = ahead->second.itemsResult;
        names = ahead->second.items;
        firstRuns = ahead->second.firstRuns;
        intervals = ahead->second.intervalSeconds;
        durations = ahead->second.maxDurationSeconds;
        flags = ahead->second.flags;
    } else {
        result = m_agent.GetScheduleItems(name, &names, &firstRuns, &intervals, &durations, &flags);
    }
    if (FAILED(result))
        return result;
    const auto count = static_cast<qsizetype>(names.size());
    if (firstRuns.size() != count || intervals.size() != count || durations.size() != count ||
        flags.size() != count)
        return E_INVALIDARG;
    TItems read;
    qsizetype index = 0;
    for (const TString& item : names) {
        read.push_back({item, firstRuns[index], intervals[index], durations[index], flags[index]});
        ++index;
    }
    *items = std::move(read);
    return S_OK;
}

HRESULT CAgentSchedules::ReadHeader(const TName& name, THeader* header) const
{
    if (const auto ahead = m_readAhead.find(name); ahead != m_readAhead.end()) {
        const CKV100AgentInterface::TScheduleWithItems& read = ahead->second;
        if (SUCCEEDED(read.result))
            *header = {read.source,   read.code,    read.parameters,
                       read.disabled, read.lastRun, read.nextRun};
        return read.result;
    }
    return m_agent.GetSchedule(name, &header->source, &header->code, &header->parameters,
                               &header->disabled, &header->lastRun, &header->nextRun);
}

void CAgentSchedules::THeader::TakeRunState(CScheduleSettings* settings) const
{
    settings->disabled = disabled;
    settings->lastRun = lastRun;
    settings->nextRun = nextRun;
}

HRESULT CAgentSchedules::Read(const TName& name, CCadence::CScheduleData* schedule) const
{
    if (schedule == nullptr)
        return E_POINTER;
    THeader header;
    HRESULT result = ReadHeader(name, &header);
    if (FAILED(result))
        return result;
    if (!CScheduleCodes::IsCodeOf(CScheduleCodes::TKind::Drive, header.code))
        return S_FALSE;
    CEngineParameters parameters;
    result =
        CEngineParameters::Read(header.code, CWideText::ToQString(header.parameters), &parameters);
    if (FAILED(result))
        return result;

    CCadence::CScheduleData read = *schedule;
    result = parameters.ApplyTo(header.code, &read);
    if (FAILED(result))
        return result;
    read.name = name;
    read.source = header.source;
    header.TakeRunState(&read.settings);
    if (header.code != CScheduleCodes::kScreenSaver && header.code != CScheduleCodes::kQuietWatch) {
        TItems items;
        result = ReadItems(name, &items);
        if (FAILED(result))
            return result;
        ApplyItems(items, true, &read.settings);
    }
    *schedule = read;
    return S_OK;
}

template <typename TRecord, typename TParse>
HRESULT CAgentSchedules::ReadWithItems(const TName& name, CScheduleCodes::TKind kind,
                                       TRecord* schedule, TParse parse) const
{
    if (schedule == nullptr)
        return E_POINTER;
    THeader header;
    HRESULT result = ReadHeader(name, &header);
    if (FAILED(result))
        return result;
    if (!CScheduleCodes::IsCodeOf(kind, header.code))
        return S_FALSE;
    TRecord read = *schedule;
    result = parse(CWideText::ToQString(header.parameters), read);
    if (FAILED(result))
        return result;
    TItems items;
    result = ReadItems(name, &items);
    if (FAILED(result))
        return result;
    read.name = name;
    read.settings.type = CScheduleCodes::Type(header.code);
    header.TakeRunState(&read.settings);
    ApplyItems(items, false, &read.settings);
    *schedule = read;
    return S_OK;
}

HRESULT CAgentSchedules::Read(const TName& name, CCadence::CExScheduleData* schedule) const
{
    return ReadWithItems(name, CScheduleCodes::TKind::Exchange, schedule,
                         [](const QString& text, CCadence::CExScheduleData& read) {
                             return CExchangeGuestParameters::ReadExchangeString(
                                 text, &read.allDataStores, &read.dataStores);
                         });
}

HRESULT CAgentSchedules::Read(const TName& name, CCadence::CVmScheduleData* schedule) const
{
    return ReadWithItems(name, CScheduleCodes::TKind::Guest, schedule,
                         [](const QString& text, CCadence::CVmScheduleData& read) {
                             return CExchangeGuestParameters::ReadGuestString(text, &read.guests);
                         });
}

template <typename TRecord>
bool CAgentSchedules::ListedByName(const TName& name, TRecord* record) const
{
    *record = TRecord();
    record->name = name;
    THeader header;
    if (FAILED(ReadHeader(name, &header)))
        return false;
    // Its type stays unset: the schedule is not described by its code alone.
    header.TakeRunState(&record->settings);
    if constexpr (std::is_same_v<TRecord, CCadence::CScheduleData>)
        record->source = header.source;
    return true;
}

template <typename TMap>
void CAgentSchedules::LoadKind(uint kind, TMap* map, TReloadFailures* failures) const
{
    TStringList names;
    const HRESULT listed = Names(kind, &names);
    if (FAILED(listed)) {
        qCWarning(lcAgentSchedules, "The agent's schedules of kind %u cannot be listed (0x%08x)",
                  kind, static_cast<quint32>(listed));
        if (failures != nullptr)
            failures->push_back({kind, TName(), listed});
        return;
    }
    // All of them asked for at once; one by one when that cannot be done.
    std::vector<CKV100AgentInterface::TScheduleWithItems> ahead;
    if (SUCCEEDED(m_agent.GetSchedulesWithItems(names, &ahead))) {
        auto read = ahead.begin();
        for (const TName& name : names)
            m_readAhead.insert_or_assign(name, std::move(*read++));
    }
    for (const TName& name : names) {
        typename TMap::mapped_type schedule;
        const HRESULT read = Read(name, &schedule);
        if (read != S_OK) {
            // What it is listed with is asked for again.
            m_readAhead.erase(name);
            const bool answered = ListedByName(name, &schedule);
            // S_FALSE: the agent lists it with this kind but keeps it under a code of another;
            // E_INVALIDARG after a header: what the agent keeps of it cannot be read.
            const bool undescribed = read == S_FALSE || (answered && read == E_INVALIDARG);
            const QString why = read == S_FALSE ? u"its code is not one of its kind"_s
                                                : QString::asprintf("error 0x%08x", unsigned(read));
            qCWarning(lcAgentSchedules).noquote()
                << "The schedule" << CWideText::ToQString(name)
                << "cannot be read and is listed by its name only:" << why;
            if (!undescribed && failures != nullptr)
                failures->push_back({kind, name, read});
        }
        map->insert_or_assign(name, schedule);
    }
    m_readAhead.clear();
}

void CAgentSchedules::Reload(CCadence* cadence, bool policySchedules,
                             TReloadFailures* failures) const
{
    if (cadence == nullptr)
        return;
    cadence->ClearSchedules();
    LoadKind(kLocalDriveSchedules, &cadence->Schedules(), failures);
    if (policySchedules)
        LoadKind(kPolicyDriveSchedules, &cadence->Schedules(), failures);
    LoadKind(kExchangeSchedules, &cadence->ExSchedules(), failures);
    LoadKind(kGuestSchedules, &cadence->VmSchedules(), failures);
}

HRESULT CAgentSchedules::Names(uint kind, TStringList* names) const
{
    return m_agent.GetScheduleNames(kind, names);
}

HRESULT CAgentSchedules::Rename(const TName& oldName, const TName& newName) const
{
    return m_agent.RenameSchedule(oldName, newName);
}

HRESULT CAgentSchedules::Remove(const TName& name) const
{
    return m_agent.DeleteSchedule(name);
}

HRESULT CAgentSchedules::SetDisabled(const TName& name, bool disabled) const
{
    return m_agent.SetDisabled(name, disabled);
}

HRESULT CAgentSchedules::RunNow(const TName& name) const
{
    return m_agent.RunNow(name);
}

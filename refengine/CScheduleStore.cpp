#include "refengine/CScheduleStore.h"

#include "core/COleDate.h"
#include "refengine/CJsonStateFile.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int CScheduleStoreVersion = 1;
constexpr qint64 CScheduleStoreMaxFileBytes = 64 * 1024 * 1024;
constexpr uint CScheduleStoreKnownKinds =
    CScheduleStore::kKindDriveLocal | CScheduleStore::kKindDriveManaged |
    CScheduleStore::kKindExchange | CScheduleStore::kKindGuest;
constexpr uint CScheduleStoreKnownFlags =
    CScheduleStore::kItemOfflinePass | CScheduleStore::kItemShutdown;
constexpr uint CScheduleStoreMaxIntervalWeeks = 52;
constexpr uint CScheduleStoreDaysPerWeek = 7;

bool CScheduleStoreIsSource(uint source)
{
    return source == CScheduleStore::kSourceLocal || source == CScheduleStore::kSourcePolicy ||
           source == CScheduleStore::kSourceEnterprise;
}

bool CScheduleStoreIsRunDate(double date)
{
    return std::isfinite(date) && COleDate::IsSet(date) && COleDate::ToDateTime(date).isValid();
}

// 0 (never) or a date.
bool CScheduleStoreIsOptionalDate(double date)
{
    return date == 0.0 || CScheduleStoreIsRunDate(date);
}

bool CScheduleStoreIsItem(const CScheduleStore::TItem& item)
{
    return CScheduleStore::IsValidName(item.name) && CScheduleStoreIsRunDate(item.firstRun) &&
           (item.flags & ~CScheduleStoreKnownFlags) == 0 &&
           CScheduleStoreIsOptionalDate(item.handledThrough);
}

bool CScheduleStoreHasItem(const CScheduleStore::TSchedule& schedule, const QString& item)
{
    return std::any_of(schedule.items.cbegin(), schedule.items.cend(),
                       [&](const CScheduleStore::TItem& added) { return added.name == item; });
}

bool CScheduleStoreUInt(const QJsonValue& value, uint* number)
{
    if (!value.isDouble())
        return false;
    const double real = value.toDouble();
    if (!std::isfinite(real) || real != std::trunc(real) || real < 0 ||
        real > std::numeric_limits<uint>::max())
        return false;
    *number = static_cast<uint>(real);
    return true;
}

bool CScheduleStoreDouble(const QJsonValue& value, double* number)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return false;
    *number = value.toDouble();
    return true;
}

bool CScheduleStoreString(const QJsonValue& value, QString* text)
{
    if (!value.isString())
        return false;
    *text = value.toString();
    return true;
}

QJsonObject CScheduleStoreItemToJson(const CScheduleStore::TItem& item)
{
    return {{u"name"_s, item.name},
            {u"firstRun"_s, item.firstRun},
            {u"intervalSeconds"_s, static_cast<double>(item.intervalSeconds)},
            {u"maxDurationSeconds"_s, static_cast<double>(item.maxDurationSeconds)},
            {u"flags"_s, static_cast<double>(item.flags)},
            {u"handledThrough"_s, item.handledThrough}};
}

bool CScheduleStoreItemFromJson(const QJsonValue& value, CScheduleStore::TItem* item)
{
    const QJsonObject object = value.toObject();
    return value.isObject() && CScheduleStoreString(object[u"name"_s], &item->name) &&
           CScheduleStoreDouble(object[u"firstRun"_s], &item->firstRun) &&
           CScheduleStoreUInt(object[u"intervalSeconds"_s], &item->intervalSeconds) &&
           CScheduleStoreUInt(object[u"maxDurationSeconds"_s], &item->maxDurationSeconds) &&
           CScheduleStoreUInt(object[u"flags"_s], &item->flags) &&
           CScheduleStoreDouble(object[u"handledThrough"_s], &item->handledThrough) &&
           CScheduleStoreIsItem(*item);
}

QJsonObject CScheduleStoreToJson(const CScheduleStore::TSchedule& schedule)
{
    QJsonArray items;
    for (const CScheduleStore::TItem& item : schedule.items)
        items.append(CScheduleStoreItemToJson(item));
    return {{u"name"_s, schedule.name},
            {u"source"_s, static_cast<double>(schedule.source)},
            {u"code"_s, static_cast<double>(schedule.code)},
            {u"parameters"_s, schedule.parameters},
            {u"disabled"_s, schedule.disabled},
            {u"lastRun"_s, schedule.lastRun},
            {u"items"_s, items}};
}

bool CScheduleStoreFromJson(const QJsonValue& value, CScheduleStore::TSchedule* schedule)
{
    const QJsonObject object = value.toObject();
    const QJsonValue disabled = object[u"disabled"_s];
    const QJsonValue items = object[u"items"_s];
    if (!value.isObject() || !CScheduleStoreString(object[u"name"_s], &schedule->name) ||
        !CScheduleStore::IsValidName(schedule->name) ||
        !CScheduleStoreUInt(object[u"source"_s], &schedule->source) ||
        !CScheduleStoreIsSource(schedule->source) ||
        !CScheduleStoreUInt(object[u"code"_s], &schedule->code) ||
        !CScheduleStore::IsScheduleCode(schedule->code) ||
        !CScheduleStoreString(object[u"parameters"_s], &schedule->parameters) ||
        schedule->parameters.size() > CScheduleStore::kMaxParametersLength || !disabled.isBool() ||
        !CScheduleStoreDouble(object[u"lastRun"_s], &schedule->lastRun) ||
        !CScheduleStoreIsOptionalDate(schedule->lastRun) || !items.isArray() ||
        items.toArray().size() > CScheduleStore::kMaxItems)
        return false;
    schedule->disabled = disabled.toBool();
    for (const QJsonValue& itemValue : items.toArray()) {
        CScheduleStore::TItem item;
        if (!CScheduleStoreItemFromJson(itemValue, &item) ||
            CScheduleStoreHasItem(*schedule, item.name))
            return false;
        schedule->items.append(item);
    }
    return true;
}

} // namespace

CScheduleStore::CScheduleStore(QString filePath)
    : m_filePath(std::move(filePath))
{
    Load();
}

bool CScheduleStore::IsScheduleCode(uint code)
{
    return (code >= 101 && code <= 106) || (code >= 201 && code <= 203) ||
           (code >= 401 && code <= 403);
}

uint CScheduleStore::KindOf(uint source, uint code)
{
    switch (code / 100) {
    case 1:
        return source == kSourceLocal ? kKindDriveLocal : kKindDriveManaged;
    case 2:
        return kKindExchange;
    case 4:
        return kKindGuest;
    default:
        return 0;
    }
}

bool CScheduleStore::IsValidName(const QString& name)
{
    return !name.trimmed().isEmpty() && name.size() <= kMaxNameLength &&
           std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

void CScheduleStore::Load()
{
    TAutoUpdate update;
    QMap<QString, TSchedule> schedules;
    const auto parse = [&update, &schedules](const QJsonObject& root) {
        const QJsonObject autoUpdate = root.value(u"autoUpdate"_s).toObject();
        const QJsonValue stored = root.value(u"schedules"_s);
        if (!stored.isArray() || stored.toArray().size() > kMaxSchedules ||
            !CScheduleStoreUInt(autoUpdate[u"intervalWeeks"_s], &update.intervalWeeks) ||
            !CScheduleStoreUInt(autoUpdate[u"dayOfWeek"_s], &update.dayOfWeek) ||
            update.intervalWeeks < 1 || update.intervalWeeks > CScheduleStoreMaxIntervalWeeks ||
            update.dayOfWeek >= CScheduleStoreDaysPerWeek)
            return false;
        for (const QJsonValue& value : stored.toArray()) {
            TSchedule schedule;
            if (!CScheduleStoreFromJson(value, &schedule) || schedules.contains(schedule.name))
                return false;
            schedules.insert(schedule.name, schedule);
        }
        return true;
    };
    if (CJsonStateFile::Load(m_filePath, CScheduleStoreMaxFileBytes, CScheduleStoreVersion,
                             "schedules", "starting empty", parse) != S_OK)
        return;
    m_schedules = std::move(schedules);
    m_autoUpdate = update;
}

bool CScheduleStore::Save() const
{
    QJsonArray schedules;
    for (const TSchedule& schedule : m_schedules)
        schedules.append(CScheduleStoreToJson(schedule));
    const QJsonObject root{
        {u"version"_s, CScheduleStoreVersion},
        {u"autoUpdate"_s,
         QJsonObject{{u"intervalWeeks"_s, static_cast<double>(m_autoUpdate.intervalWeeks)},
                     {u"dayOfWeek"_s, static_cast<double>(m_autoUpdate.dayOfWeek)}}},
        {u"schedules"_s, schedules}};
    return CJsonStateFile::Write(m_filePath, root);
}

HRESULT CScheduleStore::Commit(const QMap<QString, TSchedule>& before,
                               const TAutoUpdate& autoUpdateBefore)
{
    if (Save())
        return S_OK;
    m_schedules = before;
    m_autoUpdate = autoUpdateBefore;
    return kNotSaved;
}

HRESULT CScheduleStore::Create(const QString& name, uint source, uint code,
                               const QString& parameters)
{
    if (!IsValidName(name) || !CScheduleStoreIsSource(source) || !IsScheduleCode(code) ||
        parameters.size() > kMaxParametersLength)
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.constFind(name);
    if (found == m_schedules.cend() && m_schedules.size() >= kMaxSchedules)
        return E_INVALIDARG;
    const QMap<QString, TSchedule> before = m_schedules;
    TSchedule schedule;
    schedule.name = name;
    schedule.source = source;
    schedule.code = code;
    schedule.parameters = parameters;
    if (found != m_schedules.cend())
        schedule.lastRun = found->lastRun;
    m_schedules.insert(name, schedule);
    return Commit(before, m_autoUpdate);
}

HRESULT CScheduleStore::AddItem(const QString& scheduleName, const QString& itemName,
                                double firstRun, uint intervalSeconds, uint maxDurationSeconds,
                                uint flags, double handledThrough)
{
    const TItem item{itemName,
                     firstRun,
                     intervalSeconds,
                     maxDurationSeconds,
                     flags,
                     std::isfinite(handledThrough) && handledThrough > 0 ? handledThrough : 0.0};
    if (!CScheduleStoreIsItem(item))
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.find(scheduleName);
    if (found == m_schedules.end())
        return kNotFound;
    if (CScheduleStoreHasItem(*found, itemName))
        return kAlreadyExists;
    if (found->items.size() >= kMaxItems)
        return E_INVALIDARG;
    const QMap<QString, TSchedule> before = m_schedules;
    found->items.append(item);
    return Commit(before, m_autoUpdate);
}

HRESULT CScheduleStore::Delete(const QString& name)
{
    QMutexLocker locker(&m_mutex);
    if (!m_schedules.contains(name))
        return kNotFound;
    const QMap<QString, TSchedule> before = m_schedules;
    m_schedules.remove(name);
    return Commit(before, m_autoUpdate);
}

HRESULT CScheduleStore::Rename(const QString& oldName, const QString& newName)
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.constFind(oldName);
    if (found == m_schedules.cend())
        return kNotFound;
    if (!IsValidName(newName))
        return E_INVALIDARG;
    if (newName == oldName)
        return S_OK;
    if (m_schedules.contains(newName))
        return kAlreadyExists;
    const QMap<QString, TSchedule> before = m_schedules;
    TSchedule schedule = *found;
    schedule.name = newName;
    m_schedules.remove(oldName);
    m_schedules.insert(newName, schedule);
    return Commit(before, m_autoUpdate);
}

HRESULT CScheduleStore::Names(uint kind, QStringList* names) const
{
    if (!names)
        return E_POINTER;
    if ((kind & ~CScheduleStoreKnownKinds) != 0)
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    QStringList wanted;
    for (const TSchedule& schedule : m_schedules) {
        if ((KindOf(schedule.source, schedule.code) & kind) != 0)
            wanted.append(schedule.name);
    }
    *names = std::move(wanted);
    return S_OK;
}

HRESULT CScheduleStore::Get(const QString& name, TSchedule* schedule) const
{
    if (!schedule)
        return E_POINTER;
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.constFind(name);
    if (found == m_schedules.cend())
        return kNotFound;
    *schedule = *found;
    return S_OK;
}

QList<CScheduleStore::TSchedule> CScheduleStore::Schedules() const
{
    QMutexLocker locker(&m_mutex);
    return m_schedules.values();
}

HRESULT CScheduleStore::SetDisabled(const QString& name, bool disabled)
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.find(name);
    if (found == m_schedules.end())
        return kNotFound;
    if (found->disabled == disabled)
        return S_OK;
    const QMap<QString, TSchedule> before = m_schedules;
    found->disabled = disabled;
    return Commit(before, m_autoUpdate);
}

HRESULT CScheduleStore::MarkHandled(const QString& scheduleName, const QString& itemName,
                                    double handledThrough, double lastRun)
{
    if (!CScheduleStoreIsOptionalDate(handledThrough) || !CScheduleStoreIsOptionalDate(lastRun))
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    const auto found = m_schedules.find(scheduleName);
    if (found == m_schedules.end())
        return kNotFound;
    const auto item = std::find_if(found->items.begin(), found->items.end(),
                                   [&](const TItem& added) { return added.name == itemName; });
    if (item == found->items.end() && !itemName.isEmpty())
        return kNotFound;
    const QMap<QString, TSchedule> before = m_schedules;
    if (item != found->items.end())
        item->handledThrough = std::max(item->handledThrough, handledThrough);
    if (lastRun != 0.0)
        found->lastRun = lastRun;
    return Commit(before, m_autoUpdate);
}

CScheduleStore::TAutoUpdate CScheduleStore::AutoUpdate() const
{
    QMutexLocker locker(&m_mutex);
    return m_autoUpdate;
}

HRESULT CScheduleStore::SetAutoUpdate(uint intervalWeeks, uint dayOfWeek)
{
    if (intervalWeeks < 1 || intervalWeeks > CScheduleStoreMaxIntervalWeeks ||
        dayOfWeek >= CScheduleStoreDaysPerWeek)
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    const TAutoUpdate before = m_autoUpdate;
    m_autoUpdate = {intervalWeeks, dayOfWeek};
    return Commit(m_schedules, before);
}

#include "refengine/CEventLog.h"

#include "core/COleDate.h"
#include "refengine/CJsonStateFile.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int CEventLogVersion = 1;
// Far more than kDefaultCapacity entries of ordinary length: anything larger is not ours.
constexpr qint64 CEventLogMaxFileBytes = 256 * 1024 * 1024;

bool CEventLogInt32(const QJsonValue& value, qint32* number)
{
    if (!value.isDouble())
        return false;
    const double real = value.toDouble();
    if (!std::isfinite(real) || real != std::trunc(real) ||
        real < std::numeric_limits<qint32>::min() || real > std::numeric_limits<qint32>::max())
        return false;
    *number = static_cast<qint32>(real);
    return true;
}

bool CEventLogEntryFromJson(const QJsonValue& value, CEventLog::TEntry* entry)
{
    const QJsonArray fields = value.toArray();
    if (!value.isArray() || fields.size() != 5 || !fields[0].isDouble() ||
        !std::isfinite(fields[0].toDouble()) || !fields[1].isString() || !fields[4].isString())
        return false;
    entry->time = fields[0].toDouble();
    entry->source = fields[1].toString();
    entry->message = fields[4].toString();
    return CEventLogInt32(fields[2], &entry->eventType) &&
           CEventLogInt32(fields[3], &entry->eventId);
}

bool CEventLogEarlier(const CEventLog::TEntry& left, const CEventLog::TEntry& right)
{
    return left.time < right.time;
}

} // namespace

CEventLog::CEventLog(QString filePath, int capacity)
    : m_filePath(std::move(filePath))
    , m_capacity(std::max(capacity, 1))
    , m_clock(&COleDate::Now)
{
    Load();
}

void CEventLog::SetClock(TClock clock)
{
    QMutexLocker locker(&m_mutex);
    m_clock = clock ? std::move(clock) : TClock(&COleDate::Now);
}

void CEventLog::Load()
{
    QList<TEntry> entries;
    const auto parse = [&entries](const QJsonObject& root) {
        const QJsonValue stored = root.value(u"entries"_s);
        if (!stored.isArray())
            return false;
        const QJsonArray array = stored.toArray();
        entries.reserve(array.size());
        for (const QJsonValue& value : array) {
            TEntry entry;
            if (!CEventLogEntryFromJson(value, &entry))
                return false;
            entries.append(std::move(entry));
        }
        return true;
    };
    if (CJsonStateFile::Load(m_filePath, CEventLogMaxFileBytes, CEventLogVersion, "event log",
                             "starting empty", parse) != S_OK)
        return;
    std::stable_sort(entries.begin(), entries.end(), CEventLogEarlier);
    if (entries.size() > m_capacity)
        entries.remove(0, entries.size() - m_capacity);
    m_entries = std::move(entries);
}

bool CEventLog::Save() const
{
    QJsonArray entries;
    for (const TEntry& entry : m_entries)
        entries.append(
            QJsonArray{entry.time, entry.source, entry.eventType, entry.eventId, entry.message});
    return CJsonStateFile::Write(
        m_filePath, QJsonObject{{u"version"_s, CEventLogVersion}, {u"entries"_s, entries}},
        QJsonDocument::Compact);
}

bool CEventLog::Append(const QString& source, qint32 eventType, qint32 eventId,
                       const QString& message)
{
    QMutexLocker locker(&m_mutex);
    double now = m_clock();
    if (!std::isfinite(now))
        now = 0.0;
    // D-Bus carries text as C strings: a NUL would cut a field short.
    TEntry entry{now, QString(source).replace(QChar::Null, u' '), eventType, eventId,
                 QString(message).replace(QChar::Null, u' ')};
    // Kept in date order even when the clock is set back; equal dates keep their order.
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry, CEventLogEarlier);
    m_entries.insert(at, std::move(entry));
    if (m_entries.size() > m_capacity)
        m_entries.remove(0, m_entries.size() - m_capacity);
    return Save();
}

QList<CEventLog::TEntry> CEventLog::Query(double fromDate, double toDate, int first, int count,
                                          int* total) const
{
    QMutexLocker locker(&m_mutex);
    auto begin = m_entries.cbegin();
    auto end = m_entries.cend();
    if (fromDate != 0.0)
        begin = std::lower_bound(begin, end, fromDate, [](const TEntry& entry, double date) {
            return entry.time < date;
        });
    if (toDate != 0.0)
        end = std::upper_bound(begin, end, toDate,
                               [](double date, const TEntry& entry) { return date < entry.time; });
    // A range that ends before it begins holds nothing.
    const qsizetype inRange = std::max<qsizetype>(end - begin, 0);
    if (total)
        *total = static_cast<int>(inRange);
    const qsizetype start = std::clamp<qsizetype>(first, 0, inRange);
    const qsizetype taken =
        count <= 0 ? inRange - start : std::min<qsizetype>(count, inRange - start);
    QList<TEntry> entries;
    if (taken > 0)
        entries = QList<TEntry>(begin + start, begin + start + taken);
    return entries;
}

bool CEventLog::Clear()
{
    QMutexLocker locker(&m_mutex);
    m_entries.clear();
    return Save();
}

int CEventLog::Count() const
{
    QMutexLocker locker(&m_mutex);
    return static_cast<int>(m_entries.size());
}

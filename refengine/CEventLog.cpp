#include "refengine/CEventLog.h"

#include "core/COleDate.h"
#include "core/CRegularFile.h"
#include "refengine/CJsonStateFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <syslog.h>

using namespace Qt::StringLiterals;

namespace {

// Version 1 was one JSON document of all entries; version 2 is a version line and then one line
// per entry.
constexpr int CEventLogOldVersion = 1;
constexpr int CEventLogVersion = 2;
// Far more than kDefaultCapacity entries of ordinary length: anything larger is not ours.
constexpr qint64 CEventLogMaxFileBytes = 512LL * 1024 * 1024;
const char* const CEventLogWhat = "event log";
const char* const CEventLogFallback = "starting empty";

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

QByteArray CEventLogLine(const CEventLog::TEntry& entry)
{
    return QJsonDocument(
               QJsonArray{entry.time, entry.source, entry.eventType, entry.eventId, entry.message})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

QByteArray CEventLogHeader()
{
    return QJsonDocument(QJsonObject{{u"version"_s, CEventLogVersion}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

bool CEventLogEarlier(const CEventLog::TEntry& left, const CEventLog::TEntry& right)
{
    return left.time < right.time;
}

bool CEventLogIsVersion(const QJsonDocument& document, int version)
{
    const QJsonValue stored = document.object().value(u"version"_s);
    return document.isObject() && stored.isDouble() && stored.toInt(-1) == version;
}

// The entries of the older form; false when any of them is not an entry.
bool CEventLogParseOld(const QJsonDocument& document, std::deque<CEventLog::TEntry>* entries)
{
    const QJsonValue stored = document.object().value(u"entries"_s);
    if (!stored.isArray())
        return false;
    for (const QJsonValue& value : stored.toArray()) {
        CEventLog::TEntry entry;
        if (!CEventLogEntryFromJson(value, &entry))
            return false;
        entries->push_back(std::move(entry));
    }
    return true;
}

void CEventLogSyslog(int priority, const QByteArray& text)
{
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("korvane-engine", LOG_PID, LOG_DAEMON); });
    syslog(priority, "%s", text.constData());
}

} // namespace

CEventLog::CEventLog(QString filePath, int capacity)
    : m_filePath(std::move(filePath))
    , m_capacity(std::max(capacity, 1))
    , m_clock(&COleDate::Now)
    , m_journal(&CEventLogSyslog)
{
    Load();
}

void CEventLog::SetClock(TClock clock)
{
    QMutexLocker locker(&m_mutex);
    m_clock = clock ? std::move(clock) : TClock(&COleDate::Now);
}

void CEventLog::SetSystemJournal(bool on)
{
    QMutexLocker locker(&m_mutex);
    m_systemJournal = on;
}

bool CEventLog::SystemJournal() const
{
    QMutexLocker locker(&m_mutex);
    return m_systemJournal;
}

void CEventLog::SetJournalWriter(TJournal journal)
{
    QMutexLocker locker(&m_mutex);
    m_journal = journal ? std::move(journal) : TJournal(&CEventLogSyslog);
}

int CEventLog::JournalPriority(qint32 eventType)
{
    switch (eventType) {
    case kError:
        return LOG_ERR;
    case kWarning:
        return LOG_WARNING;
    default:
        return LOG_INFO;
    }
}

QString CEventLog::Bounded(const QString& text, int maxLength)
{
    if (text.size() <= maxLength)
        return text;
    qsizetype kept = std::max(maxLength, 0);
    // Never half a character.
    if (kept > 0 && text.at(kept - 1).isHighSurrogate())
        --kept;
    return text.left(kept) + u" [%1 more characters cut]"_s.arg(text.size() - kept);
}

void CEventLog::Load()
{
    QByteArray bytes;
    const DWORD read = CRegularFile::ReadAll(m_filePath, CEventLogMaxFileBytes, &bytes);
    if (read == ERROR_FILE_TOO_LARGE) {
        CJsonStateFile::SetAside(m_filePath, CEventLogWhat, CEventLogFallback);
        return;
    }
    if (read != ERROR_SUCCESS)
        return; // no log yet: the first entry writes the file

    std::deque<TEntry> entries;
    qsizetype lines = 0;
    qsizetype damaged = 0;
    bool current = true;
    const qsizetype headerEnd = bytes.indexOf('\n');
    QJsonParseError error;
    const QJsonDocument header =
        QJsonDocument::fromJson(bytes.left(headerEnd < 0 ? bytes.size() : headerEnd), &error);
    if (error.error == QJsonParseError::NoError && CEventLogIsVersion(header, CEventLogVersion)) {
        qsizetype start = headerEnd < 0 ? bytes.size() : headerEnd + 1;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            const QJsonDocument line = QJsonDocument::fromJson(bytes.mid(start, end - start));
            TEntry entry;
            ++lines;
            // A line cut short by a crash, or changed by hand, costs that entry only.
            if (line.isArray() && CEventLogEntryFromJson(line.array(), &entry))
                entries.push_back(std::move(entry));
            else
                ++damaged;
            start = end + 1;
        }
    } else {
        const QJsonDocument whole = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::NoError ||
            !CEventLogIsVersion(whole, CEventLogOldVersion) ||
            !CEventLogParseOld(whole, &entries)) {
            CJsonStateFile::SetAside(m_filePath, CEventLogWhat, CEventLogFallback);
            return;
        }
        // Rewritten in the current form with the first new entry.
        current = false;
    }
    if (damaged > 0)
        qWarning("The event log file %s has %lld damaged lines; skipped",
                 qUtf8Printable(m_filePath), static_cast<long long>(damaged));
    std::stable_sort(entries.begin(), entries.end(), CEventLogEarlier);
    while (static_cast<qsizetype>(entries.size()) > m_capacity)
        entries.pop_front();
    m_entries = std::move(entries);
    m_fileLines = lines;
    m_fileCurrent = current && damaged == 0;
}

bool CEventLog::Rewrite()
{
    QByteArray bytes = CEventLogHeader();
    for (const TEntry& entry : m_entries)
        bytes += CEventLogLine(entry);
    m_fileCurrent = CRegularFile::Replace(m_filePath, bytes) == ERROR_SUCCESS;
    if (m_fileCurrent)
        m_fileLines = static_cast<qsizetype>(m_entries.size());
    return m_fileCurrent;
}

bool CEventLog::AppendLine(const TEntry& entry)
{
    // Not created here: a file that went away is written whole again, with its version line.
    CRegularFile file;
    if (file.Open(m_filePath, O_WRONLY | O_APPEND) != ERROR_SUCCESS)
        return false;
    const DWORD written = file.WriteAll(CEventLogLine(entry));
    if (file.Close() != ERROR_SUCCESS || written != ERROR_SUCCESS)
        return false;
    ++m_fileLines;
    return true;
}

bool CEventLog::Append(const QString& source, qint32 eventType, qint32 eventId,
                       const QString& message)
{
    // D-Bus carries text as C strings: a NUL would cut a field short.
    TEntry entry{0.0, Bounded(QString(source).replace(QChar::Null, u' '), kMaxSourceLength),
                 eventType, eventId,
                 Bounded(QString(message).replace(QChar::Null, u' '), kMaxMessageLength)};
    TJournal journal;
    bool written = false;
    {
        QMutexLocker locker(&m_mutex);
        entry.time = m_clock();
        if (!std::isfinite(entry.time))
            entry.time = 0.0;
        if (m_systemJournal)
            journal = m_journal;
        // Kept in date order even when the clock is set back; equal dates keep their order.
        if (m_entries.empty() || !CEventLogEarlier(entry, m_entries.back()))
            m_entries.push_back(entry);
        else
            m_entries.insert(
                std::upper_bound(m_entries.begin(), m_entries.end(), entry, CEventLogEarlier),
                entry);
        while (static_cast<qsizetype>(m_entries.size()) > m_capacity)
            m_entries.pop_front();
        // Dropped entries stay in the file until it holds a quarter more lines than the log.
        const qsizetype slack = std::max(m_capacity / 4, 16);
        if (!m_fileCurrent || m_fileLines >= m_capacity + slack)
            written = Rewrite();
        else
            written = AppendLine(entry) || Rewrite();
    }
    // Outside the lock: the journal may be slow, and the log must not wait for it.
    if (journal)
        journal(JournalPriority(eventType), (entry.source + u": "_s + entry.message).toUtf8());
    return written;
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
    return Rewrite();
}

int CEventLog::Count() const
{
    QMutexLocker locker(&m_mutex);
    return static_cast<int>(m_entries.size());
}

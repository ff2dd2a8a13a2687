#include "refengine/CAgentService.h"

#include "engine/CAgentPropertyBag.h"
#include "refengine/CNoticeSink.h"

#include <QLocale>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A D-Bus object path: "/" or "/" followed by non-empty elements of [A-Za-z0-9_] joined by "/".
bool CAgentServiceIsObjectPath(const QString& path)
{
    if (path == u"/"_s)
        return true;
    if (!path.startsWith(u'/') || path.endsWith(u'/'))
        return false;
    const QStringList elements = path.mid(1).split(u'/');
    return std::all_of(elements.cbegin(), elements.cend(), [](const QString& element) {
        return !element.isEmpty() && std::all_of(element.cbegin(), element.cend(), [](QChar c) {
            return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                   (c >= u'0' && c <= u'9') || c == u'_';
        });
    });
}

// A field of the log text cannot hold the separators.
QString CAgentServiceField(QString text)
{
    return text.replace(CAgentService::kEntrySeparator, CAgentService::kSeparatorStandIn)
        .replace(CAgentService::kFieldSeparator, CAgentService::kSeparatorStandIn);
}

} // namespace

CAgentService::CAgentService(CNoticeSink& sink, CEventLog& log, QString objectBasePath,
                             QObject* parent)
    : CAgentServiceBase(parent)
    , m_sink(sink)
    , m_log(log)
    , m_objectBasePath(std::move(objectBasePath))
{}

QString CAgentService::SubObjectName(TSubObject subObject)
{
    switch (subObject) {
    case TSubObject::Statistics:
        return u"Statistics"_s;
    case TSubObject::Settings:
        return u"Settings"_s;
    case TSubObject::Schedule:
        return u"Schedule"_s;
    case TSubObject::Filter:
        return u"Filter"_s;
    case TSubObject::LogSettings:
        return u"LogSettings"_s;
    case TSubObject::Feature:
        return u"Feature"_s;
    }
    return QString();
}

QString CAgentService::SubObjectPath(const QString& objectBasePath, TSubObject subObject)
{
    const QString base = objectBasePath.endsWith(u'/') ? objectBasePath.chopped(1) : objectBasePath;
    return base + u'/' + SubObjectName(subObject);
}

QString CAgentService::SubObjectPath(TSubObject subObject) const
{
    return SubObjectPath(m_objectBasePath, subObject);
}

QString CAgentService::DateText(double date)
{
    QString text = QString::number(date, 'f', QLocale::FloatingPointShortest);
    if (!text.contains(u'.'))
        text += u".0"_s;
    return text;
}

DBusContract::TPropertyBag CAgentService::LogBag(const QList<CEventLog::TEntry>& entries, int total)
{
    DBusContract::TPropertyBag bag;
    bag.insert(u"/"_s, QVariantMap{{u"NumLogPoints"_s, static_cast<qint32>(entries.size())},
                                   {u"TotalAvailableLogPoints"_s, total}});
    int n = 0;
    for (const CEventLog::TEntry& entry : entries) {
        bag.insert(CAgentPropertyBag::ItemSection(u"/"_s, ++n),
                   QVariantMap{{u"LogTime"_s, entry.time},
                               {u"Source"_s, entry.source},
                               {u"EventType"_s, entry.eventType},
                               {u"EventId"_s, entry.eventId},
                               {u"Message"_s, entry.message}});
    }
    return bag;
}

QList<CEventLog::TEntry> CAgentService::WithinAnswer(QList<CEventLog::TEntry> entries)
{
    // The dates, numbers and separators of an entry.
    constexpr qsizetype kFixedCharacters = 64;
    qsizetype characters = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        characters += entries[i].source.size() + entries[i].message.size() + kFixedCharacters;
        if (i > 0 && characters > kMaxAnswerCharacters) {
            entries.resize(i);
            break;
        }
    }
    return entries;
}

QString CAgentService::LogText(const QList<CEventLog::TEntry>& entries, int total)
{
    QString text = QString::number(total);
    for (const CEventLog::TEntry& entry : entries) {
        text += kEntrySeparator;
        text += DateText(entry.time);
        text += kFieldSeparator;
        text += CAgentServiceField(entry.source);
        text += kFieldSeparator;
        text += QString::number(entry.eventType);
        text += kFieldSeparator;
        text += QString::number(entry.eventId);
        text += kFieldSeparator;
        text += CAgentServiceField(entry.message);
    }
    return text;
}

HRESULT CAgentService::CheckQuery(double fromDate, double toDate, int first)
{
    return std::isfinite(fromDate) && std::isfinite(toDate) && first >= 0 ? S_OK : E_INVALIDARG;
}

int CAgentService::Subscribe(const QString& computer, const QString& listener)
{
    return m_sink.Subscribe(computer, listener);
}

int CAgentService::Unsubscribe(const QString& computer, const QString& listener)
{
    return m_sink.Unsubscribe(computer, listener);
}

int CAgentService::QueryLog(double fromDate, double toDate, int first, int count,
                            DBusContract::TPropertyBag& bag)
{
    const HRESULT checked = CheckQuery(fromDate, toDate, first);
    if (FAILED(checked))
        return checked;
    int total = 0;
    const QList<CEventLog::TEntry> entries =
        WithinAnswer(m_log.Query(fromDate, toDate, first, count, &total));
    bag = LogBag(entries, total);
    return S_OK;
}

int CAgentService::QueryLogText(double fromDate, double toDate, int first, int count, QString& log)
{
    const HRESULT checked = CheckQuery(fromDate, toDate, first);
    if (FAILED(checked))
        return checked;
    int total = 0;
    const QList<CEventLog::TEntry> entries =
        WithinAnswer(m_log.Query(fromDate, toDate, first, count, &total));
    log = LogText(entries, total);
    return S_OK;
}

int CAgentService::Answer(TSubObject subObject, QDBusObjectPath& object) const
{
    const QString path = SubObjectPath(subObject);
    // A path D-Bus cannot carry would fail the whole reply; the caller gets an HRESULT instead.
    if (!CAgentServiceIsObjectPath(path))
        return E_UNEXPECTED;
    object = QDBusObjectPath(path);
    return S_OK;
}

int CAgentService::GetStatisticsObject(QDBusObjectPath& object)
{
    return Answer(TSubObject::Statistics, object);
}

int CAgentService::GetSettingsObject(QDBusObjectPath& object)
{
    return Answer(TSubObject::Settings, object);
}

int CAgentService::GetScheduleObject(QDBusObjectPath& object)
{
    return Answer(TSubObject::Schedule, object);
}

int CAgentService::GetFilterObject(QDBusObjectPath& object)
{
    return Answer(TSubObject::Filter, object);
}

int CAgentService::GetLogSettingsObject(QDBusObjectPath& object)
{
    return Answer(TSubObject::LogSettings, object);
}

int CAgentService::GetFeatureObject(QDBusObjectPath& object)
{
    return Answer(TSubObject::Feature, object);
}

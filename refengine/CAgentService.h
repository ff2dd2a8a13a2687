#pragma once

#include "core/HResult.h"
#include "refengine/CEventLog.h"

#include "AgentServiceBase.h"

#include <QList>
#include <QString>

class CNoticeSink;

// The agent itself (Agent.xml): subscriptions to its notices, the event log as a property bag
// or as one text, and the paths of its sub-objects, which the daemon registers at
// SubObjectPath(objectBasePath, ...). The sink and the log must outlive the service.
class CAgentService : public CAgentServiceBase {
public:
    enum class TSubObject { Statistics, Settings, Schedule, Filter, LogSettings, Feature };
    static constexpr TSubObject kSubObjects[] = {TSubObject::Statistics,  TSubObject::Settings,
                                                 TSubObject::Schedule,    TSubObject::Filter,
                                                 TSubObject::LogSettings, TSubObject::Feature};

    // The separators of the log text, and what stands for them inside a field.
    static constexpr QChar kEntrySeparator = QChar(0x1E);
    static constexpr QChar kFieldSeparator = QChar(0x1F);
    static constexpr QChar kSeparatorStandIn = QChar(u' ');

    CAgentService(CNoticeSink& sink, CEventLog& log, QString objectBasePath,
                  QObject* parent = nullptr);

    // "Statistics", "Settings", "Schedule", "Filter", "LogSettings", "Feature".
    static QString SubObjectName(TSubObject subObject);
    // The base path and the sub-object's name: "/clsid/..." + "/Statistics".
    static QString SubObjectPath(const QString& objectBasePath, TSubObject subObject);
    QString SubObjectPath(TSubObject subObject) const;

    // The text of one log answer stays below this many characters, so that a page of long
    // entries still fits in a D-Bus message: the entries that would go beyond it are left for
    // the next query (the caller sees fewer than it asked for). One entry is always answered;
    // the log keeps each one short enough for that.
    static constexpr qsizetype kMaxAnswerCharacters = 2 * 1024 * 1024;
    // The leading entries that fit in one answer.
    static QList<CEventLog::TEntry> WithinAnswer(QList<CEventLog::TEntry> entries);

    // The log answers, as QueryLog and QueryLogText give them.
    static DBusContract::TPropertyBag LogBag(const QList<CEventLog::TEntry>& entries, int total);
    static QString LogText(const QList<CEventLog::TEntry>& entries, int total);
    // An OLE date in decimal with a point, with the digits that read back to the same value.
    static QString DateText(double date);

    int Subscribe(const QString& computer, const QString& listener) override;
    int Unsubscribe(const QString& computer, const QString& listener) override;
    int QueryLog(double fromDate, double toDate, int first, int count,
                 DBusContract::TPropertyBag& bag) override;
    int QueryLogText(double fromDate, double toDate, int first, int count, QString& log) override;
    int GetStatisticsObject(QDBusObjectPath& object) override;
    int GetSettingsObject(QDBusObjectPath& object) override;
    int GetScheduleObject(QDBusObjectPath& object) override;
    int GetFilterObject(QDBusObjectPath& object) override;
    int GetLogSettingsObject(QDBusObjectPath& object) override;
    int GetFeatureObject(QDBusObjectPath& object) override;

private:
    // E_INVALIDARG for dates that are not finite numbers and for a negative first.
    static HRESULT CheckQuery(double fromDate, double toDate, int first);
    int Answer(TSubObject subObject, QDBusObjectPath& object) const;

    CNoticeSink& m_sink;
    CEventLog& m_log;
    const QString m_objectBasePath;
};

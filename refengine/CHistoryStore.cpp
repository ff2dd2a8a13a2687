#include "refengine/CHistoryStore.h"

#include "core/COleDate.h"
#include "engine/CAgentPropertyBag.h"
#include "refengine/CJsonStateFile.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int CHistoryStoreVersion = 1;
constexpr qint64 CHistoryStoreMaxFileBytes = 64 * 1024 * 1024;

bool CHistoryStoreFinite(std::initializer_list<double> values)
{
    for (const double value : values) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

bool CHistoryStoreValidDate(double date)
{
    return COleDate::IsSet(date) && COleDate::ToDateTime(date).isValid();
}

bool CHistoryStoreValid(const CHistoryStore::TStatisticsPoint& p)
{
    return CHistoryStoreValidDate(p.date) &&
           CHistoryStoreFinite({p.fileFragmentationBefore, p.fileFragmentationAfter,
                                p.freeSpaceFragmentationBefore, p.freeSpaceFragmentationAfter,
                                p.performanceBefore, p.performanceAfter});
}

bool CHistoryStoreValid(const CHistoryStore::TFreeSpacePoint& p)
{
    return CHistoryStoreValidDate(p.date) && p.totalBytes > 0 &&
           p.freeBytesBefore <= p.totalBytes && p.freeBytesAfter <= p.totalBytes;
}

// Byte counts are written as decimal text: a JSON number holds only 53 bits exactly.
QJsonValue CHistoryStoreBytes(quint64 bytes)
{
    return QString::number(bytes);
}

bool CHistoryStoreReadBytes(const QJsonValue& value, quint64* bytes)
{
    if (!value.isString())
        return false;
    const QString text = value.toString();
    bool ok = !text.isEmpty() && std::all_of(text.cbegin(), text.cend(),
                                             [](QChar c) { return c >= u'0' && c <= u'9'; });
    const quint64 number = ok ? text.toULongLong(&ok) : 0;
    if (ok)
        *bytes = number;
    return ok;
}

bool CHistoryStoreReadNumbers(const QJsonArray& array, QList<double>* numbers)
{
    for (const QJsonValue& value : array) {
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            return false;
        numbers->append(value.toDouble());
    }
    return true;
}

bool CHistoryStoreReadVolume(const QJsonObject& object,
                             QList<CHistoryStore::TStatisticsPoint>* stats,
                             QList<CHistoryStore::TFreeSpacePoint>* freeSpace)
{
    const QJsonValue statistics = object.value(u"statistics"_s);
    const QJsonValue space = object.value(u"freeSpace"_s);
    if (!statistics.isArray() || !space.isArray())
        return false;
    for (const QJsonValue& value : statistics.toArray()) {
        QList<double> numbers;
        if (!value.isArray() || !CHistoryStoreReadNumbers(value.toArray(), &numbers) ||
            numbers.size() != 7)
            return false;
        const CHistoryStore::TStatisticsPoint point{numbers[0], numbers[1], numbers[2], numbers[3],
                                                    numbers[4], numbers[5], numbers[6]};
        if (!CHistoryStoreValid(point))
            return false;
        stats->append(point);
    }
    for (const QJsonValue& value : space.toArray()) {
        const QJsonArray fields = value.toArray();
        CHistoryStore::TFreeSpacePoint point;
        if (!value.isArray() || fields.size() != 4 || !fields[0].isDouble() ||
            !CHistoryStoreReadBytes(fields[1], &point.freeBytesBefore) ||
            !CHistoryStoreReadBytes(fields[2], &point.freeBytesAfter) ||
            !CHistoryStoreReadBytes(fields[3], &point.totalBytes))
            return false;
        point.date = fields[0].toDouble();
        if (!CHistoryStoreValid(point))
            return false;
        freeSpace->append(point);
    }
    return true;
}

template <typename TPoint>
void CHistoryStoreKeepLast(QList<TPoint>* points)
{
    if (points->size() > CHistoryStore::kMaxPoints)
        points->remove(0, points->size() - CHistoryStore::kMaxPoints);
}

} // namespace

CHistoryStore::CHistoryStore(QString filePath)
    : m_filePath(std::move(filePath))
{
    Load();
}

void CHistoryStore::Load()
{
    QMap<QString, TVolumeHistory> volumes;
    const auto parse = [&volumes](const QJsonObject& root) {
        const QJsonValue stored = root.value(u"volumes"_s);
        if (!stored.isObject())
            return false;
        const QJsonObject all = stored.toObject();
        for (auto it = all.begin(); it != all.end(); ++it) {
            TVolumeHistory history;
            if (it.key().isEmpty() || !it.value().isObject() ||
                !CHistoryStoreReadVolume(it.value().toObject(), &history.statistics,
                                         &history.freeSpace))
                return false;
            CHistoryStoreKeepLast(&history.statistics);
            CHistoryStoreKeepLast(&history.freeSpace);
            volumes.insert(it.key(), history);
        }
        return true;
    };
    if (CJsonStateFile::Load(m_filePath, CHistoryStoreMaxFileBytes, CHistoryStoreVersion, "history",
                             "starting empty", parse) != S_OK)
        return;
    m_volumes = std::move(volumes);
}

bool CHistoryStore::Save() const
{
    QJsonObject volumes;
    for (auto it = m_volumes.cbegin(); it != m_volumes.cend(); ++it) {
        QJsonArray statistics;
        for (const TStatisticsPoint& p : it->statistics)
            statistics.append(QJsonArray{p.date, p.fileFragmentationBefore,
                                         p.fileFragmentationAfter, p.freeSpaceFragmentationBefore,
                                         p.freeSpaceFragmentationAfter, p.performanceBefore,
                                         p.performanceAfter});
        QJsonArray freeSpace;
        for (const TFreeSpacePoint& p : it->freeSpace)
            freeSpace.append(QJsonArray{p.date, CHistoryStoreBytes(p.freeBytesBefore),
                                        CHistoryStoreBytes(p.freeBytesAfter),
                                        CHistoryStoreBytes(p.totalBytes)});
        volumes.insert(it.key(),
                       QJsonObject{{u"statistics"_s, statistics}, {u"freeSpace"_s, freeSpace}});
    }
    return CJsonStateFile::Write(
        m_filePath, QJsonObject{{u"version"_s, CHistoryStoreVersion}, {u"volumes"_s, volumes}},
        QJsonDocument::Compact);
}

HRESULT CHistoryStore::AddStatisticsPoint(const QString& volume, const TStatisticsPoint& point)
{
    if (volume.isEmpty() || !CHistoryStoreValid(point))
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    QList<TStatisticsPoint>& points = m_volumes[volume].statistics;
    points.append(point);
    CHistoryStoreKeepLast(&points);
    return Save() ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

HRESULT CHistoryStore::AddFreeSpacePoint(const QString& volume, const TFreeSpacePoint& point)
{
    if (volume.isEmpty() || !CHistoryStoreValid(point))
        return E_INVALIDARG;
    QMutexLocker locker(&m_mutex);
    QList<TFreeSpacePoint>& points = m_volumes[volume].freeSpace;
    points.append(point);
    CHistoryStoreKeepLast(&points);
    return Save() ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

QList<CHistoryStore::TStatisticsPoint> CHistoryStore::StatisticsPoints(const QString& volume) const
{
    QMutexLocker locker(&m_mutex);
    return m_volumes.value(volume).statistics;
}

QList<CHistoryStore::TFreeSpacePoint> CHistoryStore::FreeSpacePoints(const QString& volume) const
{
    QMutexLocker locker(&m_mutex);
    return m_volumes.value(volume).freeSpace;
}

QStringList CHistoryStore::Volumes() const
{
    QMutexLocker locker(&m_mutex);
    return m_volumes.keys();
}

CHistoryStore::TSeries CHistoryStore::Series(const QString& volume) const
{
    TSeries series;
    for (const TStatisticsPoint& p : StatisticsPoints(volume)) {
        series.performanceBefore.append(p.performanceBefore);
        series.performanceAfter.append(p.performanceAfter);
        series.fileFragmentationBefore.append(p.fileFragmentationBefore);
        series.fileFragmentationAfter.append(p.fileFragmentationAfter);
        series.freeSpaceFragmentationBefore.append(p.freeSpaceFragmentationBefore);
        series.freeSpaceFragmentationAfter.append(p.freeSpaceFragmentationAfter);
    }
    return series;
}

DBusContract::TPropertyBag CHistoryStore::PropertyBag(const QString& volume) const
{
    TVolumeHistory history;
    {
        QMutexLocker locker(&m_mutex);
        history = m_volumes.value(volume);
    }
    DBusContract::TPropertyBag bag;
    bag.insert(
        u"/"_s,
        QVariantMap{{u"NumStatPoints"_s, static_cast<qint32>(history.statistics.size())},
                    {u"NumFreeSpaceStatPoints"_s, static_cast<qint32>(history.freeSpace.size())}});
    int n = 0;
    for (const TStatisticsPoint& p : history.statistics) {
        ++n;
        bag.insert(CAgentPropertyBag::ItemSection(u"/Fragmented/"_s, n),
                   QVariantMap{{u"Date"_s, p.date},
                               {u"Before"_s, p.fileFragmentationBefore},
                               {u"After"_s, p.fileFragmentationAfter}});
        bag.insert(CAgentPropertyBag::ItemSection(u"/FreeSpaceFragmentation/"_s, n),
                   QVariantMap{{u"Before"_s, p.freeSpaceFragmentationBefore},
                               {u"After"_s, p.freeSpaceFragmentationAfter}});
        bag.insert(
            CAgentPropertyBag::ItemSection(u"/Performance/"_s, n),
            QVariantMap{{u"Before"_s, p.performanceBefore}, {u"After"_s, p.performanceAfter}});
    }
    n = 0;
    for (const TFreeSpacePoint& p : history.freeSpace) {
        ++n;
        bag.insert(CAgentPropertyBag::ItemSection(u"/FreeSpace/"_s, n),
                   QVariantMap{{u"StatsDate"_s, p.date},
                               {u"FreeSpaceBefore"_s, static_cast<double>(p.freeBytesBefore)},
                               {u"FreeSpaceAfter"_s, static_cast<double>(p.freeBytesAfter)},
                               {u"TotalSize"_s, static_cast<double>(p.totalBytes)}});
    }
    return bag;
}

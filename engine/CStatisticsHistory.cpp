#include "engine/CStatisticsHistory.h"

#include "core/CWideText.h"
#include "engine/CAgentPropertyBag.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100ComputerInterface.h"

#include <QStringView>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QChar kStatisticsHistoryEntrySeparator = QChar(0x1E);
constexpr QChar kStatisticsHistoryFieldSeparator = QChar(0x1F);

bool StatisticsHistoryIsDigits(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A signed decimal integer that fits 32 bits, nothing else around it.
bool StatisticsHistoryDecimalInt(QStringView text, qint32* value)
{
    const QStringView digits = text.startsWith(u'-') ? text.mid(1) : text;
    if (!StatisticsHistoryIsDigits(digits))
        return false;
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok)
        *value = number;
    return ok;
}

// An OLE date written as decimal digits with an optional sign and fraction after a point.
bool StatisticsHistoryDecimalReal(QStringView text, double* value)
{
    const QStringView unsignedText = text.startsWith(u'-') ? text.mid(1) : text;
    const qsizetype point = unsignedText.indexOf(u'.');
    if (!StatisticsHistoryIsDigits(point < 0 ? unsignedText : unsignedText.left(point)) ||
        (point >= 0 && !StatisticsHistoryIsDigits(unsignedText.mid(point + 1))))
        return false;
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok)
        *value = number;
    return ok;
}

// The number of items a bag announces under "/"; negative counts are malformed.
HRESULT StatisticsHistoryCount(const CAgentPropertyBag& bag, const QString& key, qint32* count)
{
    const HRESULT result = bag.Int(u"/"_s, key, count);
    return FAILED(result) ? result : *count < 0 ? E_INVALIDARG : S_OK;
}

// Room for the items a bag can hold at most, whatever count it announces.
qsizetype StatisticsHistoryReserve(const DBusContract::TPropertyBag& bag, qint32 count)
{
    return std::min<qsizetype>(count, bag.size());
}

HRESULT StatisticsHistoryBeforeAfter(const CAgentPropertyBag& bag, const QString& section,
                                     const CDateTime& date, CStatisticsHistory::CDataPoint* point)
{
    point->date = date;
    HRESULT result = bag.Double(section, u"Before"_s, &point->before);
    if (SUCCEEDED(result))
        result = bag.Double(section, u"After"_s, &point->after);
    return result;
}

} // namespace

HRESULT CStatisticsHistory::ReadLogPoints(CKV100AgentInterface* agent, double fromDate,
                                          double toDate, int first, int count,
                                          QList<CLogPoint>* points, int* total)
{
    if (!agent || !agent->IsConnected())
        return E_FAIL;
    if (!points || !total)
        return E_POINTER;
    if (agent->IsNewer()) {
        TString text;
        const HRESULT result = agent->QueryLogText(fromDate, toDate, first, count, &text);
        return FAILED(result) ? result : ParseLogText(text, points, total);
    }
    DBusContract::TPropertyBag bag;
    const HRESULT result = agent->QueryLog(fromDate, toDate, first, count, &bag);
    return FAILED(result) ? result : ParseLogBag(bag, points, total);
}

HRESULT CStatisticsHistory::ReadStatisticsPoints(CKV100AgentInterface* agent, const TId& volume,
                                                 QList<CDataPoint>* fileFragmentation,
                                                 QList<CDataPoint>* freeSpaceFragmentation,
                                                 QList<CDataPoint>* performance)
{
    if (!agent || !agent->IsConnected())
        return E_FAIL;
    if (!fileFragmentation || !freeSpaceFragmentation || !performance)
        return E_POINTER;
    DBusContract::TPropertyBag bag;
    const HRESULT result = CKV100ComputerInterface(agent).GetHistory(volume, &bag);
    return FAILED(result)
               ? result
               : ParseStatisticsBag(bag, fileFragmentation, freeSpaceFragmentation, performance);
}

HRESULT CStatisticsHistory::ReadFreeSpacePoints(CKV100AgentInterface* agent, const TId& volume,
                                                QList<CDataPoint>* freeSpace)
{
    if (!agent || !agent->IsConnected())
        return E_FAIL;
    if (!freeSpace)
        return E_POINTER;
    DBusContract::TPropertyBag bag;
    const HRESULT result = CKV100ComputerInterface(agent).GetHistory(volume, &bag);
    return FAILED(result) ? result : ParseFreeSpaceBag(bag, freeSpace);
}

HRESULT CStatisticsHistory::ParseLogBag(const DBusContract::TPropertyBag& bag,
                                        QList<CLogPoint>* points, int* total)
{
    if (!points || !total)
        return E_POINTER;
    const CAgentPropertyBag reader(bag);
    qint32 count = 0;
    qint32 available = 0;
    HRESULT result = StatisticsHistoryCount(reader, u"NumLogPoints"_s, &count);
    if (SUCCEEDED(result))
        result = reader.Int(u"/"_s, u"TotalAvailableLogPoints"_s, &available);
    if (FAILED(result))
        return result;
    QList<CLogPoint> read;
    read.reserve(StatisticsHistoryReserve(bag, count));
    for (qint32 n = 1; n <= count; ++n) {
        const QString section = CAgentPropertyBag::ItemSection(u"/"_s, n);
        CLogPoint point;
        double logTime = 0.0;
        if (FAILED(result = reader.Double(section, u"LogTime"_s, &logTime)) ||
            FAILED(result = reader.Text(section, u"Source"_s, &point.source)) ||
            FAILED(result = reader.Int(section, u"EventType"_s, &point.eventType)) ||
            FAILED(result = reader.Int(section, u"EventId"_s, &point.eventId)) ||
            FAILED(result = reader.Text(section, u"Message"_s, &point.message)))
            return result;
        point.logTime = CDateTime(logTime);
        read.append(std::move(point));
    }
    *points = std::move(read);
    *total = available;
    return S_OK;
}

HRESULT CStatisticsHistory::ParseLogText(const TString& text, QList<CLogPoint>* points, int* total)
{
    if (!points || !total)
        return E_POINTER;
    const QString whole = CWideText::ToQString(text);
    const QList<QStringView> entries = QStringView(whole).split(kStatisticsHistoryEntrySeparator);
    qint32 available = 0;
    if (!StatisticsHistoryDecimalInt(entries.first(), &available) || available < 0 ||
        entries.size() - 1 > available)
        return E_INVALIDARG;
    QList<CLogPoint> read;
    read.reserve(entries.size() - 1);
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QList<QStringView> fields = entries[i].split(kStatisticsHistoryFieldSeparator);
        CLogPoint point;
        double logTime = 0.0;
        if (fields.size() != 5 || !StatisticsHistoryDecimalReal(fields[0], &logTime) ||
            !StatisticsHistoryDecimalInt(fields[2], &point.eventType) ||
            !StatisticsHistoryDecimalInt(fields[3], &point.eventId))
            return E_INVALIDARG;
        point.logTime = CDateTime(logTime);
        point.source = fields[1].toString().toStdWString();
        point.message = fields[4].toString().toStdWString();
        read.append(std::move(point));
    }
    *points = std::move(read);
    *total = available;
    return S_OK;
}

HRESULT CStatisticsHistory::ParseStatisticsBag(const DBusContract::TPropertyBag& bag,
                                               QList<CDataPoint>* fileFragmentation,
                                               QList<CDataPoint>* freeSpaceFragmentation,
                                               QList<CDataPoint>* performance)
{
    if (!fileFragmentation || !freeSpaceFragmentation || !performance)
        return E_POINTER;
    const CAgentPropertyBag reader(bag);
    qint32 count = 0;
    HRESULT result = StatisticsHistoryCount(reader, u"NumStatPoints"_s, &count);
    if (FAILED(result))
        return result;
    QList<CDataPoint> files;
    QList<CDataPoint> freeSpace;
    QList<CDataPoint> speed;
    files.reserve(StatisticsHistoryReserve(bag, count));
    freeSpace.reserve(files.capacity());
    speed.reserve(files.capacity());
    for (qint32 n = 1; n <= count; ++n) {
        const QString fragmented = CAgentPropertyBag::ItemSection(u"/Fragmented/"_s, n);
        double date = 0.0;
        CDataPoint file;
        CDataPoint space;
        CDataPoint performed;
        if (FAILED(result = reader.Double(fragmented, u"Date"_s, &date)) ||
            FAILED(result =
                       StatisticsHistoryBeforeAfter(reader, fragmented, CDateTime(date), &file)) ||
            FAILED(result = StatisticsHistoryBeforeAfter(
                       reader, CAgentPropertyBag::ItemSection(u"/FreeSpaceFragmentation/"_s, n),
                       CDateTime(date), &space)) ||
            FAILED(result = StatisticsHistoryBeforeAfter(
                       reader, CAgentPropertyBag::ItemSection(u"/Performance/"_s, n),
                       CDateTime(date), &performed)))
            return result;
        files.append(file);
        freeSpace.append(space);
        speed.append(performed);
    }
    *fileFragmentation = std::move(files);
    *freeSpaceFragmentation = std::move(freeSpace);
    *performance = std::move(speed);
    return S_OK;
}

HRESULT CStatisticsHistory::ParseFreeSpaceBag(const DBusContract::TPropertyBag& bag,
                                              QList<CDataPoint>* freeSpace)
{
    if (!freeSpace)
        return E_POINTER;
    const CAgentPropertyBag reader(bag);
    qint32 count = 0;
    HRESULT result = StatisticsHistoryCount(reader, u"NumFreeSpaceStatPoints"_s, &count);
    if (FAILED(result))
        return result;
    QList<CDataPoint> read;
    read.reserve(StatisticsHistoryReserve(bag, count));
    for (qint32 n = 1; n <= count; ++n) {
        const QString section = CAgentPropertyBag::ItemSection(u"/FreeSpace/"_s, n);
        double date = 0.0;
        double before = 0.0;
        double after = 0.0;
        double totalSize = 0.0;
        if (FAILED(result = reader.Double(section, u"StatsDate"_s, &date)) ||
            FAILED(result = reader.Double(section, u"FreeSpaceBefore"_s, &before)) ||
            FAILED(result = reader.Double(section, u"FreeSpaceAfter"_s, &after)) ||
            FAILED(result = reader.Double(section, u"TotalSize"_s, &totalSize)))
            return result;
        // A drive of no size has no share of free space: such a point is not one of a drive.
        if (!(totalSize > 0.0))
            return E_INVALIDARG;
        read.append({CDateTime(date), before / totalSize * 100.0, after / totalSize * 100.0});
    }
    *freeSpace = std::move(read);
    return S_OK;
}

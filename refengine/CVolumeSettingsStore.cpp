#include "refengine/CVolumeSettingsStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kVolumeStoreMaxFile = 64 * 1024 * 1024;

// A whole number of the JSON value within [low, high], else the fallback.
qint64 VolumeStoreInteger(const QJsonValue& value, qint64 low, qint64 high, qint64 fallback)
{
    if (!value.isDouble())
        return fallback;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number != std::trunc(number) || number < double(low) ||
        number > double(high))
        return fallback;
    return static_cast<qint64>(number);
}

double VolumeStoreNumber(const QJsonValue& value, double fallback)
{
    return value.isDouble() && std::isfinite(value.toDouble()) ? value.toDouble() : fallback;
}

bool VolumeStoreBool(const QJsonValue& value, bool fallback)
{
    return value.isBool() ? value.toBool() : fallback;
}

QByteArray VolumeStoreBytes(const QJsonValue& value)
{
    if (!value.isString())
        return {};
    auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

QJsonObject VolumeStoreToJson(const TVolumeSettings& s)
{
    QJsonArray zones;
    for (uint zone : s.zoneOrder)
        zones.append(double(zone));
    QJsonArray gaps;
    for (qulonglong gap : s.freeSpaceGapsKb)
        gaps.append(double(gap));
    QJsonObject blocks;
    for (auto it = s.blocks.cbegin(); it != s.blocks.cend(); ++it)
        blocks.insert(QString::number(it.key()), QString::fromLatin1(it.value().toBase64()));
    return {{u"number"_s, double(s.number)},
            {u"bootTimeStatus"_s, s.bootTimeStatus},
            {u"defaultAlgorithm"_s, s.defaultAlgorithm},
            {u"overrideType"_s, s.overrideType},
            {u"fragmentationThreshold"_s, double(s.fragmentationThreshold)},
            {u"optiwise"_s, s.optiwise},
            {u"zoneOrder"_s, zones},
            {u"freeSpaceGapsKb"_s, gaps},
            {u"rareAgeDays"_s, double(s.rareAgeDays)},
            {u"recentAgeDays"_s, double(s.recentAgeDays)},
            {u"aggressive"_s, s.aggressive},
            {u"ignoreLargeFragments"_s, s.ignoreLargeFragments},
            {u"largeFragmentMb"_s, double(s.largeFragmentMb)},
            {u"bootTimeFileKinds"_s, double(s.bootTimeFileKinds)},
            {u"bootTimeEveryReboot"_s, s.bootTimeEveryReboot},
            {u"excludedFiles"_s, QJsonArray::fromStringList(s.excludedFiles)},
            {u"lastDefragmented"_s, s.lastDefragmented},
            {u"dataDate"_s, s.dataDate},
            {u"analysed"_s, s.analysed},
            {u"fileFragmentation"_s, s.fileFragmentation},
            {u"freeSpaceFragmentation"_s, s.freeSpaceFragmentation},
            {u"driveMap"_s, QString::fromLatin1(s.driveMap.toBase64())},
            {u"blocks"_s, blocks},
            {u"thresholdValue"_s, s.thresholdValue},
            {u"thresholdCount"_s, double(s.thresholdCount)},
            {u"insufficientFreeSpaceValue"_s, s.insufficientFreeSpaceValue}};
}

TVolumeSettings VolumeStoreFromJson(const QJsonObject& o)
{
    constexpr qint64 kU32 = 0xFFFFFFFFLL;
    TVolumeSettings s;
    const TVolumeSettings d;
    s.number = quint32(VolumeStoreInteger(o[u"number"_s], 0, kU32, 0));
    s.bootTimeStatus = qint32(VolumeStoreInteger(o[u"bootTimeStatus"_s], 0, 0x7FFFFFFF, 0));
    s.defaultAlgorithm = qint32(VolumeStoreInteger(o[u"defaultAlgorithm"_s], 0, 2, 0));
    const qint64 override = VolumeStoreInteger(o[u"overrideType"_s], -1, 4, -1);
    s.overrideType = qint32(override == 0 || override == 3 ? -1 : override);
    s.fragmentationThreshold =
        quint32(VolumeStoreInteger(o[u"fragmentationThreshold"_s], 0, 100, 0));
    s.optiwise = VolumeStoreBool(o[u"optiwise"_s], false);
    const QJsonArray zones = o[u"zoneOrder"_s].toArray();
    QList<uint> zoneOrder;
    for (const QJsonValue& zone : zones)
        zoneOrder.append(uint(VolumeStoreInteger(zone, 0, 4, 99)));
    QList<uint> sorted = zoneOrder;
    std::sort(sorted.begin(), sorted.end());
    if (sorted == QList<uint>{0, 1, 2, 3, 4})
        s.zoneOrder = zoneOrder;
    const QJsonArray gaps = o[u"freeSpaceGapsKb"_s].toArray();
    if (gaps.size() == 4) {
        for (int i = 0; i < 4; ++i)
            s.freeSpaceGapsKb[i] = qulonglong(VolumeStoreInteger(gaps[i], 0, 1LL << 50, 0));
    }
    s.rareAgeDays = quint32(VolumeStoreInteger(o[u"rareAgeDays"_s], 1, 36500, d.rareAgeDays));
    s.recentAgeDays = quint32(VolumeStoreInteger(o[u"recentAgeDays"_s], 1, 36500, d.recentAgeDays));
    s.aggressive = VolumeStoreBool(o[u"aggressive"_s], false);
    s.ignoreLargeFragments = VolumeStoreBool(o[u"ignoreLargeFragments"_s], false);
    s.largeFragmentMb =
        quint32(VolumeStoreInteger(o[u"largeFragmentMb"_s], 0, kU32, d.largeFragmentMb));
    s.bootTimeFileKinds = quint32(VolumeStoreInteger(o[u"bootTimeFileKinds"_s], 0, 0xF, 0));
    s.bootTimeEveryReboot = VolumeStoreBool(o[u"bootTimeEveryReboot"_s], false);
    for (const QJsonValue& file : o[u"excludedFiles"_s].toArray()) {
        if (file.isString())
            s.excludedFiles.append(file.toString());
    }
    s.lastDefragmented = VolumeStoreNumber(o[u"lastDefragmented"_s], 0);
    s.dataDate = VolumeStoreNumber(o[u"dataDate"_s], 0);
    s.analysed = VolumeStoreBool(o[u"analysed"_s], false);
    s.fileFragmentation = VolumeStoreNumber(o[u"fileFragmentation"_s], 0);
    s.freeSpaceFragmentation = VolumeStoreNumber(o[u"freeSpaceFragmentation"_s], 0);
    s.driveMap = VolumeStoreBytes(o[u"driveMap"_s]);
    if (s.driveMap.size() != 3600) {
        s.driveMap.clear();
        s.analysed = false;
    }
    const QJsonObject blocks = o[u"blocks"_s].toObject();
    for (auto it = blocks.begin(); it != blocks.end(); ++it) {
        bool whole = false;
        const uint kind = it.key().toUInt(&whole);
        const QByteArray block = VolumeStoreBytes(it.value());
        if (whole && !block.isEmpty())
            s.blocks.insert(kind, block);
    }
    s.thresholdValue = VolumeStoreNumber(o[u"thresholdValue"_s], 0);
    s.thresholdCount = quint32(VolumeStoreInteger(o[u"thresholdCount"_s], 0, kU32, 0));
    s.insufficientFreeSpaceValue = VolumeStoreNumber(o[u"insufficientFreeSpaceValue"_s], 0);
    return s;
}

} // namespace

CVolumeSettingsStore::CVolumeSettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{
    Load();
}

void CVolumeSettingsStore::Load()
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kVolumeStoreMaxFile)
        return;
    const QJsonObject volumes = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = volumes.begin(); it != volumes.end(); ++it) {
        if (it.value().isObject())
            m_volumes.insert(it.key(), VolumeStoreFromJson(it.value().toObject()));
    }
}

bool CVolumeSettingsStore::Save() const
{
    QJsonObject volumes;
    for (auto it = m_volumes.cbegin(); it != m_volumes.cend(); ++it)
        volumes.insert(it.key(), VolumeStoreToJson(it.value()));
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(volumes).toJson(QJsonDocument::Compact));
    return file.commit();
}

TVolumeSettings CVolumeSettingsStore::Get(const QString& volume)
{
    QMutexLocker locker(&m_mutex);
    auto found = m_volumes.find(volume);
    if (found != m_volumes.end() && found->number != 0)
        return *found;
    quint32 highest = 0;
    for (const TVolumeSettings& settings : std::as_const(m_volumes))
        highest = std::max(highest, settings.number);
    TVolumeSettings fresh = found != m_volumes.end() ? *found : TVolumeSettings();
    fresh.number = highest + 1;
    m_volumes.insert(volume, fresh);
    Save();
    return fresh;
}

bool CVolumeSettingsStore::Find(const QString& volume, TVolumeSettings* settings) const
{
    QMutexLocker locker(&m_mutex);
    const auto found = m_volumes.constFind(volume);
    if (found == m_volumes.constEnd())
        return false;
    *settings = *found;
    return true;
}

bool CVolumeSettingsStore::Put(const QString& volume, const TVolumeSettings& settings)
{
    QMutexLocker locker(&m_mutex);
    m_volumes.insert(volume, settings);
    return Save();
}

#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What the engine keeps per volume across restarts: the drive's settings, and the results of
// its last passes so that a restarted engine still shows them.
struct TVolumeSettings {
    // Settings.
    quint32 number = 0; // the drive's number, given once and kept
    qint32 bootTimeStatus = 0;
    qint32 defaultAlgorithm = 0; // 0 TierLayout, 1 Defrag Only, 2 Consolidate Free Space
    qint32 overrideType = -1;    // -1 none, 1 internal, 2 external, 4 SSD
    quint32 fragmentationThreshold = 0;
    bool optiwise = false;
    QList<uint> zoneOrder{0, 1, 2, 3, 4};
    // A new volume starts with the TierLayout strategy offered as the default preset.
    QList<qulonglong> freeSpaceGapsKb{8192, 0, 0, 0};
    quint32 rareAgeDays = 60;
    quint32 recentAgeDays = 30;
    bool aggressive = false;
    bool ignoreLargeFragments = false;
    quint32 largeFragmentMb = 32;
    quint32 bootTimeFileKinds = 0;
    bool bootTimeEveryReboot = false;
    QStringList excludedFiles;

    // Results.
    double lastDefragmented = 0; // OLE date, 0 never
    double dataDate = 0;         // when the results below were produced
    bool analysed = false;
    double fileFragmentation = 0;
    double freeSpaceFragmentation = 0;
    QByteArray driveMap;              // 3600 block codes once analysed, else empty
    QMap<quint32, QByteArray> blocks; // statistics block per kind (0, 2, 3)
    double thresholdValue = 0;        // the last pass skipped below the threshold
    quint32 thresholdCount = 0;
    double insufficientFreeSpaceValue = 0;

    bool operator==(const TVolumeSettings&) const = default;
};

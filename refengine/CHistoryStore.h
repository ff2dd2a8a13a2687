#pragma once

#include "core/HResult.h"
#include "engine/contract/ContractTypes.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

// Per volume, what the past passes changed: the statistics points (file fragmentation, free-space
// fragmentation and performance, before and after) and the free-space points (free bytes before
// and after, and the volume's size), the last kMaxPoints of each, oldest first. Kept in one JSON
// file, rewritten whole (atomically) on every change; a missing file is an empty history, and so
// is a damaged one (moved aside to "<file>.damaged" first). Every member may be called from any
// thread.
class CHistoryStore {
public:
    static constexpr int kMaxPoints = 50;

    struct TStatisticsPoint {
        double date = 0.0; // OLE date of the pass
        double fileFragmentationBefore = 0.0;
        double fileFragmentationAfter = 0.0;
        double freeSpaceFragmentationBefore = 0.0;
        double freeSpaceFragmentationAfter = 0.0;
        double performanceBefore = 0.0;
        double performanceAfter = 0.0;

        bool operator==(const TStatisticsPoint&) const = default;
    };

    struct TFreeSpacePoint {
        double date = 0.0; // OLE date of the pass
        quint64 freeBytesBefore = 0;
        quint64 freeBytesAfter = 0;
        quint64 totalBytes = 0;

        bool operator==(const TFreeSpacePoint&) const = default;
    };

    // The engine's GetHistorySeries: one value per statistics point, oldest first.
    struct TSeries {
        QList<double> performanceBefore;
        QList<double> performanceAfter;
        QList<double> fileFragmentationBefore;
        QList<double> fileFragmentationAfter;
        QList<double> freeSpaceFragmentationBefore;
        QList<double> freeSpaceFragmentationAfter;

        bool operator==(const TSeries&) const = default;
    };

    explicit CHistoryStore(QString filePath);
    CHistoryStore(const CHistoryStore&) = delete;
    CHistoryStore& operator=(const CHistoryStore&) = delete;

    // E_INVALIDARG (nothing kept) for an empty volume, a date that is not set, or a value that is
    // not a finite number; for a free-space point also a size of 0 or free space beyond it.
    // HRESULT_FROM_WIN32(ERROR_WRITE_FAULT) when the file could not be written: the point is
    // kept in memory all the same and written with the next change.
    HRESULT AddStatisticsPoint(const QString& volume, const TStatisticsPoint& point);
    HRESULT AddFreeSpacePoint(const QString& volume, const TFreeSpacePoint& point);

    QList<TStatisticsPoint> StatisticsPoints(const QString& volume) const;
    QList<TFreeSpacePoint> FreeSpacePoints(const QString& volume) const;
    TSeries Series(const QString& volume) const;
    QStringList Volumes() const;

    // The agent's history bag of the volume (AgentStatistics.GetHistory). Section "/":
    // NumStatPoints and NumFreeSpaceStatPoints (i). "/Fragmented/n": Date, Before, After;
    // "/FreeSpaceFragmentation/n" and "/Performance/n": Before, After; "/FreeSpace/n":
    // StatsDate, FreeSpaceBefore, FreeSpaceAfter, TotalSize (all d). Items count from 1, oldest
    // first. A volume without history has counts of 0.
    DBusContract::TPropertyBag PropertyBag(const QString& volume) const;

private:
    struct TVolumeHistory {
        QList<TStatisticsPoint> statistics;
        QList<TFreeSpacePoint> freeSpace;
    };

    void Load();
    // Under m_mutex.
    bool Save() const;

    const QString m_filePath;
    mutable QMutex m_mutex;
    QMap<QString, TVolumeHistory> m_volumes;
};

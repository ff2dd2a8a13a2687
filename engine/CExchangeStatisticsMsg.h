#pragma once

#include <QMetaType>

#include <string>

// What the Exchange engine reports when a compaction ends.
struct CExchangeStatisticsMsg {
    std::wstring groupName;
    std::wstring storeName;
    std::wstring cpuTime;
    std::wstring elapsedTime;
    std::wstring storePath;
    std::wstring backupPath;
    double sizeBefore = 0.0; // megabytes
    double sizeAfter = 0.0;
    double percentGained = 0.0;

    bool operator==(const CExchangeStatisticsMsg&) const = default;
};

Q_DECLARE_METATYPE(CExchangeStatisticsMsg)

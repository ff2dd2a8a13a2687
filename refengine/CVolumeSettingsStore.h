#pragma once

#include "refengine/TVolumeSettings.h"

#include <QHash>
#include <QMutex>
#include <QString>

// The engine's per-volume settings and results, kept in one JSON file and rewritten whole
// (atomically) on every change. A damaged file, or a damaged entry in it, is read as the
// defaults of the volumes concerned. Thread-safe.
class CVolumeSettingsStore {
public:
    explicit CVolumeSettingsStore(QString filePath);

    // The volume's entry; a volume met for the first time gets the defaults and the next free
    // drive number (kept).
    TVolumeSettings Get(const QString& volume);
    // The volume's entry if it has one, without giving it one.
    bool Find(const QString& volume, TVolumeSettings* settings) const;
    // False when the file could not be written (the entry is kept in memory all the same).
    bool Put(const QString& volume, const TVolumeSettings& settings);

private:
    void Load();
    bool Save() const;

    const QString m_filePath;
    mutable QMutex m_mutex;
    QHash<QString, TVolumeSettings> m_volumes;
};

#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <sys/types.h>

// The mounts of this process as /proc/self/mountinfo lists them, one entry per line in the
// kernel's order (parents before the mounts on top of them).
class CMountTable {
public:
    struct TEntry {
        int mountId = 0;
        int parentId = 0;
        unsigned int major = 0;
        unsigned int minor = 0;
        // The directory of the file system that this mount shows: "/" unless it is a bind
        // mount of a sub-tree (or a sub-volume).
        QString root;
        QString mountPoint;
        QString options;
        QString fileSystem;
        QString source;
        QString superOptions;

        dev_t Device() const;
    };

    // Reads the text of a mountinfo file. Lines that do not have every field are skipped.
    static CMountTable Parse(QByteArrayView text);
    // This process's mounts; empty when the file cannot be read.
    static CMountTable Read();

    const QList<TEntry>& Entries() const { return m_entries; }

private:
    QList<TEntry> m_entries;
};

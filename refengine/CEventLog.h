#pragma once

#include <QList>
#include <QMutex>
#include <QString>

#include <functional>

// The event log of the engine and the agent: what they did and what went wrong, as the console's
// log viewer shows it. Kept in one JSON file, rewritten whole (atomically) on every change; a
// missing file is an empty log, and so is a damaged one (which is first moved aside to
// "<file>.damaged", so that nothing is lost without a trace). Beyond the capacity the oldest
// entries are dropped. Every member may be called from any thread.
class CEventLog {
public:
    // The event types as the console shows them.
    static constexpr qint32 kError = 1;
    static constexpr qint32 kWarning = 2;
    static constexpr qint32 kInformation = 4;

    static constexpr int kDefaultCapacity = 10000;

    struct TEntry {
        double time = 0.0; // OLE date
        QString source;
        qint32 eventType = kInformation;
        qint32 eventId = 0;
        QString message;

        bool operator==(const TEntry&) const = default;
    };

    // The current time as an OLE date.
    using TClock = std::function<double()>;

    // A capacity below 1 is taken as 1.
    explicit CEventLog(QString filePath, int capacity = kDefaultCapacity);
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    // Tests drive the time of new entries; COleDate::Now by default.
    void SetClock(TClock clock);

    // Adds an entry dated now (NUL characters become blanks: D-Bus could not carry them). False
    // when the file could not be written: the entry is kept in memory all the same and written
    // with the next change.
    bool Append(const QString& source, qint32 eventType, qint32 eventId, const QString& message);

    // The entries dated from fromDate to toDate (0: that end open), oldest first, starting at the
    // zero-based position first of that range, at most count of them (count <= 0: all). total,
    // when given, receives the number of entries in the whole range. A negative first is taken
    // as 0.
    QList<TEntry> Query(double fromDate, double toDate, int first, int count, int* total) const;

    // Empties the log; false when the file could not be written.
    bool Clear();

    int Count() const;
    int Capacity() const { return m_capacity; }
    const QString& FilePath() const { return m_filePath; }

private:
    void Load();
    // Under m_mutex.
    bool Save() const;

    const QString m_filePath;
    const int m_capacity;
    mutable QMutex m_mutex;
    TClock m_clock;
    QList<TEntry> m_entries; // in the order they were added
};

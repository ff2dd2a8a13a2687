#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <deque>
#include <functional>

// The event log of the engine and the agent: what they did and what went wrong, as the console's
// log viewer shows it. Kept in a file of one JSON line per entry after a version line, so that
// adding an entry appends one line; the file is rewritten whole (atomically) when it holds a
// quarter more lines than the capacity, when it is cleared, and after a failed write. A missing
// file is an empty log; damaged lines are skipped with a warning; a file that is not a log at all
// is first moved aside to "<file>.damaged", so that nothing is lost without a trace. The older
// form (one JSON document) is still read. Beyond the capacity the oldest entries are dropped.
// Every member may be called from any thread.
class CEventLog {
public:
    // The event types as the console shows them.
    static constexpr qint32 kError = 1;
    static constexpr qint32 kWarning = 2;
    static constexpr qint32 kInformation = 4;

    static constexpr int kDefaultCapacity = 200000;
    // Longer texts are kept cut, with a mark saying how much was cut: one entry must not be able
    // to fill the engine's memory or the console's answers.
    static constexpr int kMaxMessageLength = 16384;
    static constexpr int kMaxSourceLength = 256;

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
    // Hands one entry to the system's journal: a syslog(3) priority and the text.
    using TJournal = std::function<void(int priority, const QByteArray& text)>;

    // A capacity below 1 is taken as 1.
    explicit CEventLog(QString filePath, int capacity = kDefaultCapacity);
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    // Tests drive the time of new entries; COleDate::Now by default.
    void SetClock(TClock clock);

    // While on, every new entry also goes to the system journal (the log destination "system
    // log"); the log keeps its own copy all the same, which the console reads.
    void SetSystemJournal(bool on);
    bool SystemJournal() const;
    // Where journal entries go: syslog(3) with the ident "korvane-engine" by default (tests
    // record them instead). Null goes back to the default.
    void SetJournalWriter(TJournal journal);
    // LOG_ERR, LOG_WARNING or LOG_INFO for the event type.
    static int JournalPriority(qint32 eventType);

    // Adds an entry dated now (NUL characters become blanks: D-Bus could not carry them; texts
    // beyond their limit are cut with a mark). False when the file could not be written: the
    // entry is kept in memory all the same and written with the next change.
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

    // TEXT as it is kept when longer than maxLength: its first characters and a mark saying how
    // many were cut.
    static QString Bounded(const QString& text, int maxLength);

private:
    void Load();
    // Under m_mutex: writes the file whole from the entries in memory.
    bool Rewrite();
    bool AppendLine(const TEntry& entry);

    const QString m_filePath;
    const int m_capacity;
    mutable QMutex m_mutex;
    TClock m_clock;
    TJournal m_journal;
    bool m_systemJournal = false;
    std::deque<TEntry> m_entries; // by date; equal dates in the order they were added
    qsizetype m_fileLines = 0;    // entry lines in the file, kept or dropped
    bool m_fileCurrent = false;   // the file holds every entry in memory, in the current form
};

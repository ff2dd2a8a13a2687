#pragma once

#include <QList>
#include <QString>

#include <mutex>
#include <string_view>
#include <vector>

// Which files and directories of a walked volume lie in each drive-map block, kept compact for
// hundreds of thousands of files: every item is a record of its parent, its name in a shared
// pool, fragments and bytes (24 bytes and the name); paths are put together only when asked.
// Walking threads fill one batch per directory and append it whole; the per-block lists are
// built once the walk is over.
class CBlockFileIndex {
public:
    static constexpr quint32 kNoParent = 0xFFFFFFFFu;

    struct TItem {
        QString path;
        // Fragments; negative when not known.
        int fragments = -1;
        quint64 bytes = 0;
    };

    // One directory: its own record first, then its files. Reused from directory to directory.
    class TBatch {
    public:
        void Clear();
        // Adds a record and answers its number within the batch (the directory itself is 0).
        quint32 Add(std::string_view name, int fragments, quint64 bytes);
        // The record lies in the blocks first..last.
        void AddBlocks(quint32 record, int first, int last);
        bool IsEmpty() const { return m_records.empty(); }

    private:
        friend class CBlockFileIndex;
        struct TRecord {
            quint32 name = 0;
            qint32 fragments = -1;
            quint64 bytes = 0;
        };
        std::string m_names;
        std::vector<TRecord> m_records;
        // (block << 32) | record within the batch
        std::vector<quint64> m_blocks;
    };

    explicit CBlockFileIndex(QString rootPath);

    // Appends the batch, its directory below parent (kNoParent for the root), and answers the
    // directory's record number. Any thread.
    quint32 Append(const TBatch& batch, quint32 parent);
    // Builds the per-block lists; Items answers nothing before.
    void Finish();

    QList<TItem> Items(int block) const;
    QString Path(quint32 record) const;
    quint64 Records() const;

private:
    struct TRecord {
        quint32 parent = kNoParent;
        quint32 name = 0; // offset into m_names of a NUL-ended name
        qint32 fragments = -1;
        quint64 bytes = 0;
    };

    QString m_rootPath;
    mutable std::mutex m_mutex;
    std::string m_names;
    std::vector<TRecord> m_records;
    std::vector<quint64> m_pending;     // (block << 32) | record, until Finish
    std::vector<quint32> m_blockStarts; // per block, into m_blockRecords; one more at the end
    std::vector<quint32> m_blockRecords;
    bool m_full = false;
};

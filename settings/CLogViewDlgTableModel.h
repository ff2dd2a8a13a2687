#pragma once

#include "core/CTranslatable.h"
#include "engine/CStatisticsHistory.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QStringList>

// The log viewer's table: one row per entry with its date, module, event ID and the first line of
// its message, and below it one further row per further non-empty line, which the view hides
// until the entry is expanded. Error entries are highlighted. What the table shows is bounded (a
// cell's text is cut with a mark, an entry shows at most kMaxAdditionalRows further rows, the
// last of them saying how many lines are not shown); the saved text and the printed document
// hold every line whole.
class CLogViewDlgTableModel : public QAbstractTableModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn { kDate, kModule, kEventId, kDetails, kColumnCount };

    static constexpr int kMaxShownLength = 1000;
    static constexpr int kMaxAdditionalRows = 100;

    explicit CLogViewDlgTableModel(QObject* parent = nullptr);

    // Replaces the rows with those of the entries, every entry collapsed.
    void SetEntries(QList<CStatisticsHistory::CLogPoint> entries);
    const QList<CStatisticsHistory::CLogPoint>& Entries() const { return m_entries; }

    // The rows directly below an entry's row that hold its further lines; empty for a row that
    // is not an entry's.
    QList<int> AdditionalRows(int row) const;
    bool IsEntryRow(int row) const;
    bool IsExpanded(int row) const;
    // Marks an entry's row expanded or collapsed (its decoration follows).
    void SetExpanded(int row, bool expanded);

    // Whether an entry is shown highlighted: errors are.
    static bool IsHighlighted(const CStatisticsHistory::CLogPoint& entry);
    // A message's lines: split at line feeds and carriage returns, each trimmed; the first line
    // always, the further ones only when not empty.
    static QStringList MessageLines(const TString& message);

    // Every row of every entry as saved: cells separated by a tab, rows by "\r\n\r\n".
    QString SavedText() const;
    // The printed document: the heading "LogView" and each entry in paragraphs, its fields in
    // bold.
    QString PrintedHtml() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct TRow {
        int entry = 0;
        int line = 0; // 0: the entry's own row; beyond the shown lines: the "more lines" row
    };
    struct TEntryRows {
        int row = 0;
        QStringList lines;
        QList<int> additionalRows;
        bool expanded = false;
    };

    QString CellText(const TRow& row, int column) const;
    // The four cells of one line of an entry, whole.
    QStringList Cells(int entry, int line) const;
    QString DateText(int entry) const;
    QString Shown(const QString& text) const;

    QList<CStatisticsHistory::CLogPoint> m_entries;
    QList<TEntryRows> m_entryRows; // parallel to m_entries
    QList<TRow> m_rows;
    QIcon m_collapsedIcon;
    QIcon m_expandedIcon;
};

#pragma once

#include "core/CTranslatable.h"

#include <QDialog>
#include <QModelIndex>

class CKV100AgentInterface;
class CLogViewDlgTableModel;
class QDateEdit;
class QLabel;
class QPrinter;
class QPushButton;
class QTableView;
class QToolButton;

// The log viewer: the agent's event log for a range of dates, a page of kPageSize entries at a
// time, with multi-line entries expanded by a click on their details; the page can be saved,
// printed, and the whole log cleared. Every box and dialog goes through IMessagePresenter.
class CLogViewDlg : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kPageSize = 600;

    explicit CLogViewDlg(QWidget* parent = nullptr);
    ~CLogViewDlg() override;

    // The viewer on the agent, modal on parent (the Log settings page and the ribbon open it).
    static void Open(CKV100AgentInterface& agent, QWidget* parent);

    // Stores the agent (not owned; it outlives the dialog) and re-queries.
    void SetAgent(CKV100AgentInterface* agent);

    // The paging state: first and last shown positions (1-based) and the range's total.
    int First() const { return m_first; }
    int Last() const { return m_last; }
    int Total() const { return m_total; }

    CLogViewDlgTableModel& Model() const { return *m_model; }
    QTableView* Table() const { return m_table; }
    QDateEdit* StartDate() const { return m_startDate; }
    QDateEdit* EndDate() const { return m_endDate; }
    QLabel* ResultLabel() const { return m_result; }
    QToolButton* PageUpButton() const { return m_pageUp; }
    QToolButton* PageDownButton() const { return m_pageDown; }

    // The range as the agent takes it: the start date at 00:00:00 and the end date at 23:59:59,
    // as OLE dates.
    double RangeStart() const;
    double RangeEnd() const;

    // Printing is offered with an installed printer or with the toolkit's own PDF output.
    static bool CanPrint();
    // Prints the shown page onto PRINTER as it is set up.
    void PrintTo(QPrinter& printer) const;
    // Writes the shown page to PATH (".log" appended when missing) so that it is either whole
    // or not written at all; false, with the file error box, when that failed.
    bool SaveTo(const QString& path);

public slots:
    void ReLoadInfo();
    void PageUp();
    void PageDown();
    void ReQuery();
    void ClearLog();
    void SaveLog();
    void PrintLog();
    void OnLogViewItemClick(const QModelIndex& index);

private:
    void SetCollapsed(const QList<int>& rows, bool hidden);
    // Gives the rows the height their contents need.
    void FitRowsToContents();

    CKV100AgentInterface* m_agent = nullptr;
    int m_first = 1;
    int m_last = 0;
    int m_total = 0;
    CLogViewDlgTableModel* m_model;
    QTableView* m_table;
    QDateEdit* m_startDate;
    QDateEdit* m_endDate;
    QLabel* m_result;
    QToolButton* m_pageUp;
    QToolButton* m_pageDown;
};

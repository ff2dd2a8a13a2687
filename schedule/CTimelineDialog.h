#pragma once

#include "core/CTranslatable.h"
#include "schedule/CTimelineGrid.h"

#include <QDialog>

class QTableWidget;

// "Current Exclusions": the grid's periods, one a row with its start and end, its repeat
// value and its repeat text. Adding and deleting work on the dialog's own copy of the grid;
// OK keeps the copy (Grid()), Cancel forgets it.
class CTimelineDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn { kStartColumn = 0, kRepeatValueColumn, kRepeatedColumn, kColumnCount };

    explicit CTimelineDialog(const CTimelineGrid& grid, QWidget* parent = nullptr);

    const CTimelineGrid& Grid() const { return m_grid; }
    // The periods the rows show, top to bottom.
    const CTimelineGrid::TWindows& Windows() const { return m_windows; }
    QTableWidget& Table() const { return *m_table; }

public slots:
    // The add dialog, through the message presenter; an added period becomes a row.
    void OnAdd();
    // Frees the hours of the selected rows' periods.
    void OnDelete();

private:
    void Reload();

    CTimelineGrid m_grid;
    CTimelineGrid::TWindows m_windows;
    QTableWidget* m_table;
};

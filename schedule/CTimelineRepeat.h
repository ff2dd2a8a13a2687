#pragma once

#include "core/CTranslatable.h"

#include <QWidget>

class CTimelineGrid;
class QCheckBox;
class QLabel;
class QSpinBox;

// The repeat editor of one marked period of the grid: "Do not run on" the period, and whether
// it comes back every so many days. Changes go to the grid's cells of the period at once.
class CTimelineRepeat : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kMaximumDays = 364;

    explicit CTimelineRepeat(CTimelineGrid& grid, QWidget* parent = nullptr);

    // The marked run holding a cell becomes the period edited; an unmarked cell leaves none.
    void SetPeriod(int cell);
    // The period's cells, -1 and -1 when there is none.
    int First() const { return m_first; }
    int Last() const { return m_last; }
    // The period's repeat value as shown: 0 when it does not repeat.
    int Value() const;
    QString PeriodText() const;

signals:
    void Updated();

public slots:
    // Days after which the period comes back; 0 or less: it does not.
    void SetValue(int days);
    // The check box was clicked: the period repeats, or stops repeating.
    void OnClick();

private:
    void Apply();
    void ShowPeriod();

    CTimelineGrid& m_grid;
    int m_first = -1;
    int m_last = -1;
    QLabel* m_period;
    QCheckBox* m_every;
    QSpinBox* m_days;
    QLabel* m_after;
};

#pragma once

#include "core/CTranslatable.h"
#include "defrag/IStatisticsTab.h"

#include <QWidget>

class CDefrager;
class IDefragController;
class QPushButton;
class QTableWidget;

// The "Most Fragmented Files" tab of the statistics page: the most fragmented files and
// directories of the shown volume's last analysis or online pass. The selected ones can be
// defragmented at once through the controller.
class CStatisticsMostFragmented : public QWidget, public IStatisticsTab, public CTranslatable {
    Q_OBJECT

public:
    CStatisticsMostFragmented(CDefrager& model, IDefragController& controller,
                              QWidget* parent = nullptr);

    void ShowVolume(const TId& volume) override;

    // The names of the selected rows, top to bottom as shown.
    QStringList SelectedNames() const;

    QTableWidget* Table() const { return m_table; }
    QPushButton* DefragmentButton() const { return m_defragment; }
    QPushButton* SelectAllButton() const { return m_selectAll; }
    QPushButton* ClearAllButton() const { return m_clearAll; }

public slots:
    // Hands the selected names to the controller; a failure is reported in a message box.
    void OnDefragment();
    // The buttons follow the selection.
    void OnSelectionChanged();

private:
    CDefrager& m_model;
    IDefragController& m_controller;
    TId m_volume;
    QTableWidget* m_table;
    QPushButton* m_defragment;
    QPushButton* m_selectAll;
    QPushButton* m_clearAll;
};

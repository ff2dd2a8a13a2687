#pragma once

#include "core/CTranslatable.h"
#include "defrag/IStatisticsTab.h"

#include <QWidget>

class CDefrager;
class QTableWidget;

// The "File" tab of the statistics page: the files of the shown volume by placement category,
// with the free space inside and outside the MFT reserved zone, each with its share of the
// drive. Read from the category table of the volume's last analysis or online pass.
class CStatisticsFile : public QWidget, public IStatisticsTab, public CTranslatable {
    Q_OBJECT

public:
    explicit CStatisticsFile(CDefrager& model, QWidget* parent = nullptr);

    void ShowVolume(const TId& volume) override;

    QTableWidget* Table() const { return m_table; }

private:
    CDefrager& m_model;
    QTableWidget* m_table;
};

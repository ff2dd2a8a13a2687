#pragma once

#include "core/CTranslatable.h"
#include "defrag/CStatisticsReport.h"
#include "defrag/IStatisticsTab.h"

#include <QWidget>

class CDefrager;
class CStatisticsBlockCategoryTable;
class QTableWidget;

// The "File" tab of the statistics page: the files of the shown volume by placement category,
// with the free space inside and outside the MFT reserved zone, each with its share of the
// drive. Read from the category table of the volume's last analysis or online pass.
class CStatisticsFile : public QWidget, public IStatisticsTab, public CTranslatable {
    Q_OBJECT

public:
    explicit CStatisticsFile(CDefrager& model, QWidget* parent = nullptr);

    void ShowVolume(const TId& volume) override;

    // The tab's nine rows from a category table: the free-space rows count no files (-1), the
    // share of the drive is negative when the drive's size is not known.
    static QList<CStatisticsReport::TTypeLine> Rows(const CStatisticsBlockCategoryTable& categories,
                                                    double driveMegabytes);

    QTableWidget* Table() const { return m_table; }

private:
    CDefrager& m_model;
    QTableWidget* m_table;
};

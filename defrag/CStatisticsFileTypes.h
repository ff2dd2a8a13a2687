#pragma once

#include "core/CTranslatable.h"
#include "defrag/IStatisticsTab.h"

#include <QWidget>

class CDefrager;
class QTableWidget;

// The "File Types" tab of the statistics page: the files of the shown volume's last analysis or
// online pass by file name extension, with their share of the drive.
class CStatisticsFileTypes : public QWidget, public IStatisticsTab, public CTranslatable {
    Q_OBJECT

public:
    explicit CStatisticsFileTypes(CDefrager& model, QWidget* parent = nullptr);

    void ShowVolume(const TId& volume) override;

    // How a row names its extension: ".txt"; "Other" for files without one (the engine also
    // gathers the rarest extensions there).
    static QString TypeText(const TString& extension);

    QTableWidget* Table() const { return m_table; }

private:
    CDefrager& m_model;
    QTableWidget* m_table;
};

#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CStatisticsResultsFactory.h"
#include "defrag/CStatisticsResultsWidget.h"
#include "defrag/IStatisticsTab.h"

#include <QWidget>

class CDefrager;
class IDefragController;
class QLabel;
class QVBoxLayout;

// The "Summary" tab of the statistics page: what the last pass of the volume was, then its
// results widget, chosen afresh and rebuilt on every ShowVolume.
class COptimizeStatisticsWidget : public QWidget, public IStatisticsTab, public CTranslatable {
    Q_OBJECT

public:
    COptimizeStatisticsWidget(CDefrager& model, IDefragController& controller,
                              QWidget* parent = nullptr);

    void ShowVolume(const TId& volume) override;

    CStatisticsResultsFactory::TKind Kind() const { return m_kind; }
    CStatisticsResultsWidget* ResultsWidget() const { return m_results; }
    // The heading and description shown; empty for the kinds that have none.
    QString HeadingText() const;
    QString DescriptionText() const;

    // Given to every results widget made from now on.
    void SetComputerName(CStatisticsResultsWidget::TComputerName computerName);

    static QString Heading(CStatisticsResultsFactory::TKind kind);
    static QString Description(CStatisticsResultsFactory::TKind kind);

private:
    CDefrager& m_model;
    IDefragController& m_controller;
    CStatisticsResultsWidget::TComputerName m_computerName;
    QLabel* m_heading;
    QLabel* m_description;
    QVBoxLayout* m_resultsLayout;
    CStatisticsResultsWidget* m_results = nullptr;
    CStatisticsResultsFactory::TKind m_kind = CStatisticsResultsFactory::kNoStatistics;
};

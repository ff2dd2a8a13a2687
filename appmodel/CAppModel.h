#pragma once

#include "appmodel/IAppModel.h"

#include <QObject>

class CAppModel : public QObject, public IAppModel {
    Q_OBJECT

public:
    explicit CAppModel(QObject* parent = nullptr);

public slots:
    void SetActivePane(CModelLayout::TPaneType pane) override;
    CModelLayout::TPaneType GetActivePane() const override { return m_activePane; }

signals:
    void HardwareChanged();
    void ActivePaneChanged(CModelLayout::TPaneType pane);

private:
    CModelLayout::TPaneType m_activePane = CModelLayout::kNoPane;
};

#pragma once

#include "appmodel/IADController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the Active Directory tab as "AD.<operation>(<sub-pane>)".
class CFakeADController : public QObject, public IADController {
    Q_OBJECT

public:
    explicit CFakeADController(QStringList& log)
        : m_log(log)
    {}

    void ActivateSubPane(CModelLayout::TADPaneType pane) override
    {
        m_log << QStringLiteral("AD.ActivateSubPane(%1)").arg(int(pane));
    }

signals:
    void SubPaneActivated(CModelLayout::TADPaneType pane);

private:
    QStringList& m_log;
};

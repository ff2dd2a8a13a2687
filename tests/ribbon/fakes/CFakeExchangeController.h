#pragma once

#include "appmodel/IExchangeController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the Exchange tab as "Exchange.<operation>".
class CFakeExchangeController : public QObject, public IExchangeController {
    Q_OBJECT

public:
    explicit CFakeExchangeController(QStringList& log)
        : m_log(log)
    {}

    void Defragment() override { m_log << QStringLiteral("Exchange.Defragment"); }
    void Stop() override { m_log << QStringLiteral("Exchange.Stop"); }
    void Properties() override { m_log << QStringLiteral("Exchange.Properties"); }

private:
    QStringList& m_log;
};

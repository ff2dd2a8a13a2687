#pragma once

#include "appmodel/ISpaceReportsController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of space reports as "Reports.<operation>".
class CFakeSpaceReportsController : public QObject, public ISpaceReportsController {
    Q_OBJECT

public:
    explicit CFakeSpaceReportsController(QStringList& log)
        : m_log(log)
    {}

    void Start() override { m_log << QStringLiteral("Reports.Start"); }
    void Stop() override { m_log << QStringLiteral("Reports.Stop"); }

private:
    QStringList& m_log;
};

#pragma once

#include "appmodel/ISpaceExplorerController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the space explorer as "Explorer.<operation>".
class CFakeSpaceExplorerController : public QObject, public ISpaceExplorerController {
    Q_OBJECT

public:
    explicit CFakeSpaceExplorerController(QStringList& log)
        : m_log(log)
    {}

    void Analyse() override { m_log << QStringLiteral("Explorer.Analyse"); }
    void Stop() override { m_log << QStringLiteral("Explorer.Stop"); }

private:
    QStringList& m_log;
};

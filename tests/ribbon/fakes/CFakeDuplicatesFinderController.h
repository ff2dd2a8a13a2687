#pragma once

#include "appmodel/IDuplicatesFinderController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the duplicates finder as "Duplicates.<operation>".
class CFakeDuplicatesFinderController : public QObject, public IDuplicatesFinderController {
    Q_OBJECT

public:
    explicit CFakeDuplicatesFinderController(QStringList& log)
        : m_log(log)
    {}

    void Start(TStringList, TStringList, TStringList) override
    {
        m_log << QStringLiteral("Duplicates.Start(lists)");
    }
    void Start() override { m_log << QStringLiteral("Duplicates.Start"); }
    void Stop() override { m_log << QStringLiteral("Duplicates.Stop"); }
    void SelectVolume(TName) override { m_log << QStringLiteral("Duplicates.SelectVolume"); }
    void DeSelectVolume(TName) override { m_log << QStringLiteral("Duplicates.DeSelectVolume"); }

signals:
    void Started();
    void Stopped();
    void Completed();

private:
    QStringList& m_log;
};

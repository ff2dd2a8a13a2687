#pragma once

#include "appmodel/IDefragController.h"
#include "core/Types.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the defragmentation tab as "Defrag.<operation>".
class CFakeDefragController : public QObject, public IDefragController {
    Q_OBJECT

public:
    explicit CFakeDefragController(QStringList& log)
        : m_log(log)
    {}

    void EntireDrive() override { m_log << QStringLiteral("Defrag.EntireDrive"); }
    void Analyse() override { m_log << QStringLiteral("Defrag.Analyse"); }
    void SelectedFiles() override { m_log << QStringLiteral("Defrag.SelectedFiles"); }
    void SystemFiles() override { m_log << QStringLiteral("Defrag.SystemFiles"); }
    void Stop() override { m_log << QStringLiteral("Defrag.Stop"); }
    void Pause() override { m_log << QStringLiteral("Defrag.Pause"); }
    void Resume() override { m_log << QStringLiteral("Defrag.Resume"); }
    void Properties() override { m_log << QStringLiteral("Defrag.Properties"); }
    void EntireDriveDefragOnly() override
    {
        m_log << QStringLiteral("Defrag.EntireDriveDefragOnly");
    }
    void EntireDriveTierLayout() override
    {
        m_log << QStringLiteral("Defrag.EntireDriveTierLayout");
    }
    void OnStartUp() override { m_log << QStringLiteral("Defrag.OnStartUp"); }

signals:
    void Started(TId kv_volume_guid);
    void Completed(TId kv_volume_guid);
    void Stopped(TId kv_volume_guid);

private:
    QStringList& m_log;
};

#pragma once

#include "appmodel/IVMController.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the virtual-guest tab as "VM.<operation>".
class CFakeVMController : public QObject, public IVMController {
    Q_OBJECT

public:
    explicit CFakeVMController(QStringList& log)
        : m_log(log)
    {}

    void Properties() override { m_log << QStringLiteral("VM.Properties"); }
    void Defragment(bool shrink, bool defrag_vfs, bool defrag_vmware_internal,
                    bool defrag_vs_offline) override
    {
        m_log << QStringLiteral("VM.Defragment(%1%2%3%4)")
                     .arg(int(shrink))
                     .arg(int(defrag_vfs))
                     .arg(int(defrag_vmware_internal))
                     .arg(int(defrag_vs_offline));
    }
    void Stop() override { m_log << QStringLiteral("VM.Stop"); }
    void RefreshModel() override { m_log << QStringLiteral("VM.RefreshModel"); }
    void UpdateModel() override { m_log << QStringLiteral("VM.UpdateModel"); }

private:
    QStringList& m_log;
};

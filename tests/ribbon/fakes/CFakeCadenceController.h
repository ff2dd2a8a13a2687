#pragma once

#include "appmodel/ICadenceController.h"
#include "core/Types.h"

#include <QObject>
#include <QStringList>

// Records the operations asked of the scheduling tab as "Cadence.<operation>", and emits the
// tab's signals on request.
class CFakeCadenceController : public QObject, public ICadenceController {
    Q_OBJECT

public:
    explicit CFakeCadenceController(QStringList& log)
        : m_log(log)
    {}

    void UpdateModel() override { m_log << QStringLiteral("Cadence.UpdateModel"); }
    void RunNow() override { m_log << QStringLiteral("Cadence.RunNow"); }
    void OneTime() override { m_log << QStringLiteral("Cadence.OneTime"); }
    void Daily() override { m_log << QStringLiteral("Cadence.Daily"); }
    void Weekly() override { m_log << QStringLiteral("Cadence.Weekly"); }
    void ScreenSaver() override { m_log << QStringLiteral("Cadence.ScreenSaver"); }
    void Automatic() override { m_log << QStringLiteral("Cadence.Automatic"); }
    void OneTimeEx() override { m_log << QStringLiteral("Cadence.OneTimeEx"); }
    void WeeklyEx() override { m_log << QStringLiteral("Cadence.WeeklyEx"); }
    void OneTimeVm() override { m_log << QStringLiteral("Cadence.OneTimeVm"); }
    void DailyVm() override { m_log << QStringLiteral("Cadence.DailyVm"); }
    void WeeklyVm() override { m_log << QStringLiteral("Cadence.WeeklyVm"); }
    void Edit() override { m_log << QStringLiteral("Cadence.Edit"); }
    void Rename() override { m_log << QStringLiteral("Cadence.Rename"); }
    void Delete() override { m_log << QStringLiteral("Cadence.Delete"); }
    void Disable() override { m_log << QStringLiteral("Cadence.Disable"); }

signals:
    void ModelUpdated();
    void ScheduleCreated(TName kv_schedule_name);
    void ScheduleChanged(TName kv_schedule_name);
    void ScheduleChangedVM(TName kv_schedule_name);
    void ScheduleChangedEX(TName kv_schedule_name);
    void ScheduleDeleted();
    void ScheduleEnabled(TName kv_schedule_name, bool enabled);
    void ScheduleSelected(TName kv_schedule_name);

private:
    QStringList& m_log;
};

#include "schedule/CAutoMinimumPeriod.h"

#include "schedule/CWizardPageInfo.h"

#include <QFormLayout>
#include <QSpinBox>

using namespace Qt::StringLiterals;

CAutoMinimumPeriod::CAutoMinimumPeriod(QWidget* parent)
    : CScreenMinimumPeriod("CAutoMinimumPeriod", parent)
    , m_idle(NewNumberField(kMinimumIdleMinutes, kMaximumIdleMinutes, this))
{
    m_idle->setObjectName(u"idleMinutes"_s);
    Form().addRow(Translate("Idle (minutes)"), m_idle);
    Form().addRow(new CWizardPageInfo(
        Translate("Period of time system must be idle before starting/resuming defragmentation.")));
    connect(m_idle, &QSpinBox::textChanged, this, &CWirePageBase::Changed);
}

QString CAutoMinimumPeriod::Summary() const
{
    QStringList lines;
    const QString period = PeriodSummary("%1 hours(s) between runs");
    if (!period.isEmpty())
        lines.append(period);
    if (HasNumber(*m_idle))
        lines.append(Translate("%1 min wait").Arg(m_idle->value()));
    return lines.join(u'\n');
}

void CAutoMinimumPeriod::Load(const TWireRecord& record)
{
    CScreenMinimumPeriod::Load(record);
    ShowNumber(*m_idle, WireSettings(record).idleMinutes);
}

void CAutoMinimumPeriod::Store(TWireRecord* record) const
{
    CScreenMinimumPeriod::Store(record);
    StoreNumber(*m_idle, &WireSettings(*record).idleMinutes);
}

QString CAutoMinimumPeriod::Validate() const
{
    QString refusal = CScreenMinimumPeriod::Validate();
    if (refusal.isEmpty() && !HasNumber(*m_idle))
        refusal = Translate("Enter idle period in minutes");
    return refusal;
}

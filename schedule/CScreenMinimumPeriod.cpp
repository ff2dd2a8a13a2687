#include "schedule/CScreenMinimumPeriod.h"

#include "schedule/CWizardPageInfo.h"
#include "schedule/CWizardSpinBox.h"

#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CScreenMinimumPeriod::CScreenMinimumPeriod(QWidget* parent)
    : CScreenMinimumPeriod("CScreenMinimumPeriod", parent)
{}

CScreenMinimumPeriod::CScreenMinimumPeriod(QByteArray context, QWidget* parent)
    : CWirePageBase(std::move(context), parent)
    , m_form(new QFormLayout)
    , m_period(NewNumberField(kMinimumHours, kMaximumHours, this))
{
    m_period->setObjectName(u"periodHours"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new CWizardPageInfo(Translate("Set the minimum period between defragmentation runs.")));
    m_form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    m_form->addRow(Translate("Period (hours)"), m_period);
    layout->addLayout(m_form);
    layout->addStretch(1);
    connect(m_period, &QSpinBox::textChanged, this, &CWirePageBase::Changed);
}

QSpinBox* CScreenMinimumPeriod::NewNumberField(int minimum, int maximum, QWidget* parent)
{
    return new CWizardSpinBox(minimum, maximum, parent);
}

void CScreenMinimumPeriod::ShowNumber(QSpinBox& field, quint32 value)
{
    if (value >= quint32(field.minimum()) && value <= quint32(field.maximum()))
        field.setValue(int(value));
    else
        field.clear();
}

bool CScreenMinimumPeriod::HasNumber(const QSpinBox& field)
{
    return !field.cleanText().trimmed().isEmpty();
}

void CScreenMinimumPeriod::StoreNumber(const QSpinBox& field, quint32* value)
{
    if (HasNumber(field))
        *value = quint32(field.value());
}

QString CScreenMinimumPeriod::PeriodSummary(const char* source) const
{
    return HasNumber(*m_period) ? Translate(source).Arg(m_period->value()).Text() : QString();
}

QString CScreenMinimumPeriod::Title() const
{
    return Translate("Minimum Period");
}

QString CScreenMinimumPeriod::Summary() const
{
    return PeriodSummary("%1 hours between runs");
}

void CScreenMinimumPeriod::Load(const TWireRecord& record)
{
    ShowNumber(*m_period, WireSettings(record).interval);
}

void CScreenMinimumPeriod::Store(TWireRecord* record) const
{
    StoreNumber(*m_period, &WireSettings(*record).interval);
}

QString CScreenMinimumPeriod::Validate() const
{
    return HasNumber(*m_period) ? QString() : Translate("Enter a minimum period").Text();
}

QWidget* CScreenMinimumPeriod::FirstField() const
{
    return m_period;
}

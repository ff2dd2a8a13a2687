#include "schedule/CDefragDailyTimeDatePage.h"

#include "schedule/CWizardSpinBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr quint32 kHoursPerDay = 24;
constexpr quint32 kWorkingDays = CCadence::kMonday | CCadence::kTuesday | CCadence::kWednesday |
                                 CCadence::kThursday | CCadence::kFriday;
constexpr quint32 kWeekendDays = CCadence::kSaturday | CCadence::kSunday;
constexpr int kMaximumDays = 365;

} // namespace

CDefragDailyTimeDatePage::CDefragDailyTimeDatePage(QWidget* parent)
    : CDefragDatePageBase("CDefragDailyTimeDatePage", parent)
    , m_every(new QRadioButton(Translate("Every"), this))
    , m_days(new CWizardSpinBox(1, kMaximumDays, this))
    , m_weekdays(new QRadioButton(Translate("Weekdays only"), this))
    , m_weekends(new QRadioButton(Translate("Weekends only"), this))
{
    SetForType(CWireWizardBase::kDaily);
    m_days->setObjectName(QStringLiteral("everyDays"));
    auto* frequency = new QGroupBox(Translate("Frequency"), this);
    auto* everyLayout = new QHBoxLayout;
    everyLayout->addWidget(m_every);
    everyLayout->addWidget(m_days);
    everyLayout->addWidget(new QLabel(Translate("Day(s)"), frequency));
    everyLayout->addStretch(1);
    auto* layout = new QVBoxLayout(frequency);
    layout->addLayout(everyLayout);
    layout->addWidget(m_weekdays);
    layout->addWidget(m_weekends);
    for (QRadioButton* button : {m_every, m_weekdays, m_weekends})
        button->setParent(frequency);
    AddRepeatWidget(frequency);

    m_every->setChecked(true);
    connect(m_every, &QRadioButton::toggled, m_days, &QWidget::setEnabled);
    for (QRadioButton* button : {m_every, m_weekdays, m_weekends}) {
        connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                emit Changed();
        });
    }
    connect(m_days, &QSpinBox::valueChanged, this, &CWirePageBase::Changed);
}

QString CDefragDailyTimeDatePage::Summary() const
{
    if (m_weekdays->isChecked())
        return Translate("%1, weekdays only").Arg(StartText());
    if (m_weekends->isChecked())
        return Translate("%1, weekends only").Arg(StartText());
    return Translate("%1, every %2 day(s)").Arg(StartText()).Arg(m_days->value());
}

void CDefragDailyTimeDatePage::LoadRepeat(const CScheduleSettings& settings, bool fresh)
{
    if (fresh) {
        m_every->setChecked(true);
        m_days->setValue(1);
    } else if (settings.interval == kHoursPerWeek && settings.weekdays == kWorkingDays) {
        m_weekdays->setChecked(true);
    } else if (settings.interval == kHoursPerWeek && settings.weekdays == kWeekendDays) {
        m_weekends->setChecked(true);
    } else {
        m_every->setChecked(true);
        m_days->setValue(int(RepeatCount(settings.interval, kHoursPerDay, kMaximumDays)));
    }
    m_days->setEnabled(m_every->isChecked());
}

void CDefragDailyTimeDatePage::StoreRepeat(CScheduleSettings* settings) const
{
    settings->type = CCadence::kDaily;
    if (m_weekdays->isChecked()) {
        settings->interval = kHoursPerWeek;
        settings->weekdays = kWorkingDays;
    } else if (m_weekends->isChecked()) {
        settings->interval = kHoursPerWeek;
        settings->weekdays = kWeekendDays;
    } else {
        settings->interval = quint32(m_days->value()) * kHoursPerDay;
        settings->weekdays = 0;
    }
}

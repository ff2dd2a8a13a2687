#include "schedule/CDefragWeeklyTimeDatePage.h"

#include "schedule/CWizardSpinBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kMaximumWeeks = 52;

const char* const kDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};
const char* const kShortDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

} // namespace

CDefragWeeklyTimeDatePage::CDefragWeeklyTimeDatePage(QWidget* parent)
    : CDefragDatePageBase("CDefragWeeklyTimeDatePage", parent)
    , m_weeks(new CWizardSpinBox(1, kMaximumWeeks, this))
{
    SetForType(CWireWizardBase::kWeekly);
    m_weeks->setObjectName(QStringLiteral("everyWeeks"));
    auto* repeat = new QWidget(this);
    auto* everyLayout = new QHBoxLayout;
    everyLayout->setContentsMargins(0, 0, 0, 0);
    everyLayout->addWidget(new QLabel(Translate("Every"), repeat));
    everyLayout->addWidget(m_weeks);
    everyLayout->addWidget(new QLabel(Translate("Week(s)"), repeat));
    everyLayout->addStretch(1);
    auto* days = new QGroupBox(Translate("Select Days"), repeat);
    auto* daysLayout = new QGridLayout(days);
    for (int day = 0; day < 7; ++day) {
        auto* box = new QCheckBox(Translate(kDayNames[day]), days);
        m_days.at(std::size_t(day)) = box;
        daysLayout->addWidget(box, day / 4, day % 4);
        connect(box, &QCheckBox::toggled, this, &CWirePageBase::Changed);
    }
    auto* layout = new QVBoxLayout(repeat);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(everyLayout);
    layout->addWidget(days);
    m_weeks->setParent(repeat);
    AddRepeatWidget(repeat);
    connect(m_weeks, &QSpinBox::valueChanged, this, &CWirePageBase::Changed);
}

quint32 CDefragWeeklyTimeDatePage::Weekdays() const
{
    quint32 weekdays = 0;
    for (int day = 0; day < 7; ++day) {
        if (m_days.at(std::size_t(day))->isChecked())
            weekdays |= 1u << day;
    }
    return weekdays;
}

QString CDefragWeeklyTimeDatePage::Summary() const
{
    QStringList days;
    for (int day = 0; day < 7; ++day) {
        if (m_days.at(std::size_t(day))->isChecked())
            days << Translate(kShortDayNames[day]);
    }
    return Translate("%1, every %2 week(s) on %3")
        .Arg(StartText())
        .Arg(m_weeks->value())
        .Arg(days.join(QStringLiteral(" ")));
}

void CDefragWeeklyTimeDatePage::LoadRepeat(const CScheduleSettings& settings, bool fresh)
{
    quint32 weekdays = settings.weekdays;
    if (fresh) {
        m_weeks->setValue(1);
        // The day the default start falls on.
        weekdays = 1u << (Start().date().dayOfWeek() - 1);
    } else {
        m_weeks->setValue(int(RepeatCount(settings.interval, kHoursPerWeek, kMaximumWeeks)));
    }
    for (int day = 0; day < 7; ++day)
        m_days.at(std::size_t(day))->setChecked((weekdays & (1u << day)) != 0);
}

void CDefragWeeklyTimeDatePage::StoreRepeat(CScheduleSettings* settings) const
{
    settings->type = CCadence::kWeekly;
    settings->interval = quint32(m_weeks->value()) * kHoursPerWeek;
    settings->weekdays = Weekdays();
}

QString CDefragWeeklyTimeDatePage::ValidateRepeat() const
{
    return Weekdays() == 0 ? Translate("One or more days of the week should be checked")
                           : QString();
}

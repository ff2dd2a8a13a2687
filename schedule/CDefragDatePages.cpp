#include "schedule/CDefragDatePages.h"

#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "schedule/CPrettyCalendar.h"
#include "schedule/CWizardSpinBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

CDefragDatePageBase::TClock& Clock()
{
    static CDefragDatePageBase::TClock clock;
    return clock;
}

// The maximum duration in hours: fractions allowed, at least six minutes, and small enough
// that its seconds fit the record.
constexpr double kMinimumHours = 0.1;
constexpr double kMaximumHours = 1'000'000.0;
constexpr int kHourDecimals = 3;

constexpr quint32 kHoursPerDay = 24;
constexpr quint32 kHoursPerWeek = 168;
constexpr quint32 kWorkingDays = CCadence::kMonday | CCadence::kTuesday | CCadence::kWednesday |
                                 CCadence::kThursday | CCadence::kFriday;
constexpr quint32 kWeekendDays = CCadence::kSaturday | CCadence::kSunday;
constexpr int kMaximumDays = 365;
constexpr int kMaximumWeeks = 52;

const char* const kDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};
const char* const kShortDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// A date-time cut to the minute the time field shows.
QDateTime ToMinute(const QDateTime& dateTime)
{
    const QTime time = dateTime.time();
    return QDateTime(dateTime.date(), QTime(time.hour(), time.minute()));
}

// The first full hour at least ten minutes after now.
QDateTime DefaultStart(const QDateTime& now)
{
    const QDateTime soon = now.addSecs(600);
    const QDateTime hour(soon.date(), QTime(soon.time().hour(), 0));
    return hour == soon ? hour : hour.addSecs(3600);
}

quint32 RepeatCount(quint32 interval, quint32 unit, int maximum)
{
    const auto count = qint64(std::llround(double(interval) / double(unit)));
    return quint32(std::clamp<qint64>(count, 1, maximum));
}

} // namespace

void CDefragDatePageBase::SetClock(TClock clock)
{
    Clock() = std::move(clock);
}

QDateTime CDefragDatePageBase::Now()
{
    return Clock() ? Clock()() : QDateTime::currentDateTime();
}

CDefragDatePageBase::CDefragDatePageBase(QByteArray context, QWidget* parent)
    : CWirePageBase(std::move(context), parent)
    , m_calendar(new CPrettyCalendar(this))
    , m_time(new QTimeEdit(this))
    , m_maximum(new QCheckBox(Translate("Maximum Duration hours (for online defrag)"), this))
    , m_hours(new QLineEdit(this))
    , m_shutdown(new QCheckBox(Translate("Shutdown when complete"), this))
    , m_layout(new QVBoxLayout(this))
{
    m_time->setObjectName(QStringLiteral("startTime"));
    m_time->setDisplayFormat(QStringLiteral("hh:mm"));
    m_hours->setObjectName(QStringLiteral("maximumHours"));
    auto* validator = new QDoubleValidator(kMinimumHours, kMaximumHours, kHourDecimals, m_hours);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    m_hours->setValidator(validator);

    auto* startLayout = new QGridLayout;
    startLayout->addWidget(new QLabel(Translate("Start Date"), this), 0, 0);
    startLayout->addWidget(new QLabel(Translate("Start Time"), this), 0, 1);
    startLayout->addWidget(m_calendar, 1, 0);
    startLayout->addWidget(m_time, 1, 1, Qt::AlignTop);
    startLayout->setColumnStretch(0, 1);
    m_layout->addLayout(startLayout);
    auto* maximumLayout = new QHBoxLayout;
    maximumLayout->addWidget(m_maximum);
    maximumLayout->addWidget(m_hours);
    maximumLayout->addStretch(1);
    m_layout->addLayout(maximumLayout);
    m_layout->addWidget(m_shutdown);
    m_layout->addStretch(1);

    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &CWirePageBase::Changed);
    connect(m_time, &QTimeEdit::timeChanged, this, &CWirePageBase::Changed);
    connect(m_maximum, &QCheckBox::toggled, this, &CDefragDatePageBase::OnMaximum);
    connect(m_hours, &QLineEdit::textChanged, this, &CWirePageBase::Changed);
    connect(m_shutdown, &QCheckBox::toggled, this, &CWirePageBase::Changed);

    ShowStart(DefaultStart(Now()));
    UpdateMaximum();
}

QString CDefragDatePageBase::Title() const
{
    return Translate("Time and Date");
}

void CDefragDatePageBase::AddRepeatWidget(QWidget* widget)
{
    // Above the stretch.
    m_layout->insertWidget(m_layout->count() - 1, widget);
}

QDateTime CDefragDatePageBase::Start() const
{
    return QDateTime(m_calendar->selectedDate(), m_time->time());
}

QString CDefragDatePageBase::StartText() const
{
    return CTextFormat::LocaleDateTimeText(Start());
}

void CDefragDatePageBase::ShowStart(const QDateTime& start)
{
    const QDateTime shown = ToMinute(start);
    m_calendar->setSelectedDate(shown.date());
    m_time->setTime(shown.time());
}

void CDefragDatePageBase::UpdateMaximum()
{
    m_maximum->setEnabled(m_online);
    m_hours->setEnabled(m_online && m_maximum->isChecked());
}

void CDefragDatePageBase::OnOnlineSelected(bool online)
{
    m_online = online;
    UpdateMaximum();
    emit Changed();
}

void CDefragDatePageBase::OnMaximum()
{
    UpdateMaximum();
    emit Changed();
}

void CDefragDatePageBase::SetForType(CWireWizardBase::TWizardType type)
{
    m_forType = type;
}

void CDefragDatePageBase::Load(const TWireRecord& record)
{
    const CScheduleSettings& settings = WireSettings(record);
    const bool fresh = !COleDate::IsSet(settings.start);
    const QDateTime start = fresh ? QDateTime() : COleDate::ToDateTime(settings.start);
    const bool ownStart = m_storedStart.has_value() && *m_storedStart == settings.start;
    {
        const QSignalBlocker blocker(this);
        m_calendar->SetToday(Now().date());
        ShowStart(start.isValid() ? start : DefaultStart(Now()));
        if (!ownStart) {
            m_storedStart.reset();
            m_originalStart = start.isValid() ? settings.start : 0.0;
            m_originalShown = start.isValid() ? Start() : QDateTime();
        }
        m_online = (settings.passes & CCadence::kOnlinePass) != 0;
        m_maximum->setChecked(settings.maxDuration > 0);
        m_originalSeconds = settings.maxDuration;
        m_originalHours =
            settings.maxDuration > 0
                ? CTextFormat::NumberText(settings.maxDuration / 3600.0, kHourDecimals)
                : QString();
        m_hours->setText(m_originalHours);
        m_shutdown->setChecked(settings.shutdownWhenComplete);
        LoadRepeat(settings, fresh);
    }
    UpdateMaximum();
    emit Changed();
}

bool CDefragDatePageBase::StartChanged() const
{
    return !m_originalShown.isValid() || Start() != m_originalShown;
}

void CDefragDatePageBase::Store(TWireRecord* record) const
{
    CScheduleSettings& settings = WireSettings(*record);
    settings.start = StartChanged() ? COleDate::FromDateTime(Start()) : m_originalStart;
    m_storedStart = settings.start;
    settings.maxDuration = 0;
    if (m_online && m_maximum->isChecked() && m_hours->hasAcceptableInput()) {
        const double hours = QLocale::c().toDouble(m_hours->text());
        // The hours shown are rounded: seconds left as they were are kept exactly.
        settings.maxDuration = m_hours->text() == m_originalHours && m_originalSeconds > 0
                                   ? m_originalSeconds
                                   : quint32(hours * 3600.0);
    }
    settings.shutdownWhenComplete = m_shutdown->isChecked();
    StoreRepeat(&settings);
}

QString CDefragDatePageBase::Validate() const
{
    if (Start() <= Now() && !(Editing() && !StartChanged())) {
        if (Editing() && m_originalShown.isValid()) {
            return Translate("If you change the date/time, the schedule start date and time have "
                             "to be in the future, otherwise set it back to %1")
                .Arg(CTextFormat::LocaleDateTimeText(m_originalStart));
        }
        return Translate("The schedule start date and time have to be in the future");
    }
    if (m_online && m_maximum->isChecked() && !m_hours->hasAcceptableInput())
        return Translate("Invalid maximum duration value.  Must be numeric.");
    return ValidateRepeat();
}

QWidget* CDefragDatePageBase::FirstField() const
{
    return m_calendar;
}

// --- one time ---

CDefragOneTimeDatePage::CDefragOneTimeDatePage(QWidget* parent)
    : CDefragDatePageBase("CDefragOneTimeDatePage", parent)
{
    SetForType(CWireWizardBase::kOneTime);
}

QString CDefragOneTimeDatePage::Summary() const
{
    return Translate("Once at %1").Arg(StartText());
}

void CDefragOneTimeDatePage::LoadRepeat(const CScheduleSettings&, bool) {}

void CDefragOneTimeDatePage::StoreRepeat(CScheduleSettings* settings) const
{
    settings->type = CCadence::kOneTime;
    settings->interval = 0;
    settings->weekdays = 0;
}

// --- daily ---

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

// --- weekly ---

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

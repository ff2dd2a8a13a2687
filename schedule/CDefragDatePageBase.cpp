#include "schedule/CDefragDatePageBase.h"

#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "schedule/CPrettyCalendar.h"

#include <QCheckBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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

quint32 CDefragDatePageBase::RepeatCount(quint32 interval, quint32 unit, int maximum)
{
    const auto count = qint64(std::llround(double(interval) / double(unit)));
    return quint32(std::clamp<qint64>(count, 1, maximum));
}

#include "schedule/CTimelineAddDialog.h"

#include "appmodel/IMessagePresenter.h"
#include "schedule/CTimelineGrid.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

using namespace Qt::StringLiterals;

namespace {

QTime WholeHourOf(const QTime& time)
{
    return QTime(time.isValid() ? time.hour() : 0, 0);
}

} // namespace

CTimelineAddDialog::CTimelineAddDialog(CTimelineGrid& grid, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CTimelineAddDialog")
    , m_grid(grid)
    , m_startDate(new QDateEdit(this))
    , m_startTime(new QTimeEdit(this))
    , m_endTime(new QTimeEdit(this))
    , m_repeat(new QSpinBox(this))
{
    setWindowTitle(Translate("Add Exclusion"));
    const QDateTime base = m_grid.Base();
    m_startDate->setObjectName(u"startDate"_s);
    m_startDate->setCalendarPopup(true);
    m_startDate->setDateRange(base.date(), base.date().addDays(CTimelineGrid::DayCount - 1));
    m_startTime->setObjectName(u"startTime"_s);
    m_startTime->setDisplayFormat(u"HH:mm"_s);
    m_endTime->setObjectName(u"endTime"_s);
    m_endTime->setDisplayFormat(u"HH:mm"_s);
    m_repeat->setObjectName(u"repeat"_s);
    m_repeat->setRange(0, kMaximumRepeat);

    // A start on the next whole hour, one hour long.
    const QDateTime next = base.addSecs(CTimelineGrid::SecondsPerHour);
    SetStart(std::max(next, QDateTime::currentDateTime().addSecs(CTimelineGrid::SecondsPerHour)));
    SetEndTime(Start().addSecs(CTimelineGrid::SecondsPerHour).time());

    auto* start = new QHBoxLayout;
    start->addWidget(m_startDate);
    start->addWidget(m_startTime);
    auto* repeat = new QHBoxLayout;
    repeat->addWidget(m_repeat);
    repeat->addWidget(new QLabel(Translate("Days"), this));
    repeat->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(Translate("Start"), start);
    form->addRow(Translate("End"), m_endTime);
    form->addRow(Translate("Repeat Every"), repeat);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(Translate("Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &CTimelineAddDialog::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_startTime, &QTimeEdit::timeChanged, this, &CTimelineAddDialog::OnStartTimeChanged);
    connect(m_endTime, &QTimeEdit::timeChanged, this, &CTimelineAddDialog::OnEndTimeChanged);
}

QDateTime CTimelineAddDialog::Start() const
{
    return QDateTime(m_startDate->date(), m_startTime->time());
}

QDateTime CTimelineAddDialog::End() const
{
    const QTime end = m_endTime->time();
    return end == QTime(0, 0) ? QDateTime(m_startDate->date().addDays(1), end)
                              : QDateTime(m_startDate->date(), end);
}

int CTimelineAddDialog::RepeatDays() const
{
    return m_repeat->value();
}

void CTimelineAddDialog::SetStart(const QDateTime& start)
{
    m_startDate->setDate(start.date());
    m_startTime->setTime(WholeHourOf(start.time()));
}

void CTimelineAddDialog::SetEndTime(const QTime& end)
{
    m_endTime->setTime(WholeHourOf(end));
}

void CTimelineAddDialog::SetRepeatDays(int days)
{
    m_repeat->setValue(days);
}

void CTimelineAddDialog::OnStartTimeChanged(QTime time)
{
    if (time != WholeHourOf(time))
        m_startTime->setTime(WholeHourOf(time));
}

void CTimelineAddDialog::OnEndTimeChanged(QTime time)
{
    if (time != WholeHourOf(time))
        m_endTime->setTime(WholeHourOf(time));
}

void CTimelineAddDialog::OnOk()
{
    const CTimelineGrid::TWindow window{Start(), End(), RepeatDays()};
    if (window.start >= window.end) {
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Date/Time Error"),
                                Translate("The start date/time cannot be after the end date/time."),
                                QMessageBox::Ok, this);
        return;
    }
    if (m_grid.Overlaps(window)) {
        IMessagePresenter::Show(
            QMessageBox::Warning, Translate("Time Overlap"),
            Translate("The time period you chose overlaps an existing time period."),
            QMessageBox::Ok, this);
        return;
    }
    m_grid.Mark(window);
    accept();
}

#include "schedule/CTimelineRepeat.h"

#include "schedule/CTimelineGrid.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QSpinBox>

using namespace Qt::StringLiterals;

CTimelineRepeat::CTimelineRepeat(CTimelineGrid& grid, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CTimelineRepeat")
    , m_grid(grid)
    , m_period(new QLabel(this))
    , m_every(new QCheckBox(this))
    , m_days(new QSpinBox(this))
    , m_after(new QLabel(Translate("days after"), this))
{
    m_period->setObjectName(u"period"_s);
    m_every->setObjectName(u"every"_s);
    m_days->setObjectName(u"days"_s);
    m_days->setRange(1, kMaximumDays);
    m_days->setValue(7);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_period);
    layout->addSpacing(12);
    layout->addWidget(m_every);
    layout->addWidget(m_days);
    layout->addWidget(m_after);
    layout->addStretch(1);
    connect(m_every, &QCheckBox::clicked, this, &CTimelineRepeat::OnClick);
    connect(m_days, &QSpinBox::valueChanged, this, [this] {
        if (m_every->isChecked())
            Apply();
    });
    ShowPeriod();
}

void CTimelineRepeat::SetPeriod(int cell)
{
    m_first = -1;
    m_last = -1;
    if (m_grid.IsMarked(cell)) {
        const qint32 repeat = m_grid.Repeat(cell);
        m_first = cell;
        while (m_grid.IsMarked(m_first - 1) && m_grid.Repeat(m_first - 1) == repeat)
            --m_first;
        m_last = cell;
        while (m_grid.IsMarked(m_last + 1) && m_grid.Repeat(m_last + 1) == repeat)
            ++m_last;
    }
    ShowPeriod();
}

int CTimelineRepeat::Value() const
{
    return m_first >= 0 && m_every->isChecked() ? m_days->value() : 0;
}

QString CTimelineRepeat::PeriodText() const
{
    if (m_first < 0)
        return {};
    return CTimelineGrid::PeriodText(m_grid.CellStart(m_first), m_grid.CellStart(m_last + 1));
}

void CTimelineRepeat::ShowPeriod()
{
    const bool period = m_first >= 0;
    const qint32 repeat = period ? m_grid.Repeat(m_first) : 0;
    m_period->setText(period ? Translate("Do not run on %1").Arg(PeriodText()).Text() : QString());
    m_every->setText(
        Translate("%1 and every")
            .Arg(period ? QLocale().toString(m_grid.CellStart(m_first).date(), u"ddd d MMM"_s)
                        : QString())
            .Text());
    const QSignalBlocker blockBox(m_every);
    const QSignalBlocker blockDays(m_days);
    m_every->setChecked(repeat > 0);
    if (repeat > 0)
        m_days->setValue(repeat);
    m_every->setEnabled(period);
    m_days->setEnabled(period && repeat > 0);
    m_after->setEnabled(period && repeat > 0);
}

void CTimelineRepeat::SetValue(int days)
{
    {
        const QSignalBlocker blockBox(m_every);
        const QSignalBlocker blockDays(m_days);
        m_every->setChecked(days > 0);
        if (days > 0)
            m_days->setValue(days);
    }
    Apply();
}

void CTimelineRepeat::OnClick()
{
    Apply();
}

void CTimelineRepeat::Apply()
{
    m_days->setEnabled(m_first >= 0 && m_every->isChecked());
    m_after->setEnabled(m_days->isEnabled());
    if (m_first < 0)
        return;
    const qint32 repeat = m_every->isChecked() ? m_days->value() : 0;
    if (m_grid.Repeat(m_first) == repeat)
        return;
    m_grid.SetRange(m_first, m_last, true, repeat);
    emit Updated();
}

#include "schedule/CTimeline.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "resources/CSkinResources.h"
#include "schedule/CTimelineDays.h"
#include "schedule/CTimelineDialog.h"
#include "schedule/CTimelineHours.h"
#include "schedule/CTimelineRepeat.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The title band of the frame's top pieces.
constexpr int kTitleHeight = 28;
constexpr int kMargin = 8;

QString CurrentSkinFolder()
{
    IAppController* controller = IAppController::Current();
    return controller ? controller->Model().Skin().imageFolder
                      : CSkinResources::ImageFolder(CSkinResources::kBlue);
}

} // namespace

const CNinePieceFrame::TNames CTimeline::kPieceNames = {
    "exclusions_top_left.png",    "exclusions_top_center.png",    "exclusions_top_right.png",
    "exclusions_center_left.png", "exclusions_center_center.png", "exclusions_center_right.png",
    "exclusions_bottom_left.png", "exclusions_bottom_center.png", "exclusions_bottom_right.png",
};

CTimeline::CTimeline(QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CTimeline")
    , m_grid(QDateTime(QDate::currentDate(), QTime(0, 0)))
    , m_frame(kPieceNames)
    , m_days(new CTimelineDays(m_grid, this))
    , m_dayBar(new QScrollBar(Qt::Horizontal, this))
    , m_hours(new CTimelineHours(m_grid, this))
    , m_hourBar(new QScrollBar(Qt::Horizontal, this))
    , m_repeat(new CTimelineRepeat(m_grid, this))
    , m_details(new QPushButton(Translate("Details..."), this))
{
    m_dayBar->setObjectName(u"dayBar"_s);
    m_hourBar->setObjectName(u"hourBar"_s);
    m_details->setObjectName(u"details"_s);
    m_hourBar->setSingleStep(1);
    m_dayBar->setSingleStep(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_repeat, 1);
    bottom->addWidget(m_details);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kTitleHeight + kMargin / 2, kMargin, kMargin);
    layout->setSpacing(2);
    layout->addWidget(m_days);
    layout->addWidget(m_dayBar);
    layout->addSpacing(4);
    layout->addWidget(m_hours);
    layout->addWidget(m_hourBar);
    layout->addSpacing(4);
    layout->addLayout(bottom);

    connect(m_hours, &CTimelineHours::StartIndexChanged, m_hourBar, &QScrollBar::setValue);
    connect(m_hours, &CTimelineHours::StartIndexChanged, m_days, &CTimelineDays::SetStartHourIndex);
    connect(m_hours, &CTimelineHours::Resized, this, &CTimeline::OnResized);
    connect(m_hours, &CTimelineHours::Selected, m_repeat, &CTimelineRepeat::SetPeriod);
    // The hours strip has repainted the cells it changed; the rest follows.
    connect(m_hours, &CTimelineHours::Updated, this, [this] {
        m_days->update();
        emit Updated();
    });
    connect(m_hourBar, &QScrollBar::actionTriggered, this, &CTimeline::OnAction);
    connect(m_hourBar, &QScrollBar::valueChanged, m_hours, &CTimelineHours::SetStartIndex);

    connect(m_days, &CTimelineDays::StartIndexChanged, m_dayBar, &QScrollBar::setValue);
    connect(m_days, &CTimelineDays::Moved, this, &CTimeline::OnMoved);
    connect(m_days, &CTimelineDays::Updated, this, &CTimeline::OnGridChanged);
    connect(m_dayBar, &QScrollBar::valueChanged, m_days, &CTimelineDays::SetStartIndex);

    connect(m_repeat, &CTimelineRepeat::Updated, this, &CTimeline::OnGridChanged);
    connect(m_details, &QPushButton::clicked, this, &CTimeline::OnDetails);

    OnResized(m_hours->VisibleCells());
    SkinChanged();
}

void CTimeline::SetWindows(const CScheduleSettings::TExclusionWindows& windows,
                           const QDateTime& base)
{
    m_grid.SetBase(base.isValid() ? base : QDateTime(QDate::currentDate(), QTime(0, 0)));
    m_grid.FromWindows(CTimelineGrid::FromRecord(windows));
    m_repeat->SetPeriod(-1);
    m_hours->SetStartIndex(0);
    m_days->SetStartIndex(0);
    Refresh();
}

CScheduleSettings::TExclusionWindows CTimeline::Windows() const
{
    return CTimelineGrid::ToRecord(m_grid.ToWindows());
}

void CTimeline::Refresh()
{
    m_hours->update();
    m_days->update();
    m_repeat->SetPeriod(m_repeat->First());
}

void CTimeline::OnGridChanged()
{
    Refresh();
    emit Updated();
}

void CTimeline::OnDetails()
{
    CTimelineDialog dialog(m_grid, this);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return;
    const bool changed = dialog.Grid().ToWindows() != m_grid.ToWindows();
    m_grid = dialog.Grid();
    if (changed)
        OnGridChanged();
}

void CTimeline::OnAction(int action)
{
    if (action != QAbstractSlider::SliderPageStepAdd &&
        action != QAbstractSlider::SliderPageStepSub)
        return;
    // To the start of the next or the previous day, counted in wall-clock hours from the base.
    const int hour = m_grid.Base().time().hour();
    const int value = m_hourBar->value();
    const int dayStart = value - (hour + value) % CTimelineGrid::HoursPerDay;
    const int target = action == QAbstractSlider::SliderPageStepAdd
                           ? dayStart + CTimelineGrid::HoursPerDay
                           : (dayStart < value ? dayStart : dayStart - CTimelineGrid::HoursPerDay);
    m_hourBar->setSliderPosition(std::clamp(target, m_hourBar->minimum(), m_hourBar->maximum()));
}

void CTimeline::OnResized(int blocks)
{
    m_hourBar->setRange(0, std::max(0, CTimelineGrid::CellCount - blocks));
    m_hourBar->setPageStep(std::max(blocks, 1));
    m_days->SetHourSpan(blocks);
    UpdateDayRange();
}

void CTimeline::OnMoved(int index)
{
    m_hours->SetStartIndex(index);
}

void CTimeline::UpdateDayRange()
{
    const int days = m_days->VisibleDays();
    m_dayBar->setRange(0, std::max(0, CTimelineGrid::DayCount - days));
    m_dayBar->setPageStep(std::max(days, 1));
}

void CTimeline::SkinChanged()
{
    const QString folder = CurrentSkinFolder();
    m_frame.Load(folder);
    const TTimelineColors colors = TTimelineColors::ForSkin(folder);
    m_hours->SetColors(colors);
    m_days->SetColors(colors);
    update();
}

void CTimeline::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateDayRange();
}

void CTimeline::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    m_frame.Paint(painter, rect());
    QFont title = font();
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(kMargin + 4, 0, width() - 2 * kMargin, kTitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, Translate("Defrag Exclusion Period"));
}

#include "widgets/CBarChartWidget.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kMargin = 8;
constexpr qreal kLegendImageSize = 16;
constexpr qreal kLegendGap = 4;
constexpr qreal kLegendEntryGap = 14;
constexpr qreal kAxisGap = 5;
constexpr int kGridSteps = 5; // grid lines every 20 %
// Share of a group's width taken by its bars; the rest separates the groups.
constexpr qreal kBarsShare = 0.7;
constexpr qreal kWidestBar = 36; // a few passes do not fill the plot with slabs
constexpr qreal kLabelGap = 10;

QString BarChartAxisText(int step)
{
    return QString::number(step * 100 / kGridSteps) + u'%';
}

QFont BarChartTitleFont(QFont font)
{
    font.setBold(true);
    return font;
}

} // namespace

CBarChartWidget::CBarChartWidget(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CBarChartWidget::SetTitle(const QString& title)
{
    m_title = title;
    Invalidate();
}

void CBarChartWidget::SetSeries(const QList<TSeries>& series)
{
    m_series = series;
    Invalidate();
}

void CBarChartWidget::SetGroups(const QList<TGroup>& groups)
{
    m_groups = groups;
    Invalidate();
}

void CBarChartWidget::Invalidate()
{
    m_laidOut = false;
    update();
}

QColor CBarChartWidget::SeriesColor(int series) const
{
    if (series < m_series.size() && m_series.at(series).color.isValid())
        return m_series.at(series).color;
    switch (series) {
    case 0:
        return palette().color(QPalette::Mid);
    case 1:
        return palette().color(QPalette::Highlight);
    default:
        return QColor::fromHsv((series * 67) % 360, 150, 200);
    }
}

void CBarChartWidget::Layout() const
{
    if (m_laidOut)
        return;
    m_laidOut = true;
    const QFontMetricsF metrics(font());
    const QFontMetricsF titleMetrics(BarChartTitleFont(font()));
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);

    // Title on the left of the top row, the legend on its right.
    const qreal rowHeight = std::max(
        {titleMetrics.height(), metrics.height(), m_series.isEmpty() ? 0.0 : kLegendImageSize});
    m_titleRect = QRectF(area.left(), area.top(), area.width(), rowHeight);
    m_legendImages.assign(m_series.size(), QRectF());
    m_legendTexts.assign(m_series.size(), QRectF());
    qreal right = area.right();
    for (qsizetype s = m_series.size() - 1; s >= 0; --s) {
        const qreal textWidth = metrics.horizontalAdvance(m_series.at(s).name);
        m_legendTexts[s] = QRectF(right - textWidth, area.top(), textWidth, rowHeight);
        const qreal imageLeft = m_legendTexts[s].left() - kLegendGap - kLegendImageSize;
        m_legendImages[s] = QRectF(imageLeft, area.top() + (rowHeight - kLegendImageSize) / 2,
                                   kLegendImageSize, kLegendImageSize);
        right = imageLeft - kLegendEntryGap;
    }
    m_titleRect.setRight(std::max(area.left(), right));

    // The value axis' labels on the left, the category labels underneath.
    const qreal axisWidth = metrics.horizontalAdvance(BarChartAxisText(kGridSteps));
    const qreal top = m_titleRect.bottom() + kMargin + metrics.height() / 2;
    const qreal bottom = area.bottom() - metrics.height() - kAxisGap;
    const qreal left = area.left() + axisWidth + kAxisGap;
    const qsizetype groups = m_groups.size();
    const qsizetype series = m_series.size();
    qreal widest = 0;
    for (const TGroup& group : m_groups)
        widest = std::max(widest, metrics.horizontalAdvance(group.label));
    // The newest group's label is centred under it: room on the right for the half of it that
    // is wider than the group, n groups sharing the width W that is left.
    qreal inset = 0;
    if (groups > 0) {
        const qreal width = area.right() - left;
        const qreal n = qreal(groups);
        inset = std::max(0.0, (widest / 2 - width / (2 * n)) / (1 - 1 / (2 * n)));
    }
    m_plotRect = QRectF(QPointF(left, top),
                        QPointF(std::max(left, area.right() - inset), std::max(top, bottom)));
    m_labelTop = m_plotRect.bottom() + kAxisGap;

    m_groupWidth = groups == 0 ? 0 : m_plotRect.width() / qreal(groups);
    const qreal barWidth =
        series == 0 ? 0 : std::min(kWidestBar, m_groupWidth * kBarsShare / qreal(series));
    m_bars.resize(series);
    for (qsizetype s = 0; s < series; ++s) {
        std::vector<QRectF>& bars = m_bars[s];
        bars.assign(groups, QRectF());
        for (qsizetype g = 0; g < groups; ++g) {
            const QList<double>& values = m_groups.at(g).values;
            if (s >= values.size() || std::isnan(values.at(s)))
                continue;
            const qreal height = m_plotRect.height() * std::clamp(values.at(s), 0.0, 100.0) / 100.0;
            const qreal x = m_plotRect.left() + m_groupWidth * qreal(g) +
                            (m_groupWidth - barWidth * qreal(series)) / 2 + barWidth * qreal(s);
            bars[g] = QRectF(x, m_plotRect.bottom() - height, barWidth, height);
        }
    }

    // Every step-th label, ending with the newest group, so that none overlaps the next.
    m_labelled.clear();
    if (groups > 0 && m_groupWidth > 0) {
        const qsizetype step =
            std::max<qsizetype>(1, qsizetype(std::ceil((widest + kLabelGap) / m_groupWidth)));
        for (qsizetype g = (groups - 1) % step; g < groups; g += step)
            m_labelled.append(int(g));
    }
}

bool CBarChartWidget::BarAt(const QPointF& point, int* group, int* series) const
{
    Layout();
    if (!m_plotRect.contains(point) || m_groupWidth <= 0)
        return false;
    // Only the bars of the group under the point can hold it.
    const qsizetype g = qsizetype((point.x() - m_plotRect.left()) / m_groupWidth);
    for (qsizetype s = 0; s < qsizetype(m_bars.size()); ++s) {
        if (g < 0 || g >= qsizetype(m_bars[s].size()))
            continue;
        const QRectF& bar = m_bars[s][g];
        // A bar of 0 % still answers over its one-pixel foot.
        const QRectF target = bar.adjusted(0, -1, 0, 0);
        if (!bar.isNull() && target.contains(point)) {
            if (group)
                *group = int(g);
            if (series)
                *series = int(s);
            return true;
        }
    }
    return false;
}

QRectF CBarChartWidget::BarRect(int group, int series) const
{
    Layout();
    if (series < 0 || series >= int(m_bars.size()) || group < 0 ||
        group >= int(m_bars[series].size()))
        return {};
    return m_bars[series][group];
}

QString CBarChartWidget::ToolTipAt(const QPointF& point) const
{
    int group = 0;
    int series = 0;
    if (!BarAt(point, &group, &series))
        return {};
    const QStringList& toolTips = m_groups.at(group).toolTips;
    return series < toolTips.size() ? toolTips.at(series) : QString();
}

QList<int> CBarChartWidget::LabelledGroups() const
{
    Layout();
    return m_labelled;
}

QSize CBarChartWidget::sizeHint() const
{
    return {480, 200};
}

QSize CBarChartWidget::minimumSizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(BarChartAxisText(kGridSteps)) * 4, metrics.height() * 6};
}

bool CBarChartWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    int group = 0;
    int series = 0;
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty() || !BarAt(help->pos(), &group, &series)) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this,
                           BarRect(group, series).toAlignedRect().adjusted(0, -1, 0, 0));
    }
    return true;
}

void CBarChartWidget::resizeEvent(QResizeEvent* event)
{
    m_laidOut = false;
    QWidget::resizeEvent(event);
}

void CBarChartWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_laidOut = false;
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange)
        update();
    QWidget::changeEvent(event);
}

void CBarChartWidget::paintEvent(QPaintEvent* /*event*/)
{
    Layout();
    QPainter painter(this);
    const QPalette& colors = palette();
    const QColor text = colors.color(QPalette::WindowText);

    painter.setPen(text);
    painter.setFont(BarChartTitleFont(font()));
    painter.drawText(
        m_titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        QFontMetrics(painter.font()).elidedText(m_title, Qt::ElideRight, int(m_titleRect.width())));
    painter.setFont(font());
    for (qsizetype s = 0; s < m_series.size(); ++s) {
        const TSeries& series = m_series.at(s);
        if (series.legendImage.isNull()) {
            painter.fillRect(m_legendImages[s].adjusted(2, 2, -2, -2), SeriesColor(int(s)));
        } else {
            painter.drawPixmap(m_legendImages[s], series.legendImage,
                               QRectF(series.legendImage.rect()));
        }
        painter.drawText(m_legendTexts[s], Qt::AlignLeft | Qt::AlignVCenter, series.name);
    }

    // Plot background, grid and the value axis.
    painter.fillRect(m_plotRect, colors.color(QPalette::Base));
    const QFontMetricsF metrics(font());
    painter.setPen(QPen(colors.color(QPalette::Midlight).darker(115), 0, Qt::DotLine));
    for (int step = 1; step <= kGridSteps; ++step) {
        const qreal y = m_plotRect.bottom() - m_plotRect.height() * step / kGridSteps;
        painter.drawLine(QPointF(m_plotRect.left(), y), QPointF(m_plotRect.right(), y));
    }
    painter.setPen(text);
    // In a low plot only every so many labels, from 0 %, so that none overlaps the next.
    const qreal spacing = m_plotRect.height() / kGridSteps;
    const int labelEvery =
        spacing <= 0 ? kGridSteps + 1 : std::max(1, int(std::ceil(metrics.height() / spacing)));
    for (int step = 0; step <= kGridSteps; step += labelEvery) {
        const qreal y = m_plotRect.bottom() - m_plotRect.height() * step / kGridSteps;
        const QRectF label(m_plotRect.left() - kAxisGap - 200, y - metrics.height() / 2, 200,
                           metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, BarChartAxisText(step));
    }

    // The bars, one colour at a time, each with a darker outline where it is wide enough.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (qsizetype s = 0; s < qsizetype(m_bars.size()); ++s) {
        const QColor fill = SeriesColor(int(s));
        const QPen outline(fill.darker(140), 0);
        for (const QRectF& bar : m_bars[s]) {
            if (bar.isNull())
                continue;
            painter.fillRect(bar, fill);
            if (bar.width() >= 4 && bar.height() >= 1) {
                painter.setPen(outline);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(bar.adjusted(0, 0, -1, 0));
            }
        }
    }

    painter.setPen(QPen(colors.color(QPalette::Dark), 0));
    painter.drawLine(m_plotRect.bottomLeft(), m_plotRect.bottomRight());
    painter.drawLine(m_plotRect.bottomLeft(), m_plotRect.topLeft());

    painter.setPen(text);
    for (const int group : std::as_const(m_labelled)) {
        const qreal centre = m_plotRect.left() + m_groupWidth * (group + 0.5);
        const qreal width =
            std::max(m_groupWidth, metrics.horizontalAdvance(m_groups.at(group).label));
        // Kept inside the widget: the first and last labels would stick out past the plot.
        const qreal left = std::clamp(centre - width / 2, kMargin,
                                      std::max(kMargin, qreal(this->width()) - kMargin - width));
        painter.drawText(QRectF(left, m_labelTop, width, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         m_groups.at(group).label);
    }
}

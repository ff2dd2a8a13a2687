#include "defrag/CDefragDialWidget.h"

#include "core/CTextFormat.h"
#include "defrag/CDefragFeed.h"

#include <QConicalGradient>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace {

// Colours that read on the light pages of both skins.
const QColor kFaceTop(0xff, 0xff, 0xff);
const QColor kFaceBottom(0xee, 0xf1, 0xf5);
const QColor kFaceRim(0x9d, 0xa4, 0xad);
const QColor kLow(0x3f, 0xa3, 0x4d);
const QColor kMiddle(0xe6, 0xb0, 0x1e);
const QColor kHigh(0xcc, 0x3a, 0x2b);
const QColor kTick(0x5a, 0x63, 0x6e);
const QColor kNeedle(0x22, 0x28, 0x2f);
const QColor kNeutral(0xb4, 0xba, 0xc1);

constexpr double kMargin = 6.0;

// The point at the angle (degrees, counter-clockwise from three o'clock) and distance from the
// centre, in widget coordinates (y grows downwards).
QPointF Polar(const QPointF& centre, double degrees, double radius)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    return {centre.x() + radius * std::cos(radians), centre.y() - radius * std::sin(radians)};
}

// 0 % lies at the left end of the half dial (180 degrees), 100 % at the right end (0 degrees).
double AngleOf(double percent)
{
    return 180.0 - 1.8 * qBound(0.0, percent, 100.0);
}

} // namespace

CDefragDialWidget::CDefragDialWidget(CDefragFeed& feed, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CDefragDialWidget")
    , m_feed(feed)
{
    setObjectName(QStringLiteral("DefragDialWidget"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    CDefrager& model = feed.Model();
    connect(&feed, &CDefragFeed::DefragModelUpdated, this, &CDefragDialWidget::Refresh);
    connect(&model, &CDefrager::CurrentVolumeChanged, this, &CDefragDialWidget::Refresh);
    connect(&model, &CDefrager::FragmentationChanged, this,
            &CDefragDialWidget::OnVolumeValueChanged);
    connect(&model, &CDefrager::FreeSpaceFragmentationChanged, this,
            &CDefragDialWidget::OnVolumeValueChanged);
    Refresh();
}

QSize CDefragDialWidget::sizeHint() const
{
    return {220, 320};
}

QSize CDefragDialWidget::minimumSizeHint() const
{
    return {150, 210};
}

void CDefragDialWidget::OnVolumeValueChanged(const TId& id)
{
    if (id == m_feed.Model().CurrentVolume())
        Refresh();
}

void CDefragDialWidget::Refresh()
{
    const CDefrager& model = m_feed.Model();
    const CDefrager::TVolumeInfo* volume = model.FindVolume(model.CurrentVolume());
    m_file = volume ? volume->fragmentation : std::nullopt;
    m_freeSpace = volume ? volume->freeSpaceFragmentation : std::nullopt;
    // A value the engine cannot have meant is not shown as a number.
    if (m_file && !std::isfinite(*m_file))
        m_file.reset();
    if (m_freeSpace && !std::isfinite(*m_freeSpace))
        m_freeSpace.reset();
    update();
}

void CDefragDialWidget::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    QRectF first = area;
    QRectF second = area;
    if (area.width() >= 1.6 * area.height()) {
        first.setRight(area.center().x() - kMargin);
        second.setLeft(area.center().x() + kMargin);
    } else {
        first.setBottom(area.center().y() - kMargin);
        second.setTop(area.center().y() + kMargin);
    }
    DrawGauge(painter, first, Translate("File"), m_file);
    DrawGauge(painter, second, Translate("Free Space"), m_freeSpace);
}

void CDefragDialWidget::DrawGauge(QPainter& painter, const QRectF& area, const QString& title,
                                  std::optional<double> percent) const
{
    const QColor text = palette().color(QPalette::WindowText);
    QFont titleFont = font();
    titleFont.setBold(true);
    QFont smallFont = font();
    smallFont.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.85));
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF smallMetrics(smallFont);

    // Header: the title on the left, the value on the right.
    const QRectF header(area.left(), area.top(), area.width(), titleMetrics.height());
    painter.setPen(text);
    painter.setFont(titleFont);
    painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, title);
    if (percent)
        painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter,
                         CTextFormat::FragmentationText(*percent));

    // The half dial fills what is left above the row of end labels.
    const double top = header.bottom() + 6.0;
    const double labelsHeight = smallMetrics.height() + 4.0;
    const double room = area.bottom() - labelsHeight - top;
    const double radius = std::min(area.width() / 2.0 - 2.0, room - 6.0);
    if (radius < 20.0)
        return;
    const double band = std::max(6.0, radius * 0.16);
    const QPointF centre(area.center().x(), top + radius + 2.0);

    // The face.
    QPainterPath face;
    face.moveTo(centre);
    face.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 0, 180);
    face.closeSubpath();
    QLinearGradient faceFill(0, centre.y() - radius, 0, centre.y());
    faceFill.setColorAt(0, kFaceTop);
    faceFill.setColorAt(1, kFaceBottom);
    painter.setPen(QPen(kFaceRim, 1.0));
    painter.setBrush(faceFill);
    painter.drawPath(face);

    // The coloured band from green through amber to red, dimmed while there is no value.
    const double outer = radius - 3.0;
    const double inner = outer - band;
    QPainterPath ring;
    ring.arcMoveTo(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer), 180);
    ring.arcTo(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer), 180, -180);
    ring.arcTo(QRectF(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner), 0, 180);
    ring.closeSubpath();
    QConicalGradient bandFill(centre, 0);
    bandFill.setColorAt(0.0, kHigh);
    bandFill.setColorAt(0.25, kMiddle);
    bandFill.setColorAt(0.5, kLow);
    bandFill.setColorAt(1.0, kHigh);
    painter.save();
    painter.setOpacity(percent ? 1.0 : 0.3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(bandFill);
    painter.drawPath(ring);
    painter.restore();

    // Ticks every 10 %, longer at both ends and the middle.
    for (int step = 0; step <= 10; ++step) {
        const bool major = step == 0 || step == 5 || step == 10;
        const double angle = AngleOf(step * 10.0);
        painter.setPen(QPen(kTick, major ? 1.6 : 1.0, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(Polar(centre, angle, inner - 1.0),
                         Polar(centre, angle, inner - (major ? band * 0.8 : band * 0.45)));
    }

    // The end mark inside the dial, beside the last tick.
    painter.setFont(smallFont);
    painter.setPen(text);
    const QString endMark = Translate("100%");
    const double markRight = centre.x() + inner - band * 0.9;
    const QRectF mark(markRight - smallMetrics.horizontalAdvance(endMark) - 2.0,
                      centre.y() - smallMetrics.height() - 1.0,
                      smallMetrics.horizontalAdvance(endMark) + 2.0, smallMetrics.height());
    painter.drawText(mark, Qt::AlignRight | Qt::AlignBottom, endMark);

    // The ends of the scale below the dial.
    const QRectF labels(centre.x() - radius, centre.y() + 3.0, 2 * radius, smallMetrics.height());
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignTop, Translate("Not Fragmented"));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignTop, Translate("Fragmented"));

    // The needle, or only its grey hub when there is nothing to point at.
    const double hub = std::max(3.5, radius * 0.07);
    if (percent) {
        const double angle = AngleOf(*percent);
        const QPointF tip = Polar(centre, angle, outer - 1.0);
        const QPointF left = Polar(centre, angle + 90.0, hub * 0.6);
        const QPointF right = Polar(centre, angle - 90.0, hub * 0.6);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kNeedle);
        painter.drawPolygon(QPolygonF({left, tip, right}));
    }
    painter.setPen(QPen(percent ? kFaceTop : kFaceRim, 1.0));
    painter.setBrush(percent ? kNeedle : kNeutral);
    painter.drawEllipse(centre, hub, hub);
}

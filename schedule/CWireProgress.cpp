#include "schedule/CWireProgress.h"

#include "appmodel/IAppController.h"
#include "resources/CSkinResources.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 180;
constexpr int kMarkerSize = 28;
constexpr int kRowHeight = 56;
constexpr int kMargin = 10;

QString SkinImage(const QString& name)
{
    IAppController* controller = IAppController::Current();
    const QString folder = controller ? controller->Model().Skin().imageFolder
                                      : CSkinResources::ImageFolder(CSkinResources::kBlue);
    return CSkinResources::SkinImagePath(folder, name);
}

} // namespace

CWireProgress::CWireProgress(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"wireProgress"_s);
}

void CWireProgress::SetPages(const QStringList& titles)
{
    m_markers.clear();
    for (const QString& title : titles)
        m_markers.append({title, QString(), false});
    if (m_current >= m_markers.size())
        m_current = -1;
    updateGeometry();
    update();
}

void CWireProgress::SetSummary(int page, const QString& summary)
{
    if (page < 0 || page >= m_markers.size())
        return;
    m_markers[page].summary = summary;
    updateGeometry();
    update();
}

void CWireProgress::SetHidden(int page, bool hidden)
{
    if (page < 0 || page >= m_markers.size())
        return;
    m_markers[page].hidden = hidden;
    update();
}

void CWireProgress::SetCurrent(int page)
{
    m_current = page >= 0 && page < m_markers.size() ? page : -1;
    update();
}

QString CWireProgress::Summary(int page) const
{
    return page >= 0 && page < m_markers.size() ? m_markers[page].summary : QString();
}

int CWireProgress::NumberOf(int page) const
{
    if (page < 0 || page >= m_markers.size() || m_markers[page].hidden)
        return 0;
    int number = 0;
    for (int i = 0; i <= page; ++i)
        number += m_markers[i].hidden ? 0 : 1;
    return number;
}

QString CWireProgress::MarkerImage(int number, bool current)
{
    return (current ? u"wizard_number%1_on.png"_s : u"wizard_number%1_off.png"_s).arg(number);
}

int CWireProgress::SummaryHeight(const QString& summary) const
{
    const int textWidth = kWidth - kMargin * 3 - kMarkerSize;
    return fontMetrics()
        .boundingRect(QRect(0, 0, textWidth, 10000), Qt::AlignLeft | Qt::TextWordWrap, summary)
        .height();
}

int CWireProgress::RowHeight(int page) const
{
    // A summary of several lines makes its row taller rather than being cut.
    const int text = kMarkerSize / 2 + 6 + SummaryHeight(m_markers[page].summary) + 8;
    return std::max(kRowHeight, text);
}

QSize CWireProgress::sizeHint() const
{
    int height = kMargin * 2;
    for (int i = 0; i < m_markers.size(); ++i) {
        if (!m_markers[i].hidden)
            height += RowHeight(i);
    }
    return {kWidth, height};
}

void CWireProgress::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QPixmap background(SkinImage(u"wizard_BG.png"_s));
    if (background.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawPixmap(rect(), background);

    // The texts stand on the column's dark background.
    painter.setPen(Qt::white);
    int y = kMargin;
    for (int i = 0; i < m_markers.size(); ++i) {
        const TMarker& marker = m_markers[i];
        if (marker.hidden)
            continue;
        const int number = NumberOf(i);
        const bool current = i == m_current;
        const QRect markerRect(kMargin, y, kMarkerSize, kMarkerSize);
        const QPixmap image(SkinImage(MarkerImage(number, current)));
        if (image.isNull()) {
            painter.drawEllipse(markerRect);
            painter.drawText(markerRect, Qt::AlignCenter, QString::number(number));
        } else {
            painter.drawPixmap(markerRect, image);
        }
        QFont font = painter.font();
        font.setBold(current);
        painter.setFont(font);
        const int textLeft = kMargin * 2 + kMarkerSize;
        const QRect titleRect(textLeft, y, width() - textLeft - kMargin, kMarkerSize / 2 + 4);
        painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, marker.title);
        font.setBold(false);
        painter.setFont(font);
        const QRect summaryRect(textLeft, titleRect.bottom() + 2, titleRect.width(),
                                SummaryHeight(marker.summary));
        painter.drawText(summaryRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         marker.summary);
        y += RowHeight(i);
    }
}

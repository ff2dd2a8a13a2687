#include "schedule/CScheduleTitleContainerWidget.h"

#include "resources/CSkinResources.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

using namespace Qt::StringLiterals;

const QString CScheduleTitleContainerWidget::kBackgroundImage = u"header_BG.png"_s;

namespace {

constexpr int kIconSize = 16;

} // namespace

CScheduleTitleContainerWidget::CScheduleTitleContainerWidget(QWidget* parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_title(new QLabel(this))
{
    // The header images are dark in both skins; the application's style sheet colours every
    // widget's text, so the bar's own sheet has to win over it.
    setStyleSheet(u"QLabel { color: #ffffff; background: transparent; }"_s);
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->hide();
    m_title->setTextFormat(Qt::RichText);
    m_title->setTextInteractionFlags(Qt::NoTextInteraction);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(6);
    layout->addWidget(m_icon);
    layout->addWidget(m_title, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ApplySkin(CSkinResources::ImageFolder(CSkinResources::kBlue));
}

void CScheduleTitleContainerWidget::SetTitle(const QString& richText)
{
    m_title->setText(richText);
}

QString CScheduleTitleContainerWidget::Title() const
{
    return m_title->text();
}

void CScheduleTitleContainerWidget::SetIcon(const QString& path)
{
    const QPixmap icon = path.isEmpty() ? QPixmap() : QPixmap(path);
    m_icon->setPixmap(icon.isNull() ? icon
                                    : icon.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio,
                                                  Qt::SmoothTransformation));
    m_icon->setVisible(!icon.isNull());
}

bool CScheduleTitleContainerWidget::HasIcon() const
{
    return !m_icon->pixmap().isNull();
}

void CScheduleTitleContainerWidget::ApplySkin(const QString& imageFolder)
{
    m_background = QPixmap(CSkinResources::SkinImagePath(imageFolder, kBackgroundImage));
    update();
}

QSize CScheduleTitleContainerWidget::sizeHint() const
{
    const QSize content = QWidget::sizeHint();
    return {content.width(), qMax(content.height(), m_background.height())};
}

void CScheduleTitleContainerWidget::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    if (m_background.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
}

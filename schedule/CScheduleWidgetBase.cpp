#include "schedule/CScheduleWidgetBase.h"

#include "appmodel/IAppController.h"
#include "resources/CSkinResources.h"
#include "schedule/CScheduleTitleContainerWidget.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kFrameWidth = 1;

QString CurrentImageFolder()
{
    IAppController* app = IAppController::Current();
    return app ? app->Model().Skin().imageFolder
               : CSkinResources::ImageFolder(CSkinResources::kBlue);
}

} // namespace

CScheduleWidgetBase::CScheduleWidgetBase(QWidget* parent)
    : QFrame(parent)
    , m_titleBar(new CScheduleTitleContainerWidget(this))
    , m_body(new QVBoxLayout)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kFrameWidth, kFrameWidth, kFrameWidth, kFrameWidth);
    layout->setSpacing(0);
    layout->addWidget(m_titleBar);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);
    layout->addLayout(m_body, 1);
    ApplySkin(CurrentImageFolder());
}

QColor CScheduleWidgetBase::FrameColor() const
{
    return m_imageFolder == CSkinResources::ImageFolder(CSkinResources::kGray)
               ? QColor(0x8a, 0x91, 0x99)
               : QColor(0x7f, 0xa6, 0xd6);
}

void CScheduleWidgetBase::ApplySkin(const QString& imageFolder)
{
    m_imageFolder = imageFolder;
    m_titleBar->ApplySkin(imageFolder);
    update();
}

void CScheduleWidgetBase::SkinChanged()
{
    ApplySkin(CurrentImageFolder());
}

void CScheduleWidgetBase::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::StyleChange && CurrentImageFolder() != m_imageFolder)
        SkinChanged();
}

void CScheduleWidgetBase::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(FrameColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

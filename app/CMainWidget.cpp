#include "app/CMainWidget.h"

#include "appmodel/IAppController.h"
#include "resources/CSkinResources.h"

#include <QPainter>
#include <QVBoxLayout>

const CNinePieceFrame::TNames CMainWidget::kPieceNames = {
    "main_background_top_left.png",     "main_background_top.png",
    "main_background_top_right.png",    "main_background_left.png",
    "main_background_center.png",       "main_background_right.png",
    "main_background_bottom_left.png",  "main_background_bottom.png",
    "main_background_bottom_right.png",
};

CMainWidget::CMainWidget(QWidget* parent)
    : QWidget(parent)
    , m_frame(kPieceNames)
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(6, 4, 6, 6);
    m_layout->setSpacing(4);
    SkinChanged();
}

void CMainWidget::SkinChanged()
{
    IAppController* controller = IAppController::Current();
    const QString folder = controller ? controller->Model().Skin().imageFolder
                                      : CSkinResources::ImageFolder(CSkinResources::kBlue);
    m_frame.Load(folder);
    update();
}

void CMainWidget::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    m_frame.Paint(painter, rect());
}

#include "app/CMainWidget.h"

#include "appmodel/IAppController.h"
#include "resources/CSkinResources.h"

#include <QPainter>
#include <QVBoxLayout>

const std::array<const char*, CMainWidget::kPieceCount> CMainWidget::kPieceNames = {
    "main_background_top_left.png",     "main_background_top.png",
    "main_background_top_right.png",    "main_background_left.png",
    "main_background_center.png",       "main_background_right.png",
    "main_background_bottom_left.png",  "main_background_bottom.png",
    "main_background_bottom_right.png",
};

CMainWidget::CMainWidget(QWidget* parent)
    : QWidget(parent)
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
    for (int index = 0; index < kPieceCount; ++index)
        m_pieces[std::size_t(index)] = QPixmap(CSkinResources::SkinImagePath(
            folder, QString::fromLatin1(kPieceNames[std::size_t(index)])));
    update();
}

void CMainWidget::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    const QRect area = rect();
    const QPixmap& topLeft = m_pieces[0];
    const QPixmap& bottomRight = m_pieces[8];
    // The corners keep their size; a window smaller than two corners squeezes them.
    const int left = qMin(topLeft.width(), area.width() / 2);
    const int top = qMin(topLeft.height(), area.height() / 2);
    const int right = qMin(bottomRight.width(), area.width() - left);
    const int bottom = qMin(bottomRight.height(), area.height() - top);
    const int middleWidth = area.width() - left - right;
    const int middleHeight = area.height() - top - bottom;
    const std::array<int, 3> xs = {0, left, left + middleWidth};
    const std::array<int, 3> ys = {0, top, top + middleHeight};
    const std::array<int, 3> widths = {left, middleWidth, right};
    const std::array<int, 3> heights = {top, middleHeight, bottom};
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t column = 0; column < 3; ++column) {
            const QPixmap& piece = m_pieces[row * 3 + column];
            const QRect target(xs[column], ys[row], widths[column], heights[row]);
            if (piece.isNull() || target.isEmpty())
                continue;
            painter.drawPixmap(target, piece);
        }
    }
}

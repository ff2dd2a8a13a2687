#include "widgets/CBaseStyleWidget.h"

#include <QPainter>
#include <QStyleOption>

CBaseStyleWidget::CBaseStyleWidget(QWidget* parent)
    : QWidget(parent)
{}

void CBaseStyleWidget::paintEvent(QPaintEvent* event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    QWidget::paintEvent(event);
}

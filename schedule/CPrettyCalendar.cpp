#include "schedule/CPrettyCalendar.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

CPrettyCalendar::CPrettyCalendar(QWidget* parent)
    : QCalendarWidget(parent)
    , m_today(QDate::currentDate())
{
    setObjectName(QStringLiteral("prettyCalendar"));
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    setGridVisible(false);
    setFirstDayOfWeek(Qt::Monday);
    if (auto* grid = findChild<QAbstractItemView*>())
        grid->installEventFilter(this);
}

bool CPrettyCalendar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && parentWidget() != nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            QKeyEvent onward(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(parentWidget(), &onward);
            return true;
        }
    }
    return QCalendarWidget::eventFilter(watched, event);
}

void CPrettyCalendar::SetToday(const QDate& today)
{
    m_today = today;
    updateCells();
}

void CPrettyCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const
{
    if (date >= m_today || date == selectedDate()) {
        QCalendarWidget::paintCell(painter, rect, date);
    } else {
        painter->save();
        painter->fillRect(rect, palette().color(QPalette::Base));
        painter->setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter->drawText(rect, Qt::AlignCenter, QString::number(date.day()));
        painter->restore();
    }
    if (date == m_today) {
        painter->save();
        QPen pen(palette().color(QPalette::Highlight));
        pen.setWidth(2);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
}

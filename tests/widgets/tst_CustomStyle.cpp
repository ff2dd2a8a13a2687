#include "widgets/CTellmarCustomStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionFocusRect>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

class tst_CustomStyle : public QObject {
    Q_OBJECT

private slots:
    void init();
    void installingAgainKeepsTheBaseStyle();
    void ribbonToolBarsHaveLargeIcons();
    void noFocusFramesOnViewsAndToolButtons();
};

void tst_CustomStyle::init()
{
    qApp->setStyleSheet(QString());
    QVERIFY(QApplication::setStyle(u"windows"_s));
}

void tst_CustomStyle::installingAgainKeepsTheBaseStyle()
{
    QPushButton button(u"Defragment"_s);
    button.show();
    CTellmarCustomStyle* style = CTellmarCustomStyle::Install();
    QCOMPARE(QApplication::style(), style);
    QCOMPARE(style->baseStyle()->name(), u"windows"_s);

    // A skin change: a style sheet wraps the style, then the style is installed again, twice.
    qApp->setStyleSheet(u"QPushButton { color: #2a5d9f; }"_s);
    CTellmarCustomStyle::Install();
    QCOMPARE(CTellmarCustomStyle::BaseStyleKey(QApplication::style()), u"windows"_s);
    style = CTellmarCustomStyle::Install();
    QVERIFY(!button.grab().isNull());

    qApp->setStyleSheet(QString());
    QCOMPARE(QApplication::style(), style);
    QCOMPARE(button.style(), style);
    QCOMPARE(style->baseStyle()->name(), u"windows"_s);
    QVERIFY(!button.grab().isNull());
}

void tst_CustomStyle::ribbonToolBarsHaveLargeIcons()
{
    CTellmarCustomStyle::Install();
    QToolBar toolBar;
    QCOMPARE(toolBar.iconSize(), QSize(32, 32));
    QCOMPARE(QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize), 16);
}

void tst_CustomStyle::noFocusFramesOnViewsAndToolButtons()
{
    CTellmarCustomStyle::Install();
    QStyleOptionFocusRect option;
    option.rect = QRect(2, 2, 28, 12);
    option.state = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    const auto drawsFocusFrame = [&option](const QWidget& widget) {
        QImage image(32, 16, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QImage blank = image;
        option.palette = widget.palette();
        QPainter painter(&image);
        QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &widget);
        painter.end();
        return image != blank;
    };
    QVERIFY(drawsFocusFrame(QPushButton()));
    QVERIFY(!drawsFocusFrame(QToolButton()));
    QVERIFY(!drawsFocusFrame(QTableView()));
}

QTEST_MAIN(tst_CustomStyle)
#include "tst_CustomStyle.moc"

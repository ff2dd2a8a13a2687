#include "widgets/CTellmarCustomStyle.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QToolButton>

CTellmarCustomStyle::CTellmarCustomStyle(const QString& baseStyleKey)
    : QProxyStyle(baseStyleKey)
{}

CTellmarCustomStyle* CTellmarCustomStyle::Install()
{
    auto* style = new CTellmarCustomStyle(BaseStyleKey(QApplication::style()));
    QApplication::setStyle(style);
    return style;
}

QString CTellmarCustomStyle::BaseStyleKey(const QStyle* style)
{
    // Styles made by QStyleFactory carry their key as their name; proxies and the style sheet
    // style have none. A style sheet style owns the style it wraps as its child.
    while (style && style->name().isEmpty()) {
        if (const auto* proxy = qobject_cast<const QProxyStyle*>(style))
            style = proxy->baseStyle();
        else
            style = style->findChild<const QStyle*>(QString(), Qt::FindDirectChildrenOnly);
    }
    return style ? style->name() : QString();
}

int CTellmarCustomStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                     const QWidget* widget) const
{
    switch (metric) {
    case PM_SmallIconSize:
        return kSmallIconSize;
    case PM_ToolBarIconSize:
        return kRibbonIconSize;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int CTellmarCustomStyle::styleHint(StyleHint hint, const QStyleOption* option,
                                   const QWidget* widget, QStyleHintReturn* returnData) const
{
    switch (hint) {
    case SH_ToolTip_WakeUpDelay:
        return kToolTipDelayMs;
    case SH_ComboBox_Popup:
        return 0;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

void CTellmarCustomStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                        QPainter* painter, const QWidget* widget) const
{
    // Selection and hover already show where the focus is in a view or on the ribbon.
    if (element == PE_FrameFocusRect && (qobject_cast<const QAbstractItemView*>(widget) ||
                                         qobject_cast<const QToolButton*>(widget)))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

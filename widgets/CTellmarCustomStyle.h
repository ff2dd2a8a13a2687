#pragma once

#include <QProxyStyle>

// The console's adjustments to the application's style: no dotted focus frames on item views
// and tool buttons, 16 px small icons, 32 px icons on the ribbon's tool bars, prompt tool tips
// and combo box popups that open as plain lists.
//
// The style it adjusts is made afresh from a style key, never wrapped around an existing style
// object: QApplication::setStyle deletes the style it replaces, so a proxy around it would be
// left with a dangling base. Install() does the right thing on every skin change.
class CTellmarCustomStyle : public QProxyStyle {
    Q_OBJECT

public:
    static constexpr int kSmallIconSize = 16;
    static constexpr int kRibbonIconSize = 32;
    static constexpr int kToolTipDelayMs = 300;

    // The base style is made by QStyleFactory from the key; an unknown key gives the
    // application's default style.
    explicit CTellmarCustomStyle(const QString& baseStyleKey);

    // Installs a new custom style on the application, over the same base style as the current
    // one (the custom style or a style sheet around it are looked through). Returns it.
    static CTellmarCustomStyle* Install();
    // The key of the style that does the drawing under any proxies and style sheets; empty when
    // that style was not made by QStyleFactory.
    static QString BaseStyleKey(const QStyle* style);

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

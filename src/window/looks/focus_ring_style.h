#pragma once

#include <QProxyStyle>

// The desktop style with a focus mark that stands out on every colour of the window: a solid
// ring two pixels wide, black or white, whichever stands further from the colour the control
// is drawn on. The desktop style's own mark, a thin tinted frame, is all but lost on teal.
class FocusRingStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

    // Gives every push button and check box of the window this style, owned by the window.
    static void applyTo(QWidget* window);

private:
    static void drawRing(const QRect& rect, const QPalette& palette, QPainter* painter,
                         const QWidget* widget);
};

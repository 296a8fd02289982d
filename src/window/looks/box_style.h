#pragma once

#include <QProxyStyle>

// The entry boxes and the nickname list in the window's colours: teal, with white text and a
// black frame one pixel wide that turns cyan while the control has the focus; the list's
// chosen entry on navy. Drawn by the style rather than by a style sheet, which would work out
// its rules again each time one of these controls is painted, and they are painted on every
// action.
class BoxStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

    // Gives every entry box and the nickname list of the window this style and their colours.
    static void applyTo(QWidget* window);

private:
    static void drawBoxFrame(const QStyleOption* option, QPainter* painter);
};

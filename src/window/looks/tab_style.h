#pragma once

#include <QProxyStyle>

// The letter tabs in the window's colours: each tab framed in dark teal on three sides, pale
// teal, white while chosen, light cyan under the pointer, and navy with a white caption while
// it has the focus. Drawn by the style rather than by a style sheet, which would work out its
// rules again each time the strip is painted, and a letter tab repaints it.
class TabStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;

    // The frame of a tab: a border on three sides and padding above and below the caption.
    static constexpr int BorderWidth = 1;
    static constexpr int VerticalPadding = 3;
};

#include "window/looks/focus_ring_style.h"

#include "window/looks/appearance.h"

#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>

namespace {

constexpr int RingWidth = 2;

QColor ringColourOn(const QColor& background)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return appearance::contrastRatio(black, background) >=
                   appearance::contrastRatio(white, background)
               ? black
               : white;
}

} // namespace

void FocusRingStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const
{
    if (element == PE_FrameFocusRect)
        drawRing(option->rect, option->palette, painter, widget);
    else
        QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusRingStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    // The desktop style marks a push button's focus by tinting its frame alone.
    if (element == CE_PushButton && (option->state & State_HasFocus))
        drawRing(subElementRect(SE_PushButtonFocusRect, option, widget), option->palette, painter,
                 widget);
}

void FocusRingStyle::drawRing(const QRect& rect, const QPalette& palette, QPainter* painter,
                              const QWidget* widget)
{
    const QPalette::ColorRole behind = widget ? widget->backgroundRole() : QPalette::Window;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(ringColourOn(palette.color(behind)), RingWidth));
    painter->setBrush(Qt::NoBrush);
    // The pen is centred on the line: half its width in, so that the ring lies inside the rect.
    const qreal half = RingWidth / 2.0;
    painter->drawRect(QRectF(rect).adjusted(half, half, -half, -half));
    painter->restore();
}

void FocusRingStyle::applyTo(QWidget* window)
{
    auto* style = new FocusRingStyle;
    style->setParent(window);
    for (QPushButton* button : window->findChildren<QPushButton*>())
        button->setStyle(style);
    for (QCheckBox* check : window->findChildren<QCheckBox*>())
        check->setStyle(style);
}

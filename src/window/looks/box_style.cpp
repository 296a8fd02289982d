#include "window/looks/box_style.h"

#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/looks/appearance.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>

namespace {

constexpr int FrameWidth = 1;
// Room between the frame and the text of a box, beside what the box itself leaves.
constexpr int TextPadding = 2;
const QColor Navy{0, 0, 128};

// Teal behind white text, in every state of the window; the light and dark shades that
// controls drawn on the box (a scroll bar) take from it follow the teal.
QPalette boxPalette(QPalette palette)
{
    const QColor& teal = appearance::Teal;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, teal);
        palette.setColor(group, QPalette::Window, teal);
        palette.setColor(group, QPalette::Light, teal.lighter(115));
        palette.setColor(group, QPalette::Midlight, teal.lighter(107));
        palette.setColor(group, QPalette::Dark, teal.darker(150));
        palette.setColor(group, QPalette::Shadow, teal.darker(300));
        palette.setColor(group, QPalette::Text, appearance::White);
        palette.setColor(group, QPalette::WindowText, appearance::White);
    }
    return palette;
}

} // namespace

void BoxStyle::drawBoxFrame(const QStyleOption* option, QPainter* painter)
{
    const QRect& rect = option->rect;
    const QColor edge = (option->state & State_HasFocus) ? appearance::Cyan : QColor(Qt::black);
    painter->fillRect(rect.adjusted(FrameWidth, FrameWidth, -FrameWidth, -FrameWidth),
                      option->palette.base());
    painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), FrameWidth), edge);
    painter->fillRect(QRect(rect.left(), rect.bottom() - FrameWidth + 1, rect.width(), FrameWidth),
                      edge);
    painter->fillRect(QRect(rect.left(), rect.top(), FrameWidth, rect.height()), edge);
    painter->fillRect(QRect(rect.right() - FrameWidth + 1, rect.top(), FrameWidth, rect.height()),
                      edge);
}

void BoxStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                             QPainter* painter, const QWidget* widget) const
{
    if (element == PE_PanelLineEdit || element == PE_FrameLineEdit)
        drawBoxFrame(option, painter);
    else
        QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void BoxStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const
{
    if (element == CE_ShapedFrame) {
        drawBoxFrame(option, painter);
        return;
    }
    if (element == CE_ItemViewItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
            QStyleOptionViewItem chosen(*item);
            for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                chosen.palette.setColor(group, QPalette::Highlight, Navy);
                chosen.palette.setColor(group, QPalette::HighlightedText, appearance::White);
            }
            QProxyStyle::drawControl(element, &chosen, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QRect BoxStyle::subElementRect(SubElement element, const QStyleOption* option,
                               const QWidget* widget) const
{
    if (element == SE_LineEditContents)
        return option->rect.adjusted(FrameWidth + TextPadding, FrameWidth,
                                     -FrameWidth - TextPadding, -FrameWidth);
    return QProxyStyle::subElementRect(element, option, widget);
}

int BoxStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                          const QWidget* widget) const
{
    if (metric == PM_DefaultFrameWidth)
        return FrameWidth;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void BoxStyle::applyTo(QWidget* window)
{
    auto* style = new BoxStyle;
    style->setParent(window);
    const auto apply = [style](QWidget* control) {
        control->setStyle(style);
        control->setPalette(boxPalette(control->palette()));
    };
    for (TextBox* box : window->findChildren<TextBox*>())
        apply(box);
    for (ListBox* list : window->findChildren<ListBox*>()) {
        apply(list);
        // The scroll bars keep the desktop's colours, not the list's teal.
        for (QScrollBar* bar : list->findChildren<QScrollBar*>()) {
            QPalette desktop = QApplication::palette(bar);
            desktop.setResolveMask(~QPalette::ResolveMask(0)); // every colour its own
            bar->setPalette(desktop);
        }
    }
}

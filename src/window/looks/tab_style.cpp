#include "window/looks/tab_style.h"

#include <QPainter>
#include <QStyleOptionTab>

namespace {

const QColor Border{0, 72, 72};
const QColor Plain{216, 236, 236};
const QColor Chosen{255, 255, 255};
const QColor Pointed{192, 255, 255};
const QColor Focused{0, 0, 128};

// The focus outranks the pointer, and the pointer the choice: a keyboard user sees from afar
// where the arrow keys are. A disabled strip does not light up under the pointer.
QColor tabBackground(QStyle::State state)
{
    if (state & QStyle::State_HasFocus)
        return Focused;
    if ((state & QStyle::State_MouseOver) && (state & QStyle::State_Enabled))
        return Pointed;
    if (state & QStyle::State_Selected)
        return Chosen;
    return Plain;
}

} // namespace

void TabStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (tab && element == CE_TabBarTabShape) {
        const QRectF rect = tab->rect;
        painter->fillRect(rect, tabBackground(tab->state));
        // Smoothed, as a border is, so that at a fractional scale its pixel is shared with the
        // tab rather than widened to a whole one.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillRect(QRectF(rect.left(), rect.top(), rect.width(), BorderWidth), Border);
        painter->fillRect(QRectF(rect.left(), rect.top(), BorderWidth, rect.height()), Border);
        painter->fillRect(
            QRectF(rect.right() - BorderWidth, rect.top(), BorderWidth, rect.height()), Border);
        painter->restore();
        return;
    }
    if (tab && element == CE_TabBarTabLabel) {
        // The caption centred in the room inside the border and the padding.
        QStyleOptionTab inside(*tab);
        inside.rect = tab->rect.adjusted(BorderWidth, BorderWidth + VerticalPadding, -BorderWidth,
                                         -VerticalPadding);
        const QColor text = (tab->state & State_HasFocus) ? Qt::white : Qt::black;
        inside.palette.setColor(QPalette::WindowText, text);
        inside.palette.setColor(QPalette::Base, tabBackground(tab->state));
        QProxyStyle::drawControl(element, &inside, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

int TabStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                          const QWidget* widget) const
{
    // The tabs keep no room of the desktop style's around their captions, and a caption stays
    // in place when its tab is chosen.
    switch (metric) {
    case PM_TabBarTabHSpace:
    case PM_TabBarTabVSpace:
    case PM_TabBarTabShiftHorizontal:
    case PM_TabBarTabShiftVertical:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize TabStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                 const QWidget* widget) const
{
    if (type != CT_TabBarTab)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    return {size.width() + 2 * BorderWidth, size.height() + BorderWidth + 2 * VerticalPadding};
}

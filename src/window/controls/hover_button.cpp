#include "window/controls/hover_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>

HoverButton::HoverButton(const QString& caption, QWidget* parent) : CommandButton(caption, parent)
{
    setAttribute(Qt::WA_Hover);
}

void HoverButton::setBackColorOnMouse(const QColor& color)
{
    backColorOnMouse_ = color;
    applyFace();
}

void HoverButton::setBorderColor(const QColor& color)
{
    borderColor_ = color;
    update();
}

QColor HoverButton::faceColor() const
{
    if (mouseOver_ && isEnabled() && backColorOnMouse_.isValid())
        return backColorOnMouse_;
    return QApplication::palette(this).color(QPalette::Button);
}

void HoverButton::enterEvent(QEnterEvent* event)
{
    mouseOver_ = true;
    applyFace();
    CommandButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent* event)
{
    mouseOver_ = false;
    applyFace();
    CommandButton::leaveEvent(event);
}

void HoverButton::changeEvent(QEvent* event)
{
    CommandButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        applyFace();
}

void HoverButton::applyFace()
{
    QPalette face = palette();
    face.setColor(QPalette::Button, faceColor());
    setPalette(face);
    update();
}

void HoverButton::paintEvent(QPaintEvent* event)
{
    CommandButton::paintEvent(event);
    if (!borderColor_.isValid())
        return;
    // A one-pixel line inside the edge, whole at any device pixel ratio.
    QPainter painter(this);
    painter.setPen(QPen(borderColor_, 1.0));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

#include "window/controls/dial_button.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

DialButton::DialButton(QWidget* parent) : QPushButton(parent)
{
    // A keyboard stop of its own, also where the style would leave buttons out of the Tab
    // chain.
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &DialButton::press);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusMoved(now); });
}

void DialButton::press()
{
    // Each press composes its own number: a press handler that fails before its end leaves
    // nothing to call, never the number of an earlier press.
    NumberToDial.clear();
    emit dialPressed();
    emit callAsked(NumberToDial);
}

void DialButton::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    hasFocus_ = true;
}

void DialButton::focusMoved(QWidget* now)
{
    // The focus leaves the dialer only for another control of the window: a message box on
    // top, a menu or another program taking the keyboard for a while does not count, and the
    // dialer has the focus again when they are gone. A control clicked while the window was not
    // active takes the focus only once the window is active again, and the dialer hears
    // nothing of it but this.
    if (!hasFocus_ || now == nullptr || now == this || now->window() != window())
        return;
    hasFocus_ = false;
    emit focusLost();
}

void DialButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

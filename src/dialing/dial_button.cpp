#include "dialing/dial_button.h"

#include "dialing/call_handover.h"
#include "dialing/telephone.h"

#include <QFocusEvent>
#include <QKeyEvent>

DialButton::DialButton(QWidget* parent) : QPushButton(parent)
{
    // A keyboard stop of its own, also where the style would leave buttons out of the Tab
    // chain.
    setFocusPolicy(Qt::StrongFocus);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &DialButton::press);
}

void DialButton::press()
{
    // Each press composes its own number: a press handler that fails before its end leaves
    // nothing to call, never the number of an earlier press.
    NumberToDial.clear();
    emit dialPressed();
    placeCall();
}

void DialButton::placeCall()
{
    const QString reason = handOverCall(NumberToDial, telephone());
    if (!reason.isEmpty())
        emit callNotPlaced(reason);
}

void DialButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    // The focus leaves the dialer only for another control of the window: a message box on
    // top, a menu or another program taking the keyboard for a while does not count, and the
    // dialer has the focus again when they are gone.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
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

#include "dialing/dial_button.h"

#include <QKeyEvent>

DialButton::DialButton(QWidget* parent) : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &DialButton::press);
}

void DialButton::press()
{
    emit dialPressed();
    placeCall();
}

void DialButton::placeCall()
{
    // The hand-over to the telephone arrives with dialing.
}

void DialButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
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

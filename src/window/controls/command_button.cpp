#include "window/controls/command_button.h"

#include <QKeyEvent>

CommandButton::CommandButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
}

void CommandButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier) {
        // A held key presses once, as Space does.
        if (!event->isAutoRepeat())
            animateClick();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CommandButton::mouseReleaseEvent(QMouseEvent* event)
{
    // The button raises its click while it handles the release.
    clickedWithPointer_ = true;
    QPushButton::mouseReleaseEvent(event);
    clickedWithPointer_ = false;
}

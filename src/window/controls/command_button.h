#pragma once

#include <QPushButton>

// A push button that the keyboard presses with Enter as well as with Space. Outside a dialog
// a plain QPushButton ignores Enter, which leaves keyboard users guessing which key acts.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

    // Whether the click being handled now is one of the mouse, rather than of a key or of a
    // screen reader: what it opens then belongs at the pointer rather than at the button.
    bool clickedWithPointer() const { return clickedWithPointer_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool clickedWithPointer_ = false;
};

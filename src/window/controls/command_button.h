#pragma once

#include <QPushButton>

// A push button that the keyboard presses with Enter as well as with Space. Outside a dialog
// a plain QPushButton ignores Enter, which leaves keyboard users guessing which key acts.
class CommandButton : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

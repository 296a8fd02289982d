#pragma once

#include <QPushButton>
#include <QString>

// The dialer. Pressing it (mouse, Space or Enter) raises dialPressed first; once the
// handlers have returned, it asks for a call to the number that NumberToDial then holds
// (callAsked). Like every control it knows nothing of telephones: the window's dialing hands
// the number over to the desktop's tel: program and tells the user when no call goes out.
class DialButton : public QPushButton {
    Q_OBJECT

public:
    explicit DialButton(QWidget* parent = nullptr);

    QString NumberToDial;

signals:
    void dialPressed();
    void focusLost();
    void callAsked(const QString& number);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press();
    void focusMoved(QWidget* now);

    bool hasFocus_ = false; // since it took the focus, no other control of the window had it
};

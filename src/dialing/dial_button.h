#pragma once

#include <QPushButton>
#include <QString>

// The dialer. Pressing it (mouse, Space or Enter) raises dialPressed first; once the
// handlers have returned, it places a call to the number that NumberToDial then holds by
// handing it to the desktop as a tel: URI, which the telephony program registered for tel:
// links (a softphone, a phone link) dials. When no call goes out (no such program, or a
// character in the number that cannot be dialled) it raises callNotPlaced with what the user
// must be told.
class DialButton : public QPushButton {
    Q_OBJECT

public:
    explicit DialButton(QWidget* parent = nullptr);

    QString NumberToDial;

signals:
    void dialPressed();
    void focusLost();
    void callNotPlaced(const QString& reason);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press();
    void placeCall();
    void focusMoved(QWidget* now);

    bool hasFocus_ = false; // since it took the focus, no other control of the window had it
};

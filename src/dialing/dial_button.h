#pragma once

#include <QPushButton>
#include <QString>

// The dialer. Pressing it (mouse, Space or Enter) raises dialPressed first; once the
// handlers have returned, it places a call to the number that NumberToDial then holds.
class DialButton : public QPushButton {
    Q_OBJECT

public:
    explicit DialButton(QWidget* parent = nullptr);

    QString NumberToDial;

signals:
    void dialPressed();
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press();
    void placeCall();
};

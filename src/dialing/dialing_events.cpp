// Which events of the window run the dialing handlers.
#include "window/form1x.h"

#include "dialing/dial_button.h"

void Form1x::connectDialingEvents()
{
    connect(DialButton1, &DialButton::dialPressed, this,
            [this] { runAction([this] { DialButton1_Press(); }); });
    connect(DialButton1, &DialButton::focusLost, this,
            [this] { runWithoutFolder([this] { DialButton1_LostFocus(); }); });
    connect(DialButton1, &DialButton::callNotPlaced, this,
            [this](const QString& reason) { dialogs().showMessage(reason); });
}

// Which events of the window run the dialing handlers.
#include "window/form/form1x.h"

#include "dialing/call_handover.h"
#include "dialing/telephone.h"
#include "window/controls/dial_button.h"

void Form1x::connectDialingEvents()
{
    connect(DialButton1, &DialButton::dialPressed, this,
            [this] { runAction([this] { DialButton1_Press(); }); });
    connect(DialButton1, &DialButton::focusLost, this,
            [this] { runWithoutFolder([this] { DialButton1_LostFocus(); }); });
    // The call goes out once the press handlers have composed the number; when it cannot (no
    // program takes tel: links, a character that cannot be dialled), the user is told why.
    connect(DialButton1, &DialButton::callAsked, this, [this](const QString& number) {
        const QString reason = handOverCall(number, telephone());
        if (!reason.isEmpty())
            dialogs().showMessage(reason);
    });
}

// Which events of the window run the dialing handlers.
#include "window/form1x.h"

#include "dialing/dial_button.h"

#include <QUrl>

void Form1x::connectDialingEvents()
{
    connect(DialButton1, &DialButton::dialPressed, this,
            [this] { runAction([this] { DialButton1_Press(); }); });
    connect(DialButton1, &DialButton::focusLost, this,
            [this] { runWithoutFolder([this] { DialButton1_LostFocus(); }); });
    connect(DialButton1, &DialButton::callRefused, this, [this](const QUrl& uri) {
        dialogs().showMessage(tr("No program is set up to place calls, so %1 was not dialled.\n\n"
                                 "Choose a telephone program (a softphone or a phone link) "
                                 "for tel: links in the desktop's settings.")
                                  .arg(uri.path()));
    });
}

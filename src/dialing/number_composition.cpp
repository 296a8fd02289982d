// The number the dialer calls: prefix, STD code and phone number as the boxes show them.
#include "window/form/form1x.h"

#include "window/controls/dial_button.h"
#include "window/controls/text_box.h"
#include "window/form/check_value.h"

#include <QPushButton>

void Form1x::DialButton1_Press()
{
    // Nothing to dial; the dialer then holds no number, not that of an earlier press.
    if (TxtAdPhon->text().isEmpty())
        return;
    BtnExit->setEnabled(false);
    // Only a tick counts: a greyed box leaves its part out. Each text goes in as the box holds
    // it, blanks included.
    const QString prefix = shownCheckValue(Chkprefx) == 1 ? Txtprefx->text() : QString();
    const QString code = shownCheckValue(Chkcode) == 1 ? TxtCode->text() : QString();
    const QString phone = TxtAdPhon->text();
    DialButton1->NumberToDial = prefix + code + phone;
}

void Form1x::DialButton1_LostFocus()
{
    BtnExit->setEnabled(true);
}

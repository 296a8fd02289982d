// The rules of the entry boxes while the user types.
#include "window/form/form1x.h"

#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"
#include "window/form/first_character.h"
#include "window/form/store_text.h"

void Form1x::TxtAdName_KeyPress(std::int16_t& /*KeyAscii*/)
{
    capitaliseFirstCharacter(TxtAdName);
}

void Form1x::TxtAdFname_KeyPress(std::int16_t& /*KeyAscii*/)
{
    capitaliseFirstCharacter(TxtAdFname);
}

void Form1x::TxtAdAdd_KeyPress(std::int16_t& /*KeyAscii*/)
{
    capitaliseFirstCharacter(TxtAdAdd);
}

void Form1x::TxtAdPhon_KeyPress(std::int16_t& KeyAscii)
{
    if ((KeyAscii >= 48 || KeyAscii == 8) && KeyAscii <= 57)
        BtnSave->setEnabled(true);
    else
        KeyAscii = 0;
}

void Form1x::TxtAdPhon_Change()
{
    DialButton1->setVisible(!TxtAdPhon->text().isEmpty());
}

void Form1x::TxtAdName_GotFocus() {}

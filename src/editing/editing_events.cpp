// Which events of the window run the editing handlers.
#include "window/form/form1x.h"

#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

void Form1x::connectEditingEvents()
{
    connect(BtnAdd, &QPushButton::clicked, this, [this] { runAction([this] { BtnAdd_Press(); }); });
    connect(BtnSave, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnSave_Press(); }); });
    connect(BtnUpdate, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnUpdate_Press(); }); });
    // The key and change rules and the focus handler need no file.
    TxtAdName->keyPress = [this](std::int16_t& key) {
        runWithoutFolder([&] { TxtAdName_KeyPress(key); });
    };
    TxtAdFname->keyPress = [this](std::int16_t& key) {
        runWithoutFolder([&] { TxtAdFname_KeyPress(key); });
    };
    TxtAdAdd->keyPress = [this](std::int16_t& key) {
        runWithoutFolder([&] { TxtAdAdd_KeyPress(key); });
    };
    TxtAdPhon->keyPress = [this](std::int16_t& key) {
        // A rule that could not run lets no key through to the digits-only box.
        if (!runWithoutFolder([&] { TxtAdPhon_KeyPress(key); }))
            key = 0;
    };
    TxtAdPhon->change = [this] { runWithoutFolder([this] { TxtAdPhon_Change(); }); };
    TxtAdName->gotFocus = [this] { runWithoutFolder([this] { TxtAdName_GotFocus(); }); };
    // Pasted and dropped text goes through the phone box's key rule: only digits arrive.
    TxtAdPhon->setFilterInsertedText(true);
}

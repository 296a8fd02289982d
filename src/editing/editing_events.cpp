// Which events of the window run the editing handlers.
#include "window/form1x.h"

#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

void Form1x::connectEditingEvents()
{
    connect(BtnAdd, &QPushButton::clicked, this, [this] { runAction([this] { BtnAdd_Press(); }); });
    connect(BtnSave, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnSave_Press(); }); });
    connect(BtnUpdate, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnUpdate_Press(); }); });
    TxtAdName->keyPress = [this](std::int16_t& key) {
        runAction([&] { TxtAdName_KeyPress(key); });
    };
    TxtAdFname->keyPress = [this](std::int16_t& key) {
        runAction([&] { TxtAdFname_KeyPress(key); });
    };
    TxtAdAdd->keyPress = [this](std::int16_t& key) { runAction([&] { TxtAdAdd_KeyPress(key); }); };
    TxtAdPhon->keyPress = [this](std::int16_t& key) {
        runAction([&] { TxtAdPhon_KeyPress(key); });
    };
    TxtAdPhon->change = [this] { runAction([this] { TxtAdPhon_Change(); }); };
    TxtAdName->gotFocus = [this] { runAction([this] { TxtAdName_GotFocus(); }); };
    // Pasted and dropped text goes through the phone box's key rule: only digits arrive.
    TxtAdPhon->setFilterInsertedText(true);
}

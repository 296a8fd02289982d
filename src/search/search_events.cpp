// Which events of the window run the search handlers.
#include "window/form/form1x.h"

#include "window/controls/text_box.h"

#include <QAction>
#include <QPushButton>

#include <limits>

namespace {

// The key-up handler gets a 16-bit key code and the shift state as bits (1 Shift, 2 Ctrl,
// 4 Alt); a key whose code does not fit, such as an arrow, comes as 0.
std::int16_t keyCodeOf(int key)
{
    return key <= std::numeric_limits<std::int16_t>::max() ? static_cast<std::int16_t>(key) : 0;
}

std::int16_t shiftStateOf(int modifiers)
{
    const Qt::KeyboardModifiers held(modifiers);
    return static_cast<std::int16_t>((held.testFlag(Qt::ShiftModifier) ? 1 : 0) |
                                     (held.testFlag(Qt::ControlModifier) ? 2 : 0) |
                                     (held.testFlag(Qt::AltModifier) ? 4 : 0));
}

} // namespace

void Form1x::connectSearchEvents()
{
    TxtNick->keyPress = [this](std::int16_t& key) {
        runWithoutFolder([&] { TxtNick_KeyPress(key); });
    };
    TxtNick->keyUp = [this](int key, int modifiers) {
        runAction([&] { TxtNick_KeyUp(keyCodeOf(key), shiftStateOf(modifiers)); });
    };
    TxtNick->click = [this] { runAction([this] { TxtNick_Click(); }); };

    connect(BtnSearch, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnSearch_Click(); }); });
    connect(MnuNick, &QAction::triggered, this, [this] { runAction([this] { MnuNick_Click(); }); });
    connect(MnuFName, &QAction::triggered, this,
            [this] { runAction([this] { MnuFName_Click(); }); });
    connect(MnuFamily, &QAction::triggered, this,
            [this] { runAction([this] { MnuFamily_Click(); }); });
    connect(MnyCity, &QAction::triggered, this, [this] { runAction([this] { MnyCity_Click(); }); });
}

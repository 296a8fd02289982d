#include "window/form/first_character.h"

#include "window/controls/text_box.h"
#include "window/form/store_text.h"

bool isOneCharacter(const QString& text)
{
    return text.size() == 1 || (text.size() == 2 && text.toUcs4().size() == 1);
}

QString withCapitalFirst(const QString& text)
{
    if (text.isEmpty())
        return text;
    const qsizetype first =
        text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
    return toUpperKeepingLength(text.first(first)) + text.sliced(first);
}

void capitaliseFirstCharacter(TextBox* box)
{
    if (!isOneCharacter(box->text()))
        return;
    box->setText(toUpperKeepingLength(box->text()));
    box->setCursorPosition(static_cast<int>(box->text().size()));
}

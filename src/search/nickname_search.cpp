// The nickname box as a search box: while a stored contact is shown, typing narrows the list
// by the first letter and fills in the details of the contact whose nickname was typed.
#include "window/form/form1x.h"

#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/form/first_character.h"
#include "window/form/initial_filter.h"
#include "window/form/store_text.h"

void Form1x::TxtNick_KeyPress(std::int16_t& /*KeyAscii*/)
{
    capitaliseFirstCharacter(TxtNick);
}

void Form1x::TxtNick_KeyUp(std::int16_t /*KeyCode*/, std::int16_t /*Shift*/)
{
    if (state_.IsNewEntry)
        return; // the box takes a new nickname, it does not search

    // Taken once: showing a record below rewrites the box.
    const QString typed = trimBlanks(TxtNick->text());

    if (isOneCharacter(typed)) {
        state_.SearchText = toUpperKeepingLength(typed);
        OpenDataFile();
        // Cleared and refilled in the one step of listMatchingRecords.
        listMatchingRecords(
            [filter = InitialFilter(state_.SearchText)](const store::RecordView& record) {
                return filter.matches(record.nick());
            });
        closeDataFile();
        // The last nickname under the letter, or, when none is, the contact shown before.
        ShowCurrentRecord();
    }

    OpenDataFile();
    TxtNick->setText(typed);
    TxtNick->setCursorPosition(static_cast<int>(typed.size()));
    // A text with a character the file cannot hold is no stored nickname.
    if (const std::optional<std::string> wanted = toStoreExact(typed)) {
        for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
            const store::RecordView record = viewRecord(i);
            if (!store::trimmedEquals(record.nick(), *wanted))
                continue;
            // Only the details, with their blank fill; the record does not become current.
            TxtAdName->setText(fromStore(record.fullName()));
            TxtAdFname->setText(fromStore(record.familyName()));
            TxtAdAdd->setText(fromStore(record.city()));
            TxtAdPhon->setText(fromStore(record.phone()));
        }
    }
    if (ListNick->count() == 0) {
        for (TextBox* box : {TxtAdName, TxtAdFname, TxtAdAdd, TxtAdPhon})
            box->setText(QString());
    }
    closeDataFile();
    ShowRecordTotal();
}

void Form1x::TxtNick_Click()
{
    if (state_.IsNewEntry)
        return;
    const std::optional<std::string> wanted = toStoreExact(trimBlanks(TxtNick->text()));
    OpenDataFile();
    if (wanted) {
        for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
            if (!store::trimmedEquals(viewRecord(i).nick(), *wanted))
                continue;
            // The first contact of that nickname, shown in full.
            state_.CurrentRecord = i;
            closeDataFile();
            ShowCurrentRecord();
            return;
        }
    }
    closeDataFile();
}

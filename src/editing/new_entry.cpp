// ADD NEW and SAVE: a new contact, or an edited one written back in place.
#include "window/form1x.h"

#include "editing/record_from_boxes.h"
#include "window/controls/hover_button.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <algorithm>
#include <limits>

namespace {

// RecordNo is a 16-bit field: no record past this number can carry its own number.
constexpr std::int32_t LastRecordNo = std::numeric_limits<std::int16_t>::max();

const QString NoNickName = QStringLiteral("Cannot Save without Nick Name");
const QString NoPhoneNumber = QStringLiteral("Cannot Save without phone number");
const QString NickInUse = QStringLiteral("This nickname already existed, Add one or more "
                                         "charecter or number  to make it defrent");
const QString BookFull = QStringLiteral("Cannot Save: the contact book is full. It holds at "
                                        "most 32767 contacts.");

} // namespace

void Form1x::BtnAdd_Press()
{
    state_.IsNewEntry = true;
    state_.OriginalNick.clear();
    BeginNewEntry();
}

void Form1x::BtnSave_Press()
{
    // A refusal leaves everything as typed, the entry or the edit still open, and puts the
    // caret where the missing text belongs. A nickname of blanks is as good as none: it would
    // be stored blank, with nothing to list or find it by.
    if (trimBlanks(TxtNick->text()).isEmpty()) {
        dialogs_->showMessage(NoNickName);
        TxtNick->setFocus();
        return;
    }
    if (TxtAdPhon->text().isEmpty()) {
        dialogs_->showMessage(NoPhoneNumber);
        TxtAdPhon->setFocus();
        return;
    }
    state_.CurrentRecord = state_.NewRecordNo;
    CheckDuplicateNick();
}

void Form1x::CheckDuplicateNick()
{
    OpenDataFile();
    // Compared as it will be stored, cut to the field: a longer nickname whose first 15
    // characters are taken is just as taken.
    const std::string nick = storedForm<15>(TxtNick->text());
    // An edit may keep the nickname its contact had when EDIT was pressed. Only a store over
    // a contact in the file is an edit: after an edit was left for a new entry, the nickname
    // it remembered counts like any other.
    const bool inPlace =
        savesInPlace_ && state_.CurrentRecord >= 1 && state_.CurrentRecord <= state_.RecordCount;
    const bool keepsItsNick = inPlace && nick == storedForm<15>(state_.OriginalNick);
    for (std::int32_t i = 1; i <= state_.RecordCount && !keepsItsNick; ++i) {
        if (!store::trimmedEquals(viewRecord(i).nick(), nick))
            continue;
        closeDataFile();
        dialogs_->showMessage(NickInUse);
        return;
    }
    closeDataFile();
    StoreCurrentRecord();
}

void Form1x::StoreCurrentRecord()
{
    OpenDataFile();
    // A new contact goes behind every record the file holds now, counted afresh: the count of
    // the entry's start may be stale (a store that failed after its write, another window), and
    // a contact is never written over. Another program may have shortened the file since it was
    // last counted: a record is never written past the end either, where the gap would read as
    // contacts made of zero bytes.
    state_.CurrentRecord = savesInPlace_ ? std::min(state_.CurrentRecord, state_.RecordCount + 1)
                                         : state_.RecordCount + 1;
    if (state_.CurrentRecord > LastRecordNo) {
        closeDataFile();
        dialogs_->showMessage(BookFull);
        return;
    }
    store::ContactRecord record = recordFromBoxes(*this);
    record.RecordNo = static_cast<std::int16_t>(state_.CurrentRecord);
    // A write that fails ends the action here, with the boxes still holding what was typed.
    writeRecord(state_.CurrentRecord, record);
    try {
        closeDataFile();

        // The whole list again, showing the last record of the file (not necessarily this
        // one), and then the letter tab that is selected.
        ReloadNicknameList();
        BtnSave->setEnabled(false);
        BtnAdd->setEnabled(true);
        state_.OriginalNick.clear();
        // The "*" tab would only list again what was just listed, and show the same contact.
        if (TabStrip1->selectedCaption() != QLatin1String("*"))
            TabStrip1_Click();
    } catch (...) {
        // The contact has reached the file: the window shows what the file now holds rather
        // than an entry that looks unsaved. The failure itself is reported by the action's
        // guard.
        try {
            closeAllFiles();
            ReloadNicknameList();
            BtnSave->setEnabled(false);
            BtnAdd->setEnabled(true);
            state_.OriginalNick.clear();
        } catch (const std::exception&) {
        }
        throw;
    }
}

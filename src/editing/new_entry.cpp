// ADD NEW and SAVE: a new contact, or an edited one written back in place.
#include "window/form/form1x.h"

#include "editing/record_from_boxes.h"
#include "window/controls/hover_button.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/store_text.h"

#include <algorithm>
#include <limits>

namespace {

// RecordNo is a 16-bit field: no record past this number can carry its own number.
constexpr std::int32_t LastRecordNo = std::numeric_limits<std::int16_t>::max();

const QString NoNickName = QStringLiteral("Cannot Save without Nick Name");
const QString NoPhoneNumber = QStringLiteral("Cannot Save without phone number");
const QString NickInUse = QStringLiteral("This nickname already existed, Add one or more "
                                         "charecter or number  to make it defrent");
// Names the box and the characters in it that the file would store as "?".
const QString CannotStore = QStringLiteral("Cannot Save: the %1 box holds characters that the "
                                           "contacts file cannot store: %2");
const QString BookFull = QStringLiteral("Cannot Save: the contact book is full. It holds at "
                                        "most 32767 contacts.");

// What SAVE over an edited contact did, to be taken back.
transfer::BookChange editOf(const store::ContactRecord& before, const store::ContactRecord& after,
                            std::int32_t place)
{
    const QString nick = fromStore(after.Nick.trimmed());
    return {Form1x::tr("Saved \"%1\".").arg(nick).toStdString(),
            {{store::encodeRecord(before), store::encodeRecord(after), place, {}, {}}}};
}

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
    // be stored blank, with nothing to list or find it by; so is one of control characters,
    // which a damaged record may bring into the box and which are not stored.
    if (storableText(TxtNick->text()).isEmpty()) {
        dialogs_->showMessage(NoNickName);
        TxtNick->setFocus();
        return;
    }
    if (TxtAdPhon->text().isEmpty()) {
        dialogs_->showMessage(NoPhoneNumber);
        TxtAdPhon->setFocus();
        return;
    }
    if (!everyTextStorable())
        return;
    // CurrentRecord becomes the record written only once the store goes ahead: a refused SAVE
    // leaves the contact picked in the list current, for DELETE and EDIT.
    CheckDuplicateNick();
}

bool Form1x::everyTextStorable()
{
    // Nothing is stored as "?" that was typed as another character: the first box that holds
    // such characters is named, and the caret waits in it, at the first of them.
    for (TextBox* box : {TxtNick, TxtAdName, TxtAdFname, TxtAdAdd, TxtAdPhon, Txtprefx, TxtCode}) {
        const QList<QString> lacking = unstorableCharacters(storableText(box->text()));
        if (lacking.isEmpty())
            continue;
        dialogs_->showMessage(CannotStore.arg(box->accessibleName(), lacking.join(u' ')));
        box->setFocus();
        box->setCursorPosition(std::max(0, static_cast<int>(box->text().indexOf(lacking.front()))));
        return false;
    }
    return true;
}

void Form1x::CheckDuplicateNick()
{
    OpenDataFile();
    // Compared as it will be stored, cut to the field: a longer nickname whose first 15
    // characters are taken is just as taken.
    const std::string nick = storedForm<15>(TxtNick->text());
    // An edit may keep the nickname its contact had when EDIT was pressed. Only a store over
    // the contact that EDIT opened is an edit: after an edit was left for a new entry, the
    // nickname it remembered counts like any other.
    const bool keepsItsNick =
        savesOverEditedContact() && nick == storedForm<15>(state_.OriginalNick);
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
    std::int32_t target = state_.RecordCount + 1;
    const bool overEdited = savesOverEditedContact();
    if (overEdited) {
        // An edit goes back over its own contact, and only while the record still holds it as
        // EDIT read it: another window may have deleted, moved or rewritten it since.
        if (!stillStored(editedContact_, state_.NewRecordNo)) {
            refuseChangedContact(EditNotSaved);
            return;
        }
        target = state_.NewRecordNo;
    }
    // A new contact goes at the end of the file as it is now, which another window may have
    // lengthened or shortened since the entry began: it never overwrites a record, and never
    // leaves a gap behind the last one.
    if (target > LastRecordNo) {
        closeDataFile();
        dialogs_->showMessage(BookFull);
        return;
    }
    store::ContactRecord record = recordFromBoxes(*this);
    record.RecordNo = static_cast<std::int16_t>(target);
    // A write that fails ends the action here, with the boxes still holding what was typed
    // and the contact picked before still current: no record number stays behind that was
    // never written.
    writeRecord(target, record);
    state_.CurrentRecord = target;
    if (overEdited && !(record == editedContact_->record))
        rememberChange(editOf(editedContact_->record, record, target));
    try {
        closeDataFile();
        showStoredContacts();
        // The "*" tab would only list again what was just listed, and show the same contact.
        if (TabStrip1->selectedCaption() != QLatin1String("*"))
            TabStrip1_Click();
    } catch (...) {
        // The contact has reached the file: the window shows what the file now holds rather
        // than an entry that looks unsaved. The failure itself is reported by the action's
        // guard.
        try {
            closeAllFiles();
            showStoredContacts();
        } catch (const std::exception&) {
        }
        throw;
    }
}

bool Form1x::savesOverEditedContact() const
{
    return editedContact_ && editedContact_->recordNo == state_.NewRecordNo;
}

void Form1x::showStoredContacts()
{
    // The whole list again, showing the last record of the file (not necessarily the one just
    // stored).
    ReloadNicknameList();
    BtnSave->setEnabled(false);
    BtnAdd->setEnabled(true);
    state_.OriginalNick.clear();
}

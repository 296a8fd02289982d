// Other Zarvoth windows on the same folder. Each action holds the folder on its own, but
// between two actions of this window another one may delete, add or rewrite contacts, so that
// a record number read earlier may now belong to another contact or to none. What writes or
// removes one record by number (DELETE, SAVE after EDIT) first reads that record once more and
// acts only when it still holds the contact as this window read it.
#include "window/form/form1x.h"

const QString Form1x::ChangedElsewhere = QStringLiteral(
    "This contact was changed or deleted in another Zarvoth window meanwhile, so nothing was "
    "done. The list now shows the contacts as they are stored.");
const QString Form1x::EditNotSaved = QStringLiteral(
    "This contact was changed or deleted in another Zarvoth window meanwhile, so your changes "
    "were not saved. The list now shows the contacts as they are stored.");
const QString Form1x::NoLongerStored = QStringLiteral(
    "This contact is no longer stored: another Zarvoth window changed the contacts meanwhile. "
    "The list now shows the contacts as they are stored.");

bool Form1x::stillStored(const std::optional<ReadContact>& contact, std::int32_t n)
{
    return contact && contact->recordNo == n && n >= 1 && n <= state_.RecordCount &&
           readRecord(n) == contact->record;
}

void Form1x::refuseChangedContact(const QString& text)
{
    closeDataFile();
    dialogs_->showMessage(text);
    InitializeWindow();
}

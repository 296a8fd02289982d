// Choosing a contact in the nickname list.
#include "window/form/form1x.h"

#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/form/check_value.h"
#include "window/form/store_text.h"

#include <QCheckBox>

void Form1x::ListNick_Click()
{
    // DELETE is for a contact read in full below; until then (and when the file fails) there
    // is none, whatever the list highlights.
    BtnDelete->setEnabled(false);
    const QString selection = trimBlanks(ListNick->selectedText());

    // An edit in progress writes over the stored record that EDIT (or a pick since) opened.
    const bool editing = state_.IsNewEntry && editedContact_.has_value();
    const bool found = showPickedContact(selection);

    if (!found && ListNick->listIndex() != -1) {
        // The list was filled before another window deleted or renamed this contact: nothing
        // of it is left to show or delete.
        refuseChangedContact(NoLongerStored);
        return;
    }
    BtnDelete->setEnabled(found);

    // During an edit the boxes now hold the picked contact, so the edit goes on with that
    // contact: SAVE writes the boxes over its own record, never over the one EDIT opened.
    if (editing && found) {
        state_.NewRecordNo = state_.CurrentRecord;
        state_.OriginalNick = selection;
        editedContact_ = currentContact_;
    }
}

bool Form1x::showPickedContact(const QString& selection)
{
    const std::optional<std::string> wanted = toStoreExact(selection);
    bool found = false;
    OpenDataFile();
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
        if (!wanted || !store::trimmedEquals(viewRecord(i).nick(), *wanted))
            continue;
        // Read before it becomes current: a read that fails leaves the contact shown before
        // current, the one EDIT then opens.
        const store::ContactRecord record = readRecord(i);
        found = true;
        state_.CurrentRecord = i;
        currentContact_ = ReadContact{state_.CurrentRecord, record};
        // The details keep the blank fill of their fields where they are locked; only the
        // nickname and the STD code are trimmed.
        TxtNick->setText(selection);
        TxtAdName->showStored(fromStore(record.FullName.text()));
        TxtAdFname->showStored(fromStore(record.FamilyName.text()));
        TxtAdAdd->showStored(fromStore(record.City.text()));
        TxtAdPhon->showStored(fromStore(record.Phone.text()));
        Txtprefx->showStored(fromStore(record.Prefix.text()));
        TxtCode->setText(fromStore(record.StdCode.trimmed()));
        Chkprefx->setCheckState(checkStateOf(record.UsePrefix));
        Chkcode->setCheckState(checkStateOf(record.UseStdCode));
    }
    closeDataFile();
    return found;
}

// EDIT: the shown contact opened for SAVE to write it back in place.
#include "window/form/form1x.h"

#include "editing/record_from_boxes.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include <QCheckBox>

void Form1x::BtnUpdate_Press()
{
    // The shown contact may have been deleted or moved by another window since it was read;
    // an edit would then write over whatever record CurrentRecord holds now.
    OpenDataFile();
    if (!stillStored(currentContact_, state_.CurrentRecord)) {
        refuseChangedContact(ChangedElsewhere);
        return;
    }
    closeDataFile();
    showCurrentRecordIfNotShown(currentContact_->record);

    state_.OriginalNick = TxtNick->text();
    // The prefix box stays locked: an edit cannot change a stored prefix.
    for (TextBox* box : {TxtNick, TxtAdName, TxtAdFname, TxtAdAdd, TxtAdPhon, TxtCode})
        box->setLocked(false);
    TxtNick->setFocus();
    TxtNick->setSelection(TxtNick->cursorPosition(), static_cast<int>(TxtNick->text().size()));
    BtnUpdate->setEnabled(false);
    BtnSave->setEnabled(true);
    state_.IsNewEntry = true;
    state_.NewRecordNo = state_.CurrentRecord;
    // SAVE writes back over this record only while it still holds the contact as read now.
    editedContact_ = currentContact_;
}

void Form1x::showCurrentRecordIfNotShown(const store::ContactRecord& stored)
{
    // Typing a nickname in the record view can put another contact's details, or a nickname
    // that is not the current contact's, into the boxes. SAVE writes what the boxes hold over
    // the current record, so the edit starts from that record's own texts. The check boxes
    // are the current contact's already and keep what the user ticked.
    if (sameTexts(recordFromBoxes(*this), stored))
        return;
    const Qt::CheckState prefix = Chkprefx->checkState();
    const Qt::CheckState code = Chkcode->checkState();
    ShowCurrentRecord();
    Chkprefx->setCheckState(prefix);
    Chkcode->setCheckState(code);
}

// EDIT: the shown contact opened for SAVE to write it back in place.
#include "window/form1x.h"

#include "editing/record_from_boxes.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include <QCheckBox>

void Form1x::BtnUpdate_Press()
{
    showCurrentRecordIfNotShown();

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
    savesInPlace_ = true;
}

void Form1x::showCurrentRecordIfNotShown()
{
    // Typing a nickname in the record view can put another contact's details, or a nickname
    // that is not the current contact's, into the boxes. SAVE writes what the boxes hold over
    // the current record, so the edit starts from that record's own texts. The check boxes
    // are the current contact's already and keep what the user ticked.
    OpenDataFile();
    const bool stored = state_.CurrentRecord >= 1 && state_.CurrentRecord <= state_.RecordCount;
    const store::ContactRecord current =
        stored ? readRecord(state_.CurrentRecord) : store::ContactRecord{};
    closeDataFile();
    if (!stored || sameTexts(recordFromBoxes(*this), current))
        return;
    const Qt::CheckState prefix = Chkprefx->checkState();
    const Qt::CheckState code = Chkcode->checkState();
    ShowCurrentRecord();
    Chkprefx->setCheckState(prefix);
    Chkcode->setCheckState(code);
}

// Choosing a contact in the nickname list.
#include "window/form1x.h"

#include "window/check_value.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/store_text.h"

#include <QCheckBox>

void Form1x::ListNick_Click()
{
    BtnDelete->setEnabled(ListNick->listIndex() != -1);
    const QString selection = trimBlanks(ListNick->selectedText());
    const std::optional<std::string> wanted = toStoreExact(selection);

    // An edit in progress writes over record NewRecordNo, a stored one.
    const bool editing = state_.IsNewEntry && savesInPlace_;
    bool found = false;

    OpenDataFile();
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
        if (!wanted || !store::trimmedEquals(viewRecord(i).nick(), *wanted))
            continue;
        found = true;
        state_.CurrentRecord = i;
        const store::ContactRecord record = readRecord(state_.CurrentRecord);
        // The details keep the blank fill of their fields; only the nickname and the STD
        // code are trimmed.
        TxtNick->setText(selection);
        TxtAdName->setText(fromStore(record.FullName.text()));
        TxtAdFname->setText(fromStore(record.FamilyName.text()));
        TxtAdAdd->setText(fromStore(record.City.text()));
        TxtAdPhon->setText(fromStore(record.Phone.text()));
        Txtprefx->setText(fromStore(record.Prefix.text()));
        TxtCode->setText(fromStore(record.StdCode.trimmed()));
        Chkprefx->setCheckState(checkStateOf(record.UsePrefix));
        Chkcode->setCheckState(checkStateOf(record.UseStdCode));
    }
    closeDataFile();

    // During an edit the boxes now hold the picked contact, so the edit goes on with that
    // contact: SAVE writes the boxes over its own record, never over the one EDIT opened.
    if (editing && found) {
        state_.NewRecordNo = state_.CurrentRecord;
        state_.OriginalNick = selection;
    }
}

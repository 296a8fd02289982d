// The nickname list, the read-only record view and the empty entry.
#include "window/form/form1x.h"

#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/text_box.h"
#include "window/form/check_value.h"
#include "window/form/store_text.h"

#include <QCheckBox>

namespace {

// Runs every step even when one fails: the entry must be usable whatever went wrong before.
template <typename... Steps> void everyStep(Steps&&... steps)
{
    const auto attempt = [](auto&& step) {
        try {
            step();
        } catch (const std::exception&) {
        }
    };
    (attempt(steps), ...);
}

} // namespace

void Form1x::ShowCurrentRecord()
{
    BeginNewEntry();
    showCurrentRecordInPlace();
}

void Form1x::showCurrentRecordInPlace()
{
    state_.NewRecordNo = state_.RecordCount + 1;
    OpenDataFile();
    const store::ContactRecord record = readRecord(state_.CurrentRecord);
    // What the window shows is what DELETE and EDIT will expect to find there.
    if (state_.CurrentRecord >= 1 && state_.CurrentRecord <= state_.RecordCount)
        currentContact_ = ReadContact{state_.CurrentRecord, record};
    else
        currentContact_.reset();
    TxtNick->setText(fromStore(record.Nick.trimmed()));
    TxtAdName->setText(fromStore(record.FullName.trimmed()));
    TxtAdFname->setText(fromStore(record.FamilyName.trimmed()));
    TxtAdAdd->setText(fromStore(record.City.trimmed()));
    TxtAdPhon->setText(fromStore(record.Phone.trimmed()));
    Txtprefx->setText(fromStore(record.Prefix.text()));
    TxtCode->setText(fromStore(record.StdCode.trimmed()));
    Chkprefx->setCheckState(checkStateOf(record.UsePrefix));
    Chkcode->setCheckState(checkStateOf(record.UseStdCode));
    closeDataFile();

    DisableRecordButtons();
    BtnUpdate->setEnabled(true);
    BtnAdd->setEnabled(true);

    TxtNick->setLocked(false);
    for (TextBox* box : {TxtAdName, TxtAdFname, TxtAdAdd, TxtAdPhon, TxtCode, Txtprefx})
        box->setLocked(true);
    ShowRecordTotal();
    state_.IsNewEntry = false;
}

void Form1x::BeginNewEntry()
{
    TextBox* const boxes[] = {TxtNick,   TxtAdName, TxtAdFname, TxtAdAdd,
                              TxtAdPhon, TxtCode,   Txtprefx};
    everyStep([this] { state_.NewRecordNo = state_.RecordCount + 1; },
              [this] { editedContact_.reset(); }, // an edit in progress is left
              [&] {
                  for (TextBox* box : boxes)
                      box->clear();
              },
              [this] {
                  Chkprefx->setCheckState(Qt::Unchecked);
                  Chkcode->setCheckState(Qt::Unchecked);
              },
              [&] {
                  for (TextBox* box : boxes)
                      box->setLocked(false);
              },
              [this] { TxtNick->setFocus(); }, //
              [this] { DisableRecordButtons(); }, [this] { state_.IsNewEntry = true; });
}

void Form1x::DisableRecordButtons()
{
    BtnDelete->setEnabled(false);
    BtnSave->setEnabled(false);
    BtnUpdate->setEnabled(false);
    BtnAdd->setEnabled(false);
}

void Form1x::ShowRecordTotal()
{
    StatusBar1->setPanelText(2, TxtNick->text().isEmpty() ? QStringLiteral("0")
                                                          : QString::number(ListNick->count()));
}

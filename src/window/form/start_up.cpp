// Start-up, EXIT and the credit line.
#include "window/form/form1x.h"

#include "transfer/book_files.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/credit_line.h"

#include <QCheckBox>
#include <QLabel>

void Form1x::Form_Load()
{
    BtnDelete->setEnabled(false);
    if (TxtAdPhon->text().isEmpty())
        DialButton1->hide();
    // The contacts of a deletion that was stopped half-way come back before the data file is
    // opened, which would create it empty, and an import's leftover goes. When they cannot,
    // start-up stops here with the reason, and no empty data file hides them.
    transfer::recoverInterruptedWrites(fileSystem_);
    InitializeWindow();
}

void Form1x::InitializeWindow()
{
    // The ten entry controls lead the focus order; the rest follow in a fixed order. Pict,
    // whose place is between EXIT and the list, only holds the record area: it takes no
    // focus, so Tab goes on to the list.
    QWidget* const order[] = {TxtNick,  TxtAdName, TxtAdFname, TxtAdAdd,    TxtAdPhon, Chkprefx,
                              Txtprefx, Chkcode,   TxtCode,    DialButton1, BtnSearch, BtnAdd,
                              BtnSave,  BtnUpdate, BtnDelete,  BtnExit,     ListNick,  TabStrip1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    OpenDataFile();
    closeDataFile();
    if (state_.RecordCount == 0) {
        ListNick->clear();
        listFilter_ = {};
        state_.IsNewEntry = true;
        BeginNewEntry();
    } else {
        ReloadNicknameList();
    }
}

void Form1x::setUpAgainAfterFailure()
{
    try {
        closeAllFiles();
        InitializeWindow();
    } catch (const std::exception&) {
    }
}

void Form1x::BtnExit_Click()
{
    closeAllFiles();
    close();
}

void Form1x::Label1_MouseMove()
{
    Label1->setText(creditLine());
}

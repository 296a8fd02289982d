// The search menu: every contact whose nickname, full name, family name or city equals the
// value the user gives.
#include "window/form/form1x.h"

#include "window/controls/command_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/form/first_character.h"
#include "window/form/store_text.h"

#include <QCursor>
#include <QMenu>

#include <optional>
#include <string>
#include <string_view>

struct Form1x::FieldSearch {
    QLatin1String prompt;
    QLatin1String title;
    QLatin1String defaultAnswer;
    // The searched field as stored, blank fill included.
    std::string_view (*field)(const store::RecordView& record);
    // The search by city leaves the nickname box as it was while it runs.
    bool emptiesNick;

    static const FieldSearch ByNickName;
    static const FieldSearch ByFullName;
    static const FieldSearch ByFamilyName;
    static const FieldSearch ByCity;
};

const Form1x::FieldSearch Form1x::FieldSearch::ByNickName{
    QLatin1String("Enter Nickname"), QLatin1String("Search By Nickname"), QLatin1String("Velor"),
    [](const store::RecordView& record) { return record.nick(); }, true};
const Form1x::FieldSearch Form1x::FieldSearch::ByFullName{
    QLatin1String("Enter Full Name"), QLatin1String("Search By Full Name"),
    QLatin1String("Arvenid Velor"),
    [](const store::RecordView& record) { return record.fullName(); }, true};
const Form1x::FieldSearch Form1x::FieldSearch::ByFamilyName{
    QLatin1String("Enter Family Name"), QLatin1String("Search By Family Name"),
    QLatin1String("Dunmerevalosk"),
    [](const store::RecordView& record) { return record.familyName(); }, true};
const Form1x::FieldSearch Form1x::FieldSearch::ByCity{
    QLatin1String("Enter City"), QLatin1String("Search By City"), QLatin1String("Ostrevalind"),
    [](const store::RecordView& record) { return record.city(); }, false};

void Form1x::BtnSearch_Click()
{
    // A click opens the menu at the pointer. Pressed from the keyboard the button says
    // nothing of where the pointer is, which may be anywhere on the screen; the menu then
    // opens under the button, where the user is looking.
    const auto* button = qobject_cast<const CommandButton*>(BtnSearch);
    const QPoint at = button && button->clickedWithPointer()
                          ? QCursor::pos()
                          : BtnSearch->mapToGlobal(BtnSearch->rect().bottomLeft() + QPoint(0, 1));
    // Without blocking: the chosen item runs its own handler.
    MnuMnu->popup(at);
}

void Form1x::MnuNick_Click()
{
    searchByField(FieldSearch::ByNickName);
}

void Form1x::MnuFName_Click()
{
    searchByField(FieldSearch::ByFullName);
}

void Form1x::MnuFamily_Click()
{
    searchByField(FieldSearch::ByFamilyName);
}

void Form1x::MnyCity_Click()
{
    searchByField(FieldSearch::ByCity);
}

void Form1x::searchByField(const FieldSearch& search)
{
    // Cancel gives the empty text, which finds the contacts whose field is blank. Blanks
    // around the answer stay: the stored fields are compared trimmed, so they find nothing.
    const QString answer =
        withCapitalFirst(dialogs_->inputBox(search.prompt, search.title, search.defaultAnswer));
    const std::optional<std::string> wanted = toStoreExact(answer);

    OpenDataFile();
    // The list is cleared and refilled in the one step of listMatchingRecords.
    if (search.emptiesNick)
        TxtNick->setText(QString());
    listMatchingRecords([wanted, field = search.field](const store::RecordView& record) {
        return wanted && store::trimmedEquals(field(record), *wanted);
    });
    closeDataFile();

    if (ListNick->count() >= 1) {
        ShowCurrentRecord(); // the last match
        return;
    }
    dialogs_->showMessage(QStringLiteral("Not Found"));
    BeginNewEntry();
}

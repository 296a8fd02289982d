// The window kept in step with what a sync wrote, without taking the user's place: the list
// stays filtered as it was, the entry selected stays selected, the contact shown stays shown
// wherever the sync moved it, and the focus stays where it is. A contact being typed is never
// touched; the window catches up once the user is done with it.
#include "window/form/form1x.h"

#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/form/store_text.h"
#include "window/sync/sync_desk.h"

#include <QCheckBox>
#include <QScrollBar>

#include <algorithm>

namespace {

// Whether two records hold the same contact, wherever each is stored.
bool sameText(store::ContactRecord a, const store::ContactRecord& b)
{
    a.RecordNo = b.RecordNo;
    return a == b;
}

// The row to select in a list of the records `listed` once a sync changed it under the row
// `before`: the row of the contact that was there, where it is still listed, else the row now
// in its place (the last, when the list got shorter); -1 when the list is empty.
int keptRow(const std::vector<std::int32_t>& listed, std::optional<std::int32_t> contact,
            int before)
{
    if (contact) {
        const auto at = std::find(listed.begin(), listed.end(), *contact);
        if (at != listed.end())
            return static_cast<int>(at - listed.begin());
    }
    return std::min(before, static_cast<int>(listed.size()) - 1);
}

} // namespace

void Form1x::catchUpWithSync()
{
    if (inAction_) {
        // A box of an action is open: the action goes on from what it read, and the window
        // catches up once it has ended.
        sync_->catchUpPending = true;
        return;
    }
    runAction([this] {
        sync_->listStale = true;
        // Unless a contact is being typed, the window catches up as soon as this step ends.
        if (!userIsTyping())
            return;
        OpenDataFile();
        currentContact_ = foundAgain(currentContact_);
        if (currentContact_)
            state_.CurrentRecord = currentContact_->recordNo;
        if (editedContact_) {
            // The edit goes on over the same contact wherever it now is; when the sync
            // removed it, SAVE stores it anew rather than losing what was typed.
            editedContact_ = foundAgain(editedContact_);
            state_.NewRecordNo = editedContact_ ? editedContact_->recordNo : state_.RecordCount + 1;
            if (editedContact_)
                state_.CurrentRecord = editedContact_->recordNo;
        } else {
            state_.NewRecordNo = state_.RecordCount + 1;
        }
        closeDataFile();
    });
}

std::optional<Form1x::ReadContact> Form1x::foundAgain(const std::optional<ReadContact>& contact)
{
    if (!contact)
        return std::nullopt;
    // The same contact as it was (a sync may have moved it), else the one of the same
    // nickname: the sync changed it.
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
        store::ContactRecord record = readRecord(i);
        if (sameText(record, contact->record))
            return ReadContact{i, record};
    }
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i)
        if (store::trimmedEquals(viewRecord(i).nick(), contact->record.Nick.trimmed()))
            return ReadContact{i, readRecord(i)};
    return std::nullopt;
}

bool Form1x::userIsTyping() const
{
    if (!state_.IsNewEntry)
        return false;
    if (editedContact_ || Chkprefx->isChecked() || Chkcode->isChecked())
        return true;
    for (const TextBox* box :
         {TxtNick, TxtAdName, TxtAdFname, TxtAdAdd, TxtAdPhon, Txtprefx, TxtCode})
        if (!box->text().isEmpty())
            return true;
    return false;
}

void Form1x::showWhatIsStored()
{
    sync_->listStale = false;
    const std::optional<ReadContact> shown = currentContact_;
    std::vector<std::int32_t> numbers;
    OpenDataFile();
    const std::optional<ReadContact> found = foundAgain(shown);
    Listing listing = matchingNicknames(listFilter_, &numbers);
    closeDataFile();
    if (!state_.IsNewEntry)
        return keepPlaceInList(std::move(listing), numbers, shown, found);

    // An empty entry stays open for what the user is about to type, over the list as it now
    // is; only an empty list, as in a book that was empty, shows the contacts that came.
    state_.NewRecordNo = state_.RecordCount + 1;
    currentContact_ = found;
    if (found)
        state_.CurrentRecord = found->recordNo;
    const bool wasEmpty = ListNick->count() == 0;
    if (!(listing.nicknames == ListNick->entries()))
        ListNick->setItems(std::move(listing.nicknames));
    if (wasEmpty && listing.last > 0) {
        state_.CurrentRecord = listing.last;
        ShowCurrentRecord();
    }
}

void Form1x::keepPlaceInList(Listing listing, const std::vector<std::int32_t>& numbers,
                             const std::optional<ReadContact>& shown,
                             const std::optional<ReadContact>& found)
{
    const int row = ListNick->listIndex();
    const bool unchanged = found && sameText(found->record, shown->record);
    const bool listChanged = !(listing.nicknames == ListNick->entries());
    if (listChanged) {
        // The list is filled anew: where it was scrolled to stays in view.
        const int top = ListNick->verticalScrollBar()->value();
        ListNick->setItems(std::move(listing.nicknames));
        ListNick->verticalScrollBar()->setValue(top);
        ShowRecordTotal();
    }
    if (found)
        state_.CurrentRecord = found->recordNo;
    if (row >= 0) {
        const int now =
            keptRow(numbers, found ? std::optional(found->recordNo) : std::nullopt, row);
        if (now < 0) {
            // Nothing is left in the list to select: as after DELETE of its last contact.
            currentContact_.reset();
            return BeginNewEntry();
        }
        if (listChanged || now != row)
            ListNick->setListIndex(now);
        if (unchanged && numbers[std::size_t(now)] == found->recordNo) {
            currentContact_ = found;
            return;
        }
        // The entry now selected, shown as a click shows it; DELETE, never greyed meanwhile,
        // keeps the focus it may have.
        BtnDelete->setEnabled(showPickedContact(trimBlanks(ListNick->selectedText())));
        return;
    }
    if (unchanged) {
        currentContact_ = found;
        return;
    }
    // The contact shown changed, or was removed: then, as after a DELETE, the last listed.
    if (!found && listing.last == 0) {
        currentContact_.reset();
        return BeginNewEntry();
    }
    if (!found)
        state_.CurrentRecord = listing.last;
    showCurrentRecordInPlace();
}

void Form1x::afterAction()
{
    if (!sync_)
        return;
    if (std::exchange(sync_->catchUpPending, false))
        catchUpWithSync();
    if (sync_->listStale && !userIsTyping())
        runAction([this] { showWhatIsStored(); });
    describeList();
}

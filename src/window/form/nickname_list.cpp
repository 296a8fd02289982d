// Filling the nickname list: every record, or those that pass a filter.
#include "window/form/form1x.h"

#include "window/controls/list_box.h"
#include "window/form/store_text.h"

void Form1x::ReloadNicknameList()
{
    // The list is refilled in one step below; cleared first, it would be laid out and painted
    // twice. Only when the file cannot be opened does the clearing show, and then it is done.
    try {
        OpenDataFile();
    } catch (...) {
        ListNick->clear();
        throw;
    }
    listMatchingRecords({});
    closeDataFile();
    if (state_.RecordCount >= 1)
        ShowCurrentRecord();
    else
        BeginNewEntry();
}

namespace {

// The list keeps the nicknames as stored, one byte a character, and makes text only of those
// it shows: a list of every record is filled without decoding thousands of nicknames.
const ListEntries::Encoding StoredText{fromStore,
                                       [](QStringView text) { return toStore(text.toString()); }};

} // namespace

int Form1x::listMatchingRecords(const ListFilter& matches)
{
    // Kept, so that the list shows the same contacts again once a sync changed them.
    listFilter_ = matches;
    // The last match becomes current only once the scan is through: a scan that fails leaves
    // the contact shown before current, the one EDIT and DELETE act on.
    Listing listing;
    try {
        listing = matchingNicknames(matches);
    } catch (...) {
        ListNick->clear();
        throw;
    }
    if (listing.last > 0)
        state_.CurrentRecord = listing.last;
    const auto listed = static_cast<int>(listing.nicknames.size());
    ListNick->setItems(std::move(listing.nicknames));
    return listed;
}

Form1x::Listing Form1x::matchingNicknames(const ListFilter& matches,
                                          std::vector<std::int32_t>* numbers)
{
    Listing listing{ListEntries(StoredText), 0};
    ListEntries& nicknames = listing.nicknames;
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
        const store::RecordView record = viewRecord(i);
        if (matches && !matches(record))
            continue;
        const std::string_view nick = record.nick();
        if (nicknames.isEmpty()) // room for every record from here on, taken at once
            nicknames.reserve(state_.RecordCount - i + 1,
                              (state_.RecordCount - i + 1) * qsizetype(nick.size()));
        // Listed as stored: the 15 characters with their blank fill.
        nicknames.appendBytes(nick);
        listing.last = i;
        if (numbers)
            numbers->push_back(i);
    }
    nicknames.squeeze(); // the list keeps what it is given for as long as it shows it
    return listing;
}

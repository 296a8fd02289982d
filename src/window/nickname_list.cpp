// Filling the nickname list: every record, or those that pass a filter.
#include "window/form1x.h"

#include "window/controls/list_box.h"
#include "window/store_text.h"

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

int Form1x::listMatchingRecords(const std::function<bool(const store::RecordView&)>& matches)
{
    ListEntries nicknames(StoredText);
    // The last match becomes current only once the scan is through: a scan that fails leaves
    // the contact shown before current, the one EDIT and DELETE act on.
    std::int32_t last = state_.CurrentRecord;
    try {
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
            last = i;
        }
    } catch (...) {
        ListNick->clear();
        throw;
    }
    state_.CurrentRecord = last;
    nicknames.squeeze(); // the list keeps what it is given for as long as it shows it
    const auto listed = static_cast<int>(nicknames.size());
    ListNick->setItems(std::move(nicknames));
    return listed;
}

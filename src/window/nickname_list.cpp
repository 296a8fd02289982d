// Filling the nickname list: every record, or those that pass a filter.
#include "window/form1x.h"

#include "window/controls/list_box.h"
#include "window/store_text.h"

void Form1x::ReloadNicknameList()
{
    ListNick->clear();
    OpenDataFile();
    listMatchingRecords([](const store::ContactRecord&) { return true; });
    closeDataFile();
    if (state_.RecordCount >= 1)
        ShowCurrentRecord();
    else
        BeginNewEntry();
}

int Form1x::listMatchingRecords(const std::function<bool(const store::ContactRecord&)>& matches)
{
    QStringList nicknames;
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
        const store::ContactRecord record = readRecord(i);
        if (!matches(record))
            continue;
        // Listed as stored: the 15 characters with their blank fill.
        nicknames.append(fromStore(record.Nick.text()));
        state_.CurrentRecord = i;
    }
    ListNick->setItems(nicknames);
    return static_cast<int>(nicknames.size());
}

// The letter tabs: every contact, or those whose nickname begins with one letter.
#include "window/form/form1x.h"

#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/form/initial_filter.h"

void Form1x::TabStrip1_Click()
{
    const QString caption = TabStrip1->selectedCaption();
    if (caption == QLatin1String("*")) {
        ReloadNicknameList();
        return;
    }
    state_.SearchText = caption;
    OpenDataFile();
    // Cleared and refilled in the one step of listMatchingRecords.
    listMatchingRecords(
        [filter = InitialFilter(state_.SearchText)](const store::RecordView& record) {
            return filter.matches(record.nick());
        });
    closeDataFile();
    if (ListNick->count() == 0)
        BeginNewEntry();
    else
        ShowCurrentRecord();
}

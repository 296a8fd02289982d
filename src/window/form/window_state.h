#pragma once

#include <QString>

#include <cstdint>

// The six variables that the window's handlers share; nothing else carries over from one
// action to the next but the contents of the controls.
struct WindowState {
    // The contact shown or selected: what SAVE writes and DELETE removes (0: none yet).
    std::int32_t CurrentRecord = 0;
    // The record SAVE writes to: RecordCount + 1 for a new entry, the shown one after EDIT.
    std::int32_t NewRecordNo = 0;
    // Whole records in the data file when it was last opened.
    std::int32_t RecordCount = 0;
    // True while the boxes are open for typing a contact, new or edited.
    bool IsNewEntry = false;
    // The letter of the list's first-letter filter.
    QString SearchText;
    // The nickname of the contact being edited; empty while adding.
    QString OriginalNick;
};

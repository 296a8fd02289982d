#pragma once

#include "support/data_folder.h"
#include "support/scripted_dialogs.h"
#include "window/form/form1x.h"

#include <QString>
#include <QStringList>

#include <memory>

class ListBox;
class TextBox;

// The real window, started on the data file of a fresh folder, with scripted dialogs.
class WindowFixture {
public:
    // Starts the window on whatever the folder holds now.
    Form1x& start();
    Form1x& start(store::FileSystem& fileSystem);
    void restart()
    {
        window_.reset();
        start();
    }

    DataFolder folder;
    ScriptedDialogs* dialogs = nullptr; // owned by the window
    Form1x& window() { return *window_; }

    // What the user sees.
    QStringList listEntries() const;
    QString statusTotal() const;
    bool isLocked(const TextBox* box) const;

    // User actions through real events.
    void clickListEntry(int row);
    void clickTab(const QString& caption);
    void type(TextBox* box, const QString& text);
    void click(QWidget* widget);

private:
    std::unique_ptr<Form1x> window_;
};

// Replaces the whole text of a box as a user does: selects all, deletes it, types the text.
void retype(TextBox* box, const QString& text);

// Keeps the offscreen platform's notes that it cannot raise a window or grab the keyboard
// for a menu out of the test's output, which they would bury under one line for each time
// the search menu opens.
void hidePlatformNotes();

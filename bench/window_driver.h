#pragma once

#include "window/form/dialogs.h"
#include "window/form/form1x.h"

#include <QString>

#include <deque>
#include <memory>

class QAction;
class QPushButton;

// Answers the input boxes from a queue (the default answer when it is empty) and counts the
// message boxes, keeping the last text.
class BenchDialogs final : public Dialogs {
public:
    void showMessage(const QString& text) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;

    std::deque<QString> answers;
    int messages = 0;
    QString lastMessage;
};

// The real window on "datphone" in the working directory, driven the way a user drives it:
// through mouse and key events.
class WindowDriver {
public:
    // Creates and shows the window, and waits until it is painted.
    void start();
    void stop();
    bool running() const { return window_ != nullptr; }

    Form1x& window() { return *window_; }
    BenchDialogs& dialogs() { return *dialogs_; }

    void clickTab(const QString& caption);
    void clickListEntry(int row);
    void click(QPushButton* button);
    // Releases a key in the nickname box, which then holds `text`; only the release is an
    // event, as when the user has just typed the last character.
    void setNick(const QString& text);
    void releaseKeyInNick();
    // Ctrl+Z with the focus on the list: the window's latest change taken back.
    void pressUndo();
    // Chooses an item of the search menu; the input box answers `answer`.
    void search(QAction* item, const QString& answer);

private:
    std::unique_ptr<Form1x> window_;
    BenchDialogs* dialogs_ = nullptr;
};

#pragma once

#include <QLineEdit>
#include <QSet>

#include <cstdint>
#include <functional>

// A single-line entry box whose handlers see each typed character before the box acts on it.
//
// keyPress gets the character code (Backspace is 8) and may change it; a code of 0 discards
// the key. It runs even while the box is locked, though a locked box then refuses the edit.
// Shortcuts such as copy, paste and select all are commands, not characters, and do not reach
// it. Text that an input method, a dead key or a compose sequence commits is typed text: each
// character passes keyPress as its key would, and keyUp follows. A box that filters its
// characters can have pasted and dropped text pass through the same handler, one character at
// a time, by every way the user can insert it (keys, the context menu, the middle button, drag
// and drop).
class TextBox : public QLineEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

    std::function<void(std::int16_t& keyAscii)> keyPress;
    std::function<void(int keyCode, int shift)> keyUp;
    std::function<void()> change; // after the text changed, typed or set by the program
    std::function<void()> click;
    std::function<void()> gotFocus;

    // A locked box shows a stored field as it is stored, with the blank fill up to the field's
    // width. Opened for typing, it holds the text alone: what it shows, trimmed, is what SAVE
    // stores, and a key typed at its end lands behind the text.
    void setLocked(bool locked);
    bool isLocked() const { return isReadOnly(); }
    void showStored(const QString& field);

    // Emptying the box is the program's own writing, as setText is: Undo does not bring back
    // what the box held before.
    void clear() { setText(QString()); }

    // Pasted and dropped text reaches the box only as the characters keyPress lets through.
    void setFilterInsertedText(bool filter) { filterInserted_ = filter; }

    // What keyPress leaves of a text, applied character by character.
    QString filteredThroughKeyPress(const QString& text);

protected:
    // Undo (Ctrl+Z) is the box's own only while it has typing of its own to undo; else it is
    // left to the window.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void insertFiltered(const QString& text);
    void dropBlankFill();

    bool filterInserted_ = false;
    // Keys pressed while the box had the focus. Only their release is the user's key up here:
    // the Enter that closes a message box is pressed there and released here.
    QSet<int> pressedKeys_;
};

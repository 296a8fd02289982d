#pragma once

#include <QLineEdit>

#include <cstdint>
#include <functional>

// A single-line entry box whose handlers see each typed character before the box acts on it.
//
// keyPress gets the character code (Backspace is 8) and may change it; a code of 0 discards
// the key. It runs even while the box is locked, though a locked box then refuses the edit.
// Shortcuts such as copy, paste and select all are commands, not characters, and do not reach
// it; a box that filters its characters can have pasted, dropped and input-method text pass
// through the same handler, one character at a time, by every way the user can insert it
// (keys, the context menu, the middle button, drag and drop).
class TextBox : public QLineEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent = nullptr);

    std::function<void(std::int16_t& keyAscii)> keyPress;
    std::function<void(int keyCode, int shift)> keyUp;
    std::function<void()> change; // after the text changed, typed or set by the program
    std::function<void()> click;
    std::function<void()> gotFocus;

    void setLocked(bool locked) { setReadOnly(locked); }
    bool isLocked() const { return isReadOnly(); }

    // Pasted and dropped text reaches the box only as the characters keyPress lets through.
    void setFilterInsertedText(bool filter) { filterInserted_ = filter; }

    // What keyPress leaves of a text, applied character by character.
    QString filteredThroughKeyPress(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void insertFiltered(const QString& text);

    bool filterInserted_ = false;
};

#include "window/controls/text_box.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include <optional>

namespace {

// Whether the line edit would insert the key's text: a printable character (or a format
// character, a private-use one, a pair of surrogates) that is not a Ctrl or Ctrl+Shift
// shortcut. Alt, Meta and AltGr combinations insert their text too.
bool insertsText(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    if (first.category() == QChar::Other_Format)
        return true;
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return first.isPrint() || first.category() == QChar::Other_PrivateUse ||
           (first.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// The character code a key would insert, or nothing for keys that insert no character
// (arrows, function keys) and for shortcuts.
std::optional<std::int16_t> characterCode(const QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace)
        return 8;
    const auto mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const bool plain = mods == Qt::NoModifier || mods == (Qt::ControlModifier | Qt::AltModifier);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        return 13;
    if (plain && event->key() == Qt::Key_Escape)
        return 27;
    if (!insertsText(event))
        return std::nullopt;
    return static_cast<std::int16_t>(event->text().front().unicode());
}

// A key's text is one character, or one character written as a pair of surrogates.
bool isOneCharacter(const QString& text)
{
    return text.size() == 1 || (text.size() == 2 && text.front().isHighSurrogate());
}

QString textOfCode(std::int16_t code)
{
    return QString(QChar(static_cast<char16_t>(code)));
}

// How many code units the character at `at` takes: two for a pair of surrogates.
qsizetype characterSize(const QString& text, qsizetype at)
{
    return at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate() ? 2
                                                                                               : 1;
}

QString withoutBlankFill(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return text.first(end);
}

} // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (change)
            change();
    });
}

void TextBox::setLocked(bool locked)
{
    if (!locked && isReadOnly())
        dropBlankFill();
    setReadOnly(locked);
}

void TextBox::showStored(const QString& field)
{
    setText(isReadOnly() ? field : withoutBlankFill(field));
}

void TextBox::dropBlankFill()
{
    const QString kept = withoutBlankFill(text());
    if (kept.size() != text().size())
        setText(kept);
}

QString TextBox::filteredThroughKeyPress(const QString& text)
{
    if (!keyPress)
        return text;
    QString kept;
    for (QChar ch : text) {
        auto code = static_cast<std::int16_t>(ch.unicode());
        keyPress(code);
        if (code != 0)
            kept += textOfCode(code);
    }
    return kept;
}

bool TextBox::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo) && !isUndoAvailable()) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    pressedKeys_.insert(event->key());
    if (filterInserted_ && event->matches(QKeySequence::Paste)) {
        insertFiltered(QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    const auto code = characterCode(event);
    if (!code || !keyPress) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (filterInserted_ && !isOneCharacter(event->text()) && insertsText(event)) {
        // A key that brings several characters at once (an input method, a compose
        // sequence) is filtered like pasted text, each character on its own.
        insertFiltered(event->text());
        event->accept();
        return;
    }
    std::int16_t changed = *code;
    keyPress(changed);
    if (changed == 0) {
        event->accept();
        return;
    }
    if (changed == *code) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent replaced(event->type(), 0, event->modifiers(), textOfCode(changed),
                       event->isAutoRepeat(), static_cast<ushort>(event->count()));
    QLineEdit::keyPressEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
}

void TextBox::keyReleaseEvent(QKeyEvent* event)
{
    QLineEdit::keyReleaseEvent(event);
    const bool pressedHere = pressedKeys_.contains(event->key());
    if (!event->isAutoRepeat())
        pressedKeys_.remove(event->key());
    if (pressedHere && keyUp)
        keyUp(event->key(), static_cast<int>(event->modifiers()));
}

void TextBox::focusOutEvent(QFocusEvent* event)
{
    // Whatever is released from now on was not pressed in this box, or the box has the focus
    // again and the key is pressed anew.
    pressedKeys_.clear();
    QLineEdit::focusOutEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (filterInserted_ && event->button() == Qt::MiddleButton) {
        // The X11 selection is pasted by the middle button; let it through the filter.
        if (QGuiApplication::clipboard()->supportsSelection()) {
            setCursorPosition(cursorPositionAt(event->position().toPoint()));
            insertFiltered(QGuiApplication::clipboard()->text(QClipboard::Selection));
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && click)
        click();
}

void TextBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (gotFocus)
        gotFocus();
}

void TextBox::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (filterInserted_) {
        // The standard menu's actions carry no names; its paste is known by its caption,
        // the line edit's own translated "&Paste" followed by the shortcut.
        const QString pasteCaption = QLineEdit::tr("&Paste");
        for (QAction* action : menu->actions()) {
            if (action->menu()) {
                // A submenu (such as the one for Unicode control characters) inserts text
                // past the filter.
                menu->removeAction(action);
                continue;
            }
            if (!action->text().startsWith(pasteCaption))
                continue;
            action->disconnect(this); // from the line edit's own paste, however it was connected
            connect(action, &QAction::triggered, this,
                    [this] { insertFiltered(QGuiApplication::clipboard()->text()); });
        }
    }
    menu->popup(event->globalPos());
}

void TextBox::dropEvent(QDropEvent* event)
{
    if (!filterInserted_) {
        QLineEdit::dropEvent(event);
        return;
    }
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    insertFiltered(event->mimeData()->text());
    // Always a copy: the source keeps its text, also when it is this box.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    const QString committed = event->commitString();
    if (!keyPress || committed.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Committed one character at a time, each after keyPress has seen the box as it then
    // stands, as typed keys are; the event's replacement goes with the first of them.
    int start = event->replacementStart();
    int length = event->replacementLength();
    for (qsizetype at = 0; at < committed.size();) {
        const QString character = committed.mid(at, characterSize(committed, at));
        at += character.size();
        const auto code = static_cast<std::int16_t>(character.front().unicode());
        std::int16_t changed = code;
        keyPress(changed);
        if (changed == 0)
            continue;
        QInputMethodEvent one;
        one.setCommitString(changed == code ? character : textOfCode(changed), start, length);
        QLineEdit::inputMethodEvent(&one);
        start = length = 0;
    }
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    rest.setCommitString(QString(), start, length);
    QLineEdit::inputMethodEvent(&rest);
    event->accept();
    // The keys that made the text were the input method's, whose releases may never come
    // here: the text's own key up follows at once.
    if (keyUp)
        keyUp(0, 0);
}

void TextBox::insertFiltered(const QString& text)
{
    if (isReadOnly())
        return;
    const QString kept = filteredThroughKeyPress(text);
    if (!kept.isEmpty())
        insert(kept);
}

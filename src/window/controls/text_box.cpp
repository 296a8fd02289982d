#include "window/controls/text_box.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace {

// The character code a key would insert, or nothing for keys that insert no character
// (arrows, function keys) and for shortcuts.
std::optional<std::int16_t> characterCode(const QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace)
        return 8;
    const auto mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods != Qt::NoModifier && mods != (Qt::ControlModifier | Qt::AltModifier))
        return std::nullopt; // Ctrl+C, Ctrl+V, Alt+letter: commands, not characters
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return 13;
    if (event->key() == Qt::Key_Escape)
        return 27;
    const QString text = event->text();
    if (text.isEmpty())
        return std::nullopt;
    return static_cast<std::int16_t>(text[0].unicode());
}

QString textOfCode(std::int16_t code)
{
    return QString(QChar(static_cast<char16_t>(code)));
}

} // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (change)
            change();
    });
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

void TextBox::keyPressEvent(QKeyEvent* event)
{
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
    if (keyUp)
        keyUp(event->key(), static_cast<int>(event->modifiers()));
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
        for (QAction* action : menu->actions()) {
            if (action->objectName() != QLatin1String("edit-paste"))
                continue;
            action->disconnect();
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
    if (!isReadOnly() && event->mimeData()->hasText()) {
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        insertFiltered(event->mimeData()->text());
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TextBox::insertFiltered(const QString& text)
{
    if (isReadOnly())
        return;
    const QString kept = filteredThroughKeyPress(text);
    if (!kept.isEmpty())
        insert(kept);
}

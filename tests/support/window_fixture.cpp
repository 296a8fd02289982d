#include "support/window_fixture.h"

#include "store/file_system.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QTest>

Form1x& WindowFixture::start()
{
    return start(store::posixFileSystem());
}

Form1x& WindowFixture::start(store::FileSystem& fileSystem)
{
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window_ = std::make_unique<Form1x>(fileSystem, std::move(scripted));
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get()))
        qWarning("the window was not exposed");
    window_->activateWindow();
    return *window_;
}

QStringList WindowFixture::listEntries() const
{
    return window_->ListNick->items();
}

QString WindowFixture::statusTotal() const
{
    return window_->StatusBar1->panelText(2);
}

bool WindowFixture::isLocked(const TextBox* box) const
{
    return box->isLocked();
}

void WindowFixture::clickListEntry(int row)
{
    ListBox* list = window_->ListNick;
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index); // an entry far down a long list is clicked where it is shown
    const QRect place = list->visualRect(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

void WindowFixture::clickTab(const QString& caption)
{
    TabStrip* tabs = window_->TabStrip1;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == caption) {
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
            return;
        }
    }
    qFatal("no tab %s", qPrintable(caption));
}

namespace {

// QTest types Latin-1 only; any other character comes as a keyboard layout gives it, a key
// that carries the character as its text.
void typeKeys(QWidget* box, const QString& text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 128) {
            QTest::keyClick(box, ch.toLatin1());
            continue;
        }
        for (const QTest::KeyAction action : {QTest::Press, QTest::Release})
            QTest::sendKeyEvent(action, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

} // namespace

void WindowFixture::type(TextBox* box, const QString& text)
{
    box->setFocus();
    typeKeys(box, text);
}

void WindowFixture::click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

void retype(TextBox* box, const QString& text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    typeKeys(box, text);
}

namespace {

QtMessageHandler passOn = nullptr;

void withoutPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("This plugin does not support")))
        return;
    passOn(type, context, text);
}

} // namespace

void hidePlatformNotes()
{
    if (!passOn)
        passOn = qInstallMessageHandler(withoutPlatformNotes);
}

#include "window_driver.h"

#include "measure.h"

#include "store/file_system.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QAction>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

void BenchDialogs::showMessage(const QString& text)
{
    ++messages;
    lastMessage = text;
}

QString BenchDialogs::inputBox(const QString&, const QString&, const QString& defaultAnswer)
{
    if (answers.empty())
        return defaultAnswer;
    QString next = answers.front();
    answers.pop_front();
    return next;
}

void WindowDriver::start()
{
    auto dialogs = std::make_unique<BenchDialogs>();
    dialogs_ = dialogs.get();
    window_ = std::make_unique<Form1x>(store::posixFileSystem(), std::move(dialogs));
    window_->show();
    settle();
}

void WindowDriver::stop()
{
    window_.reset();
    dialogs_ = nullptr;
}

void WindowDriver::clickTab(const QString& caption)
{
    TabStrip* tabs = window_->TabStrip1;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == caption) {
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
            return;
        }
    }
    throw std::logic_error("no tab " + caption.toStdString());
}

void WindowDriver::clickListEntry(int row)
{
    ListBox* list = window_->ListNick;
    const QRect place = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

void WindowDriver::click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowDriver::setNick(const QString& text)
{
    window_->TxtNick->setText(text);
}

void WindowDriver::releaseKeyInNick()
{
    // Only a key pressed in the box is the user's key up there; Shift types nothing, so the
    // box keeps its text.
    QTest::keyPress(window_->TxtNick, Qt::Key_Shift);
    QTest::keyRelease(window_->TxtNick, Qt::Key_Shift);
}

void WindowDriver::pressUndo()
{
    QTest::keyClick(window_->ListNick, Qt::Key_Z, Qt::ControlModifier);
}

void WindowDriver::search(QAction* item, const QString& answer)
{
    dialogs_->answers.push_back(answer);
    item->trigger();
}

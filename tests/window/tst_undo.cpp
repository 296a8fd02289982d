// Undo in the window: Ctrl+Z, or the status bar's link, takes back this window's latest change
// to the book (DELETE, SAVE of an edited contact, an import), the file's bytes as they were,
// also after another window changed the book meanwhile; Ctrl+Z in a box with typing of its own
// to undo is the box's.
#include "support/scripted_dialogs.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/text_box.h"

#include <QLabel>
#include <QTest>

namespace {

const std::vector<std::string> Four{"Ann", "Bob", "Cid", "Dan"};

QByteArray bookOf(const std::vector<std::string>& nicks)
{
    return encoded(recordsNamed(nicks));
}

// Records `from` of the book of four, as they were stored.
QByteArray slice(int from, int count)
{
    return bookOf(Four).mid((from - 1) * 129, count * 129);
}

void pressUndo(QWidget* where)
{
    QTest::keyClick(where, Qt::Key_Z, Qt::ControlModifier);
}

// Another window on the same folder, at work between two actions of the first.
class OtherWindow {
public:
    explicit OtherWindow(WindowFixture& first) : first_(first)
    {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        window = std::make_unique<Form1x>(store::posixFileSystem(), std::move(scripted));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    ~OtherWindow()
    {
        window.reset();
        first_.window().activateWindow();
        if (!QTest::qWaitForWindowActive(&first_.window()))
            qWarning("the first window is not active again");
    }

    void deleteRow(int row)
    {
        pick(row);
        QTest::mouseClick(window->BtnDelete, Qt::LeftButton);
    }
    void pick(int row)
    {
        ListBox* list = window->ListNick;
        const QRect place = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    }
    void addContact(const QString& nick, const QString& phone)
    {
        QTest::mouseClick(window->BtnAdd, Qt::LeftButton);
        retype(window->TxtNick, nick);
        retype(window->TxtAdPhon, phone);
        QTest::mouseClick(window->BtnSave, Qt::LeftButton);
    }
    void editCity(int row, const QString& city)
    {
        pick(row);
        QTest::mouseClick(window->BtnUpdate, Qt::LeftButton);
        retype(window->TxtAdAdd, city);
        QTest::mouseClick(window->BtnSave, Qt::LeftButton);
    }

    std::unique_ptr<Form1x> window;
    ScriptedDialogs* dialogs = nullptr;

private:
    WindowFixture& first_;
};

QString noticeOf(Form1x& w)
{
    return w.StatusBar1->hasNotice() && w.StatusBar1->isVisible() ? w.StatusBar1->noticeText()
                                                                  : QString();
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { hidePlatformNotes(); }
    void eachChangeIsTakenBack_data();
    void eachChangeIsTakenBack();
    void latestFirstOneAtATime();
    void ctrlZBelongsToABoxWithTypingOfItsOwn();
    void theStatusBarLinkUndoes();
};

void TestUndo::eachChangeIsTakenBack_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QByteArray>("undone");
    QTest::addColumn<bool>("refused");

    const QByteArray four = bookOf(Four);
    const QByteArray eve = encoded({makeRecord({.nick = "Eve", .phone = "777"}, 4)});

    QTest::newRow("delete") << "delete Bob"
                            << ""
                            << "Deleted \"Bob\". Undo (Ctrl+Z)" << four << false;
    QTest::newRow("delete, the first contact deleted by another window")
        << "delete Bob"
        << "delete Ann"
        << "" << slice(2, 3) << false;
    QTest::newRow("delete, a contact added by another window")
        << "delete Dan"
        << "add Eve"
        << "Deleted \"Dan\". Undo (Ctrl+Z)" << four + eve << false;
    QTest::newRow("delete, the nickname stored again by another window")
        << "delete Bob"
        << "add Bob"
        << "" << QByteArray() << true;
    QTest::newRow("edit") << "edit Bob"
                          << ""
                          << "Saved \"Bob\". Undo (Ctrl+Z)" << four << false;
    QTest::newRow("edit, the first contact deleted by another window")
        << "edit Bob"
        << "delete Ann"
        << "" << slice(2, 3) << false;
    QTest::newRow("edit, edited again by another window") << "edit Bob"
                                                          << "edit Bob"
                                                          << "" << QByteArray() << true;
    QTest::newRow("import") << "import"
                            << ""
                            << "Imported 2 contacts. Undo (Ctrl+Z)" << four << false;
    QTest::newRow("import, one of them deleted by another window") << "import"
                                                                   << "delete Fay"
                                                                   << "" << four << false;
    QTest::newRow("import, both edited by another window") << "import"
                                                           << "edit Fay, Gus"
                                                           << "" << QByteArray() << true;
}

void TestUndo::eachChangeIsTakenBack()
{
    QFETCH(QString, change);
    QFETCH(QString, meanwhile);
    QFETCH(QString, notice);
    QFETCH(QByteArray, undone);
    QFETCH(bool, refused);

    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    fx.folder.writeBytes("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Fay\r\nTEL:111\r\nEND:VCARD\r\n"
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Gus\r\nTEL:222\r\nEND:VCARD\r\n",
                         QStringLiteral("two.vcf"));
    Form1x& w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const auto rowOf = [&](const QString& nick) {
        return int(fx.listEntries().indexOf(nick.leftJustified(15, u' ')));
    };
    if (change.startsWith(QLatin1String("delete"))) {
        fx.clickListEntry(rowOf(change.section(u' ', 1)));
        fx.click(w.BtnDelete);
    } else if (change.startsWith(QLatin1String("edit"))) {
        fx.clickListEntry(rowOf(change.section(u' ', 1)));
        fx.click(w.BtnUpdate);
        retype(w.TxtAdAdd, QStringLiteral("Elsewhere"));
        fx.click(w.BtnSave);
    } else {
        fx.dialogs->chooseFiles({fx.folder.filePath(QStringLiteral("two.vcf"))});
        w.MnuImport->trigger();
    }
    if (!notice.isEmpty())
        QCOMPARE(noticeOf(w), notice);
    const QByteArray changed = fx.folder.bytes();
    QVERIFY(changed != bookOf(Four));

    if (!meanwhile.isEmpty()) {
        OtherWindow other(fx);
        const QStringList nicks = meanwhile.section(u' ', 1).split(QStringLiteral(", "));
        const auto otherRow = [&](const QString& nick) {
            return int(other.window->ListNick->items().indexOf(nick.leftJustified(15, u' ')));
        };
        for (const QString& nick : nicks) {
            if (meanwhile.startsWith(QLatin1String("delete")))
                other.deleteRow(otherRow(nick));
            else if (meanwhile.startsWith(QLatin1String("add")))
                other.addContact(nick, QStringLiteral("777"));
            else
                other.editCity(otherRow(nick), QStringLiteral("Moved"));
        }
        QCOMPARE(other.dialogs->messages, QStringList());
    }
    const QByteArray before = fx.folder.bytes();
    const auto messages = fx.dialogs->messages.size();

    pressUndo(w.ListNick);
    if (refused) {
        QCOMPARE(fx.folder.bytes(), before);
        QCOMPARE(fx.dialogs->messages.size(), messages + 1);
        QVERIFY(fx.dialogs->messages.last().startsWith(QLatin1String("Could not undo: ")));
        QCOMPARE(noticeOf(w), QString());
    } else {
        QCOMPARE(fx.folder.bytes(), undone);
        QVERIFY(noticeOf(w).startsWith(QLatin1String("Undone: ")));
        QCOMPARE(fx.listEntries().size(), int(undone.size() / 129));
    }
    QVERIFY(!fx.folder.exists(QStringLiteral("imphone")));
    QVERIFY(!fx.folder.exists(QStringLiteral("dephone")));
}

// Undo goes back through the window's changes, the latest first; with none left, it says so.
void TestUndo::latestFirstOneAtATime()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    Form1x& w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    fx.clickListEntry(0);
    fx.click(w.BtnDelete); // Ann
    const QByteArray oneGone = fx.folder.bytes();
    fx.clickListEntry(2);
    fx.click(w.BtnDelete); // Dan
    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), oneGone);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Dan")); // shown where it is back
    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), bookOf(Four));
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ann"));
    QCOMPARE(fx.listEntries().first(), QStringLiteral("Ann").leftJustified(15, u' '));
    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), bookOf(Four));
    QCOMPARE(noticeOf(w), QStringLiteral("Nothing to undo."));
    QCOMPARE(fx.dialogs->messages, QStringList());
}

// In a box with typing of its own to undo, Ctrl+Z takes that back; in a box without, and
// anywhere else in the window, the book's latest change.
void TestUndo::ctrlZBelongsToABoxWithTypingOfItsOwn()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    Form1x& w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    fx.clickListEntry(1);
    fx.click(w.BtnDelete);
    const QByteArray deleted = fx.folder.bytes();

    fx.click(w.BtnAdd);
    fx.type(w.TxtAdAdd, QStringLiteral("Typed"));
    pressUndo(w.TxtAdAdd);
    QVERIFY(w.TxtAdAdd->text() != QLatin1String("Typed"));
    QCOMPARE(fx.folder.bytes(), deleted);
    for (int i = 0; i < 5 && w.TxtAdAdd->isUndoAvailable(); ++i) {
        pressUndo(w.TxtAdAdd);
        QCOMPARE(fx.folder.bytes(), deleted);
    }
    QVERIFY(!w.TxtAdAdd->isUndoAvailable());

    // Nothing of its own left to undo: the box lets the window have it, and what is typed
    // stays.
    const QString typed = w.TxtAdAdd->text();
    pressUndo(w.TxtAdAdd);
    QCOMPARE(fx.folder.bytes(), bookOf(Four));
    QCOMPARE(fx.listEntries().size(), 4);
    if (!typed.isEmpty())
        QCOMPARE(w.TxtAdAdd->text(), typed);
}

void TestUndo::theStatusBarLinkUndoes()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    Form1x& w = fx.start();
    fx.clickListEntry(2);
    fx.click(w.BtnDelete);
    QLabel* notice = nullptr;
    for (QLabel* label : w.StatusBar1->findChildren<QLabel*>()) {
        if (label->isVisible() && label->text().contains(QLatin1String("<a ")))
            notice = label;
    }
    QVERIFY(notice);
    emit notice->linkActivated(QStringLiteral("notice"));
    QCOMPARE(fx.folder.bytes(), bookOf(Four));
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"

// Undo in the window: Ctrl+Z, or the status bar's link, takes back this window's latest change
// to the book (DELETE, SAVE of an edited contact, an import), the file's bytes as they were,
// also after another window changed the book meanwhile; Ctrl+Z in a box with typing of its own
// to undo is the box's.
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/text_box.h"

#include <QLabel>
#include <QTest>

namespace {

const std::vector<std::string> Four{"Ann", "Bob", "Cid", "Dan"};

void pressUndo(QWidget* where)
{
    QTest::keyClick(where, Qt::Key_Z, Qt::ControlModifier);
}

int rowOf(Form1x& w, const QString& nick)
{
    return int(w.ListNick->items().indexOf(nick.leftJustified(15, u' ')));
}

void pick(Form1x& w, const QString& nick)
{
    const QRect place = w.ListNick->visualRect(w.ListNick->model()->index(rowOf(w, nick), 0));
    QTest::mouseClick(w.ListNick->viewport(), Qt::LeftButton, {}, place.center());
}

// "delete NICK", "add NICK" or "edit NICK, NICK...", as the user of a window does it.
void change(Form1x& w, const QString& what, const QString& city = QStringLiteral("Elsewhere"))
{
    for (const QString& nick : what.section(u' ', 1).split(QStringLiteral(", "))) {
        if (what.startsWith(QLatin1String("add"))) {
            QTest::mouseClick(w.BtnAdd, Qt::LeftButton);
            retype(w.TxtNick, nick);
            retype(w.TxtAdPhon, QStringLiteral("777"));
        } else {
            pick(w, nick);
            if (what.startsWith(QLatin1String("delete"))) {
                QTest::mouseClick(w.BtnDelete, Qt::LeftButton);
                continue;
            }
            QTest::mouseClick(w.BtnUpdate, Qt::LeftButton);
            retype(w.TxtAdAdd, city);
        }
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
    }
}

QString noticeOf(Form1x& w)
{
    return w.StatusBar1->isVisible() ? w.StatusBar1->noticeText() : QString();
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
};

void TestUndo::eachChangeIsTakenBack_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("meanwhile"); // in another window on the folder
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QByteArray>("undone"); // empty: refused, nothing written
    const QByteArray four = encoded(recordsNamed(Four));
    const QByteArray eve = encoded({makeRecord({.nick = "Eve", .phone = "777"}, 4)});
    const auto row = [](const char* name, const char* action, const char* meanwhile,
                        const char* notice, const QByteArray& undone) {
        QTest::newRow(name) << action << meanwhile << notice << undone;
    };
    row("delete", "delete Bob", "", "Deleted \"Bob\". Undo (Ctrl+Z)", four);
    row("delete, one before deleted", "delete Bob", "delete Ann", "", four.mid(129));
    row("delete, one added", "delete Dan", "add Eve", "", four + eve);
    row("delete, stored again", "delete Bob", "add Bob", "", {});
    row("edit", "edit Bob", "", "Saved \"Bob\". Undo (Ctrl+Z)", four);
    row("edit, one before deleted", "edit Bob", "delete Ann", "", four.mid(129));
    row("edit, edited again", "edit Bob", "edit Bob", "", {});
    row("import", "import", "", "Imported 2 contacts. Undo (Ctrl+Z)", four);
    // What another window deleted stays deleted, and a message says so.
    row("import, one of them deleted", "import", "delete Fay", "", four);
    row("import, both edited", "import", "edit Fay, Gus", "", {});
}

void TestUndo::eachChangeIsTakenBack()
{
    QFETCH(QString, action);
    QFETCH(QString, meanwhile);
    QFETCH(QString, notice);
    QFETCH(QByteArray, undone);

    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    fx.folder.writeBytes("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Fay\r\nTEL:111\r\nEND:VCARD\r\n"
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Gus\r\nTEL:222\r\nEND:VCARD\r\n",
                         QStringLiteral("two.vcf"));
    Form1x& w = fx.start();
    if (action == QLatin1String("import")) {
        fx.dialogs->chooseFiles({fx.folder.filePath(QStringLiteral("two.vcf"))});
        w.MnuImport->trigger();
    } else {
        change(w, action);
    }
    if (!notice.isEmpty())
        QCOMPARE(noticeOf(w), notice);
    if (!meanwhile.isEmpty()) {
        Form1x other(store::posixFileSystem(), std::make_unique<ScriptedDialogs>());
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        change(other, meanwhile, QStringLiteral("Moved"));
    }
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QByteArray before = fx.folder.bytes();
    const auto messages = fx.dialogs->messages.size();

    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), undone.isEmpty() ? before : undone);
    const bool told =
        undone.isEmpty() || QTest::currentDataTag() == QLatin1String("import, one of them deleted");
    QCOMPARE(fx.dialogs->messages.size(), messages + (told ? 1 : 0));
    if (undone.isEmpty()) {
        QVERIFY(fx.dialogs->messages.last().startsWith(QLatin1String("Could not undo: ")));
    } else {
        QVERIFY(noticeOf(w).startsWith(QLatin1String("Undone: ")));
        QCOMPARE(fx.listEntries().size(), int(undone.size() / 129));
    }
    QVERIFY(!fx.folder.exists(QStringLiteral("imphone")));
}

// Undo goes back through the window's changes, the latest first, by Ctrl+Z or the status bar's
// link; with none left, it says so.
void TestUndo::latestFirstOneAtATime()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    Form1x& w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    change(w, QStringLiteral("delete Ann"));
    const QByteArray oneGone = fx.folder.bytes();
    change(w, QStringLiteral("delete Dan"));
    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), oneGone);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Dan")); // shown where it is back

    QLabel* link = nullptr;
    change(w, QStringLiteral("edit Cid"));
    for (QLabel* label : w.StatusBar1->findChildren<QLabel*>())
        link = label->text().contains(QLatin1String("<a ")) ? label : link;
    QVERIFY(link);
    emit link->linkActivated(QStringLiteral("notice"));
    QCOMPARE(fx.folder.bytes(), oneGone);
    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), encoded(recordsNamed(Four)));
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ann"));
    pressUndo(w.ListNick);
    QCOMPARE(fx.folder.bytes(), encoded(recordsNamed(Four)));
    QCOMPARE(noticeOf(w), QStringLiteral("Nothing to undo."));
    QCOMPARE(fx.dialogs->messages, QStringList());
}

// In a box with typing of its own to undo, Ctrl+Z takes that back; without, the book's latest
// change, and what is typed stays.
void TestUndo::ctrlZBelongsToABoxWithTypingOfItsOwn()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed(Four));
    Form1x& w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    change(w, QStringLiteral("delete Bob"));
    const QByteArray deleted = fx.folder.bytes();
    fx.click(w.BtnAdd);
    fx.type(w.TxtAdAdd, QStringLiteral("Typed"));
    pressUndo(w.TxtAdAdd);
    QVERIFY(w.TxtAdAdd->text() != QLatin1String("Typed"));
    for (int i = 0; i < 5 && w.TxtAdAdd->isUndoAvailable(); ++i)
        pressUndo(w.TxtAdAdd);
    QCOMPARE(fx.folder.bytes(), deleted);
    const QString typed = w.TxtAdAdd->text();
    pressUndo(w.TxtAdAdd);
    QCOMPARE(fx.folder.bytes(), encoded(recordsNamed(Four)));
    QCOMPARE(fx.listEntries().size(), 4);
    if (!typed.isEmpty())
        QCOMPARE(w.TxtAdAdd->text(), typed);
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"

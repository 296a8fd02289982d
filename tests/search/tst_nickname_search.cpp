// The nickname box as a search box, driven through real key and mouse events.
#include "support/window_fixture.h"

#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QTest>

namespace {

// A stored field as the box shows it untrimmed: the text and its blank fill.
QString stored(const char* text, int width)
{
    return QString::fromLatin1(text).leftJustified(width, u' ');
}

QStringList listed(std::initializer_list<const char*> nicks)
{
    QStringList entries;
    for (const char* nick : nicks)
        entries.append(stored(nick, 15));
    return entries;
}

// Ace, ant and Bee in this order, each with details of its own.
std::vector<store::ContactRecord> aceAntBee()
{
    return {makeRecord({.nick = "Ace",
                        .fullName = "Ace Archer",
                        .familyName = "Archer",
                        .city = "Amberton",
                        .phone = "1111",
                        .stdCode = "011",
                        .prefix = "9",
                        .useStdCode = 1,
                        .usePrefix = 0},
                       1),
            makeRecord({.nick = "ant",
                        .fullName = "Anton Mire",
                        .familyName = "Mire",
                        .city = "Brackwater",
                        .phone = "2222",
                        .stdCode = "022",
                        .prefix = "0",
                        .useStdCode = 0,
                        .usePrefix = 1},
                       2),
            makeRecord({.nick = "Bee",
                        .fullName = "Bea Stone",
                        .familyName = "Stone",
                        .city = "Cobble",
                        .phone = "3333",
                        .stdCode = "033",
                        .prefix = "7",
                        .useStdCode = 1,
                        .usePrefix = 1},
                       3)};
}

} // namespace

class TestNicknameSearch : public QObject {
    Q_OBJECT

private:
    // Empties the nickname box key by key, as a user would; every release runs the search.
    void eraseNick(WindowFixture& fixture)
    {
        TextBox* nick = fixture.window().TxtNick;
        nick->setFocus();
        QTest::keyClick(nick, Qt::Key_End);
        for (int left = 64; left > 0 && !nick->text().isEmpty(); --left)
            QTest::keyClick(nick, Qt::Key_Backspace);
        QCOMPARE(nick->text(), QString());
    }

    // Starts on Ace, ant and Bee with the nickname box emptied.
    Form1x& startEmptied(WindowFixture& fixture)
    {
        fixture.folder.writeRecords(aceAntBee());
        Form1x& window = fixture.start();
        eraseNick(fixture);
        return window;
    }

private slots:
    void oneLetterListsTheNicknamesWithThatInitial_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<bool>("composed"); // committed by an input method, not typed

        QTest::newRow("small a") << "a" << listed({"Ace", "ant"}) << 2 << "Anton Mire" << false;
        QTest::newRow("capital A") << "A" << listed({"Ace", "ant"}) << 2 << "Anton Mire" << false;
        QTest::newRow("small b") << "b" << listed({"Bee"}) << 3 << "Bea Stone" << false;
        QTest::newRow("b composed") << "b" << listed({"Bee"}) << 3 << "Bea Stone" << true;
    }

    void oneLetterListsTheNicknamesWithThatInitial()
    {
        QFETCH(QString, letter);
        QFETCH(QStringList, entries);
        QFETCH(int, current);
        QFETCH(QString, shownName);
        QFETCH(bool, composed);

        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);
        if (composed) {
            QInputMethodEvent event;
            event.setCommitString(letter);
            QApplication::sendEvent(window.TxtNick, &event);
        } else {
            fixture.type(window.TxtNick, letter);
        }

        QCOMPARE(fixture.listEntries(), entries);
        QCOMPARE(window.windowState().CurrentRecord, current);
        QCOMPARE(window.windowState().SearchText, letter.toUpper());
        // The last one under the letter is shown, while the box keeps the typed letter.
        QCOMPARE(window.TxtAdName->text(), shownName);
        QCOMPARE(window.TxtNick->text(), letter);
        QCOMPARE(window.TxtNick->cursorPosition(), 1);
        QCOMPARE(fixture.statusTotal(), QString::number(entries.size()));
        QVERIFY(fixture.isLocked(window.TxtAdName));
        QVERIFY(!window.windowState().IsNewEntry);
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    // Typing on after the letter: the list stays, and the whole nickname fills in the details
    // of its contact, which does not become current until the box is clicked.
    void exactNicknameShowsDetailsOfAnotherContactThanTheCurrent()
    {
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);

        fixture.type(window.TxtNick, QStringLiteral("ac"));
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ac"));
        QCOMPARE(fixture.listEntries(), listed({"Ace", "ant"}));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Anton Mire"));

        fixture.type(window.TxtNick, QStringLiteral("e"));
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ace"));
        QCOMPARE(window.TxtNick->cursorPosition(), 3);
        QCOMPARE(window.TxtAdName->text(), stored("Ace Archer", 25));
        QCOMPARE(window.TxtAdFname->text(), stored("Archer", 25));
        QCOMPARE(window.TxtAdAdd->text(), stored("Amberton", 25));
        QCOMPARE(window.TxtAdPhon->text(), stored("1111", 20));
        // Everything else is still ant's.
        QCOMPARE(window.windowState().CurrentRecord, 2);
        QCOMPARE(window.Txtprefx->text(), stored("0", 3));
        QCOMPARE(window.TxtCode->text(), QStringLiteral("022"));
        QCOMPARE(window.Chkprefx->checkState(), Qt::Checked);
        QCOMPARE(window.Chkcode->checkState(), Qt::Unchecked);
        QCOMPARE(fixture.listEntries(), listed({"Ace", "ant"}));
        QCOMPARE(fixture.statusTotal(), QStringLiteral("2"));

        fixture.click(window.TxtNick);
        QCOMPARE(window.windowState().CurrentRecord, 1);
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ace"));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Ace Archer"));
        QCOMPARE(window.TxtAdPhon->text(), QStringLiteral("1111"));
        QCOMPARE(window.Txtprefx->text(), stored("9", 3));
        QCOMPARE(window.TxtCode->text(), QStringLiteral("011"));
        QCOMPARE(window.Chkprefx->checkState(), Qt::Unchecked);
        QCOMPARE(window.Chkcode->checkState(), Qt::Checked);
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    void nicknameOfAnotherCaseIsNotFound()
    {
        WindowFixture fixture;
        fixture.folder.writeRecords({makeRecord({.nick = "ace", .fullName = "Small Ace"}, 1),
                                     makeRecord({.nick = "Ax", .fullName = "Ax Hand"}, 2)});
        Form1x& window = fixture.start();
        eraseNick(fixture);

        fixture.type(window.TxtNick, QStringLiteral("ace")); // the box makes it "Ace"
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ace"));
        QCOMPARE(fixture.listEntries(), listed({"ace", "Ax"}));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Ax Hand")); // not "Small Ace"

        fixture.click(window.TxtNick);
        QCOMPARE(window.windowState().CurrentRecord, 2);
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ace"));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Ax Hand"));
    }

    void letterWithoutNicknamesEmptiesTheListAndDetails()
    {
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);
        const int before = window.windowState().CurrentRecord;

        fixture.type(window.TxtNick, QStringLiteral("z"));
        QCOMPARE(fixture.listEntries(), QStringList());
        for (TextBox* box :
             {window.TxtAdName, window.TxtAdFname, window.TxtAdAdd, window.TxtAdPhon})
            QCOMPARE(box->text(), QString());
        QCOMPARE(window.windowState().CurrentRecord, before);
        QCOMPARE(window.Txtprefx->text(), stored("7", 3)); // Bee, shown again
        QCOMPARE(window.TxtNick->text(), QStringLiteral("z"));
        QCOMPARE(fixture.statusTotal(), QStringLiteral("0"));
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    void erasingTheTextKeepsTheList()
    {
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);
        fixture.type(window.TxtNick, QStringLiteral("a"));

        QTest::keyClick(window.TxtNick, Qt::Key_Backspace);
        QCOMPARE(window.TxtNick->text(), QString());
        QCOMPARE(fixture.listEntries(), listed({"Ace", "ant"}));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Anton Mire"));
        QCOMPARE(fixture.statusTotal(), QStringLiteral("0"));
    }

    void releasingAnyKeyPutsTheCaretBackAtTheEnd_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("left arrow") << int(Qt::Key_Left);
        QTest::newRow("home") << int(Qt::Key_Home);
        QTest::newRow("shift") << int(Qt::Key_Shift);
    }

    void releasingAnyKeyPutsTheCaretBackAtTheEnd()
    {
        QFETCH(int, key);
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);
        fixture.type(window.TxtNick, QStringLiteral("ant"));
        window.TxtNick->setCursorPosition(1);

        QTest::keyClick(window.TxtNick, Qt::Key(key));
        QCOMPARE(window.TxtNick->cursorPosition(), 3);
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ant"));
    }

    // The Enter that closes an input box is pressed there; its release, which comes to the
    // nickname box once the box is gone, searches nothing.
    void theReleaseOfAnotherWindowsKeyDoesNotSearch()
    {
        WindowFixture fixture;
        fixture.folder.writeRecords({makeRecord({.nick = "A", .fullName = "Just A"}, 1),
                                     makeRecord({.nick = "Ace", .fullName = "Ace Archer"}, 2)});
        Form1x& window = fixture.start();
        fixture.dialogs->answer(QStringLiteral("A"));
        window.MnuNick->trigger();
        QCOMPARE(fixture.listEntries(), listed({"A"}));

        window.TxtNick->setFocus();
        QTest::keyRelease(window.TxtNick, Qt::Key_Return);
        QCOMPARE(fixture.listEntries(), listed({"A"}));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Just A"));
        QCOMPARE(window.windowState().CurrentRecord, 1);
    }

    void blanksAtEitherEndVanishAtOnce()
    {
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);

        fixture.type(window.TxtNick, QStringLiteral(" "));
        QCOMPARE(window.TxtNick->text(), QString());

        fixture.type(window.TxtNick, QStringLiteral("Ace "));
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ace"));
        QCOMPARE(window.TxtAdName->text(), stored("Ace Archer", 25));
    }

    // The key release takes the last contact of a nickname, the click the first.
    void twoContactsOfOneNickname()
    {
        WindowFixture fixture;
        fixture.folder.writeRecords({makeRecord({.nick = "Dup", .fullName = "First Dup"}, 1),
                                     makeRecord({.nick = "Dup", .fullName = "Second Dup"}, 2),
                                     makeRecord({.nick = "Eve", .fullName = "Eve Last"}, 3)});
        Form1x& window = fixture.start();
        eraseNick(fixture);

        fixture.type(window.TxtNick, QStringLiteral("dup"));
        QCOMPARE(fixture.listEntries(), listed({"Dup", "Dup"}));
        QCOMPARE(window.TxtAdName->text(), stored("Second Dup", 25));

        fixture.click(window.TxtNick);
        QCOMPARE(window.windowState().CurrentRecord, 1);
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("First Dup"));
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    void clickOnAnUnknownNicknameChangesNothing()
    {
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);
        fixture.type(window.TxtNick, QStringLiteral("an"));

        fixture.click(window.TxtNick);
        QCOMPARE(window.windowState().CurrentRecord, 2);
        QCOMPARE(window.TxtNick->text(), QStringLiteral("An"));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Anton Mire"));
        QCOMPARE(fixture.dialogs->messages, QStringList());
        // Nothing was left open: the next search reads the file as usual.
        fixture.type(window.TxtNick, QStringLiteral("t"));
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    // While a new nickname is typed the box does not search, whatever the list holds.
    void typingANewNicknameDoesNotSearch()
    {
        WindowFixture fixture;
        fixture.folder.writeRecords(aceAntBee());
        Form1x& window = fixture.start();
        fixture.clickTab(QStringLiteral("Z")); // no nickname: a new entry
        QVERIFY(window.windowState().IsNewEntry);
        const int before = window.windowState().CurrentRecord;

        fixture.type(window.TxtNick, QStringLiteral("ace"));
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ace"));
        QCOMPARE(fixture.listEntries(), QStringList());
        QCOMPARE(window.TxtAdName->text(), QString());
        QCOMPARE(window.TxtAdPhon->text(), QString());

        fixture.click(window.TxtNick);
        QCOMPARE(window.windowState().CurrentRecord, before);
        QCOMPARE(window.TxtAdName->text(), QString());
        QVERIFY(window.windowState().IsNewEntry);
        QVERIFY(!fixture.isLocked(window.TxtAdName));
    }

    void firstCharacterIsCapitalisedOnTheSecondKey_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");

        QTest::newRow("empty box") << "" << 0 << false << "ab"
                                   << "Ab";
        QTest::newRow("longer text untouched") << "xy" << 2 << false << "ab"
                                               << "xyab";
        QTest::newRow("caret before the letter") << "a" << 0 << false << "b"
                                                 << "Ab";
        QTest::newRow("letter selected") << "a" << 0 << true << "b"
                                         << "Ab";
        QTest::newRow("digit stays") << "7" << 1 << false << "x"
                                     << "7x";
        QTest::newRow("backspace at the start") << "a" << 0 << false << "\b"
                                                << "";
    }

    void firstCharacterIsCapitalisedOnTheSecondKey()
    {
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(bool, selectAll);
        QFETCH(QString, typed);
        QFETCH(QString, after);

        WindowFixture fixture;
        Form1x& window = fixture.start(); // no records: a new entry
        TextBox* nick = window.TxtNick;
        nick->setText(before);
        nick->setCursorPosition(caret);
        if (selectAll)
            nick->selectAll();
        nick->setFocus();
        if (typed == QLatin1String("\b"))
            QTest::keyClick(nick, Qt::Key_Backspace);
        else
            QTest::keyClicks(nick, typed);
        QCOMPARE(nick->text(), after);
    }

    // The file cannot be opened while the user types: a message, and the next search after
    // the file is back works, so nothing was left open.
    void failingDataFileEndsOnlyThatSearch()
    {
        WindowFixture fixture;
        Form1x& window = startEmptied(fixture);
        const QByteArray saved = fixture.folder.bytes();
        QVERIFY(QFile::remove(fixture.folder.filePath(QStringLiteral("datphone"))));
        QVERIFY(QDir(fixture.folder.path()).mkdir(QStringLiteral("datphone")));

        fixture.type(window.TxtNick, QStringLiteral("a"));
        QCOMPARE(fixture.dialogs->messages.size(), 1);
        QVERIFY(fixture.dialogs->messages.first().startsWith(
            QStringLiteral("Could not open the file \"datphone\".")));

        QVERIFY(QDir(fixture.folder.path()).rmdir(QStringLiteral("datphone")));
        fixture.folder.writeBytes(saved);
        fixture.type(window.TxtNick, QStringLiteral("ce"));
        QCOMPARE(fixture.dialogs->messages.size(), 1);
        QCOMPARE(window.TxtAdName->text(), stored("Ace Archer", 25));
    }
};

QTEST_MAIN(TestNicknameSearch)
#include "tst_nickname_search.moc"

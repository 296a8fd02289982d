#include "support/record_bytes.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>

class TestEdit : public QObject {
    Q_OBJECT

private slots:
    void editOpensTheShownContact();
    void saveRewritesTheRecordInPlace();
    void anEditMayKeepItsNickname_data();
    void anEditMayKeepItsNickname();
    void renamingToAnotherContactsNicknameIsRefused();
    void aRefusalKeepsTheEditOpen_data();
    void aRefusalKeepsTheEditOpen();
    void aListClickDuringAnEditMovesTheEditToThatContact_data();
    void aListClickDuringAnEditMovesTheEditToThatContact();
    void editStartsFromTheCurrentContactsOwnTexts_data();
    void editStartsFromTheCurrentContactsOwnTexts();
    void editAfterTypingAnotherContactsNickname();
    void anAbandonedEditNoLongerExcusesItsNickname();
};

namespace {

const QString NickInUse = QStringLiteral(
    "This nickname already existed, Add one or more charecter or number  to make it defrent");

// Starts the window on `file`, picks the second contact in the list and presses EDIT.
Form1x& editSecondContact(WindowFixture& f, const QByteArray& file)
{
    f.folder.writeBytes(file);
    Form1x& w = f.start();
    f.clickListEntry(1);
    f.click(w.BtnUpdate);
    return w;
}

// Four contacts; record 2 carries a stale RecordNo, as a deletion leaves it.
QByteArray fourContacts()
{
    auto records = recordsNamed({"Ace", "Bee", "Cy", "Dee"});
    records[1].RecordNo = 7;
    records[1].Prefix.assign("0");
    records[1].StdCode.assign("22");
    return encoded(records);
}

} // namespace

void TestEdit::editOpensTheShownContact()
{
    WindowFixture f;
    Form1x& w = editSecondContact(f, fourContacts());

    for (TextBox* box : {w.TxtNick, w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtAdPhon, w.TxtCode})
        QVERIFY2(!box->isLocked(), qPrintable(box->objectName()));
    QVERIFY(w.Txtprefx->isLocked());
    QVERIFY(!w.BtnUpdate->isEnabled());
    QVERIFY(w.BtnSave->isEnabled());
    QVERIFY(w.BtnAdd->isEnabled());
    QVERIFY(w.BtnDelete->isEnabled()); // as the list click left it
    QCOMPARE(QApplication::focusWidget(), w.TxtNick);
    QVERIFY(w.windowState().IsNewEntry);
    QCOMPARE(w.windowState().NewRecordNo, 2);
    QCOMPARE(w.windowState().CurrentRecord, 2);
    QCOMPARE(w.windowState().OriginalNick, QStringLiteral("Bee"));
    // The boxes open for typing hold no blank fill: what is typed at the end is stored.
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Bee Full"));
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("5552"));
    w.TxtAdName->setFocus();
    QTest::keyClick(w.TxtAdName, Qt::Key_End);
    QTest::keyClicks(w.TxtAdName, QStringLiteral(" Jr"));
    f.click(w.BtnSave);
    QCOMPARE(f.folder.records().at(1).FullName.trimmed(), "Bee Full Jr");
}

void TestEdit::saveRewritesTheRecordInPlace()
{
    WindowFixture f;
    const QByteArray before = fourContacts();
    Form1x& w = editSecondContact(f, before);
    retype(w.TxtNick, QStringLiteral("Bert"));
    retype(w.TxtAdPhon, QStringLiteral("0815"));
    retype(w.TxtCode, QStringLiteral("33"));
    f.type(w.Txtprefx, QStringLiteral("7")); // locked: the prefix cannot be changed
    w.Chkcode->setFocus();
    QTest::keyClick(w.Chkcode, Qt::Key_Space);
    f.click(w.BtnSave);

    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(recordAt(after, 2), (RecordBytes{.recordNo = 2,
                                              .nick = "Bert",
                                              .fullName = "Bee Full",
                                              .familyName = "Bee Family",
                                              .city = "City 2",
                                              .phone = "0815",
                                              .stdCode = "33",
                                              .useStdCode = 1,
                                              .prefix = "0",
                                              .usePrefix = 0})
                                     .bytes());
    for (int n : {1, 3, 4})
        QCOMPARE(recordAt(after, n), recordAt(before, n));
    QCOMPARE(f.listEntries().at(1), QStringLiteral("Bert           "));
    // The last record of the file is shown, not the one just stored.
    QCOMPARE(w.windowState().CurrentRecord, 4);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Dee"));
    QVERIFY(!w.windowState().IsNewEntry);
    QVERIFY(w.windowState().OriginalNick.isEmpty());
    QVERIFY(f.dialogs->messages.isEmpty());
}

void TestEdit::anEditMayKeepItsNickname_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed"); // empty: the nickname is left as it is
    QTest::newRow("left as it is") << "Bee"
                                   << "";
    QTest::newRow("typed again with blanks") << "Bee"
                                             << "  Bee ";
    QTest::newRow("a 16th character, cut when stored") << "ABCDEFGHIJKLMNO"
                                                       << "ABCDEFGHIJKLMNOP";
}

void TestEdit::anEditMayKeepItsNickname()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    WindowFixture f;
    Form1x& w = editSecondContact(f, encoded(recordsNamed({"Ace", stored.toStdString(), "Cy"})));
    if (!typed.isEmpty())
        retype(w.TxtNick, typed);
    retype(w.TxtAdPhon, QStringLiteral("42"));
    f.click(w.BtnSave);
    QVERIFY(f.dialogs->messages.isEmpty());
    const auto records = f.folder.records();
    QCOMPARE(records.size(), 3u);
    QCOMPARE(QString::fromLatin1(records[1].Nick.trimmed()), stored);
    QCOMPARE(records[1].Phone.trimmed(), "42");
}

void TestEdit::renamingToAnotherContactsNicknameIsRefused()
{
    WindowFixture f;
    const QByteArray before = fourContacts();
    Form1x& w = editSecondContact(f, before);
    retype(w.TxtNick, QStringLiteral("Ace"));
    f.click(w.BtnSave);

    QCOMPARE(f.dialogs->messages, QStringList{NickInUse});
    QCOMPARE(f.folder.bytes(), before);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ace"));
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Bee Full"));
    QVERIFY(w.BtnSave->isEnabled());
    QVERIFY(w.windowState().IsNewEntry);
    QCOMPARE(w.windowState().NewRecordNo, 2);

    retype(w.TxtNick, QStringLiteral("Bea"));
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.folder.bytes().size(), before.size());
    QCOMPARE(f.folder.records()[1].Nick.trimmed(), "Bea");
}

void TestEdit::aRefusalKeepsTheEditOpen_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("emptied"); // what the box is retyped to
    QTest::addColumn<QString>("message");
    QTest::newRow("phone emptied") << "TxtAdPhon"
                                   << "" << QStringLiteral("Cannot Save without phone number");
    QTest::newRow("nickname emptied") << "TxtNick"
                                      << "" << QStringLiteral("Cannot Save without Nick Name");
    QTest::newRow("nickname of blanks") << "TxtNick"
                                        << "   " << QStringLiteral("Cannot Save without Nick Name");
}

void TestEdit::aRefusalKeepsTheEditOpen()
{
    QFETCH(QString, box);
    QFETCH(QString, emptied);
    QFETCH(QString, message);
    WindowFixture f;
    const QByteArray before = fourContacts();
    Form1x& w = editSecondContact(f, before);
    retype(w.TxtAdAdd, QStringLiteral("Rome"));
    TextBox* missing = w.findChild<TextBox*>(box);
    retype(missing, emptied);
    f.click(w.BtnSave);

    QCOMPARE(f.dialogs->messages, QStringList{message});
    QCOMPARE(f.folder.bytes(), before);
    QCOMPARE(QApplication::focusWidget(), missing);
    QCOMPARE(w.TxtAdAdd->text(), QStringLiteral("Rome"));
    QVERIFY(w.windowState().IsNewEntry);
    QCOMPARE(w.windowState().NewRecordNo, 2);
    QVERIFY(w.BtnSave->isEnabled());

    // Filling in what was missing stores the edit in place, with nothing else retyped.
    retype(missing, box == QLatin1String("TxtNick") ? QStringLiteral("Bee") : "5552");
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.folder.bytes().size(), before.size());
    const auto records = f.folder.records();
    QCOMPARE(records[1].City.trimmed(), "Rome");
    QCOMPARE(records[1].Nick.trimmed(), "Bee");
    QCOMPARE(records[1].Phone.trimmed(), "5552");
}

void TestEdit::aListClickDuringAnEditMovesTheEditToThatContact_data()
{
    QTest::addColumn<QString>("nick"); // what the picked contact's nickname is retyped to
    QTest::newRow("nickname kept") << "Cy";
    QTest::newRow("renamed") << "Cyd";
}

void TestEdit::aListClickDuringAnEditMovesTheEditToThatContact()
{
    QFETCH(QString, nick);
    WindowFixture f;
    const QByteArray before = fourContacts();
    Form1x& w = editSecondContact(f, before);
    retype(w.TxtAdPhon, QStringLiteral("999"));
    f.clickListEntry(2); // the boxes now show Cy
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Cy"));
    QVERIFY(!w.TxtAdPhon->isLocked());
    QVERIFY(w.BtnSave->isEnabled());

    retype(w.TxtNick, nick);
    retype(w.TxtAdAdd, QStringLiteral("Lima"));
    f.click(w.BtnSave);
    QVERIFY(f.dialogs->messages.isEmpty());
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(recordAt(after, 2), recordAt(before, 2)); // Bee is untouched
    const auto records = f.folder.records();
    QCOMPARE(QString::fromLatin1(records[2].Nick.trimmed()), nick);
    QCOMPARE(records[2].City.trimmed(), "Lima");
    QCOMPARE(records[2].Phone.trimmed(), "5553");
}

void TestEdit::editStartsFromTheCurrentContactsOwnTexts_data()
{
    QTest::addColumn<QString>("typedNick");
    QTest::addColumn<bool>("othersDetails");
    // What typing in the nickname box of the record view can leave there.
    QTest::newRow("another contact's details") << "Ace" << true;
    QTest::newRow("another nickname only") << "Zed" << false;
    QTest::newRow("nothing else") << "Dee" << false;
}

void TestEdit::editStartsFromTheCurrentContactsOwnTexts()
{
    QFETCH(QString, typedNick);
    QFETCH(bool, othersDetails);
    WindowFixture f;
    const QByteArray before = fourContacts();
    f.folder.writeBytes(before);
    Form1x& w = f.start(); // Dee, record 4, is shown
    // The nickname box's exact lookup writes the detail boxes with their blank fill and
    // leaves the current record as it was.
    w.TxtNick->setText(typedNick);
    if (othersDetails) {
        w.TxtAdName->setText(QStringLiteral("Ace Full").leftJustified(25));
        w.TxtAdFname->setText(QStringLiteral("Ace Family").leftJustified(25));
        w.TxtAdAdd->setText(QStringLiteral("City 1").leftJustified(25));
        w.TxtAdPhon->setText(QStringLiteral("5551").leftJustified(20));
    }
    w.Chkprefx->setFocus();
    QTest::keyClick(w.Chkprefx, Qt::Key_Space); // ticked by the user
    f.click(w.BtnUpdate);

    QCOMPARE(w.TxtNick->text(), QStringLiteral("Dee"));
    QCOMPARE(w.TxtAdName->text().trimmed(), QStringLiteral("Dee Full"));
    QCOMPARE(w.TxtAdPhon->text().trimmed(), QStringLiteral("5554"));
    QCOMPARE(w.Chkprefx->checkState(), Qt::Checked);
    QCOMPARE(w.windowState().OriginalNick, QStringLiteral("Dee"));
    QVERIFY(!w.TxtAdName->isLocked());
    QVERIFY(w.BtnSave->isEnabled());

    f.click(w.BtnSave);
    QVERIFY(f.dialogs->messages.isEmpty());
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), before.size());
    for (int n : {1, 2, 3})
        QCOMPARE(recordAt(after, n), recordAt(before, n));
    QByteArray dee = recordAt(before, 4);
    dee[127] = 1; // UsePrefix, as ticked
    QCOMPARE(recordAt(after, 4), dee);
}

void TestEdit::editAfterTypingAnotherContactsNickname()
{
    WindowFixture f;
    const QByteArray before = encoded(recordsNamed({"Ace", "Abe", "Cy"}));
    f.folder.writeBytes(before);
    Form1x& w = f.start();
    // "A" lists Ace and Abe and makes Abe, the last of them, current; "Ace" then shows Ace's
    // details without making it current.
    f.type(w.TxtNick, QStringLiteral("\b\bAce")); // "Cy" deleted first
    QCOMPARE(w.windowState().CurrentRecord, 2);
    QCOMPARE(w.TxtAdName->text().trimmed(), QStringLiteral("Ace Full"));
    f.click(w.BtnUpdate);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Abe"));
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Abe Full"));
    f.click(w.BtnSave);
    QVERIFY(f.dialogs->messages.isEmpty());
    QCOMPARE(f.folder.bytes(), before);
}

void TestEdit::anAbandonedEditNoLongerExcusesItsNickname()
{
    WindowFixture f;
    const QByteArray before = fourContacts();
    Form1x& w = editSecondContact(f, before);
    f.clickTab(QStringLiteral("Q")); // no nickname under Q: a new entry
    QVERIFY(f.listEntries().isEmpty());
    f.type(w.TxtNick, QStringLiteral("Bee"));
    f.type(w.TxtAdPhon, QStringLiteral("1"));
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages, QStringList{NickInUse});
    QCOMPARE(f.folder.bytes(), before);
}

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"

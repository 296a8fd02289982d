// Faults that the random-use suite found in one window, each kept as the shortest sequence of
// user actions that showed it.
#include "support/record_bytes.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QCheckBox>
#include <QTest>

class TestFoundByRandomUse : public QObject {
    Q_OBJECT

private slots:
    void aRefusedSaveLeavesThePickedContactForDelete_data();
    void aRefusedSaveLeavesThePickedContactForDelete();
    void anEditAfterARefusedSaveKeepsItsNickname();
    void saveStoresNoControlCharacters_data();
    void saveStoresNoControlCharacters();
    void aNicknameOfControlCharactersIsNone();
};

namespace {

const QString NickInUse = QStringLiteral(
    "This nickname already existed, Add one or more charecter or number  to make it defrent");

QByteArray threeContacts()
{
    return encoded(recordsNamed({"Ace", "Bee", "Cy"}));
}

} // namespace

void TestFoundByRandomUse::aRefusedSaveLeavesThePickedContactForDelete_data()
{
    // A digit typed into the phone box enables SAVE, also in the record view, where the box is
    // locked; after ADD NEW a pick in the list fills the open boxes. Either way SAVE then meets
    // the picked contact's own nickname and refuses it; DELETE must still remove the picked
    // contact, not nothing.
    QTest::addColumn<bool>("afterAddNew");
    QTest::newRow("in the record view") << false;
    QTest::newRow("in a new entry") << true;
}

void TestFoundByRandomUse::aRefusedSaveLeavesThePickedContactForDelete()
{
    QFETCH(bool, afterAddNew);
    WindowFixture f;
    f.folder.writeBytes(threeContacts());
    Form1x& w = f.start();
    if (afterAddNew)
        f.click(w.BtnAdd);
    f.clickListEntry(1);
    QTest::keyClick(w.TxtAdPhon, Qt::Key_5);
    QVERIFY(w.BtnSave->isEnabled());
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages, QStringList{NickInUse});
    QVERIFY(w.BtnDelete->isEnabled());

    f.click(w.BtnDelete);
    const QByteArray before = threeContacts();
    QCOMPARE(f.folder.bytes(), recordAt(before, 1) + recordAt(before, 3));
    QCOMPARE(f.dialogs->messages.size(), 1);
}

void TestFoundByRandomUse::anEditAfterARefusedSaveKeepsItsNickname()
{
    // The refusal used to leave CurrentRecord behind the last record, so that EDIT opened no
    // stored contact and SAVE then took the contact's own nickname for another's.
    WindowFixture f;
    f.folder.writeBytes(threeContacts());
    Form1x& w = f.start();
    QTest::keyClick(w.TxtAdPhon, Qt::Key_5);
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages, QStringList{NickInUse});

    f.click(w.BtnUpdate);
    retype(w.TxtAdAdd, QStringLiteral("Bern"));
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages, QStringList{NickInUse});
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), 3 * 129);
    QCOMPARE(after.left(2 * 129), threeContacts().left(2 * 129));
    QCOMPARE(recordAt(after, 3).mid(67, 25), QByteArray("Bern").leftJustified(25, ' '));
}

void TestFoundByRandomUse::saveStoresNoControlCharacters_data()
{
    // A damaged record's texts come into the boxes with what fills them; SAVE of an edit
    // writes plain text padded with blanks back.
    QTest::addColumn<QByteArray>("fullName"); // the 25 bytes as damaged
    QTest::addColumn<QByteArray>("stored");   // what SAVE must write in its place

    QTest::newRow("filled with zero bytes")
        << QByteArray("Mary").leftJustified(25, '\0') << QByteArray("Mary").leftJustified(25);
    QTest::newRow("a control byte inside")
        << QByteArray("Ma\x01ry").leftJustified(25) << QByteArray("Mary").leftJustified(25);
    QTest::newRow("an unassigned byte and a tab") << QByteArray("\tMary\x81 Lou").leftJustified(25)
                                                  << QByteArray("Mary Lou").leftJustified(25);
    QTest::newRow("nothing but zero bytes") << QByteArray(25, '\0') << QByteArray(25, ' ');
}

void TestFoundByRandomUse::saveStoresNoControlCharacters()
{
    QFETCH(QByteArray, fullName);
    QFETCH(QByteArray, stored);
    QByteArray file = encoded(recordsNamed({"Ace", "Bee"}));
    file.replace(129 + 17, 25, fullName);
    WindowFixture f;
    f.folder.writeBytes(file);
    Form1x& w = f.start();
    f.clickListEntry(1);
    f.click(w.BtnUpdate);
    f.click(w.BtnSave);

    QCOMPARE(f.dialogs->messages, QStringList());
    QByteArray expected = file;
    expected.replace(129 + 17, 25, stored);
    QCOMPARE(f.folder.bytes(), expected);
}

void TestFoundByRandomUse::aNicknameOfControlCharactersIsNone()
{
    QByteArray file = encoded(recordsNamed({"Ace", "Bee"}));
    file.replace(129 + 2, 15, QByteArray(15, '\0'));
    WindowFixture f;
    f.folder.writeBytes(file);
    Form1x& w = f.start();
    f.click(w.BtnUpdate); // the shown contact is the damaged one, record 2
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages, QStringList{QStringLiteral("Cannot Save without Nick Name")});
    QCOMPARE(f.folder.bytes(), file);
}

QTEST_MAIN(TestFoundByRandomUse)
#include "tst_found_by_random_use.moc"

#include "support/faulty_file_system.h"
#include "support/record_bytes.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>

class TestNewEntry : public QObject {
    Q_OBJECT

private slots:
    void aNewContactIsStoredByteForByte_data();
    void aNewContactIsStoredByteForByte();
    void theFirstContactOfAnEmptyFile();
    void aRefusalKeepsWhatWasTyped_data();
    void aRefusalKeepsWhatWasTyped();
    void aNicknameInUseIsRefused_data();
    void aNicknameInUseIsRefused();
    void theSelectedTabIsAppliedAfterAStore_data();
    void theSelectedTabIsAppliedAfterAStore();
    void aFullBookRefusesTheNextContact();
    void aFailedWriteKeepsTheEntry();
    void aFileShortenedMeanwhileGetsNoGap();
};

namespace {

const QString NoNickName = QStringLiteral("Cannot Save without Nick Name");
const QString NoPhoneNumber = QStringLiteral("Cannot Save without phone number");
const QString NickInUse = QStringLiteral(
    "This nickname already existed, Add one or more charecter or number  to make it defrent");

QString cannotStore(const char* box, const QString& characters)
{
    return QStringLiteral("Cannot Save: the %1 box holds characters that the contacts file "
                          "cannot store: %2")
        .arg(QLatin1String(box), characters);
}

// Types a whole contact into the open boxes of a new entry.
void typeContact(WindowFixture& f, const QString& nick, const QString& phone)
{
    Form1x& w = f.window();
    f.type(w.TxtNick, nick);
    f.type(w.TxtAdName, QStringLiteral("Full"));
    f.type(w.TxtAdPhon, phone);
}

} // namespace

void TestNewEntry::aNewContactIsStoredByteForByte_data()
{
    QTest::addColumn<bool>("prefixTicked");
    QTest::addColumn<bool>("codeTicked");
    QTest::addColumn<bool>("afterGreyed"); // the contact shown before has both greyed
    QTest::newRow("neither ticked") << false << false << false;
    QTest::newRow("prefix ticked") << true << false << false;
    QTest::newRow("STD code ticked") << false << true << false;
    QTest::newRow("both ticked") << true << true << false;
    // A greyed box only ever shows a stored value: one click ticks.
    QTest::newRow("both ticked after greyed ones") << true << true << true;
}

void TestNewEntry::aNewContactIsStoredByteForByte()
{
    QFETCH(bool, prefixTicked);
    QFETCH(bool, codeTicked);
    QFETCH(bool, afterGreyed);
    WindowFixture f;
    auto shown = recordsNamed({"Ace", "Bee"});
    if (afterGreyed)
        shown[1].UsePrefix = shown[1].UseStdCode = 2;
    const QByteArray before = encoded(shown);
    f.folder.writeBytes(before);
    Form1x& w = f.start();
    f.click(w.BtnAdd);
    f.type(w.TxtNick, QStringLiteral(" Zed "));
    f.type(w.TxtAdName, QStringLiteral("Zacharias Zebediah Zanzibarian")); // 30: takes 25
    f.type(w.TxtAdFname, QStringLiteral("Zebra  "));
    f.type(w.TxtAdAdd, QStringLiteral("Oslo"));
    f.type(w.TxtAdPhon, QStringLiteral("0123456789"));
    f.type(w.Txtprefx, QStringLiteral("9"));
    f.type(w.TxtCode, QStringLiteral(" 47 "));
    for (auto [box, ticked] : {std::pair{w.Chkprefx, prefixTicked}, {w.Chkcode, codeTicked}}) {
        if (!ticked)
            continue;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    }
    f.click(w.BtnSave);

    const QByteArray record = RecordBytes{.recordNo = 3,
                                          .nick = "Zed",
                                          .fullName = "Zacharias Zebediah Zanzib",
                                          .familyName = "Zebra",
                                          .city = "Oslo",
                                          .phone = "0123456789",
                                          .stdCode = "47",
                                          .useStdCode = std::int16_t(codeTicked ? 1 : 0),
                                          .prefix = "9",
                                          .usePrefix = std::int16_t(prefixTicked ? 1 : 0)}
                                  .bytes();
    QCOMPARE(f.folder.bytes(), before + record);
    QVERIFY(f.dialogs->messages.isEmpty());
    QCOMPARE(f.listEntries().size(), 3);
    QCOMPARE(f.listEntries().last(), QStringLiteral("Zed            "));
    // The record view of the last record of the file.
    QCOMPARE(w.windowState().CurrentRecord, 3);
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Zacharias Zebediah Zanzib"));
    QVERIFY(!w.windowState().IsNewEntry);
    QVERIFY(w.windowState().OriginalNick.isEmpty());
    QVERIFY(!w.BtnSave->isEnabled());
    QVERIFY(w.BtnAdd->isEnabled());
    QVERIFY(w.BtnUpdate->isEnabled());
    QVERIFY(w.TxtAdName->isLocked());
}

void TestNewEntry::theFirstContactOfAnEmptyFile()
{
    WindowFixture f;
    Form1x& w = f.start();
    QVERIFY(w.windowState().IsNewEntry);
    typeContact(f, QStringLiteral("Ann"), QStringLiteral("1"));
    f.click(w.BtnSave);
    QCOMPARE(f.folder.bytes().size(), 129);
    QCOMPARE(f.folder.bytes().left(2), QByteArray("\x01\x00", 2));
    QCOMPARE(f.listEntries(), QStringList{QStringLiteral("Ann            ")});
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ann"));
}

void TestNewEntry::aRefusalKeepsWhatWasTyped_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QString>("phone"); // "\b" deletes the digit before it
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("completion"); // typed into the missing box afterwards
    QTest::addColumn<QString>("fullName");

    QTest::newRow("no nickname") << ""
                                 << "12" << NoNickName << "TxtNick"
                                 << "Ann"
                                 << "Full";
    QTest::newRow("a nickname of blanks") << "   "
                                          << "12" << NoNickName << "TxtNick"
                                          << "Ann"
                                          << "Full";
    QTest::newRow("no phone number") << "Ann"
                                     << "1\b" << NoPhoneNumber << "TxtAdPhon"
                                     << "7"
                                     << "Full";
    // What the file cannot hold is refused, never stored as "?".
    QTest::newRow("a Greek nickname")
        << QString::fromUtf8("Ωx") << QStringLiteral("12")
        << cannotStore("Nick Name", QString::fromUtf8("Ω")) << QStringLiteral("TxtNick")
        << QStringLiteral("Ox") << QStringLiteral("Full");
    QTest::newRow("a Russian full name")
        << QStringLiteral("Dima") << QStringLiteral("12")
        << cannotStore("Full Name", QString::fromUtf8("Д м и т р й")) << QStringLiteral("TxtAdName")
        << QStringLiteral("Dmitri") << QString::fromUtf8("Дмитрий");
}

void TestNewEntry::aRefusalKeepsWhatWasTyped()
{
    QFETCH(QString, nick);
    QFETCH(QString, phone);
    QFETCH(QString, message);
    QFETCH(QString, missing);
    QFETCH(QString, completion);
    QFETCH(QString, fullName);
    WindowFixture f;
    const QByteArray before = encoded(recordsNamed({"Ace"}));
    f.folder.writeBytes(before);
    Form1x& w = f.start();
    f.click(w.BtnAdd);
    typeContact(f, nick, phone);
    if (fullName != QLatin1String("Full"))
        retype(w.TxtAdName, fullName);
    f.type(w.TxtAdAdd, QStringLiteral("Oslo"));
    QVERIFY(w.BtnSave->isEnabled());
    f.click(w.BtnSave);

    QCOMPARE(f.dialogs->messages, QStringList{message});
    QCOMPARE(f.folder.bytes(), before);
    QCOMPARE(w.TxtNick->text(), nick);
    QCOMPARE(w.TxtAdName->text(), fullName);
    QCOMPARE(w.TxtAdAdd->text(), QStringLiteral("Oslo"));
    QVERIFY(w.windowState().IsNewEntry);
    QCOMPARE(w.windowState().NewRecordNo, 2);
    QVERIFY(w.BtnSave->isEnabled());
    QVERIFY(!w.TxtNick->isLocked());
    QCOMPARE(QApplication::focusWidget(), w.findChild<TextBox*>(missing));

    // Nothing has to be typed again but what was missing.
    TextBox* box = w.findChild<TextBox*>(missing);
    box->selectAll();
    QTest::keyClicks(box, completion);
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.folder.records().size(), 2u);
    QCOMPARE(f.folder.records()[1].City.trimmed(), "Oslo");
}

void TestNewEntry::aNicknameInUseIsRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored"); // empty when refused

    // Stored: "Bob", "bob" and a nickname of the full 15 characters.
    QTest::newRow("the same") << "Bob" << QByteArray();
    QTest::newRow("with blanks around it") << " Bob " << QByteArray();
    QTest::newRow("another case") << "BOB" << QByteArray("BOB");
    QTest::newRow("one character more") << "Bobx" << QByteArray("Bobx");
    QTest::newRow("16 characters whose first 15 are taken") << "ABCDEFGHIJKLMNOP" << QByteArray();
    QTest::newRow("blanks up to the cut, then more") << "Bob            Q" << QByteArray();
    QTest::newRow("the first 14 of a taken one")
        << "ABCDEFGHIJKLMN" << QByteArray("ABCDEFGHIJKLMN");
    QTest::newRow("Zoë, which the file holds") << QString::fromUtf8("Zoë") << QByteArray("Zo\xEB");
    QTest::newRow("the euro sign") << QString::fromUtf8("€") << QByteArray("\x80");
}

void TestNewEntry::aNicknameInUseIsRefused()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    WindowFixture f;
    const QByteArray before = encoded(recordsNamed({"Bob", "bob", "ABCDEFGHIJKLMNO"}));
    f.folder.writeBytes(before);
    Form1x& w = f.start();
    f.click(w.BtnAdd);
    typeContact(f, typed, QStringLiteral("5"));
    f.click(w.BtnSave);

    if (stored.isEmpty()) {
        QCOMPARE(f.dialogs->messages, QStringList{NickInUse});
        QCOMPARE(f.folder.bytes(), before);
        QCOMPARE(w.TxtNick->text(), typed.left(15)); // the box takes no more
        QCOMPARE(w.TxtAdName->text(), QStringLiteral("Full"));
        QVERIFY(w.BtnSave->isEnabled());
        QVERIFY(w.windowState().IsNewEntry);
    } else {
        QVERIFY(f.dialogs->messages.isEmpty());
        QCOMPARE(f.folder.bytes().size(), before.size() + 129);
        QCOMPARE(f.folder.bytes().mid(3 * 129 + 2, 15), stored.leftJustified(15, ' '));
        // The list keeps the stored bytes and shows them as the characters typed.
        QCOMPARE(f.listEntries().last(), typed.leftJustified(15));
    }
}

void TestNewEntry::theSelectedTabIsAppliedAfterAStore_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QString>("nick");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("shown"); // empty: the entry state

    QTest::newRow("*") << "*"
                       << "Al" << QStringList{"Ace", "Bee", "Cy", "Al"} << "Al";
    QTest::newRow("A, storing an A") << "A"
                                     << "Al" << QStringList{"Ace", "Al"} << "Al";
    QTest::newRow("B, storing an A") << "B"
                                     << "Al" << QStringList{"Bee"} << "Bee";
}

void TestNewEntry::theSelectedTabIsAppliedAfterAStore()
{
    QFETCH(QString, tab);
    QFETCH(QString, nick);
    QFETCH(QStringList, entries);
    QFETCH(QString, shown);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee", "Cy"}));
    Form1x& w = f.start();
    if (tab != QLatin1String("*"))
        f.clickTab(tab);
    f.click(w.BtnAdd);
    typeContact(f, nick, QStringLiteral("5"));
    f.click(w.BtnSave);

    QStringList padded;
    for (const QString& entry : entries)
        padded.append(entry.leftJustified(15));
    QCOMPARE(f.listEntries(), padded);
    QCOMPARE(w.TxtNick->text(), shown);
    QCOMPARE(f.statusTotal(), QString::number(entries.size()));
    QCOMPARE(f.folder.records().size(), 4u);
}

void TestNewEntry::aFullBookRefusesTheNextContact()
{
    WindowFixture f;
    std::vector<std::string> nicks;
    for (int i = 1; i <= 32767; ++i)
        nicks.push_back("N" + std::to_string(i));
    const QByteArray before = encoded(recordsNamed(nicks));
    f.folder.writeBytes(before);
    Form1x& w = f.start();
    f.click(w.BtnAdd);
    typeContact(f, QStringLiteral("New"), QStringLiteral("5"));
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages.size(), 1);
    QVERIFY2(f.dialogs->messages.first().contains(QLatin1String("32767")),
             qPrintable(f.dialogs->messages.first()));
    QVERIFY(f.folder.bytes() == before);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("New"));
    QVERIFY(w.windowState().IsNewEntry);

    // The last record there can be is still edited in place, under its own number.
    f.restart();
    f.click(f.window().BtnUpdate);
    f.type(f.window().TxtAdPhon, QStringLiteral("9"));
    f.click(f.window().BtnSave);
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.mid(32766 * 129, 2), QByteArray("\xFF\x7F", 2));
    QCOMPARE(after.mid(32766 * 129 + 92, 20), QByteArray("555327679").leftJustified(20, ' '));
}

void TestNewEntry::aFailedWriteKeepsTheEntry()
{
    WindowFixture f;
    const QByteArray before = encoded(recordsNamed({"Ace"}));
    f.folder.writeBytes(before);
    FaultyFileSystem fileSystem;
    Form1x& w = f.start(fileSystem);
    f.click(w.BtnAdd);
    typeContact(f, QStringLiteral("Bo"), QStringLiteral("42"));
    fileSystem.failFirst([](const OperationRecord& operation) {
        return operation.kind == FileOperation::Write && operation.name == "datphone";
    });
    f.click(w.BtnSave);
    QCOMPARE(fileSystem.failures(), 1);
    QCOMPARE(f.dialogs->messages.size(), 1);
    QVERIFY2(f.dialogs->messages.first().contains(QLatin1String("write")),
             qPrintable(f.dialogs->messages.first()));
    QCOMPARE(f.folder.bytes(), before);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Bo"));
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("42"));
    QVERIFY(w.BtnSave->isEnabled());
    QVERIFY(w.windowState().IsNewEntry);

    // Pressed again, SAVE stores what was typed.
    fileSystem.stopFailing();
    f.click(w.BtnSave);
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.folder.records().size(), 2u);
    QCOMPARE(f.listEntries().last(), QStringLiteral("Bo             "));
}

void TestNewEntry::aFileShortenedMeanwhileGetsNoGap()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee", "Cy"}));
    Form1x& w = f.start();
    f.click(w.BtnAdd);
    typeContact(f, QStringLiteral("Dee"), QStringLiteral("4"));
    const QByteArray shorter = encoded(recordsNamed({"Ace"}));
    f.folder.writeBytes(shorter); // by another program, while the entry is typed
    f.click(w.BtnSave);
    QVERIFY(f.dialogs->messages.isEmpty());
    const QByteArray after = f.folder.bytes();
    QCOMPARE(after.size(), 2 * 129);
    QCOMPARE(after.left(129), shorter);
    QCOMPARE(after.mid(129, 17), QByteArray("\x02\x00"
                                            "Dee            ",
                                            17));
    QCOMPARE(f.listEntries().size(), 2);
}

QTEST_MAIN(TestNewEntry)
#include "tst_new_entry.moc"

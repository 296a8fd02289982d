#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include <sys/stat.h>

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void withoutAFileTheWindowOpensForANewEntry_data();
    void withoutAFileTheWindowOpensForANewEntry();
    void withRecordsEveryNicknameIsListedAndTheLastShown_data();
    void withRecordsEveryNicknameIsListedAndTheLastShown();
    void theRecordViewShowsFieldsAsTheyAreShown();
    void aBlankNicknameCountsNoTotal();
    void exitWritesNothing();
    void aDataFileThatIsADirectoryEndsInAMessage();
};

namespace {

QList<TextBox*> sevenBoxes(Form1x& w)
{
    return {w.TxtNick, w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtAdPhon, w.TxtCode, w.Txtprefx};
}

QString padded(const QString& nick)
{
    return nick.leftJustified(15, u' ');
}

} // namespace

void TestStartUp::withoutAFileTheWindowOpensForANewEntry_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("128 bytes") << QByteArray(128, 'q') << true;
}

void TestStartUp::withoutAFileTheWindowOpensForANewEntry()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    WindowFixture f;
    if (exists)
        f.folder.writeBytes(bytes);
    Form1x& w = f.start();

    QVERIFY(f.folder.exists("datphone"));
    QCOMPARE(f.folder.bytes(), bytes);
    struct stat st {};
    QCOMPARE(::stat("datphone", &st), 0);
    if (!exists)
        QCOMPARE(int(st.st_mode & 0777), 0600);
    QVERIFY(f.listEntries().isEmpty());
    for (TextBox* box : sevenBoxes(w)) {
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY2(!box->isLocked(), qPrintable(box->objectName()));
    }
    QCOMPARE(w.Chkprefx->checkState(), Qt::Unchecked);
    QCOMPARE(w.Chkcode->checkState(), Qt::Unchecked);
    for (QPushButton* button :
         {static_cast<QPushButton*>(w.BtnAdd), static_cast<QPushButton*>(w.BtnSave),
          static_cast<QPushButton*>(w.BtnUpdate), static_cast<QPushButton*>(w.BtnDelete)})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(w.BtnExit->isEnabled());
    QVERIFY(!w.DialButton1->isVisible());
    QCOMPARE(f.statusTotal(), QString()); // keeps the text it was created with
    QCOMPARE(w.windowState().NewRecordNo, 1);
    QVERIFY(w.windowState().IsNewEntry);
    QVERIFY(f.dialogs->messages.isEmpty());
}

void TestStartUp::withRecordsEveryNicknameIsListedAndTheLastShown_data()
{
    QTest::addColumn<int>("strayBytes");
    QTest::newRow("three whole records") << 0;
    QTest::newRow("and 50 stray bytes") << 50;
}

void TestStartUp::withRecordsEveryNicknameIsListedAndTheLastShown()
{
    QFETCH(int, strayBytes);
    WindowFixture f;
    const QByteArray bytes =
        encoded(recordsNamed({"Ace", "ant", "Bee"})) + QByteArray(strayBytes, '\x07');
    f.folder.writeBytes(bytes);
    Form1x& w = f.start();

    QCOMPARE(f.listEntries(), QStringList({padded("Ace"), padded("ant"), padded("Bee")}));
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Bee"));
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Bee Full"));
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("5553"));
    QVERIFY(!w.TxtNick->isLocked());
    for (TextBox* box : sevenBoxes(w).mid(1))
        QVERIFY2(box->isLocked(), qPrintable(box->objectName()));
    QVERIFY(w.BtnUpdate->isEnabled());
    QVERIFY(w.BtnAdd->isEnabled());
    QVERIFY(!w.BtnDelete->isEnabled());
    QVERIFY(!w.BtnSave->isEnabled());
    QVERIFY(w.DialButton1->isVisible());
    QCOMPARE(f.statusTotal(), QStringLiteral("3"));
    QCOMPARE(w.windowState().CurrentRecord, 3);
    QCOMPARE(w.windowState().NewRecordNo, 4);
    QVERIFY(!w.windowState().IsNewEntry);
    QCOMPARE(f.folder.bytes(), bytes); // start-up only reads
}

void TestStartUp::theRecordViewShowsFieldsAsTheyAreShown()
{
    WindowFixture f;
    f.folder.writeRecords({makeRecord({.nick = "  Zed ",
                                       .fullName = "Zed Full   ",
                                       .city = "Oslo",
                                       .phone = "123",
                                       .stdCode = "47",
                                       .prefix = "0",
                                       .useStdCode = 1,
                                       .usePrefix = 2},
                                      1)});
    Form1x& w = f.start();
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Zed"));
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Zed Full"));
    QCOMPARE(w.Txtprefx->text(), QStringLiteral("0  ")); // the prefix keeps its blank fill
    QCOMPARE(w.TxtCode->text(), QStringLiteral("47"));
    QCOMPARE(w.Chkcode->checkState(), Qt::Checked);
    QCOMPARE(w.Chkprefx->checkState(), Qt::PartiallyChecked); // a stored 2 is shown greyed
    QCOMPARE(f.listEntries(), QStringList({QStringLiteral("  Zed          ")}));
}

void TestStartUp::aBlankNicknameCountsNoTotal()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", ""}));
    Form1x& w = f.start();
    QCOMPARE(w.TxtNick->text(), QString());
    QCOMPARE(f.listEntries().size(), 2);
    QCOMPARE(f.statusTotal(), QStringLiteral("0"));
}

void TestStartUp::exitWritesNothing()
{
    WindowFixture f;
    const QByteArray bytes = encoded(recordsNamed({"Ace", "ant"}));
    f.folder.writeBytes(bytes);
    Form1x& w = f.start();
    QTest::mouseClick(w.BtnAdd, Qt::LeftButton);
    f.type(w.TxtNick, QStringLiteral("Unsaved"));
    QTest::mouseClick(w.BtnExit, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(f.folder.bytes(), bytes);
    QVERIFY(!f.folder.exists("dephone"));
}

void TestStartUp::aDataFileThatIsADirectoryEndsInAMessage()
{
    WindowFixture f;
    QVERIFY(QDir(f.folder.path()).mkdir("datphone"));
    Form1x& w = f.start();
    QCOMPARE(f.dialogs->messages.size(), 1);
    const QString message = f.dialogs->messages.first();
    QVERIFY2(message.contains(QStringLiteral("\"datphone\"")), qPrintable(message));
    QVERIFY2(message.contains(QString::fromLocal8Bit(strerror(EISDIR))), qPrintable(message));
    // The window goes on, ready for an entry once the folder is mended.
    QVERIFY(w.isVisible());
    QVERIFY(w.TxtAdName->text().isEmpty());
    QVERIFY(!w.TxtNick->isLocked());
    QVERIFY(QDir(f.folder.path()).rmdir("datphone"));
    f.clickTab(QStringLiteral("*"));
    QCOMPARE(f.dialogs->messages.size(), 1);
    QVERIFY(f.folder.exists("datphone"));
}

QTEST_MAIN(TestStartUp)
#include "tst_start_up.moc"

#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QCheckBox>
#include <QTest>

class TestLetterTabs : public QObject {
    Q_OBJECT

private slots:
    void aTabListsTheNicknamesFiledUnderIt_data();
    void aTabListsTheNicknamesFiledUnderIt();
    void aLetterWithoutNicknamesTurnsToANewEntry();
    void theArrowKeysAndTheSelectedTabApplyATabAgain();
};

namespace {

QStringList padded(const QStringList& nicks)
{
    QStringList entries;
    for (const QString& nick : nicks)
        entries.append(nick.leftJustified(15));
    return entries;
}

} // namespace

void TestLetterTabs::aTabListsTheNicknamesFiledUnderIt_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("current");

    // Stored in this order: a small a, a capital B, a capital A, a digit, leading blanks.
    QTest::newRow("A: small and capital a, in record order")
        << "A" << QStringList{"ant", "Ace"} << "Ace" << 3;
    QTest::newRow("B") << "B" << QStringList{"Bee"} << "Bee" << 2;
    QTest::newRow("Z: filed under its first non-blank character")
        << "Z" << QStringList{"  zed"} << "zed" << 5;
    QTest::newRow("*: everyone, the last shown")
        << "*" << QStringList{"ant", "Bee", "Ace", "7up", "  zed"} << "zed" << 5;
}

void TestLetterTabs::aTabListsTheNicknamesFiledUnderIt()
{
    QFETCH(QString, tab);
    QFETCH(QStringList, entries);
    QFETCH(QString, shown);
    QFETCH(int, current);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"ant", "Bee", "Ace", "7up", "  zed"}));
    Form1x& w = f.start();
    if (tab == QLatin1String("*"))
        f.clickTab(QStringLiteral("B")); // away first, so that "*" is a change
    f.clickTab(tab);

    QCOMPARE(f.listEntries(), padded(entries));
    QCOMPARE(w.TxtNick->text(), shown);
    QCOMPARE(w.windowState().CurrentRecord, current);
    QCOMPARE(f.statusTotal(), QString::number(entries.size()));
    QVERIFY(!w.windowState().IsNewEntry);
    QVERIFY(w.BtnUpdate->isEnabled());
    QVERIFY(w.TxtAdName->isLocked());
    if (tab != QLatin1String("*"))
        QCOMPARE(w.windowState().SearchText, tab);
}

void TestLetterTabs::aLetterWithoutNicknamesTurnsToANewEntry()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"ant", "Bee", "7up"}));
    Form1x& w = f.start();
    f.clickListEntry(0); // DELETE enabled
    f.clickTab(QStringLiteral("Q"));

    QVERIFY(f.listEntries().isEmpty());
    for (TextBox* box :
         {w.TxtNick, w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtAdPhon, w.TxtCode, w.Txtprefx}) {
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY2(!box->isLocked(), qPrintable(box->objectName()));
    }
    QCOMPARE(w.Chkprefx->checkState(), Qt::Unchecked);
    for (HoverButton* button : {w.BtnAdd, w.BtnSave, w.BtnUpdate, w.BtnDelete})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(w.windowState().IsNewEntry);
    QCOMPARE(w.windowState().NewRecordNo, 4);
}

void TestLetterTabs::theArrowKeysAndTheSelectedTabApplyATabAgain()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"ant", "Bee", "Ace", "Cy"}));
    Form1x& w = f.start();
    f.clickTab(QStringLiteral("A"));
    w.TabStrip1->setFocus();
    QTest::keyClick(w.TabStrip1, Qt::Key_Right);
    QCOMPARE(w.TabStrip1->selectedCaption(), QStringLiteral("B"));
    QCOMPARE(f.listEntries(), padded({"Bee"}));

    // Picking another contact, then the selected tab again, lists and shows its last one again.
    f.clickTab(QStringLiteral("A"));
    f.clickListEntry(0);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("ant"));
    f.clickTab(QStringLiteral("A"));
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ace"));
    QVERIFY(!w.BtnDelete->isEnabled());
}

QTEST_MAIN(TestLetterTabs)
#include "tst_letter_tabs.moc"

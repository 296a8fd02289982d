#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>

class TestListSelection : public QObject {
    Q_OBJECT

private slots:
    void aClickShowsTheContactWithItsBlankFill();
    void theLastOfEqualNicknamesEndsUpCurrent_data();
    void theLastOfEqualNicknamesEndsUpCurrent();
    void theArrowKeysPickTheEntryMovedTo();
    void aPressDraggedOntoAnotherEntryPicksThatEntry();
    void inANewEntryTheBoxesStayOpen();
    void fillingTheListIsNeverTheUsersPick();
};

namespace {

QPoint entryCentre(ListBox* list, int row)
{
    return list->visualRect(list->model()->index(row, 0)).center();
}

} // namespace

void TestListSelection::aClickShowsTheContactWithItsBlankFill()
{
    WindowFixture f;
    f.folder.writeRecords({makeRecord({.nick = "Ace"}, 1),
                           makeRecord({.nick = "Jo",
                                       .fullName = "Jo Dane",
                                       .familyName = "Dane",
                                       .city = "Oslo",
                                       .phone = "4712",
                                       .stdCode = " 22",
                                       .prefix = "0",
                                       .useStdCode = 1,
                                       .usePrefix = 0},
                                      2),
                           makeRecord({.nick = "Zed", .phone = "9"}, 3)});
    Form1x& w = f.start();
    const QString totalBefore = f.statusTotal();
    f.clickListEntry(1);

    QCOMPARE(w.TxtNick->text(), QStringLiteral("Jo"));
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Jo Dane").leftJustified(25));
    QCOMPARE(w.TxtAdFname->text(), QStringLiteral("Dane").leftJustified(25));
    QCOMPARE(w.TxtAdAdd->text(), QStringLiteral("Oslo").leftJustified(25));
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("4712").leftJustified(20));
    QCOMPARE(w.Txtprefx->text(), QStringLiteral("0  "));
    QCOMPARE(w.TxtCode->text(), QStringLiteral("22"));
    QCOMPARE(w.Chkcode->checkState(), Qt::Checked);
    QCOMPARE(w.Chkprefx->checkState(), Qt::Unchecked);
    QCOMPARE(w.windowState().CurrentRecord, 2);
    QVERIFY(w.DialButton1->isVisible());
    // Only DELETE changes: the record view stays read-only, and the total is not refreshed.
    QVERIFY(w.BtnDelete->isEnabled());
    QVERIFY(w.BtnUpdate->isEnabled());
    QVERIFY(w.BtnAdd->isEnabled());
    QVERIFY(!w.BtnSave->isEnabled());
    QVERIFY(w.TxtAdName->isLocked());
    QVERIFY(!w.TxtNick->isLocked());
    QVERIFY(!w.windowState().IsNewEntry);
    QCOMPARE(f.statusTotal(), totalBefore);
    QVERIFY(f.dialogs->messages.isEmpty());
}

void TestListSelection::theLastOfEqualNicknamesEndsUpCurrent_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("phone");
    // "Bob" is stored twice (the second time with blanks around it); "bob" differs in case.
    QTest::newRow("first Bob") << 0 << 3 << "5553";
    QTest::newRow("second Bob") << 2 << 3 << "5553";
    QTest::newRow("bob") << 1 << 2 << "5552";
}

void TestListSelection::theLastOfEqualNicknamesEndsUpCurrent()
{
    QFETCH(int, row);
    QFETCH(int, current);
    QFETCH(QString, phone);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Bob", "bob", " Bob ", "Cy"}));
    Form1x& w = f.start();
    f.clickListEntry(row);
    QCOMPARE(w.windowState().CurrentRecord, current);
    QCOMPARE(w.TxtAdPhon->text(), phone.leftJustified(20));
    QCOMPARE(w.TxtNick->text(), QLatin1String(row == 1 ? "bob" : "Bob"));
}

void TestListSelection::theArrowKeysPickTheEntryMovedTo()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee", "Cy"}));
    Form1x& w = f.start();
    f.clickListEntry(2);
    QCOMPARE(w.windowState().CurrentRecord, 3);
    QTest::keyClick(w.ListNick, Qt::Key_Up);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Bee"));
    QCOMPARE(w.windowState().CurrentRecord, 2);
    QTest::keyClick(w.ListNick, Qt::Key_Home);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ace"));
    QCOMPARE(w.windowState().CurrentRecord, 1);
    QVERIFY(w.BtnDelete->isEnabled());
    // Taking the selection away disables DELETE again.
    QTest::keyClick(w.ListNick, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(w.ListNick->listIndex(), -1);
    QVERIFY(!w.BtnDelete->isEnabled());
}

void TestListSelection::aPressDraggedOntoAnotherEntryPicksThatEntry()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee", "Cy"}));
    Form1x& w = f.start();
    QWidget* area = w.ListNick->viewport();
    QTest::mousePress(area, Qt::LeftButton, {}, entryCentre(w.ListNick, 2));
    QTest::mouseMove(area, entryCentre(w.ListNick, 0));
    QTest::mouseRelease(area, Qt::LeftButton, {}, entryCentre(w.ListNick, 0));
    QCOMPARE(w.ListNick->listIndex(), 0);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Ace"));
    QCOMPARE(w.windowState().CurrentRecord, 1);
    QVERIFY(w.BtnDelete->isEnabled());
}

void TestListSelection::inANewEntryTheBoxesStayOpen()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee"}));
    Form1x& w = f.start();
    f.click(w.BtnAdd);
    f.clickListEntry(0);
    // Open for typing, so without the blank fill of the field.
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Ace Full"));
    QVERIFY(!w.TxtAdName->isLocked());
    QVERIFY(w.windowState().IsNewEntry);
    QVERIFY(w.BtnDelete->isEnabled());
    QVERIFY(!w.BtnUpdate->isEnabled());
    QCOMPARE(w.windowState().NewRecordNo, 3); // still a new contact
}

void TestListSelection::fillingTheListIsNeverTheUsersPick()
{
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee"}));
    Form1x& w = f.start();
    f.clickListEntry(1);
    QSignalSpy picked(w.ListNick, &ListBox::userSelected);
    w.ListNick->addItem(QStringLiteral("Cy"), 0);
    w.ListNick->clear();
    w.ListNick->setItems({QStringLiteral("Ace"), QStringLiteral("Bee")});
    QCOMPARE(picked.count(), 0);
    // The same entry clicked again is picked again; a click on empty space picks nothing.
    f.clickListEntry(1);
    QCOMPARE(picked.count(), 1);
    f.clickListEntry(1);
    QCOMPARE(picked.count(), 2);
    QTest::mouseClick(w.ListNick->viewport(), Qt::LeftButton, {},
                      QPoint(5, w.ListNick->viewport()->height() - 3));
    QCOMPARE(picked.count(), 2);
    QCOMPARE(w.ListNick->listIndex(), 1);
    QVERIFY(w.BtnDelete->isEnabled());
}

QTEST_MAIN(TestListSelection)
#include "tst_list_selection.moc"

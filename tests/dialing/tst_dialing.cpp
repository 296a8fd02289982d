// The dialer through the real window: the number is composed from the boxes as they stand and
// handed to the desktop as a tel: link, which the telephone standing in for the desktop's
// receives; when no call goes out, a message says why.
#include "support/faulty_file_system.h"
#include "support/stand_in_telephone.h"
#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include <QCheckBox>
#include <QTest>
#include <QUrl>

namespace {

// Starts the window on one stored contact, shown as start-up shows the last one.
Form1x& startOn(WindowFixture& fx, const Contact& contact)
{
    fx.folder.writeRecords({makeRecord(contact, 1)});
    Form1x& w = fx.start();
    if (!QTest::qWaitForWindowActive(&w))
        qWarning("the window did not become active");
    return w;
}

const QString NoProgram = QStringLiteral(
    "No program is set up to place calls, so %1 was not dialled.\n\n"
    "Install a telephone program that takes tel: links, for instance one of the Debian packages "
    "gnome-calls, linphone-desktop or kdeconnect (which calls through your paired phone), or "
    "choose one for tel: links in the desktop's settings.");
const QString NotStarted =
    QStringLiteral("The telephone program could not be started, so %1 was not dialled.\n\n"
                   "Check the program chosen for tel: links in the desktop's settings.");
const QString Undialable = QStringLiteral(
    "\"%1\" was not dialled: it holds %2, which cannot be dialled.\n\n"
    "A number is dialled from its digits and \"+\", \"*\" and \"#\"; blanks and the separators "
    "\"-\", \".\", \"(\" and \")\" are left out. Correct the prefix, STD code or phone number "
    "and press Dial again.");

} // namespace

class TestDialing : public QObject {
    Q_OBJECT

private slots:
    void init();

    void composesTheNumberFromTheBoxes_data();
    void composesTheNumberFromTheBoxes();
    void keyboardReachesAndPressesTheDialer_data();
    void keyboardReachesAndPressesTheDialer();
    void exitWaitsUntilTheFocusLeavesTheDialer();
    void emptyPhoneBoxPlacesNoCall();
    void callGoesOutOrTheUserIsToldWhy_data();
    void callGoesOutOrTheUserIsToldWhy();
    void failedPressPlacesNoCall();

private:
    StandInTelephone telephone_;
};

void TestDialing::init()
{
    telephone_.sandboxed = false;
    telephone_.program = QStringLiteral("org.gnome.Calls.desktop");
    telephone_.starts = true;
    telephone_.calls.clear();
}

void TestDialing::composesTheNumberFromTheBoxes_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("usePrefix"); // as stored; 2 shows a greyed box
    QTest::addColumn<int>("useCode");
    QTest::addColumn<bool>("clickPrefix"); // the user changes the tick on the screen
    QTest::addColumn<bool>("clickCode");
    QTest::addColumn<bool>("viaList"); // shown by a click in the list, blanks kept
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("uri");

    // The prefix "0" is shown with the two blanks of its field.
    QTest::newRow("both ticked") << "0"
                                 << "47" << 1 << 1 << false << false << false << "0  47123"
                                 << "tel:047123";
    QTest::newRow("only the code ticked") << "0"
                                          << "47" << 0 << 1 << false << false << false << "47123"
                                          << "tel:47123";
    QTest::newRow("neither ticked") << "0"
                                    << "47" << 0 << 0 << false << false << false << "123"
                                    << "tel:123";
    QTest::newRow("only the prefix ticked") << "0"
                                            << "47" << 1 << 0 << false << false << false << "0  123"
                                            << "tel:0123";
    // The screen decides, not the stored contact.
    QTest::newRow("ticked on the screen only")
        << "0"
        << "47" << 0 << 0 << true << true << false << "0  47123"
        << "tel:047123";
    QTest::newRow("unticked on the screen only")
        << "0"
        << "47" << 1 << 1 << true << false << false << "47123"
        << "tel:47123";
    QTest::newRow("greyed prefix") << "0"
                                   << "47" << 2 << 1 << false << false << false << "47123"
                                   << "tel:47123";
    QTest::newRow("greyed code") << "0"
                                 << "47" << 1 << 2 << false << false << false << "0  123"
                                 << "tel:0123";
    QTest::newRow("both greyed") << "0"
                                 << "47" << -1 << 7 << false << false << false << "123"
                                 << "tel:123";
    QTest::newRow("ticked, nothing in the box")
        << "0"
        << "" << 1 << 1 << false << false << false << "0  123"
        << "tel:0123";
    QTest::newRow("full prefix, separators in the code")
        << "001"
        << "(47)" << 1 << 1 << false << false << false << "001(47)123"
        << "tel:00147123";
    // A click in the list leaves the phone number with the 17 blanks of its field.
    QTest::newRow("chosen in the list") << "0"
                                        << "47" << 1 << 1 << false << false << true
                                        << "0  47123" + QString(17, u' ') << "tel:047123";
}

void TestDialing::composesTheNumberFromTheBoxes()
{
    QFETCH(QString, prefix);
    QFETCH(QString, code);
    QFETCH(int, usePrefix);
    QFETCH(int, useCode);
    QFETCH(bool, clickPrefix);
    QFETCH(bool, clickCode);
    QFETCH(bool, viaList);
    QFETCH(QString, number);
    QFETCH(QString, uri);

    WindowFixture fx;
    Form1x& w = startOn(fx, {.nick = "Ann",
                             .phone = "123",
                             .stdCode = code.toStdString(),
                             .prefix = prefix.toStdString(),
                             .useStdCode = static_cast<std::int16_t>(useCode),
                             .usePrefix = static_cast<std::int16_t>(usePrefix)});
    if (viaList)
        fx.clickListEntry(0);
    if (usePrefix != 0 && usePrefix != 1)
        QCOMPARE(w.Chkprefx->checkState(), Qt::PartiallyChecked);
    if (clickPrefix)
        fx.click(w.Chkprefx);
    if (clickCode)
        fx.click(w.Chkcode);
    QVERIFY(w.DialButton1->isVisible());
    QVERIFY(w.BtnExit->isEnabled());

    fx.click(w.DialButton1);

    QCOMPARE(w.DialButton1->NumberToDial, number);
    QCOMPARE(telephone_.calls.size(), 1);
    // Placed after the press was handled, with the number it composed: before, the dialer
    // holds none.
    QCOMPARE(telephone_.calls.front().toString(), uri);
    QVERIFY(!w.BtnExit->isEnabled());
    QVERIFY(fx.dialogs->messages.isEmpty());
}

void TestDialing::keyboardReachesAndPressesTheDialer_data()
{
    QTest::addColumn<int>("key");

    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
}

void TestDialing::keyboardReachesAndPressesTheDialer()
{
    QFETCH(int, key);

    WindowFixture fx;
    Form1x& w = startOn(fx, {.nick = "Ann", .phone = "123", .stdCode = "47", .useStdCode = 1});

    // Place 9 of the focus order: right behind the STD code box, before the Search button.
    w.TxtCode->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.TxtCode));
    QTest::keyClick(w.TxtCode, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.DialButton1));

    QTest::keyClick(w.DialButton1, static_cast<Qt::Key>(key));
    QTRY_COMPARE(telephone_.calls.size(), 1);
    QCOMPARE(telephone_.calls.front().toString(), QStringLiteral("tel:47123"));
    QVERIFY(!w.BtnExit->isEnabled());

    // Leaving by the keyboard gives EXIT back.
    QTest::keyClick(w.DialButton1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.BtnSearch));
    QVERIFY(w.BtnExit->isEnabled());
    QCOMPARE(telephone_.calls.size(), 1);
}

void TestDialing::exitWaitsUntilTheFocusLeavesTheDialer()
{
    WindowFixture fx;
    Form1x& w = startOn(fx, {.nick = "Ann", .phone = "123"});

    fx.click(w.DialButton1);
    QVERIFY(!w.BtnExit->isEnabled());
    QTest::qWait(50);
    QVERIFY(!w.BtnExit->isEnabled());

    // Another window taking the keyboard for a while is not the focus leaving the dialer.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!w.BtnExit->isEnabled());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.DialButton1));
    QVERIFY(!w.BtnExit->isEnabled());

    // A press again keeps it disabled; any other control taking the focus enables it.
    fx.click(w.DialButton1);
    QVERIFY(!w.BtnExit->isEnabled());
    fx.click(w.Chkprefx);
    QVERIFY(w.BtnExit->isEnabled());
    QCOMPARE(telephone_.calls.size(), 2);

    // A control clicked while the window is not active (as after a message box, where no
    // window manager hands the focus back) takes the focus once the window is active again.
    fx.click(w.DialButton1);
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    w.Chkcode->setFocus(Qt::MouseFocusReason);
    QVERIFY(!w.BtnExit->isEnabled());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Chkcode));
    QVERIFY(w.BtnExit->isEnabled());
}

// A dialer pressed while the phone box is empty must not call the number of an earlier press.
void TestDialing::emptyPhoneBoxPlacesNoCall()
{
    WindowFixture fx;
    Form1x& w = fx.start(); // an empty book: the boxes are open for a new entry
    QVERIFY(QTest::qWaitForWindowActive(&w));
    fx.type(w.TxtAdPhon, QStringLiteral("123"));
    QVERIFY(w.DialButton1->isVisible());
    fx.click(w.DialButton1);
    QCOMPARE(telephone_.calls.size(), 1);

    fx.type(w.TxtAdPhon, QString());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w.TxtAdPhon, Qt::Key_Backspace);
    QVERIFY(w.TxtAdPhon->text().isEmpty());
    QVERIFY(!w.DialButton1->isVisible());
    QVERIFY(w.BtnExit->isEnabled());
    w.DialButton1->show(); // the phone box's rule would never leave it so
    fx.click(w.DialButton1);

    QCOMPARE(telephone_.calls.size(), 1);
    QVERIFY(w.DialButton1->NumberToDial.isEmpty());
    QVERIFY(w.BtnExit->isEnabled());
    QVERIFY(fx.dialogs->messages.isEmpty());
}

void TestDialing::callGoesOutOrTheUserIsToldWhy_data()
{
    QTest::addColumn<QStringList>("boxes"); // prefix, STD code and phone, both ticked
    // What takes tel: links: a "program", "none", a "portal" (sandboxed, the portal picks the
    // program and asks the user itself), or one that cannot be started ("broken ...").
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("uri"); // empty: no call
    QTest::addColumn<QString>("message");

    const QStringList ann = {"0", "47", "123"};
    QTest::newRow("a program") << ann << "program"
                               << "tel:047123" << QString();
    QTest::newRow("none") << ann << "none"
                          << "" << NoProgram.arg("047123");
    QTest::newRow("a portal") << ann << "portal"
                              << "tel:047123" << QString();
    QTest::newRow("broken program") << ann << "broken program"
                                    << "" << NotStarted.arg("047123");
    QTest::newRow("broken portal") << ann << "broken portal"
                                   << "" << NotStarted.arg("047123");
    // A character that cannot be dialled is refused, never dropped to call another number.
    QTest::newRow("a letter in the STD code") << QStringList{"0", "4x7", "123"} << "program"
                                              << "" << Undialable.arg("04x7123", "\"x\"");
    QTest::newRow("a comma in the prefix, no program") << QStringList{"0,", "47", "123"} << "none"
                                                       << "" << Undialable.arg("0,47123", "\",\"");
    QTest::newRow("two, each named once") << QStringList{"0/", "4xx7", "123"} << "program"
                                          << "" << Undialable.arg("0/4xx7123", "\"/\" and \"x\"");
    QTest::newRow("three") << QStringList{"p", "x", "1;2"} << "program"
                           << "" << Undialable.arg("px1;2", "\"p\", \"x\" and \";\"");
    QTest::newRow("one that does not show")
        << QStringList{QStringLiteral("0\u0007"), "47", "123"} << "program"
        << "" << Undialable.arg(QStringLiteral("0\u000747123"), "U+0007");
    // A number stored by some other means; the phone box shows it as it is.
    QTest::newRow("no digits at all")
        << QStringList{"", "", "(--)"} << "program"
        << "" << QStringLiteral("\"(--)\" was not dialled: it holds no digits.");
}

void TestDialing::callGoesOutOrTheUserIsToldWhy()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, desktop);
    QFETCH(QString, uri);
    QFETCH(QString, message);

    telephone_.sandboxed = desktop.endsWith(QStringLiteral("portal"));
    telephone_.program = desktop.endsWith(QStringLiteral("program")) ? telephone_.program : "";
    telephone_.starts = !desktop.startsWith(QStringLiteral("broken"));
    WindowFixture fx;
    Form1x& w = startOn(fx, {.nick = "Ann",
                             .phone = boxes[2].toStdString(),
                             .stdCode = boxes[1].toStdString(),
                             .prefix = boxes[0].toStdString(),
                             .useStdCode = 1,
                             .usePrefix = 1});
    fx.click(w.DialButton1);

    QCOMPARE(telephone_.calls.size(), uri.isEmpty() ? 0 : 1);
    if (!uri.isEmpty())
        QCOMPARE(telephone_.calls.front().toString(), uri);
    QCOMPARE(fx.dialogs->messages, message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(!w.BtnExit->isEnabled());
}

// A press whose handler did not run to its end calls nothing, not the number of the press
// before.
void TestDialing::failedPressPlacesNoCall()
{
    FaultyFileSystem files;
    WindowFixture fx;
    fx.folder.writeRecords(
        {makeRecord({.nick = "Ann", .phone = "123", .stdCode = "47", .useStdCode = 1}, 1)});
    Form1x& w = fx.start(files);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    fx.click(w.DialButton1);
    QCOMPARE(telephone_.calls.size(), 1);

    fx.click(w.Chkcode);
    files.failFirst([](const OperationRecord& op) { return op.kind == FileOperation::Lock; });
    fx.click(w.DialButton1);

    QCOMPARE(files.failures(), 1);
    QCOMPARE(telephone_.calls.size(), 1);
    QVERIFY(w.DialButton1->NumberToDial.isEmpty());
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QVERIFY2(fx.dialogs->messages.front().startsWith(QStringLiteral("Another Zarvoth window")),
             qPrintable(fx.dialogs->messages.front()));
}

QTEST_MAIN(TestDialing)
#include "tst_dialing.moc"

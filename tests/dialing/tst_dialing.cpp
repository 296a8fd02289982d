// The dialer through the real window: the number is composed from the boxes as they stand and
// handed to the desktop as a tel: link, which a telephony program registered here receives.
#include "dialing/dial_button.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QTest>
#include <QUrl>

// Stands for the telephony program the desktop hands tel: links to.
class TelephoneProgram : public QObject {
    Q_OBJECT

public:
    struct Call {
        QUrl uri;
        QString numberToDial; // what the dialer held when it handed the call over
    };
    QList<Call> calls;
    const DialButton* dialer = nullptr;

public slots:
    void dial(const QUrl& uri) { calls.append({uri, dialer ? dialer->NumberToDial : QString()}); }
};

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

} // namespace

class TestDialing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void composesTheNumberFromTheBoxes_data();
    void composesTheNumberFromTheBoxes();
    void keyboardReachesAndPressesTheDialer_data();
    void keyboardReachesAndPressesTheDialer();
    void exitWaitsUntilTheFocusLeavesTheDialer();
    void numberWithNothingToDialPlacesNoCall();
    void emptyPhoneBoxPlacesNoCall();
    void desktopWithoutTelephoneProgramRefusesTheCall();

private:
    TelephoneProgram telephone_;
};

void TestDialing::initTestCase()
{
    // With no program for tel: links, the offscreen desktop refuses them, as a desktop
    // without a softphone does; the refusal test relies on that.
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    QDesktopServices::setUrlHandler(QStringLiteral("tel"), &telephone_, "dial");
}

void TestDialing::init()
{
    telephone_.calls.clear();
    telephone_.dialer = nullptr;
}

void TestDialing::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
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
    telephone_.dialer = w.DialButton1;
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
    QCOMPARE(telephone_.calls.front().uri.toString(), uri);
    // The call is placed after the press was handled, with the number it composed.
    QCOMPARE(telephone_.calls.front().numberToDial, number);
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
    QCOMPARE(telephone_.calls.front().uri.toString(), QStringLiteral("tel:47123"));
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
}

void TestDialing::numberWithNothingToDialPlacesNoCall()
{
    WindowFixture fx;
    // A number stored by some other means; the phone box shows it as it is.
    Form1x& w = startOn(fx, {.nick = "Ann", .phone = "(--)", .stdCode = "x", .useStdCode = 1});

    fx.click(w.DialButton1);

    QCOMPARE(w.DialButton1->NumberToDial, QStringLiteral("x(--)"));
    QVERIFY(telephone_.calls.isEmpty());
    QVERIFY(fx.dialogs->messages.isEmpty());
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

void TestDialing::desktopWithoutTelephoneProgramRefusesTheCall()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
    WindowFixture fx;
    Form1x& w = startOn(fx, {.nick = "Ann",
                             .phone = "123",
                             .stdCode = "47",
                             .prefix = "0",
                             .useStdCode = 1,
                             .usePrefix = 1});
    fx.click(w.DialButton1);
    QDesktopServices::setUrlHandler(QStringLiteral("tel"), &telephone_, "dial");

    QVERIFY(telephone_.calls.isEmpty());
    QCOMPARE(fx.dialogs->messages,
             QStringList(QStringLiteral(
                 "No program is set up to place calls, so 047123 was not dialled.\n\n"
                 "Choose a telephone program (a softphone or a phone link) for tel: links in "
                 "the desktop's settings.")));
    QVERIFY(!w.BtnExit->isEnabled());
}

QTEST_MAIN(TestDialing)
#include "tst_dialing.moc"

// The window with the keyboard alone: the Tab order, and each control used by its keys.
#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace {

QString focusName()
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("(none)");
}

// Presses the key steps times where the focus is, and lists where the focus went each time.
QStringList walk(int steps, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QStringList names;
    for (int i = 0; i < steps; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            break;
        QTest::keyClick(focus, key, modifiers);
        names << focusName();
    }
    return names;
}

QStringList trimmed(const QStringList& entries)
{
    QStringList out;
    for (const QString& entry : entries)
        out << entry.trimmed();
    return out;
}

QStringList order(const char* names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '));
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void tabVisitsTheControlsInOrder_data();
    void tabVisitsTheControlsInOrder();
    void buttonsPressWithSpaceAndEnter_data();
    void buttonsPressWithSpaceAndEnter();
    void aHeldEnterPressesOnce();
    void checkBoxesToggleWithSpace_data();
    void checkBoxesToggleWithSpace();
    void theListIsWalkedWithTheArrowKeys();
    void theFirstArrowChoosesTheFirstEntry_data();
    void theFirstArrowChoosesTheFirstEntry();
    void theTabsAreWalkedWithTheArrowKeys();
    void enterOnExitEndsTheProgram();

private:
    void startWithContacts(WindowFixture& fixture, const std::vector<std::string>& nicks)
    {
        if (!nicks.empty())
            fixture.folder.writeRecords(recordsNamed(nicks));
        fixture.start();
        QVERIFY(QTest::qWaitForWindowActive(&fixture.window()));
    }
};

void KeyboardTest::tabVisitsTheControlsInOrder_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("expected"); // from the nickname box on, once round

    // Empty file: an empty entry, record buttons disabled, no number so no dialer.
    QTest::newRow("no contacts") << "none"
                                 << order("TxtNick TxtAdName TxtAdFname TxtAdAdd TxtAdPhon "
                                          "Chkprefx Txtprefx Chkcode TxtCode BtnSearch BtnExit "
                                          "ListNick TabStrip1");
    // The last contact is shown: its number brings the dialer; ADD NEW and EDIT are enabled.
    QTest::newRow("a contact shown")
        << "shown"
        << order("TxtNick TxtAdName TxtAdFname TxtAdAdd TxtAdPhon Chkprefx Txtprefx Chkcode "
                 "TxtCode DialButton1 BtnSearch BtnAdd BtnUpdate BtnExit ListNick TabStrip1");
    // A nickname chosen in the list enables DELETE as well.
    QTest::newRow("a contact chosen")
        << "chosen"
        << order("TxtNick TxtAdName TxtAdFname TxtAdAdd TxtAdPhon Chkprefx Txtprefx Chkcode "
                 "TxtCode DialButton1 BtnSearch BtnAdd BtnUpdate BtnDelete BtnExit ListNick "
                 "TabStrip1");
    // A digit typed into the phone box of a new entry enables SAVE and shows the dialer.
    QTest::newRow("a number typed")
        << "typed"
        << order("TxtNick TxtAdName TxtAdFname TxtAdAdd TxtAdPhon Chkprefx Txtprefx Chkcode "
                 "TxtCode DialButton1 BtnSearch BtnSave BtnExit ListNick TabStrip1");
}

void KeyboardTest::tabVisitsTheControlsInOrder()
{
    QFETCH(QString, state);
    QFETCH(QStringList, expected);

    WindowFixture fixture;
    startWithContacts(fixture, state == QLatin1String("none") || state == QLatin1String("typed")
                                   ? std::vector<std::string>{}
                                   : std::vector<std::string>{"Amy", "Bob"});
    Form1x& window = fixture.window();
    // The window opens with the focus in the nickname box, the first place of the order.
    QCOMPARE(focusName(), QStringLiteral("TxtNick"));

    if (state == QLatin1String("chosen")) {
        fixture.clickListEntry(0);
        QVERIFY(window.BtnDelete->isEnabled());
    } else if (state == QLatin1String("typed")) {
        fixture.type(window.TxtAdPhon, QStringLiteral("5"));
        QVERIFY(window.BtnSave->isEnabled());
    }
    window.TxtNick->setFocus(Qt::TabFocusReason);
    QCOMPARE(focusName(), QStringLiteral("TxtNick"));

    // Tab goes once round and comes back to the nickname box.
    QStringList forward = expected.mid(1);
    forward << expected.first();
    QCOMPARE(walk(static_cast<int>(expected.size()), Qt::Key_Tab), forward);

    // Shift+Tab goes the same way back.
    QStringList backward = expected.mid(1);
    std::reverse(backward.begin(), backward.end());
    backward << expected.first();
    QCOMPARE(walk(static_cast<int>(expected.size()), Qt::Key_Tab, Qt::ShiftModifier), backward);
}

void KeyboardTest::buttonsPressWithSpaceAndEnter_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    const char* const buttons[] = {"BtnAdd",    "BtnSave",     "BtnUpdate", "BtnDelete",
                                   "BtnSearch", "DialButton1", "BtnExit"};
    const std::pair<const char*, Qt::Key> keys[] = {
        {"Space", Qt::Key_Space}, {"Return", Qt::Key_Return}, {"keypad Enter", Qt::Key_Enter}};
    for (const char* button : buttons)
        for (const auto& [keyName, key] : keys)
            QTest::addRow("%s %s", button, keyName) << QString::fromLatin1(button) << int(key);
}

void KeyboardTest::buttonsPressWithSpaceAndEnter()
{
    QFETCH(QString, button);
    QFETCH(int, key);

    WindowFixture fixture;
    startWithContacts(fixture, {"Amy", "Bob"});
    auto* pressed = fixture.window().findChild<QAbstractButton*>(button);
    QVERIFY(pressed);
    // What enables a button is the other handlers' business; here each one is made usable.
    pressed->setEnabled(true);
    pressed->show();
    pressed->setFocus(Qt::TabFocusReason);
    QCOMPARE(focusName(), button);

    QSignalSpy clicks(pressed, &QAbstractButton::clicked);
    // Search pops up its menu, under the button and not at the pointer far away; close it so
    // that the test goes on.
    QCursor::setPos(fixture.window().mapToGlobal(QPoint(590, 410)));
    QPoint menuAt;
    QTimer closePopups;
    connect(&closePopups, &QTimer::timeout, [&menuAt] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuAt = popup->pos();
            popup->close();
        }
    });
    closePopups.start(20);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QTRY_COMPARE(clicks.count(), 1);
    QTest::qWait(250); // Enter presses with a short animation: it must not press twice
    QCOMPARE(clicks.count(), 1);
    if (button == QLatin1String("BtnSearch"))
        QCOMPARE(menuAt, pressed->mapToGlobal(pressed->rect().bottomLeft() + QPoint(0, 1)));
}

void KeyboardTest::aHeldEnterPressesOnce()
{
    WindowFixture fixture;
    startWithContacts(fixture, {"Amy"});
    HoverButton* add = fixture.window().BtnAdd;
    add->setFocus(Qt::TabFocusReason);
    QSignalSpy clicks(add, &QAbstractButton::clicked);

    QKeyEvent first(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(add, &first);
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(add, &repeated);
    }
    QTRY_COMPARE(clicks.count(), 1);
    QTest::qWait(250);
    QCOMPARE(clicks.count(), 1);
}

void KeyboardTest::checkBoxesToggleWithSpace_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Use Prefix") << "Chkprefx";
    QTest::newRow("Use STD Code") << "Chkcode";
}

void KeyboardTest::checkBoxesToggleWithSpace()
{
    QFETCH(QString, name);
    WindowFixture fixture;
    startWithContacts(fixture, {});
    auto* box = fixture.window().findChild<QCheckBox*>(name);
    QVERIFY(box);
    QVERIFY(!box->isChecked());

    // Reached with Tab from the box before it in the order.
    QWidget* before = name == QLatin1String("Chkprefx")
                          ? static_cast<QWidget*>(fixture.window().TxtAdPhon)
                          : static_cast<QWidget*>(fixture.window().Txtprefx);
    before->setFocus(Qt::TabFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(focusName(), name);

    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(box->isChecked());
    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(!box->isChecked());
}

void KeyboardTest::theListIsWalkedWithTheArrowKeys()
{
    WindowFixture fixture;
    startWithContacts(fixture, {"Amy", "Bob", "Cyd", "Dan"});
    Form1x& window = fixture.window();
    QCOMPARE(window.TxtNick->text(), QStringLiteral("Dan")); // the last contact is shown

    // Tab from EXIT reaches the list, which starts on its first entry; Space chooses it.
    window.BtnExit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window.BtnExit, Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("ListNick"));
    const auto press = [&](Qt::Key key) {
        QTest::keyClick(window.ListNick, key);
        return window.TxtNick->text();
    };
    QCOMPARE(press(Qt::Key_Space), QStringLiteral("Amy"));
    QCOMPARE(window.ListNick->listIndex(), 0);
    QVERIFY(window.BtnDelete->isEnabled());

    QCOMPARE(press(Qt::Key_Down), QStringLiteral("Bob"));
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("Cyd"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("Bob"));
    QCOMPARE(press(Qt::Key_End), QStringLiteral("Dan"));
    QCOMPARE(press(Qt::Key_Home), QStringLiteral("Amy"));
    QCOMPARE(window.TxtAdName->text().trimmed(), QStringLiteral("Amy Full"));
    // The focus stays in the list all along.
    QCOMPARE(focusName(), QStringLiteral("ListNick"));
}

void KeyboardTest::theFirstArrowChoosesTheFirstEntry_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Down") << int(Qt::Key_Down);
    QTest::newRow("Up") << int(Qt::Key_Up);
}

void KeyboardTest::theFirstArrowChoosesTheFirstEntry()
{
    QFETCH(int, key);
    WindowFixture fixture;
    startWithContacts(fixture, {"Amy", "Bob", "Cyd"});
    Form1x& window = fixture.window();
    window.BtnExit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window.BtnExit, Qt::Key_Tab); // to the list, nothing chosen yet
    QCOMPARE(window.ListNick->listIndex(), -1);
    QTest::keyClick(window.ListNick, Qt::Key(key));
    QCOMPARE(window.TxtNick->text(), QStringLiteral("Amy"));
    QTest::keyClick(window.ListNick, Qt::Key_Down); // and on from there
    QCOMPARE(window.TxtNick->text(), QStringLiteral("Bob"));
}

void KeyboardTest::theTabsAreWalkedWithTheArrowKeys()
{
    WindowFixture fixture;
    startWithContacts(fixture, {"Amy", "Bob", "anna", "Cyd"});
    Form1x& window = fixture.window();

    // Tab from the list reaches the tabs.
    window.ListNick->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window.ListNick, Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("TabStrip1"));

    const auto press = [&](Qt::Key key) {
        QTest::keyClick(window.TabStrip1, key);
        return trimmed(fixture.listEntries());
    };
    QCOMPARE(press(Qt::Key_Right), QStringList({"Amy", "anna"}));
    QCOMPARE(window.TabStrip1->selectedCaption(), QStringLiteral("A"));
    // Applying a tab shows a contact, which puts the focus in the nickname box; a keyboard
    // user walking the tabs keeps it on the tabs, or the next arrow would go astray.
    QCOMPARE(focusName(), QStringLiteral("TabStrip1"));
    QCOMPARE(press(Qt::Key_Right), QStringList({"Bob"}));
    QCOMPARE(press(Qt::Key_Right), QStringList({"Cyd"}));
    QCOMPARE(press(Qt::Key_Left), QStringList({"Bob"}));
    QCOMPARE(press(Qt::Key_Left), QStringList({"Amy", "anna"}));
    QCOMPARE(press(Qt::Key_Left), QStringList({"Amy", "Bob", "anna", "Cyd"}));
    QCOMPARE(window.TabStrip1->selectedCaption(), QStringLiteral("*"));
    QCOMPARE(focusName(), QStringLiteral("TabStrip1"));
}

void KeyboardTest::enterOnExitEndsTheProgram()
{
    WindowFixture fixture;
    startWithContacts(fixture, {});
    Form1x& window = fixture.window();

    // A new entry half typed, then Tab on to EXIT and Enter: the window closes, nothing saved.
    fixture.type(window.TxtNick, QStringLiteral("Zed"));
    for (int i = 0; i < 15 && focusName() != QLatin1String("BtnExit"); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("BtnExit"));
    QTest::keyClick(window.BtnExit, Qt::Key_Return);
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(fixture.folder.bytes(), QByteArray());
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"

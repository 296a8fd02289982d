#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTest>

class TestFieldRules : public QObject {
    Q_OBJECT

private slots:
    void theNameBoxesCapitaliseTheirFirstCharacter_data();
    void theNameBoxesCapitaliseTheirFirstCharacter();
    void aLockedNameBoxStillCapitalises();
    void thePhoneBoxTakesOnlyDigits_data();
    void thePhoneBoxTakesOnlyDigits();
    void theMiddleButtonPastesOnlyDigits();
    void copyingAndSelectingAllStillWork();
    void aDigitEnablesSaveEvenWhileLocked_data();
    void aDigitEnablesSaveEvenWhileLocked();
    void theDialerIsShownWhileThePhoneBoxHoldsText();
    void thePrefixAndCodeBoxesTakeAnyKey();
};

namespace {

TextBox* boxNamed(Form1x& w, const QString& name)
{
    return w.findChild<TextBox*>(name);
}

QMenu* openContextMenu(TextBox* box)
{
    QContextMenuEvent event(QContextMenuEvent::Keyboard, box->rect().center(),
                            box->mapToGlobal(box->rect().center()));
    QApplication::sendEvent(box, &event);
    const QList<QMenu*> menus = box->findChildren<QMenu*>();
    return menus.isEmpty() ? nullptr : menus.last();
}

QAction* actionCaptioned(QMenu* menu, const QString& caption)
{
    for (QAction* action : menu->actions())
        if (action->text().startsWith(caption))
            return action;
    return nullptr;
}

void dropText(TextBox* box, const QString& text)
{
    QMimeData data;
    data.setText(text);
    const QPointF at = box->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box, &drop);
}

} // namespace

void TestFieldRules::theNameBoxesCapitaliseTheirFirstCharacter_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("caret");     // where the caret stands before typing
    QTest::addColumn<int>("selection"); // characters selected from the caret on
    // "\b" is Backspace; what follows a "|" an input method commits at once, as a dead key or a
    // compose sequence does.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");

    for (const char* box : {"TxtAdName", "TxtAdFname", "TxtAdAdd"})
        QTest::addRow("%s: john", box) << box << "" << 0 << 0 << "john"
                                       << "John";
    QTest::newRow("only a one-character text") << "TxtAdName"
                                               << "xy" << 2 << 0 << "ab"
                                               << "xyab";
    QTest::newRow("caret before the letter") << "TxtAdName"
                                             << "a" << 0 << 0 << "b"
                                             << "Ab";
    QTest::newRow("the letter selected") << "TxtAdName"
                                         << "a" << 0 << 1 << "b"
                                         << "Ab";
    QTest::newRow("Backspace before the letter") << "TxtAdAdd"
                                                 << "a" << 0 << 0 << "\b"
                                                 << "";
    QTest::newRow("a digit stays") << "TxtAdFname"
                                   << "7" << 1 << 0 << "x"
                                   << "7x";
    QTest::newRow("a blank first") << "TxtAdName"
                                   << "" << 0 << 0 << " jo"
                                   << " jo";
    QTest::newRow("e acute") << "TxtAdAdd" << QString::fromUtf8("é") << 1 << 0 << "t"
                             << QString::fromUtf8("Ét");
    // Upper-casing never lengthens the text, so the key still lands behind the first one.
    QTest::newRow("a lone sharp s stays one")
        << "TxtAdName" << QString::fromUtf8("ß") << 0 << 0 << "a" << QString::fromUtf8("ßa");
    QTest::newRow("a lone ligature stays one")
        << "TxtAdName" << QString::fromUtf8("ﬁ") << 0 << 0 << "x" << QString::fromUtf8("ﬁx");
    QTest::newRow("a letter beyond 16 bits")
        << "TxtAdFname" << QString::fromUtf8("𐐨") << 0 << 0 << "a" << QString::fromUtf8("𐐀a");
    // Committed text follows the rule as typed keys do.
    QTest::newRow("j, then a composed e acute")
        << "TxtAdName" << QString() << 0 << 0 << QString::fromUtf8("j|é")
        << QString::fromUtf8("Jé");
    QTest::newRow("two characters committed at once")
        << "TxtAdAdd" << QString() << 0 << 0 << QString::fromUtf8("|ös") << QString::fromUtf8("Ös");
    QTest::newRow("committed into the nickname box")
        << "TxtNick" << QString() << 0 << 0 << QString::fromUtf8("z|ï") << QString::fromUtf8("Zï");
    // A box takes no more characters than its field holds, typed or committed.
    for (const auto& [box, width] : {std::pair{"TxtNick", 15},
                                     {"TxtAdName", 25},
                                     {"TxtAdFname", 25},
                                     {"TxtAdAdd", 25},
                                     {"Txtprefx", 3},
                                     {"TxtCode", 10}}) {
        QTest::addRow("%s takes %d", box, width)
            << box << QString() << 0 << 0 << QString(width + 3, u'7') << QString(width, u'7');
        QTest::addRow("%s takes %d committed", box, width)
            << box << QString(width - 1, u'7') << width - 1 << 0 << QStringLiteral("|78")
            << QString(width, u'7');
    }
}

void TestFieldRules::theNameBoxesCapitaliseTheirFirstCharacter()
{
    QFETCH(QString, box);
    QFETCH(QString, before);
    QFETCH(int, caret);
    QFETCH(int, selection);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    WindowFixture f;
    Form1x& w = f.start(); // no file: a new entry, every box open
    TextBox* target = boxNamed(w, box);
    QVERIFY(target);
    target->setFocus();
    target->setText(before);
    target->setSelection(caret, selection);
    if (selection == 0)
        target->setCursorPosition(caret);
    QTest::keyClicks(target, keys.section(u'|', 0, 0));
    if (keys.contains(u'|')) {
        QInputMethodEvent event;
        event.setCommitString(keys.section(u'|', 1));
        QApplication::sendEvent(target, &event);
    }
    QCOMPARE(target->text(), after);
}

void TestFieldRules::aLockedNameBoxStillCapitalises()
{
    WindowFixture f;
    f.folder.writeRecords({makeRecord({.nick = "Jo", .fullName = "x", .phone = "1"}, 1)});
    Form1x& w = f.start();
    QVERIFY(w.TxtAdName->isLocked());
    f.type(w.TxtAdName, QStringLiteral("b"));
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("X"));
}

void TestFieldRules::thePhoneBoxTakesOnlyDigits_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("saveEnabled");

    QTest::newRow("a blank") << "type"
                             << " "
                             << "" << false;
    QTest::newRow("letters") << "type"
                             << "abc"
                             << "" << false;
    QTest::newRow("plus") << "type"
                          << "+"
                          << "" << false;
    QTest::newRow("hyphen") << "type"
                            << "-"
                            << "" << false;
    QTest::newRow("parentheses") << "type"
                                 << "()"
                                 << "" << false;
    QTest::newRow("digits run together") << "type"
                                         << "(0) 12-3 4"
                                         << "01234" << true;
    QTest::newRow("Backspace in an empty box") << "type"
                                               << "\b"
                                               << "" << true;
    QTest::newRow("Alt and a letter") << "alt"
                                      << "a"
                                      << "" << false;
    QTest::newRow("Ctrl+V") << "ctrl+v"
                            << "x9-8"
                            << "98" << true;
    QTest::newRow("Ctrl+V of letters only") << "ctrl+v"
                                            << "abc"
                                            << "" << false;
    QTest::newRow("Shift+Insert") << "shift+insert"
                                  << "+47 1"
                                  << "471" << true;
    QTest::newRow("the context menu's paste") << "menu"
                                              << "a5b"
                                              << "5" << true;
    QTest::newRow("dropped text") << "drop"
                                  << "a1b2"
                                  << "12" << true;
    QTest::newRow("an input method's text") << "input method"
                                            << "5a6"
                                            << "56" << true;
    QTest::newRow("a key bringing two characters") << "two characters"
                                                   << "q7"
                                                   << "7" << true;
    QTest::newRow("24 digits typed") << "type" << QString(24, u'5') << QString(20, u'5') << true;
    QTest::newRow("24 digits pasted") << "ctrl+v" << QString(24, u'6') << QString(20, u'6') << true;
    // Undo and Redo go back over the user's own typing only, never to the number of the
    // contact shown before ADD NEW emptied the box.
    QTest::newRow("Ctrl+Z after ADD NEW") << "undo" << QString() << QString() << false;
    QTest::newRow("the context menu's Undo") << "menu undo" << QString() << QString() << false;
    QTest::newRow("Ctrl+Z of typed digits") << "undo" << QStringLiteral("12") << QString() << true;
    QTest::newRow("Redo") << "undo, redo" << QStringLiteral("12") << QStringLiteral("12") << true;
}

void TestFieldRules::thePhoneBoxTakesOnlyDigits()
{
    QFETCH(QString, way);
    QFETCH(QString, text);
    QFETCH(QString, after);
    QFETCH(bool, saveEnabled);
    WindowFixture f;
    const bool undoing = way.contains(QLatin1String("undo"));
    if (undoing)
        f.folder.writeRecords({makeRecord({.nick = "Ann", .phone = "555-1234 x9"}, 1)});
    Form1x& w = f.start();
    if (undoing)
        f.click(w.BtnAdd);
    TextBox* phone = w.TxtAdPhon;
    phone->setFocus();
    QVERIFY(!w.BtnSave->isEnabled());

    if (undoing) {
        QTest::keyClicks(phone, text);
        for (int i = 0; i < 2; ++i) { // twice: the typing, then whatever came before it
            QMenu* menu = way.startsWith(QLatin1String("menu")) ? openContextMenu(phone) : nullptr;
            if (menu) {
                actionCaptioned(menu, QStringLiteral("&Undo"))->trigger();
                menu->close();
            } else {
                QTest::keyClick(phone, Qt::Key_Z, Qt::ControlModifier);
            }
        }
        for (int i = 0; way.endsWith(QLatin1String("redo")) && i < 2; ++i)
            QTest::keyClick(phone, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    } else if (way == QLatin1String("type")) {
        QTest::keyClicks(phone, text);
    } else if (way == QLatin1String("alt")) {
        QTest::keyClicks(phone, text, Qt::AltModifier);
    } else if (way == QLatin1String("ctrl+v")) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(phone, Qt::Key_V, Qt::ControlModifier);
    } else if (way == QLatin1String("shift+insert")) {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(phone, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (way == QLatin1String("menu")) {
        QGuiApplication::clipboard()->setText(text);
        QMenu* menu = openContextMenu(phone);
        QVERIFY(menu);
        QAction* paste = actionCaptioned(menu, QStringLiteral("&Paste"));
        QVERIFY(paste);
        QVERIFY(paste->isEnabled());
        paste->trigger();
        menu->close();
    } else if (way == QLatin1String("drop")) {
        dropText(phone, text);
    } else if (way == QLatin1String("input method")) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(phone, &event);
    } else if (way == QLatin1String("two characters")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(phone, &press);
    } else {
        QFAIL("unknown way");
    }
    QCOMPARE(phone->text(), after);
    QCOMPARE(w.BtnSave->isEnabled(), saveEnabled);
}

void TestFieldRules::theMiddleButtonPastesOnlyDigits()
{
    // The middle button pastes the X11 selection, which the offscreen platform does not
    // have: this test runs itself once more under a virtual X server.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Under the sanitizers: the X11 platform's D-Bus library keeps memory it never frees.
        const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("xvfb-run"),
                    {QStringLiteral("-a"), QCoreApplication::applicationFilePath(),
                     QStringLiteral("theMiddleButtonPastesOnlyDigits")});
        QVERIFY2(child.waitForFinished(120000), "xvfb-run did not finish");
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 output.constData());
        QVERIFY2(output.contains("PASS   : TestFieldRules::theMiddleButtonPastesOnlyDigits()"),
                 output.constData());
        return;
    }
    WindowFixture f;
    Form1x& w = f.start();
    QVERIFY(QGuiApplication::clipboard()->supportsSelection());
    QGuiApplication::clipboard()->setText(QStringLiteral("tel. 5-55 1"), QClipboard::Selection);
    QTest::mouseClick(w.TxtAdPhon, Qt::MiddleButton, {}, w.TxtAdPhon->rect().center());
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("5551"));
    // A box without the filter pastes the selection as it is.
    QTest::mouseClick(w.TxtAdAdd, Qt::MiddleButton, {}, w.TxtAdAdd->rect().center());
    QCOMPARE(w.TxtAdAdd->text(), QStringLiteral("tel. 5-55 1"));
}

void TestFieldRules::copyingAndSelectingAllStillWork()
{
    WindowFixture f;
    Form1x& w = f.start();
    f.type(w.TxtAdPhon, QStringLiteral("0471"));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(w.TxtAdPhon, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w.TxtAdPhon->selectedText(), QStringLiteral("0471"));
    QTest::keyClick(w.TxtAdPhon, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0471"));

    QGuiApplication::clipboard()->clear();
    w.TxtAdPhon->setCursorPosition(0);
    QMenu* menu = openContextMenu(w.TxtAdPhon);
    QVERIFY(menu);
    QAction* selectAll = actionCaptioned(menu, QStringLiteral("Select All"));
    QVERIFY(selectAll);
    selectAll->trigger();
    menu->close();
    menu = openContextMenu(w.TxtAdPhon);
    QAction* copy = actionCaptioned(menu, QStringLiteral("&Copy"));
    QVERIFY(copy && copy->isEnabled());
    copy->trigger();
    menu->close();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0471"));
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("0471"));
}

void TestFieldRules::aDigitEnablesSaveEvenWhileLocked_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("saveEnabled");
    QTest::newRow("a digit") << "5" << true;
    QTest::newRow("Backspace") << "\b" << true;
    QTest::newRow("a letter") << "x" << false;
}

void TestFieldRules::aDigitEnablesSaveEvenWhileLocked()
{
    QFETCH(QString, keys);
    QFETCH(bool, saveEnabled);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace", "Bee"}));
    Form1x& w = f.start();
    QVERIFY(w.TxtAdPhon->isLocked());
    QVERIFY(!w.BtnSave->isEnabled());
    f.type(w.TxtAdPhon, keys);
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("5552"));
    QCOMPARE(w.BtnSave->isEnabled(), saveEnabled);
}

void TestFieldRules::theDialerIsShownWhileThePhoneBoxHoldsText()
{
    WindowFixture f;
    f.folder.writeRecords({makeRecord({.nick = "Jo", .phone = "555-12 34"}, 1)});
    Form1x& w = f.start();
    // A number set by the program is not checked, and shows the dialer.
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("555-12 34"));
    QVERIFY(w.DialButton1->isVisible());

    f.click(w.BtnAdd);
    QVERIFY(!w.DialButton1->isVisible());
    f.type(w.TxtAdPhon, QStringLiteral("12"));
    QVERIFY(w.DialButton1->isVisible());
    QTest::keyClick(w.TxtAdPhon, Qt::Key_Backspace);
    QVERIFY(w.DialButton1->isVisible());
    QTest::keyClick(w.TxtAdPhon, Qt::Key_Backspace);
    QVERIFY(!w.DialButton1->isVisible());
    QTest::keyClick(w.TxtAdPhon, Qt::Key_3);
    QVERIFY(w.DialButton1->isVisible());
}

void TestFieldRules::thePrefixAndCodeBoxesTakeAnyKey()
{
    WindowFixture f;
    Form1x& w = f.start();
    f.type(w.TxtCode, QStringLiteral("+4 a"));
    f.type(w.Txtprefx, QStringLiteral("x-"));
    QCOMPARE(w.TxtCode->text(), QStringLiteral("+4 a"));
    QCOMPARE(w.Txtprefx->text(), QStringLiteral("x-"));
}

QTEST_MAIN(TestFieldRules)
#include "tst_field_rules.moc"

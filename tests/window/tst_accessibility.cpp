// What a screen reader learns of the window, through Qt's accessibility interface.
#include "support/captioned_boxes.h"
#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/looks/appearance.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTest>

namespace {

QAccessibleInterface* accessibleOf(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface && iface->isValid() ? iface : nullptr;
}

QString describe(QWidget* widget)
{
    return QStringLiteral("%1 (%2)").arg(widget->objectName(),
                                         QLatin1String(widget->metaObject()->className()));
}

// The ten entry controls, the six buttons, the list and the tabs.
const char* const FocusTakers[] = {"TxtNick",  "TxtAdName", "TxtAdFname",  "TxtAdAdd",  "TxtAdPhon",
                                   "Chkprefx", "Txtprefx",  "Chkcode",     "TxtCode",   "BtnAdd",
                                   "BtnSave",  "BtnUpdate", "DialButton1", "BtnSearch", "BtnDelete",
                                   "BtnExit",  "ListNick",  "TabStrip1"};

// The control with what lies around it, as the screen shows it.
QImage pictureAround(QWidget* control)
{
    const QRect around = control->geometry().adjusted(-3, -3, 3, 3);
    return control->parentWidget()->grab(around).toImage().convertToFormat(QImage::Format_RGB32);
}

// The pixels that the focus changed and that stand out at least 3:1 (the non-text contrast
// that the Web Content Accessibility Guidelines ask of a focus mark) from the colour they
// replace and from every unchanged pixel beside them.
int plainFocusPixels(const QImage& unfocused, const QImage& focused)
{
    const auto plain = [&](QRgb mark, QPoint at) {
        return !focused.valid(at) || focused.pixel(at) != unfocused.pixel(at) ||
               appearance::contrastRatio(QColor(mark), QColor(unfocused.pixel(at))) >= 3.0;
    };
    int count = 0;
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x) {
            const QRgb mark = focused.pixel(x, y);
            const bool changed = mark != unfocused.pixel(x, y);
            count +=
                changed &&
                appearance::contrastRatio(QColor(mark), QColor(unfocused.pixel(x, y))) >= 3.0 &&
                plain(mark, {x - 1, y}) && plain(mark, {x + 1, y}) && plain(mark, {x, y - 1}) &&
                plain(mark, {x, y + 1});
        }
    return count;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controlsHaveTheirNamesAndRoles_data();
    void controlsHaveTheirNamesAndRoles();
    void everyControlThatTakesTheFocusIsNamed();
    void theLabelsNameTheirBoxes_data();
    void theLabelsNameTheirBoxes();
    void eachTabIsNamed();
    void theSearchMenuAndItsItemsAreNamed();
    void theCreditLineIsReadAsTheLabelsDescription();
    void theWindowIsNamedByItsCaption();
    void theFocusIsPlainlyVisible_data();
    void theFocusIsPlainlyVisible();

private:
    std::unique_ptr<WindowFixture> fixture_;
};

void AccessibilityTest::init()
{
    fixture_ = std::make_unique<WindowFixture>();
    fixture_->folder.writeRecords(recordsNamed({"Amy", "Bob"}));
    fixture_->start();
}

void AccessibilityTest::cleanup()
{
    fixture_.reset();
}

void AccessibilityTest::controlsHaveTheirNamesAndRoles_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("described");

    const auto row = [](const char* control, QAccessible::Role role, const char* name,
                        bool described) {
        QTest::newRow(control) << QString::fromLatin1(control) << int(role)
                               << QString::fromUtf8(name) << described;
    };
    row("TxtNick", QAccessible::EditableText, "Nick Name", true);
    row("TxtAdName", QAccessible::EditableText, "Full Name", false);
    row("TxtAdFname", QAccessible::EditableText, "Family Name", false);
    row("TxtAdAdd", QAccessible::EditableText, "City", false);
    row("TxtAdPhon", QAccessible::EditableText, "Phone", true);
    row("Txtprefx", QAccessible::EditableText, "Prefix", true);
    row("TxtCode", QAccessible::EditableText, "STD Code", true);
    // The captions end in a colon, which is not read out.
    row("Chkprefx", QAccessible::CheckBox, "Use Prefix", true);
    row("Chkcode", QAccessible::CheckBox, "Use STD Code", true);
    // The dialer shows a telephone sign before its word; it is read as the word alone.
    row("DialButton1", QAccessible::Button, "Dial", true);
    row("BtnSearch", QAccessible::Button, "Search", true);
    row("BtnAdd", QAccessible::Button, "ADD NEW", true);
    row("BtnSave", QAccessible::Button, "SAVE", true);
    row("BtnUpdate", QAccessible::Button, "EDIT", true);
    row("BtnDelete", QAccessible::Button, "DELETE", true);
    row("BtnExit", QAccessible::Button, "EXIT", true);
    row("ListNick", QAccessible::List, "Nicknames", true);
    // A tab strip is read by its selected tab.
    row("TabStrip1", QAccessible::PageTabList, "All Data", false);
    row("Label15", QAccessible::StaticText, "Nick Name:", false);
    row("Label16", QAccessible::StaticText, "Full Name:", false);
    row("Label17", QAccessible::StaticText, "Family Name:", false);
    row("Label18", QAccessible::StaticText, "City:", false);
    row("Label19", QAccessible::StaticText, "Phone:", false);
    row("Label1", QAccessible::StaticText, "Credits", true);
    row("Pict", QAccessible::Client, "Contact", true);
    row("Shape1", QAccessible::Border, "Contact details", false);
}

void AccessibilityTest::controlsHaveTheirNamesAndRoles()
{
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(bool, described);

    auto* widget = fixture_->window().findChild<QWidget*>(control);
    QVERIFY(widget);
    QAccessibleInterface* iface = accessibleOf(widget);
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    if (described)
        QVERIFY2(!iface->text(QAccessible::Description).isEmpty(), qPrintable(control));
}

void AccessibilityTest::everyControlThatTakesTheFocusIsNamed()
{
    // Whatever Tab can reach, now or after some action, a screen reader must be able to name.
    QStringList checked;
    for (QWidget* widget : fixture_->window().findChildren<QWidget*>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus))
            continue;
        QAccessibleInterface* iface = accessibleOf(widget);
        QVERIFY2(iface, qPrintable(describe(widget)));
        QVERIFY2(!iface->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(describe(widget)));
        checked << widget->objectName();
    }
    for (const char* control : FocusTakers)
        QVERIFY2(checked.contains(QLatin1String(control)), control);
}

void AccessibilityTest::theLabelsNameTheirBoxes_data()
{
    addCaptionedBoxes();
}

void AccessibilityTest::theLabelsNameTheirBoxes()
{
    QFETCH(QString, label);
    QFETCH(QString, box);
    Form1x& window = fixture_->window();
    QAccessibleInterface* boxIface = accessibleOf(window.findChild<QWidget*>(box));
    QAccessibleInterface* labelIface = accessibleOf(window.findChild<QWidget*>(label));
    QVERIFY(boxIface && labelIface);

    // The box knows its label, and the label knows its box.
    const auto relatedBy = [](QAccessibleInterface* from, QAccessible::Relation relation,
                              QAccessibleInterface* to) {
        bool found = false;
        for (const auto& [other, kind] : from->relations(relation))
            found = found || (other == to && (kind & relation));
        return found;
    };
    QVERIFY2(relatedBy(boxIface, QAccessible::Label, labelIface), "the box has no label");
    QVERIFY2(relatedBy(labelIface, QAccessible::Labelled, boxIface), "the label has no box");
    // And the name a reader says is the label's text without its colon.
    QCOMPARE(boxIface->text(QAccessible::Name) + QLatin1Char(':'),
             labelIface->text(QAccessible::Name));
}

void AccessibilityTest::eachTabIsNamed()
{
    QAccessibleInterface* strip = accessibleOf(fixture_->window().TabStrip1);
    QVERIFY(strip);
    QStringList names;
    QStringList descriptions;
    for (int i = 0; i < strip->childCount(); ++i) {
        QAccessibleInterface* tab = strip->child(i);
        QVERIFY(tab);
        if (tab->role() != QAccessible::PageTab)
            continue; // the strip's scroll buttons, never shown
        QVERIFY(!tab->state().invisible);
        names << tab->text(QAccessible::Name);
        descriptions << tab->text(QAccessible::Description);
    }
    // "*" would be read as "star": its tab is read by what it does.
    QStringList expected{QStringLiteral("All Data")};
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        expected << QString(QLatin1Char(letter));
    QCOMPARE(names, expected);
    // Each tab is described by its tool tip; the first says what it shows.
    QCOMPARE(descriptions, expected);
    // The caption itself stays "*".
    QCOMPARE(fixture_->window().TabStrip1->tabText(0), QStringLiteral("*"));

    // The strip is read by the tab that is selected, also once the arrow keys moved it.
    Form1x& window = fixture_->window();
    window.TabStrip1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window.TabStrip1, Qt::Key_Right);
    QTest::keyClick(window.TabStrip1, Qt::Key_Right);
    QCOMPARE(strip->text(QAccessible::Name), QStringLiteral("B"));
}

void AccessibilityTest::theSearchMenuAndItsItemsAreNamed()
{
    QAccessibleInterface* menu = accessibleOf(fixture_->window().MnuMnu);
    QVERIFY(menu);
    QCOMPARE(menu->role(), QAccessible::PopupMenu);
    QCOMPARE(menu->text(QAccessible::Name), QStringLiteral("Search by"));
    QStringList items;
    for (int i = 0; i < menu->childCount(); ++i)
        items << menu->child(i)->text(QAccessible::Name);
    QCOMPARE(items, QStringList({"By NickName", "By Full Name", "By Family Name", "By City"}));
}

void AccessibilityTest::theCreditLineIsReadAsTheLabelsDescription()
{
    Form1x& window = fixture_->window();
    QAccessibleInterface* credit = accessibleOf(window.Label1);
    QVERIFY(credit);
    QVERIFY(window.Label1->text().isEmpty());
    QTest::mouseMove(window.Label1, window.Label1->rect().center());
    QTRY_VERIFY(!window.Label1->text().isEmpty());
    // The line the mouse brings up is the one a screen reader has had all along.
    QCOMPARE(credit->text(QAccessible::Description), window.Label1->text());
}

void AccessibilityTest::theWindowIsNamedByItsCaption()
{
    // A screen reader finds the program's window among its top-level windows by its caption.
    QAccessibleInterface* application = accessibleOf(qApp);
    QVERIFY(application);
    QAccessibleInterface* window = nullptr;
    for (int i = 0; i < application->childCount(); ++i)
        if (application->child(i)->object() == &fixture_->window())
            window = application->child(i);
    QVERIFY(window);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("KESTRANE"));
}

void AccessibilityTest::theFocusIsPlainlyVisible_data()
{
    QTest::addColumn<QString>("control");
    for (const char* control : FocusTakers)
        QTest::newRow(control) << QString::fromLatin1(control);
}

void AccessibilityTest::theFocusIsPlainlyVisible()
{
    QFETCH(QString, control);
    Form1x& window = fixture_->window();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* focusable = window.findChild<QWidget*>(control);
    QVERIFY(focusable);
    focusable->setEnabled(true);
    focusable->show();
    window.Label1->setFocus(); // away from every control
    const QImage unfocused = pictureAround(focusable);

    focusable->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(focusable->hasFocus());
    const QImage focused = pictureAround(focusable);

    // At least as much as a line down both sides of the control.
    const int plain = plainFocusPixels(unfocused, focused);
    QVERIFY2(plain >= 2 * unfocused.height(), qPrintable(QString::number(plain)));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"

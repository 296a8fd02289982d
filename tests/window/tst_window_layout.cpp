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

class TestWindowLayout : public QObject {
    Q_OBJECT

private slots:
    void theWindowHasItsFixedSizeAndCaption();
    void controlsSitAtTheirPlaces_data();
    void controlsSitAtTheirPlaces();
    void allTabsAreVisibleInsideTheStrip();
    void fontsAreBoldOrRegular();
    void recordButtonsLightUpUnderTheMouse_data();
    void recordButtonsLightUpUnderTheMouse();
    void theCreditLineAppearsUnderTheMouseAndStays();
    void theStatusBarIsHiddenWithItsPanels();
    void boxesAreTealWithAFrameThatShowsTheFocus_data();
    void boxesAreTealWithAFrameThatShowsTheFocus();
    void tabsShowTheChosenOneAndTheFocus_data();
    void tabsShowTheChosenOneAndTheFocus();
};

void TestWindowLayout::theWindowHasItsFixedSizeAndCaption()
{
    WindowFixture f;
    Form1x& w = f.start();
    QCOMPARE(w.windowTitle(), QStringLiteral("KESTRANE"));
    QCOMPARE(w.size(), QSize(595, 417));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QTRY_VERIFY(!w.windowIcon().isNull()); // given once the first frame is drawn
}

void TestWindowLayout::controlsSitAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    // Pixels at 15 twips each, relative to the container.
    QTest::newRow("Pict") << "Pict" << QRect(8, 8, 584, 348);
    QTest::newRow("BtnAdd") << "BtnAdd" << QRect(24, 376, 65, 25);
    QTest::newRow("BtnUpdate") << "BtnUpdate" << QRect(184, 376, 73, 25);
    QTest::newRow("BtnDelete") << "BtnDelete" << QRect(272, 376, 57, 25);
    QTest::newRow("BtnExit") << "BtnExit" << QRect(344, 376, 81, 25);
    QTest::newRow("TabStrip1") << "TabStrip1" << QRect(0, 0, 577, 25);
    QTest::newRow("ListNick") << "ListNick" << QRect(8, 32, 129, 301);
    QTest::newRow("TxtNick") << "TxtNick" << QRect(312, 40, 105, 21);
    QTest::newRow("TxtAdAdd") << "TxtAdAdd" << QRect(312, 160, 193, 19);
    QTest::newRow("Txtprefx") << "Txtprefx" << QRect(312, 240, 57, 21);
    QTest::newRow("Chkcode") << "Chkcode" << QRect(208, 280, 113, 25);
    QTest::newRow("DialButton1") << "DialButton1" << QRect(440, 272, 65, 41);
}

void TestWindowLayout::controlsSitAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    WindowFixture f;
    Form1x& w = f.start();
    auto* control = w.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
}

void TestWindowLayout::allTabsAreVisibleInsideTheStrip()
{
    WindowFixture f;
    Form1x& w = f.start();
    TabStrip* tabs = w.TabStrip1;
    QCOMPARE(tabs->count(), 27);
    QCOMPARE(tabs->tabText(0), QStringLiteral("*"));
    QCOMPARE(tabs->tabToolTip(0), QStringLiteral("All Data"));
    int right = 0;
    for (int i = 1; i < 27; ++i) {
        const QString letter(QChar(u'A' + (i - 1)));
        QCOMPARE(tabs->tabText(i), letter);
        QCOMPARE(tabs->tabToolTip(i), letter);
        const QRect rect = tabs->tabRect(i);
        QVERIFY(rect.left() >= tabs->tabRect(i - 1).right());
        // The caption fits its tab.
        QVERIFY(QFontMetrics(tabs->font()).horizontalAdvance(letter) < rect.width());
        right = rect.right();
    }
    QVERIFY(right < tabs->width());
    const auto arrows = tabs->findChildren<QWidget*>();
    for (QWidget* arrow : arrows)
        QVERIFY2(!arrow->isVisible(), "the strip shows scroll arrows");
}

void TestWindowLayout::fontsAreBoldOrRegular()
{
    WindowFixture f;
    Form1x& w = f.start();
    for (QWidget* bold : std::initializer_list<QWidget*>{w.TxtNick, w.TxtCode, w.ListNick,
                                                         w.Label15, w.Chkprefx, w.TabStrip1})
        QVERIFY2(bold->font().bold(), qPrintable(bold->objectName()));
    for (QWidget* regular :
         std::initializer_list<QWidget*>{w.Txtprefx, w.BtnAdd, w.BtnExit, w.BtnSearch, w.Label1})
        QVERIFY2(!regular->font().bold(), qPrintable(regular->objectName()));
    QCOMPARE(w.TxtNick->font().pointSizeF(), 8.25);
}

void TestWindowLayout::recordButtonsLightUpUnderTheMouse_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("onMouse");
    QTest::newRow("ADD NEW") << "BtnAdd" << QColor(192, 255, 192);
    QTest::newRow("EDIT") << "BtnUpdate" << QColor(192, 192, 255);
}

void TestWindowLayout::recordButtonsLightUpUnderTheMouse()
{
    QFETCH(QString, name);
    QFETCH(QColor, onMouse);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace"})); // ADD NEW and EDIT enabled
    Form1x& w = f.start();
    auto* button = w.findChild<HoverButton*>(name);
    QVERIFY(button && button->isEnabled());
    const QColor plain = button->faceColor();
    QVERIFY(plain != onMouse);
    QTest::mouseMove(button, button->rect().center());
    QTRY_COMPARE(button->faceColor(), onMouse);
    QTest::mouseMove(w.BtnExit, w.BtnExit->rect().center());
    QTRY_COMPARE(button->faceColor(), plain);
}

void TestWindowLayout::theCreditLineAppearsUnderTheMouseAndStays()
{
    WindowFixture f;
    Form1x& w = f.start();
    QVERIFY(w.Label1->text().isEmpty());
    QTest::mouseMove(w.Label1, w.Label1->rect().center());
    QTRY_VERIFY(!w.Label1->text().isEmpty());
    const QString credit = w.Label1->text();
    QVERIFY(credit.contains(QStringLiteral("Zarvoth")));
    QTest::mouseMove(w.BtnExit, w.BtnExit->rect().center());
    QCOMPARE(w.Label1->text(), credit);
}

void TestWindowLayout::theStatusBarIsHiddenWithItsPanels()
{
    WindowFixture f;
    Form1x& w = f.start();
    QVERIFY(!w.StatusBar1->isVisible());
    QCOMPARE(w.StatusBar1->panelText(1), QStringLiteral("Total Records:"));
}

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"

void TestWindowLayout::boxesAreTealWithAFrameThatShowsTheFocus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("focused");
    for (const char* name : {"TxtNick", "TxtAdPhon", "Txtprefx", "ListNick"}) {
        QTest::addRow("%s", name) << QString::fromLatin1(name) << false;
        QTest::addRow("%s with the focus", name) << QString::fromLatin1(name) << true;
    }
}

void TestWindowLayout::boxesAreTealWithAFrameThatShowsTheFocus()
{
    QFETCH(QString, name);
    QFETCH(bool, focused);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace"}));
    Form1x& w = f.start();
    w.activateWindow();
    auto* control = w.findChild<QWidget*>(name);
    QVERIFY(control);
    (focused ? control : static_cast<QWidget*>(w.BtnExit))->setFocus();
    QTRY_COMPARE(control->hasFocus(), focused);

    const QImage drawn = control->grab().toImage();
    const QColor edge = focused ? QColor(0, 255, 255) : QColor(Qt::black);
    const QPoint corners[] = {{0, 0}, {drawn.width() - 1, drawn.height() - 1}};
    for (const QPoint& corner : corners)
        QCOMPARE(drawn.pixelColor(corner), edge);
    // Inside the frame, below the text: the teal of the record area.
    QCOMPARE(drawn.pixelColor(2, drawn.height() - 2), QColor(0, 128, 128));
    if (auto* list = qobject_cast<ListBox*>(control)) {
        f.clickListEntry(0);
        const QRect entry = list->visualRect(list->model()->index(0, 0));
        const QImage chosen = list->viewport()->grab().toImage();
        // Navy, give or take the rounding of the style's fill.
        const QColor navy = chosen.pixelColor(entry.right() - 1, entry.center().y());
        QVERIFY2(navy.red() <= 2 && navy.green() <= 2 && qAbs(navy.blue() - 128) <= 2,
                 qPrintable(navy.name()));
    }
}

void TestWindowLayout::tabsShowTheChosenOneAndTheFocus_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<QColor>("caption");
    const QColor pale(216, 236, 236);
    QTest::addRow("another tab") << 3 << false << pale << QColor(Qt::black);
    QTest::addRow("another tab, the strip with the focus")
        << 3 << true << pale << QColor(Qt::black);
    QTest::addRow("the chosen tab") << 1 << false << QColor(Qt::white) << QColor(Qt::black);
    QTest::addRow("the chosen tab with the focus")
        << 1 << true << QColor(0, 0, 128) << QColor(Qt::white);
}

void TestWindowLayout::tabsShowTheChosenOneAndTheFocus()
{
    QFETCH(int, tab);
    QFETCH(bool, focused);
    QFETCH(QColor, fill);
    QFETCH(QColor, caption);
    WindowFixture f;
    f.folder.writeRecords(recordsNamed({"Ace"}));
    Form1x& w = f.start();
    w.activateWindow();
    f.clickTab(QStringLiteral("A"));
    (focused ? static_cast<QWidget*>(w.TabStrip1) : w.BtnExit)->setFocus();
    QTRY_COMPARE(w.TabStrip1->hasFocus(), focused);
    QCOMPARE(w.TabStrip1->currentIndex(), 1);

    const QImage drawn = w.TabStrip1->grab().toImage();
    const QRect place = w.TabStrip1->tabRect(tab);
    // Framed in dark teal above and at both sides; below the caption, the fill of its state.
    const QColor border(0, 72, 72);
    QCOMPARE(drawn.pixelColor(place.center().x(), place.top()), border);
    QCOMPARE(drawn.pixelColor(place.left(), place.center().y()), border);
    QCOMPARE(drawn.pixelColor(place.right(), place.center().y()), border);
    QCOMPARE(drawn.pixelColor(place.left() + 2, place.bottom() - 1), fill);
    // The darkest or lightest pixel of the caption is its colour.
    int inked = 0;
    for (int x = place.left() + 1; x < place.right(); ++x)
        for (int y = place.top() + 1; y < place.bottom(); ++y)
            inked += drawn.pixelColor(x, y) == caption;
    QVERIFY(inked > 0);
}

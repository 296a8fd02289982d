// The nickname list's entries kept end to end, the refill that leaves an unchanged list alone,
// the decoding of stored nicknames into the list, and the tab strip's shared tab height.
#include "store/cp1252.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/form/store_text.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>

#include <string>

namespace {

ListEntries entriesOf(const QStringList& texts)
{
    ListEntries entries;
    for (const QString& text : texts)
        entries.append(text);
    return entries;
}

QStringList textsOf(const ListEntries& entries)
{
    QStringList texts;
    for (qsizetype i = 0; i < entries.size(); ++i)
        texts.append(entries.at(i));
    return texts;
}

QStringList numbered(int count)
{
    QStringList texts;
    for (int i = 1; i <= count; ++i)
        texts.append(QStringLiteral("Nick%1").arg(i).leftJustified(15));
    return texts;
}

// Exposes the natural size of a tab, as the style gives it, beside the one the strip uses.
class ProbeStrip : public TabStrip {
public:
    QSize natural(int index) const { return QTabBar::tabSizeHint(index); }
    QSize used(int index) const { return tabSizeHint(index); }
};

} // namespace

class TestListBox : public QObject {
    Q_OBJECT

private slots:
    void entriesKeepEveryTextInItsPlace_data();
    void entriesKeepEveryTextInItsPlace();
    void entriesCompareTextByText();
    void entriesCopyAndMove();
    void anUnchangedRefillKeepsTheListButDropsTheSelection();
    void aChangedRefillReplacesTheEntries();
    void addItemInsertsAtAPosition_data();
    void addItemInsertsAtAPosition();
    void storedBytesDecodeAsTheCharacterSetSays_data();
    void storedBytesDecodeAsTheCharacterSetSays();
    void everyTabHasItsNaturalHeight();
    void rowsGoWhereAPlainListViewPutsThem_data();
    void rowsGoWhereAPlainListViewPutsThem();
};

void TestListBox::entriesKeepEveryTextInItsPlace_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("none") << QStringList();
    QTest::newRow("one") << QStringList{QStringLiteral("Ace            ")};
    QTest::newRow("empty texts among others")
        << QStringList{QString(), QStringLiteral("a"), QString(), QStringLiteral("bc")};
    QTest::newRow("characters beyond Latin-1")
        << QStringList{QStringLiteral("€uro"), QStringLiteral("Œil"), QStringLiteral("—")};
    // Past the first room taken, and past every doubling of it.
    QTest::newRow("thousands") << numbered(5000);
}

void TestListBox::entriesKeepEveryTextInItsPlace()
{
    QFETCH(QStringList, texts);
    ListEntries entries = entriesOf(texts);
    QCOMPARE(entries.size(), texts.size());
    QCOMPARE(entries.isEmpty(), texts.isEmpty());
    QCOMPARE(textsOf(entries), texts);
    entries.squeeze();
    QCOMPARE(textsOf(entries), texts);

    // Room taken ahead, then written in place, gives the same entries.
    ListEntries reserved;
    reserved.reserve(texts.size(), 40000 * 15);
    for (const QString& text : texts)
        reserved.appendBytes(text.toStdString());
    reserved.squeeze();
    QCOMPARE(textsOf(reserved), texts);
    QVERIFY(reserved == entries);
}

void TestListBox::entriesCompareTextByText()
{
    const QStringList abc{QStringLiteral("ab"), QStringLiteral("c")};
    QVERIFY(entriesOf(abc) == entriesOf(abc));
    // The same characters end to end, but cut otherwise, are other entries.
    QVERIFY(!(entriesOf(abc) == entriesOf({QStringLiteral("a"), QStringLiteral("bc")})));
    QVERIFY(!(entriesOf(abc) == entriesOf({QStringLiteral("ab"), QStringLiteral("d")})));
    QVERIFY(!(entriesOf(abc) == entriesOf({QStringLiteral("ab")})));
    QVERIFY(!(entriesOf(abc) == ListEntries()));
    QVERIFY(ListEntries() == entriesOf({}));
    // Room left over after the end takes no part.
    ListEntries roomy;
    roomy.reserve(10, 1000);
    roomy.append(QStringLiteral("ab"));
    roomy.append(QStringLiteral("c"));
    QVERIFY(roomy == entriesOf(abc));
}

void TestListBox::entriesCopyAndMove()
{
    const QStringList texts = numbered(300);
    ListEntries original = entriesOf(texts);
    ListEntries copy = original;
    copy.append(QStringLiteral("more"));
    QCOMPARE(textsOf(original), texts); // the copy has its own characters
    QCOMPARE(textsOf(copy), texts + QStringList{QStringLiteral("more")});

    ListEntries moved = std::move(original);
    QCOMPARE(textsOf(moved), texts);
    // What is left behind is an empty list that can be filled again.
    QVERIFY(original.isEmpty()); // NOLINT(bugprone-use-after-move)
    original.append(QStringLiteral("again"));
    QCOMPARE(textsOf(original), QStringList{QStringLiteral("again")});

    copy = moved;
    QCOMPARE(textsOf(copy), texts);
    moved = ListEntries();
    QVERIFY(moved.isEmpty());
    QCOMPARE(textsOf(copy), texts);
}

void TestListBox::anUnchangedRefillKeepsTheListButDropsTheSelection()
{
    ListBox list;
    list.resize(150, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const QStringList texts = numbered(2000);
    list.setItems(entriesOf(texts));
    QApplication::processEvents();

    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() / 2);
    const int scrolled = list.verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    const QModelIndex picked = list.model()->index(1000, 0);
    list.selectionModel()->setCurrentIndex(picked, QItemSelectionModel::ClearAndSelect);
    QCOMPARE(list.listIndex(), 1000);

    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy picks(&list, &ListBox::userSelected);
    list.setItems(entriesOf(texts));
    QApplication::processEvents();

    QCOMPARE(resets.count(), 0);
    QCOMPARE(list.items(), texts);
    // What a refill shows: nothing selected, no current entry, the place in the list kept.
    QCOMPARE(list.listIndex(), -1);
    QCOMPARE(list.selectedText(), QString());
    QVERIFY(!list.currentIndex().isValid());
    QCOMPARE(list.verticalScrollBar()->value(), scrolled);
    QCOMPARE(picks.count(), 0); // the program's refill is no pick of the user's
}

void TestListBox::aChangedRefillReplacesTheEntries()
{
    ListBox list;
    list.setItems(entriesOf(numbered(3)));
    list.selectionModel()->setCurrentIndex(list.model()->index(2, 0),
                                           QItemSelectionModel::ClearAndSelect);
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy picks(&list, &ListBox::userSelected);

    const QStringList other{QStringLiteral("Ace"), QStringLiteral("ant")};
    list.setItems(other); // the form that takes a list of texts
    QCOMPARE(resets.count(), 1);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.items(), other);
    QCOMPARE(list.itemText(1), QStringLiteral("ant"));
    QCOMPARE(list.model()->data(list.model()->index(0, 0), Qt::EditRole).toString(),
             QStringLiteral("Ace"));
    QVERIFY(!list.model()->index(2, 0).isValid());
    QVERIFY(!list.model()->index(0, 1).isValid());
    QCOMPARE(list.listIndex(), -1);

    list.clear();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.items(), QStringList());
    QCOMPARE(picks.count(), 0);
}

void TestListBox::addItemInsertsAtAPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("after");
    const QString a = QStringLiteral("a"), bb = QStringLiteral("bb"), ccc = QStringLiteral("ccc"),
                  x = QStringLiteral("new");
    QTest::newRow("first") << 0 << QStringList{x, a, bb, ccc};
    QTest::newRow("between") << 2 << QStringList{a, bb, x, ccc};
    QTest::newRow("last") << 3 << QStringList{a, bb, ccc, x};
    QTest::newRow("past the end goes last") << 9 << QStringList{a, bb, ccc, x};
    QTest::newRow("before the start goes first") << -4 << QStringList{x, a, bb, ccc};
}

void TestListBox::addItemInsertsAtAPosition()
{
    QFETCH(int, position);
    QFETCH(QStringList, after);
    ListBox list;
    list.setItems(QStringList{QStringLiteral("a"), QStringLiteral("bb"), QStringLiteral("ccc")});
    QSignalSpy picks(&list, &ListBox::userSelected);
    list.addItem(QStringLiteral("new"), position);
    QCOMPARE(list.items(), after);
    QCOMPARE(picks.count(), 0);
    // And one more after it, in the entries that moved.
    list.addItem(QStringLiteral("z"), 1);
    after.insert(1, QStringLiteral("z"));
    QCOMPARE(list.items(), after);
}

void TestListBox::storedBytesDecodeAsTheCharacterSetSays_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("at");
    // The decoding looks at eight bytes at a time, the last eight overlapping: a byte of the
    // set's own (0x80 to 0x9F) is found at every place of every length around those steps.
    for (int length : {1, 7, 8, 9, 15, 16, 17, 25}) {
        for (int at = 0; at < length; ++at)
            QTest::addRow("%d bytes, at %d", length, at) << length << at;
    }
}

void TestListBox::storedBytesDecodeAsTheCharacterSetSays()
{
    QFETCH(int, length);
    QFETCH(int, at);
    for (int byte = 0; byte < 256; ++byte) {
        std::string bytes(std::size_t(length), 'k');
        bytes[std::size_t(at)] = static_cast<char>(byte);
        const QString text = fromStore(bytes);
        QCOMPARE(text.size(), qsizetype(length));
        const char32_t expected = store::decodeByte(static_cast<std::uint8_t>(byte));
        if (text.at(at).unicode() != expected)
            QFAIL(qPrintable(QStringLiteral("byte %1 shows as U+%2, not U+%3")
                                 .arg(byte, 2, 16, QLatin1Char('0'))
                                 .arg(text.at(at).unicode(), 4, 16, QLatin1Char('0'))
                                 .arg(uint(expected), 4, 16, QLatin1Char('0'))));
        QCOMPARE(text.count(QLatin1Char('k')), qsizetype(length - 1 + (byte == 'k' ? 1 : 0)));
    }
}

void TestListBox::everyTabHasItsNaturalHeight()
{
    // The strip takes the natural height once for all its tabs; they must all have it, the
    // selected one and one with the focus among them.
    ProbeStrip strip;
    strip.setFont(QFont(strip.font().family(), 11, QFont::Bold));
    strip.addTab(QStringLiteral("*"));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        strip.addTab(QString(QLatin1Char(letter)));
    strip.resize(27 * 22, 30);
    strip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&strip));
    strip.setCurrentIndex(12);
    strip.setFocus();
    QApplication::processEvents();
    for (int i = 0; i < strip.count(); ++i) {
        QCOMPARE(strip.used(i).height(), strip.natural(i).height());
        QCOMPARE(strip.tabRect(i).height(), strip.natural(i).height());
    }
    // A larger font makes taller tabs at once.
    const int before = strip.tabRect(0).height();
    strip.setFont(QFont(strip.font().family(), 22, QFont::Bold));
    QApplication::processEvents();
    QVERIFY(strip.tabRect(0).height() > before);
    QCOMPARE(strip.tabRect(5).height(), strip.natural(5).height());
}

void TestListBox::rowsGoWhereAPlainListViewPutsThem_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("byPixel");
    QTest::addColumn<QList<int>>("keys");
    const QList<int> walk{Qt::Key_Down, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_PageDown,
                          Qt::Key_Down, Qt::Key_End,  Qt::Key_PageUp,   Qt::Key_Up,
                          Qt::Key_Left, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageUp};
    QTest::newRow("fewer than fit") << 5 << false << walk;
    QTest::newRow("exactly what fits") << 10 << false << walk;
    QTest::newRow("many") << 5000 << false << walk;
    QTest::newRow("many, scrolled by pixels") << 5000 << true << walk;
}

void TestListBox::rowsGoWhereAPlainListViewPutsThem()
{
    // The list places its rows by arithmetic; wherever the keys take it, the current entry,
    // where it is drawn, the scroll bar and what lies under a point must be as Qt's own list
    // view has them.
    QFETCH(int, entries);
    QFETCH(bool, byPixel);
    QFETCH(QList<int>, keys);
    const QStringList texts = numbered(entries);
    ListBox ours;
    QListView plain;
    QStringListModel model(texts);
    plain.setModel(&model);
    plain.setUniformItemSizes(true);
    ours.setItems(texts);
    for (QListView* view : {static_cast<QListView*>(&ours), &plain}) {
        if (byPixel)
            view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->resize(130, 10 * view->sizeHintForRow(0) + 2 * view->frameWidth());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }
    for (int key : keys) {
        for (QListView* view : {static_cast<QListView*>(&ours), &plain})
            QTest::keyClick(view, Qt::Key(key));
        const int row = plain.currentIndex().row();
        QCOMPARE(ours.currentIndex().row(), row);
        QCOMPARE(ours.verticalScrollBar()->value(), plain.verticalScrollBar()->value());
        QCOMPARE(ours.verticalScrollBar()->maximum(), plain.verticalScrollBar()->maximum());
        QCOMPARE(ours.visualRect(ours.model()->index(row, 0)),
                 plain.visualRect(plain.model()->index(row, 0)));
        for (const QPoint at : {QPoint(5, 1), QPoint(100, 37), QPoint(5, 300)})
            QCOMPARE(ours.indexAt(at).row(), plain.indexAt(at).row());
    }
}

QTEST_MAIN(TestListBox)
#include "tst_list_box.moc"

// The nickname list's pop-up menu and the files dropped on the window: contacts in and out of
// vCard files without the list's selection or the shown contact changing on the way.
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/list_menu/duplicates_dialog.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

namespace {

const std::vector<store::ContactRecord> Three = recordsNamed({"Ann", "Bob", "Cid"});

enum class Opening { RightClick, MenuKey, ShiftF10 };

void openMenu(WindowFixture& fx, Opening how, int row)
{
    ListBox* list = fx.window().ListNick;
    list->setFocus();
    if (how == Opening::RightClick) {
        const QRect entry = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, entry.center());
    } else if (how == Opening::MenuKey) {
        QTest::keyClick(list, Qt::Key_Menu);
    } else {
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    }
}

// Sends a drag of these files onto `target` and drops it there when it is taken.
bool drop(QWidget* target, const QStringList& files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(file));
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

} // namespace

class TestContactsMenu : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { hidePlatformNotes(); }
    void opensWithoutChangingTheChoice_data();
    void opensWithoutChangingTheChoice();
    void exportTellsHowManyWhere();
    void filesThatAreNoVCardImportNothing_data();
    void filesThatAreNoVCardImportNothing();
    void importShowsEveryContactAndTheSummary();
    void csvColumnsNotKnownArePlacedInADialog();
    void exportAsCsvByTheChosenName();
    void findDuplicatesMergesTheTickedGroups_data();
    void findDuplicatesMergesTheTickedGroups();
};

void TestContactsMenu::opensWithoutChangingTheChoice_data()
{
    QTest::addColumn<Opening>("how");
    QTest::addColumn<int>("row"); // the entry under the pointer, when that counts
    QTest::newRow("right click on another entry") << Opening::RightClick << 2;
    QTest::newRow("right click on the chosen entry") << Opening::RightClick << 1;
    QTest::newRow("context-menu key") << Opening::MenuKey << 0;
    QTest::newRow("Shift+F10") << Opening::ShiftF10 << 0;
}

void TestContactsMenu::opensWithoutChangingTheChoice()
{
    QFETCH(Opening, how);
    QFETCH(int, row);
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    Form1x& w = fx.start();
    fx.clickListEntry(1);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Bob"));

    openMenu(fx, how, row);
    QTRY_VERIFY(w.MnuContacts->isVisible());
    // Import, Export and Find Duplicates first; sync's entries below them, after a separator.
    const QList<QAction*> entries = w.MnuContacts->actions();
    QCOMPARE(entries.size(), 6);
    QCOMPARE(entries.mid(0, 3), QList<QAction*>({w.MnuImport, w.MnuExport, w.MnuFindDuplicates}));
    QVERIFY(entries.at(3)->isSeparator());
    QCOMPARE(entries.mid(4), QList<QAction*>({w.MnuSyncNow, w.MnuSyncSetUp}));
    QCOMPARE(w.MnuImport->text() + w.MnuExport->text() + w.MnuFindDuplicates->text(),
             QStringLiteral("Import Contacts...Export Contacts...Find Duplicates..."));
    QCOMPARE(w.ListNick->listIndex(), 1);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Bob"));
    QVERIFY(w.BtnDelete->isEnabled());

    QTest::keyClick(w.MnuContacts, Qt::Key_Escape);
    QTRY_VERIFY(!w.MnuContacts->isVisible());
    QCOMPARE(w.ListNick->listIndex(), 1);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Bob"));
    QVERIFY(fx.dialogs->messages.isEmpty());
    QVERIFY(fx.dialogs->fileDialogs.empty());
}

void TestContactsMenu::exportTellsHowManyWhere()
{
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    Form1x& w = fx.start();
    const QString file = fx.folder.filePath(QStringLiteral("out.vcf"));
    fx.dialogs->chooseFiles({file});
    w.MnuExport->trigger();

    QCOMPARE(fx.dialogs->fileDialogs.size(), std::size_t(1));
    QCOMPARE(fx.dialogs->fileDialogs.front().title, QStringLiteral("Export Contacts"));
    QCOMPARE(fx.dialogs->fileDialogs.front().proposed, QStringLiteral("contacts.vcf"));
    QCOMPARE(fx.dialogs->fileDialogs.front().filter,
             QStringLiteral("vCard files (*.vcf *.vcard);;CSV files (*.csv)"));
    QCOMPARE(fx.dialogs->messages,
             QStringList(QStringLiteral("3 contacts were exported to \"%1\".").arg(file)));
    QVERIFY(QFile::exists(file));
    QCOMPARE(fx.folder.records(), Three);
}

void TestContactsMenu::filesThatAreNoVCardImportNothing_data()
{
    QTest::addColumn<bool>("dropped"); // else chosen in the menu's file dialog
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message"); // %1 is the file's full name
    QTest::newRow("chosen, not vCard") << false << "notes.vcf"
                                       << "\"%1\" is neither vCard nor CSV. Nothing was imported.";
    QTest::newRow("dropped, not vCard") << true << "notes.vcf"
                                        << "\"%1\" is neither vCard nor CSV. Nothing was imported.";
    QTest::newRow("chosen, gone")
        << false << "gone.vcf"
        << "Could not open the file \"%1\".\n\nNo such file or directory.";
}

void TestContactsMenu::filesThatAreNoVCardImportNothing()
{
    QFETCH(bool, dropped);
    QFETCH(QString, file);
    QFETCH(QString, message);
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    fx.folder.writeBytes("Shopping: milk, bread\n", QStringLiteral("notes.vcf"));
    Form1x& w = fx.start();
    const QString path = fx.folder.filePath(file);
    if (dropped) {
        QVERIFY(drop(w.TxtAdAdd, {path}));
    } else {
        fx.dialogs->chooseFiles({path});
        w.MnuImport->trigger();
        QCOMPARE(fx.dialogs->fileDialogs.front().title, QStringLiteral("Import Contacts"));
    }
    QCOMPARE(fx.dialogs->messages, QStringList(message.arg(path)));
    QCOMPARE(fx.folder.records(), Three);
    QCOMPARE(w.TxtAdAdd->text(), QStringLiteral("City 3")); // the drop typed nothing there

    // A file that is no vCard by its name is not taken at all.
    QVERIFY(!drop(&w, {fx.folder.filePath(QStringLiteral("notes.txt"))}));
}

// After an import the list holds every contact, whichever tab was chosen, and the summary is
// shown.
void TestContactsMenu::importShowsEveryContactAndTheSummary()
{
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    fx.folder.writeBytes("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Eve Sand\r\nN:Sand;Eve;;;\r\n"
                         "TEL;TYPE=CELL:555 0100\r\nEND:VCARD\r\n",
                         QStringLiteral("eve.vcf"));
    Form1x& w = fx.start();
    fx.clickTab(QStringLiteral("B"));
    QVERIFY(drop(&w, {fx.folder.filePath(QStringLiteral("eve.vcf"))}));
    QCOMPARE(fx.folder.records().size(), std::size_t(4));
    QCOMPARE(w.TabStrip1->selectedCaption(), QStringLiteral("*"));
    QCOMPARE(fx.listEntries().size(), 4);
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QVERIFY(!fx.dialogs->messages.front().isEmpty());
    QCOMPARE(w.StatusBar1->noticeText(), QStringLiteral("Imported 1 contact. Undo (Ctrl+Z)"));

    // Eve again, now with her city, and someone new: she fills in her blank, and is told.
    fx.folder.writeBytes("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Sand;Eve;;;\r\nTEL:5550100\r\n"
                         "ADR:;;;Oslo;;;\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n"
                         "NICKNAME:Fred\r\nTEL:555 0200\r\nEND:VCARD\r\n",
                         QStringLiteral("again.vcf"));
    QVERIFY(drop(&w, {fx.folder.filePath(QStringLiteral("again.vcf"))}));
    QCOMPARE(fx.folder.records().size(), std::size_t(5));
    QCOMPARE(w.StatusBar1->noticeText(),
             QStringLiteral("Imported 1 contact, filled in 1 known. Undo (Ctrl+Z)"));
    QVERIFY2(fx.dialogs->messages.last().contains(QLatin1String("\n\nAlready in the book:\n")),
             qPrintable(fx.dialogs->messages.last()));
}

// A dropped CSV file whose columns are not known opens the column dialog until they are placed,
// or until it is cancelled, which imports nothing.
void TestContactsMenu::csvColumnsNotKnownArePlacedInADialog()
{
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    fx.folder.writeBytes("Kunde;Telefon;Ort\nEve;555 0100;Rom\n", QStringLiteral("p.csv"));
    Form1x& w = fx.start();
    const QString path = fx.folder.filePath(QStringLiteral("p.csv"));
    QVERIFY(drop(&w, {path}));
    QCOMPARE(fx.dialogs->columnDialogs,
             QStringList(path + QStringLiteral(": no phone column and no name column found")));
    QCOMPARE(fx.folder.records(), Three);
    QVERIFY(fx.dialogs->messages.isEmpty());

    using exchange::ContactField;
    fx.dialogs->placedColumns = {{{ContactField::Phone, "2"}},
                                 {{ContactField::Phone, "2"}, {ContactField::FullName, "1"}}};
    QVERIFY(drop(&w, {path}));
    QCOMPARE(fx.dialogs->columnDialogs.size(), 3);
    QVERIFY(fx.dialogs->columnDialogs.back().endsWith(QStringLiteral("no name column found")));
    QCOMPARE(fx.folder.records().size(), std::size_t(4));
    QCOMPARE(fx.listEntries().size(), 4);
    QCOMPARE(fx.dialogs->messages, QStringList(QStringLiteral("1 contact added.")));
}

void TestContactsMenu::exportAsCsvByTheChosenName()
{
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    Form1x& w = fx.start();
    fx.dialogs->chooseFiles({fx.folder.filePath(QStringLiteral("out.csv"))});
    w.MnuExport->trigger();
    QVERIFY(fx.folder.bytes(QStringLiteral("out.csv")).startsWith("\xEF\xBB\xBF\"Nick Name\""));
    QCOMPARE(fx.folder.bytes(QStringLiteral("out.csv")).count("\r\n"), 4);
}

QTEST_MAIN(TestContactsMenu)
#include "tst_contacts_menu.moc"

void TestContactsMenu::findDuplicatesMergesTheTickedGroups_data()
{
    QTest::addColumn<QList<bool>>("ticks"); // empty: Cancel
    QTest::addColumn<QStringList>("nicks");
    QTest::addColumn<QString>("status");

    QTest::newRow("both groups") << QList<bool>{true, true} << QStringList{"Frank", "Ann", "Tim"}
                                 << QStringLiteral("4 contacts merged into 2.");
    QTest::newRow("the second unticked")
        << QList<bool>{true, false} << QStringList{"Frank", "Ann", "Tim", "Tim1"}
        << QStringLiteral("2 contacts merged into 1.");
    QTest::newRow("Cancel") << QList<bool>{} << QStringList{"Frank", "Ann", "Frank1", "Tim", "Tim1"}
                            << QString();
}

void TestContactsMenu::findDuplicatesMergesTheTickedGroups()
{
    QFETCH(QList<bool>, ticks);
    QFETCH(QStringList, nicks);
    QFETCH(QString, status);
    WindowFixture fx;
    // One writing of each number: the same in any country.
    fx.folder.writeRecords({makeRecord({"Frank", "Frank", "Miller", "", "030 1234567"}, 1),
                            makeRecord({"Ann", "Ann", "Lee", "Bonn", "0228 111111"}, 2),
                            makeRecord({"Frank1", "frank", "miller", "Berlin", "0301234567"}, 3),
                            makeRecord({"Tim", "Tim", "Bauer", "", "040 7654321"}, 4),
                            makeRecord({"Tim1", "Tim", "Bauer", "Hamburg", "040 7654321"}, 5)});
    const QByteArray bookBefore = fx.folder.bytes();
    Form1x& w = fx.start();
    fx.clickTab(QStringLiteral("F"));
    bool mergeEnabled = false;
    fx.dialogs->duplicatesScript = [&](DuplicatesDialog& dialog) {
        QTreeWidget* groups = dialog.groups();
        [&] {
            QCOMPARE(groups->topLevelItemCount(), 2);
            const QTreeWidgetItem* frank = groups->topLevelItem(0);
            // The contact the group becomes, every group ticked, its contacts under it.
            QCOMPARE(frank->text(0) + "|" + frank->text(3), QStringLiteral("Frank|Berlin"));
            QCOMPARE(frank->checkState(0), Qt::Checked);
            QCOMPARE(groups->topLevelItem(1)->checkState(0), Qt::Checked);
            QCOMPARE(frank->childCount(), 2);
            QCOMPARE(frank->child(1)->text(0), QStringLiteral("Frank1"));
        }();
        if (ticks.isEmpty())
            return int(QDialog::Rejected);
        for (int i = 0; i < ticks.size(); ++i)
            groups->topLevelItem(i)->setCheckState(0, ticks[i] ? Qt::Checked : Qt::Unchecked);
        mergeEnabled = dialog.mergeButton()->isEnabled();
        return int(QDialog::Accepted);
    };
    w.MnuFindDuplicates->trigger();
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(mergeEnabled, !ticks.isEmpty());

    QStringList stored;
    for (const store::ContactRecord& record : fx.folder.records())
        stored << QString::fromLatin1(record.Nick.trimmed());
    QCOMPARE(stored, nicks);
    QCOMPARE(fx.folder.records().front().City.trimmed(),
             std::string_view(ticks.isEmpty() ? "" : "Berlin"));
    QVERIFY(fx.dialogs->messages.isEmpty());
    QCOMPARE(w.StatusBar1->noticeText(),
             status.isEmpty() ? QString() : status + QStringLiteral(" Undo (Ctrl+Z)"));
    if (!ticks.isEmpty()) {
        // Every contact is listed again.
        QCOMPARE(w.TabStrip1->selectedCaption(), QStringLiteral("*"));
        QCOMPARE(fx.listEntries().size(), nicks.size());
    }

    // Merged, the book holds no more duplicates; nothing is shown to tick.
    if (ticks == QList<bool>{true, true}) {
        fx.dialogs->duplicatesScript = nullptr;
        w.MnuFindDuplicates->trigger();
        QCOMPARE(fx.dialogs->messages, QStringList(QStringLiteral("No duplicates.")));
    }
    // Ctrl+Z takes the merge back: the file's bytes as they were before it.
    if (!ticks.isEmpty()) {
        QTest::keyClick(w.ListNick, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(fx.folder.bytes(), bookBefore);
    }
}

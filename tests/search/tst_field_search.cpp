// The search menu: each search asks for a value and lists the contacts whose field equals it.
#include "support/window_fixture.h"

#include "store/file_system.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/text_box.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

QStringList listed(std::initializer_list<const char*> nicks)
{
    QStringList entries;
    for (const char* nick : nicks)
        entries.append(QString::fromLatin1(nick).leftJustified(15, u' '));
    return entries;
}

// Five contacts; the default answers of the searches find some of them, the city of record 3
// and the names of record 4 are blank.
std::vector<store::ContactRecord> contacts()
{
    return {
        makeRecord({.nick = "Velor",
                    .fullName = "Arvenid Velor",
                    .familyName = "Dunmerevalosk",
                    .city = "Ostrevalind",
                    .phone = "101"},
                   1),
        makeRecord({.nick = "Kip",
                    .fullName = "Kip Arden",
                    .familyName = "Arden",
                    .city = "Ostrevalind",
                    .phone = "202"},
                   2),
        makeRecord({.nick = "Moss",
                    .fullName = "Arvenid Velor",
                    .familyName = "Dunmerevalosk",
                    .city = "",
                    .phone = "303"},
                   3),
        makeRecord(
            {.nick = "Zed", .fullName = "", .familyName = "", .city = "Harrowgate", .phone = "404"},
            4),
        makeRecord({.nick = "Ulm",
                    .fullName = "Ulm Tarr",
                    .familyName = "Tarr",
                    .city = "Ostrevalind",
                    .phone = "505"},
                   5)};
}

QAction* menuItem(Form1x& window, const QString& name)
{
    for (QAction* item : {window.MnuNick, window.MnuFName, window.MnuFamily, window.MnyCity}) {
        if (item->objectName() == name)
            return item;
    }
    qFatal("no menu item %s", qPrintable(name));
}

// Dialogs that also note what the nickname box held while "Not Found" was on screen.
class WatchingDialogs final : public Dialogs {
public:
    void showMessage(const QString& text) override
    {
        messages.append(text);
        nickWhileShown.append(watched ? watched() : QString());
    }
    QString inputBox(const QString&, const QString&, const QString& defaultAnswer) override
    {
        return defaultAnswer;
    }

    std::function<QString()> watched;
    QStringList messages;
    QStringList nickWhileShown;
};

} // namespace

class TestFieldSearch : public QObject {
    Q_OBJECT

private:
    // Runs one search with the scripted answer ("default" presses OK on the default,
    // "cancel" cancels the box).
    void search(WindowFixture& fixture, const QString& item, const QString& answer)
    {
        if (answer == QLatin1String("cancel"))
            fixture.dialogs->cancel();
        else if (answer != QLatin1String("default"))
            fixture.dialogs->answer(answer);
        menuItem(fixture.window(), item)->trigger();
    }

private slots:
    void eachItemAsksWithItsOwnBox_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("defaultAnswer");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("current");

        QTest::newRow("by nickname") << "MnuNick"
                                     << "Enter Nickname"
                                     << "Search By Nickname"
                                     << "Velor" << listed({"Velor"}) << 1;
        QTest::newRow("by full name") << "MnuFName"
                                      << "Enter Full Name"
                                      << "Search By Full Name"
                                      << "Arvenid Velor" << listed({"Velor", "Moss"}) << 3;
        QTest::newRow("by family name") << "MnuFamily"
                                        << "Enter Family Name"
                                        << "Search By Family Name"
                                        << "Dunmerevalosk" << listed({"Velor", "Moss"}) << 3;
        QTest::newRow("by city") << "MnyCity"
                                 << "Enter City"
                                 << "Search By City"
                                 << "Ostrevalind" << listed({"Velor", "Kip", "Ulm"}) << 5;
    }

    // OK on the pre-filled box searches for the default answer.
    void eachItemAsksWithItsOwnBox()
    {
        QFETCH(QString, item);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        QFETCH(QString, defaultAnswer);
        QFETCH(QStringList, entries);
        QFETCH(int, current);

        WindowFixture fixture;
        fixture.folder.writeRecords(contacts());
        Form1x& window = fixture.start();
        fixture.clickListEntry(1); // Kip: DELETE enabled, to see the search put it back
        search(fixture, item, QStringLiteral("default"));

        QCOMPARE(fixture.dialogs->inputs.size(), std::size_t(1));
        QCOMPARE(fixture.dialogs->inputs.front().prompt, prompt);
        QCOMPARE(fixture.dialogs->inputs.front().title, title);
        QCOMPARE(fixture.dialogs->inputs.front().defaultAnswer, defaultAnswer);
        QCOMPARE(fixture.listEntries(), entries);
        QCOMPARE(window.windowState().CurrentRecord, current);
        // The last match in the record view.
        QCOMPARE(window.TxtNick->text(), entries.last().trimmed());
        QCOMPARE(window.TxtAdPhon->text(), QString::number(current * 101));
        QVERIFY(!window.windowState().IsNewEntry);
        QVERIFY(fixture.isLocked(window.TxtAdName));
        QVERIFY(window.BtnUpdate->isEnabled());
        QVERIFY(!window.BtnDelete->isEnabled());
        QCOMPARE(fixture.statusTotal(), QString::number(entries.size()));
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    void answerFindsTheWholeFieldWithItsFirstCharacterCapitalised_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("entries");

        QTest::newRow("small first letter") << "MnuNick"
                                            << "velor" << listed({"Velor"});
        QTest::newRow("city, small first letter") << "MnyCity"
                                                  << "harrowgate" << listed({"Zed"});
        QTest::newRow("family, as stored") << "MnuFamily"
                                           << "Tarr" << listed({"Ulm"});
        QTest::newRow("cancelled city: the blank ones") << "MnyCity"
                                                        << "cancel" << listed({"Moss"});
        QTest::newRow("cancelled full name") << "MnuFName"
                                             << "cancel" << listed({"Zed"});
        QTest::newRow("empty family name") << "MnuFamily"
                                           << "" << listed({"Zed"});
    }

    void answerFindsTheWholeFieldWithItsFirstCharacterCapitalised()
    {
        QFETCH(QString, item);
        QFETCH(QString, answer);
        QFETCH(QStringList, entries);

        WindowFixture fixture;
        fixture.folder.writeRecords(contacts());
        fixture.start();
        search(fixture, item, answer);

        QCOMPARE(fixture.listEntries(), entries);
        QCOMPARE(fixture.window().TxtNick->text(), entries.last().trimmed());
        QCOMPARE(fixture.dialogs->messages, QStringList());
    }

    void answerThatNothingEqualsEndsInANewEntry_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("answer");

        QTest::newRow("all capitals") << "MnuNick"
                                      << "VELOR";
        QTest::newRow("only the first letter is raised") << "MnuFName"
                                                         << "arvenid velor";
        QTest::newRow("blank before") << "MnuNick"
                                      << " Velor";
        QTest::newRow("blank after") << "MnyCity"
                                     << "Ostrevalind ";
        QTest::newRow("part of the field") << "MnuNick"
                                           << "Vel";
        QTest::newRow("cancelled: no blank nickname") << "MnuNick"
                                                      << "cancel";
        QTest::newRow("family name of another field") << "MnuFamily"
                                                      << "Harrowgate";
    }

    void answerThatNothingEqualsEndsInANewEntry()
    {
        QFETCH(QString, item);
        QFETCH(QString, answer);

        WindowFixture fixture;
        fixture.folder.writeRecords(contacts());
        Form1x& window = fixture.start();
        const QString totalBefore = fixture.statusTotal();
        search(fixture, item, answer);

        QCOMPARE(fixture.dialogs->messages, QStringList{QStringLiteral("Not Found")});
        QCOMPARE(fixture.listEntries(), QStringList());
        QVERIFY(window.windowState().IsNewEntry);
        QCOMPARE(window.windowState().CurrentRecord, 5);
        QCOMPARE(window.windowState().NewRecordNo, 6);
        for (TextBox* box : {window.TxtNick, window.TxtAdName, window.TxtAdFname, window.TxtAdAdd,
                             window.TxtAdPhon, window.Txtprefx, window.TxtCode}) {
            QCOMPARE(box->text(), QString());
            QVERIFY(!fixture.isLocked(box));
        }
        for (HoverButton* button :
             {window.BtnAdd, window.BtnSave, window.BtnUpdate, window.BtnDelete})
            QVERIFY(!button->isEnabled());
        QCOMPARE(fixture.statusTotal(), totalBefore);
    }

    void emptyFileFindsNothing()
    {
        WindowFixture fixture;
        fixture.start();
        search(fixture, QStringLiteral("MnyCity"), QStringLiteral("cancel"));
        QCOMPARE(fixture.dialogs->messages, QStringList{QStringLiteral("Not Found")});
        QCOMPARE(fixture.folder.bytes().size(), 0);
    }

    // A search while a new contact is typed drops what was typed.
    void searchFromANewEntryShowsTheFoundContact()
    {
        WindowFixture fixture;
        fixture.folder.writeRecords(contacts());
        Form1x& window = fixture.start();
        fixture.clickTab(QStringLiteral("Q")); // no nickname: a new entry
        fixture.type(window.TxtAdName, QStringLiteral("half typed"));

        search(fixture, QStringLiteral("MnuFamily"), QStringLiteral("arden"));
        QCOMPARE(fixture.listEntries(), listed({"Kip"}));
        QCOMPARE(window.TxtAdName->text(), QStringLiteral("Kip Arden"));
        QVERIFY(!window.windowState().IsNewEntry);
        QCOMPARE(fixture.folder.records(), contacts());
    }

    // Only the search by city leaves the shown nickname in the box until it ends.
    void nicknameBoxWhileNotFoundIsShown_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("nick");
        QTest::newRow("by nickname") << "MnuNick"
                                     << "";
        QTest::newRow("by full name") << "MnuFName"
                                      << "";
        QTest::newRow("by family name") << "MnuFamily"
                                        << "";
        QTest::newRow("by city") << "MnyCity"
                                 << "Ulm";
    }

    void nicknameBoxWhileNotFoundIsShown()
    {
        QFETCH(QString, item);
        QFETCH(QString, nick);

        DataFolder folder;
        // Nothing matches any default answer.
        folder.writeRecords(recordsNamed({"Kip", "Ulm"}));
        auto watching = std::make_unique<WatchingDialogs>();
        WatchingDialogs* dialogs = watching.get();
        Form1x window(store::posixFileSystem(), std::move(watching));
        dialogs->watched = [&window] { return window.TxtNick->text(); };
        QCOMPARE(window.TxtNick->text(), QStringLiteral("Ulm"));

        menuItem(window, item)->trigger();
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Not Found")});
        QCOMPARE(dialogs->nickWhileShown, QStringList{nick});
        QCOMPARE(window.TxtNick->text(), QString());
    }

    // The button only opens the menu, at the mouse pointer; choosing an item runs its search.
    void searchButtonPopsUpTheMenu()
    {
        WindowFixture fixture;
        fixture.folder.writeRecords(contacts());
        Form1x& window = fixture.start();
        const QStringList before = fixture.listEntries();
        const QPoint pointer = window.mapToGlobal(QPoint(40, 60));
        QCursor::setPos(pointer);

        fixture.click(window.BtnSearch);
        QTRY_VERIFY(window.MnuMnu->isVisible());
        QCOMPARE(window.MnuMnu->pos(), pointer);
        QCOMPARE(fixture.dialogs->inputs.size(), std::size_t(0));
        QCOMPARE(fixture.listEntries(), before);
        QStringList captions;
        for (QAction* action : window.MnuMnu->actions())
            captions.append(action->text());
        QCOMPARE(captions,
                 (QStringList{"By NickName", "By Full Name", "By Family Name", "By City"}));

        // The last item, chosen from the keyboard.
        QTest::keyClick(window.MnuMnu, Qt::Key_Up);
        QTest::keyClick(window.MnuMnu, Qt::Key_Return);
        QTRY_VERIFY(!window.MnuMnu->isVisible());
        QCOMPARE(fixture.dialogs->inputs.size(), std::size_t(1));
        QCOMPARE(fixture.dialogs->inputs.front().title, QStringLiteral("Search By City"));
        QCOMPARE(fixture.listEntries(), listed({"Velor", "Kip", "Ulm"}));
    }

    // The desktop's "more results": the window opened with the list narrowed to what the
    // words find, the last of them shown; nothing found leaves the window as it started.
    void opensOnTheDesktopsSearch_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("current");

        const QStringList everyone = listed({"Velor", "Kip", "Moss", "Zed", "Ulm"});
        QTest::newRow("a name") << QStringList{"ARVENID"} << listed({"Velor", "Moss"}) << 3;
        QTest::newRow("two words") << QStringList{"ostre", "tarr"} << listed({"Ulm"}) << 5;
        QTest::newRow("a number") << QStringList{"40"} << listed({"Zed"}) << 4;
        QTest::newRow("nothing found") << QStringList{"nobody"} << everyone << 5;
        QTest::newRow("no words") << QStringList{} << everyone << 5;
    }

    void opensOnTheDesktopsSearch()
    {
        QFETCH(QStringList, terms);
        QFETCH(QStringList, entries);
        QFETCH(int, current);

        WindowFixture fixture;
        fixture.folder.writeRecords(contacts());
        Form1x& window = fixture.start();
        window.showFound(terms);
        QCOMPARE(fixture.listEntries(), entries);
        QCOMPARE(window.windowState().CurrentRecord, current);
        QCOMPARE(window.TxtNick->text(), entries.last().trimmed());
        QVERIFY(fixture.dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(TestFieldSearch)
#include "tst_field_search.moc"

// Sync from the window against a real Radicale on 127.0.0.1: set up through the dialog, Sync
// Now, a server change arriving while a contact is typed, the sync when the window opens and
// the one at EXIT. No keyring answers here (the session bus is switched off), so the password
// is asked in a box when a sync needs it.
#include "store/file_system.h"
#include "support/carddav_server.h"
#include "support/demanding_front.h"
#include "support/window_fixture.h"
#include "sync/carddav/carddav_client.h"
#include "sync/oauth/provider_metadata.h"
#include "sync/setup/set_up_state.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/text_box.h"
#include "window/sync/sync_setup_dialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

constexpr int syncTimeoutMs = 30000;

template <typename Result, typename Start> Result waitFor(Start&& start)
{
    std::optional<Result> outcome;
    start([&](Result result) { outcome = std::move(result); });
    QElapsedTimer clock;
    clock.start();
    while (!outcome && clock.elapsed() < syncTimeoutMs)
        QTest::qWait(10);
    if (!outcome)
        throw std::runtime_error("the server did not answer in time");
    return std::move(*outcome);
}

// Every card on the server, as fetched, in no order.
std::vector<carddav::FetchedCard> serverCards(const CardDavServer& server)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    const auto listed = waitFor<carddav::DavResult<std::map<std::string, std::string>>>(
        [&](auto done) { client.listCards(server.bookUrl(), done); });
    std::vector<std::string> hrefs;
    for (const auto& [href, etag] : std::get<0>(listed))
        hrefs.push_back(href);
    auto cards = waitFor<carddav::DavResult<std::vector<carddav::FetchedCard>>>(
        [&](auto done) { client.fetchCards(server.bookUrl(), hrefs, done); });
    return std::get<0>(std::move(cards));
}

QString nicknameOf(const carddav::FetchedCard& card)
{
    const QString text = QString::fromStdString(card.text);
    const auto at = text.indexOf(QLatin1String("NICKNAME:"));
    // The multistatus is XML, whose reader turns the cards' CRLF into LF.
    return text.mid(at + 9).section(u'\n', 0, 0).trimmed();
}

// The nicknames of the cards on the server, in no order.
QStringList serverNicknames(const CardDavServer& server)
{
    QStringList nicks;
    for (const carddav::FetchedCard& card : serverCards(server))
        nicks.append(nicknameOf(card));
    nicks.sort();
    return nicks;
}

void putCard(const CardDavServer& server, const QString& nick)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + nick.toStdString() + "\r\nFN:" + nick.toStdString() +
        " Server\r\nNICKNAME:" + nick.toStdString() + "\r\nTEL:5550100\r\nEND:VCARD\r\n";
    const auto put = waitFor<carddav::DavResult<carddav::PutOutcome>>([&](auto done) {
        client.putCard(server.bookUrl(), nick.toStdString() + ".vcf", text, "", done);
    });
    QVERIFY(std::holds_alternative<carddav::PutOutcome>(put));
}

// What a phone does: "add NICK", "remove NICK", or "NICK TEL:NUMBER" for a new number.
void changeOnServer(const CardDavServer& server, const QString& change)
{
    const QStringList words = change.split(u' ');
    if (words[0] == QLatin1String("add"))
        return putCard(server, words[1]);
    const bool removal = words[0] == QLatin1String("remove");
    const QString nick = removal ? words[1] : words[0];
    carddav::CardDavClient client({server.options().user, server.options().password});
    for (const carddav::FetchedCard& card : serverCards(server)) {
        if (nicknameOf(card) != nick)
            continue;
        if (removal) {
            const auto removed = waitFor<carddav::DavResult<std::monostate>>([&](auto done) {
                client.deleteCard(server.bookUrl(), card.href, card.etag, done);
            });
            QVERIFY(std::holds_alternative<std::monostate>(removed));
            return;
        }
        QString text = QString::fromStdString(card.text);
        text.replace(
            QRegularExpression(QStringLiteral("^TEL[^\n]*$"), QRegularExpression::MultilineOption),
            words[1]);
        text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
        const auto put = waitFor<carddav::DavResult<carddav::PutOutcome>>([&](auto done) {
            client.putCard(server.bookUrl(), card.href, text.toStdString(), card.etag, done);
        });
        QVERIFY(std::holds_alternative<carddav::PutOutcome>(put));
        return;
    }
    QFAIL(qPrintable(QStringLiteral("no card of \"%1\" on the server").arg(nick)));
}

// Fills the dialog and presses OK until it has checked with the server.
void fillAndCheck(SyncSetUpDialog& dialog, const QString& address, const QString& password)
{
    dialog.show();
    dialog.server->setText(address);
    dialog.user->setText(QStringLiteral("alice"));
    dialog.passwordBox->setText(password);
    dialog.okButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.checking() && dialog.okButton->isEnabled(), syncTimeoutMs);
}

// Sets sync up through the dialog, opened from the menu, and waits for the first sync. The
// server's address is typed as given, by default in full.
void setUpThroughTheDialog(WindowFixture& fx, const CardDavServer& server,
                           const QString& typed = {})
{
    fx.dialogs->setUpScript = [&](SyncSetUpDialog& dialog) {
        fillAndCheck(dialog, typed.isEmpty() ? server.rootUrl().toString() : typed,
                     server.options().password);
        // No keyring takes the password: the dialog says so and OK closes it.
        auto* progress = dialog.findChild<QLabel*>(QStringLiteral("LblSyncProgress"));
        [&] { QVERIFY(progress->text().contains(QLatin1String("cannot be kept"))); }();
        dialog.okButton->click();
        return dialog.result();
    };
    fx.window().MnuSyncSetUp->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), syncTimeoutMs);
}

} // namespace

class TestWindowSync : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        hidePlatformNotes();
        // No keyring: the keyring's library gives up at once instead of waiting for one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    void menuOffersSyncBelowImportAndExport();
    void dialogSaysWhatIsWrongNextToIt_data();
    void dialogSaysWhatIsWrongNextToIt();
    void setUpThenSyncNow();
    void serverChangeWhileTyping_data();
    void serverChangeWhileTyping();
    void syncsWhenTheWindowOpensAndAtExit();
    void saysWhenTheServerAsksToWait();
    void emptyBookHintsHowToBegin();
    void aSignedInAccountAsksNoPassword();
    void backgroundSyncKeepsTheUsersPlace_data();
    void backgroundSyncKeepsTheUsersPlace();
    void undoneDeletionKeepsTheServersCard_data();
    void undoneDeletionKeepsTheServersCard();
};

void TestWindowSync::menuOffersSyncBelowImportAndExport()
{
    WindowFixture fx;
    fx.start();
    QStringList captions;
    for (QAction* action : fx.window().MnuContacts->actions())
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(captions, QStringList({"Import Contacts...", "Export Contacts...",
                                    "Find Duplicates...", "-", "Sync Now", "Set Up Sync..."}));
    // Sync Now with nothing set up opens the set-up, here cancelled: nothing is remembered.
    fx.window().MnuSyncNow->trigger();
    QCOMPARE(fx.dialogs->syncSetUps, 1);
    QVERIFY(!fx.folder.exists(QStringLiteral("syncphone")));
}

void TestWindowSync::dialogSaysWhatIsWrongNextToIt_data()
{
    QTest::addColumn<QString>("address"); // "server" for the server's own
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("noteOf");
    QTest::addColumn<QString>("says");
    QTest::newRow("wrong password") << "server"
                                    << "wrong"
                                    << "TxtSyncPassword"
                                    << "refused";
    QTest::newRow("no server address") << "example"
                                       << "secret"
                                       << "TxtSyncServer"
                                       << "no server address";
    QTest::newRow("nothing listening") << "http://127.0.0.1:1/"
                                       << "secret"
                                       << "TxtSyncServer"
                                       << "127.0.0.1";
    QTest::newRow("no server address, named as typed") << "exa mple.org"
                                                       << "secret"
                                                       << "TxtSyncServer"
                                                       << "\"exa mple.org\" is no server";
    QTest::newRow("this machine without a scheme, nothing listening") << "127.0.0.1:1"
                                                                      << "secret"
                                                                      << "TxtSyncServer"
                                                                      << "Cannot reach 127.0.0.1:1";
    QTest::newRow("no password") << "server"
                                 << ""
                                 << "TxtSyncPassword"
                                 << "missing";
}

void TestWindowSync::dialogSaysWhatIsWrongNextToIt()
{
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(QString, noteOf);
    QFETCH(QString, says);
    CardDavServer server(CardDavServer::Kind::Radicale);
    WindowFixture fx;
    fx.start();
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    const QString typed =
        address == QLatin1String("server") ? server.rootUrl().toString() : address;
    fillAndCheck(dialog, typed, password);
    QCOMPARE(dialog.result(), 0);
    auto* note = dialog.findChild<QLabel*>(noteOf + QStringLiteral("Note"));
    QVERIFY(!note->isHidden());
    QVERIFY2(note->text().contains(says, Qt::CaseInsensitive), qPrintable(note->text()));
    // What was typed stays, and nothing is remembered.
    QCOMPARE(dialog.passwordBox->text(), password);
    QCOMPARE(dialog.server->text(), typed);
    QVERIFY(!fx.folder.exists(QStringLiteral("syncphone")));
}

void TestWindowSync::setUpThenSyncNow()
{
    CardDavServer server(CardDavServer::Kind::Radicale);
    putCard(server, QStringLiteral("Dee"));
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann", "Bob"}));
    fx.start();
    setUpThroughTheDialog(fx, server);
    QCOMPARE(serverNicknames(server), QStringList({"Ann", "Bob", "Dee"}));
    QCOMPARE(fx.listEntries().size(), 3);
    // The shown contact stays shown; the status bar says what moved.
    QCOMPARE(fx.window().TxtNick->text(), QStringLiteral("Bob"));
    QCOMPARE(fx.window().StatusBar1->currentMessage(), QStringLiteral("1 contact in, 2 out"));

    putCard(server, QStringLiteral("Eve"));
    fx.window().MnuSyncNow->trigger();
    QVERIFY(!fx.window().MnuSyncNow->isEnabled()); // while it runs
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), syncTimeoutMs);
    QCOMPARE(fx.listEntries().size(), 4);
    QCOMPARE(fx.dialogs->passwordPrompts.size(), 0); // the typed one is kept for the session
    QCOMPARE(fx.dialogs->messages, QStringList());
}

void TestWindowSync::serverChangeWhileTyping_data()
{
    QTest::addColumn<bool>("edit"); // EDIT of a shown contact, else ADD NEW
    QTest::newRow("edit") << true;
    QTest::newRow("new entry") << false;
}

void TestWindowSync::serverChangeWhileTyping()
{
    QFETCH(bool, edit);
    CardDavServer server(CardDavServer::Kind::Radicale);
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann", "Bob"}));
    fx.start();
    setUpThroughTheDialog(fx, server);
    Form1x& w = fx.window();
    fx.click(edit ? static_cast<QWidget*>(w.BtnUpdate) : w.BtnAdd);
    if (!edit) {
        fx.type(w.TxtNick, QStringLiteral("Cat"));
        fx.type(w.TxtAdPhon, QStringLiteral("777"));
    }
    retype(w.TxtAdName, QStringLiteral("Typed Meanwhile"));
    putCard(server, QStringLiteral("Dee"));
    w.MnuSyncNow->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(w.MnuSyncNow->isEnabled(), syncTimeoutMs);
    // The boxes keep what was typed; the list waits.
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Typed Meanwhile"));
    QCOMPARE(fx.listEntries().size(), 2);
    fx.click(w.BtnSave);
    QCOMPARE(fx.dialogs->messages, QStringList());
    QCOMPARE(fx.listEntries().size(), edit ? 3 : 4);
    const auto stored = fx.folder.records();
    const auto typed = std::find_if(stored.begin(), stored.end(), [](const auto& record) {
        return record.FullName.trimmed() == "Typed Meanwhile";
    });
    QVERIFY(typed != stored.end());
    QCOMPARE(std::string(typed->Nick.trimmed()), std::string(edit ? "Bob" : "Cat"));
}

void TestWindowSync::syncsWhenTheWindowOpensAndAtExit()
{
    CardDavServer server(CardDavServer::Kind::Radicale);
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    {
        const auto lock = store::posixFileSystem().lockFolder([] {});
        syncing::rememberSetUp(store::posixFileSystem(), QStringLiteral("alice"), server.bookUrl());
    }
    putCard(server, QStringLiteral("Dee"));
    fx.start();
    fx.dialogs->passwords.push_back(server.options().password);
    // The window opens, asks for the password no keyring keeps, and syncs.
    QTRY_COMPARE_WITH_TIMEOUT(fx.listEntries().size(), 2, syncTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), syncTimeoutMs);
    QCOMPARE(fx.dialogs->passwordPrompts.size(), 1);

    // A contact added, then EXIT: it reaches the server before the window closes, in time.
    Form1x& w = fx.window();
    fx.click(w.BtnAdd);
    fx.type(w.TxtNick, QStringLiteral("Zed"));
    fx.type(w.TxtAdPhon, QStringLiteral("123"));
    fx.click(w.BtnSave);
    QElapsedTimer clock;
    clock.start();
    fx.click(w.BtnExit);
    QVERIFY2(clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(serverNicknames(server), QStringList({"Ann", "Dee", "Zed"}));
}

// A service that throttles (Google's answers 429 with Retry-After): the status bar says the
// sync waits, the window takes typing meanwhile, and the sync then ends as any other.
void TestWindowSync::saysWhenTheServerAsksToWait()
{
    CardDavServer server(CardDavServer::Kind::Radicale);
    DemandingFront front(server.port(), server.options().user, server.options().password);
    front.answerFirst({"HTTP/1.1 429 Too Many Requests\r\nRetry-After: 2\r\n"
                       "Content-Length: 0\r\n\r\n"});
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    {
        const auto lock = store::posixFileSystem().lockFolder([] {});
        syncing::rememberSetUp(store::posixFileSystem(), QStringLiteral("alice"),
                               front.url(server.bookUrl()));
    }
    fx.start();
    fx.dialogs->passwords.push_back(server.options().password);
    Form1x& w = fx.window();
    QTRY_COMPARE_WITH_TIMEOUT(w.StatusBar1->currentMessage(),
                              QStringLiteral("The server asked to wait; asking again in 2 s."),
                              syncTimeoutMs);
    QVERIFY(w.StatusBar1->isVisible());
    fx.click(w.BtnAdd);
    fx.type(w.TxtNick, QStringLiteral("Zed"));
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Zed"));
    QTRY_VERIFY_WITH_TIMEOUT(w.MnuSyncNow->isEnabled(), syncTimeoutMs);
    QCOMPARE(fx.dialogs->messages, QStringList());
    QCOMPARE(serverNicknames(server), QStringList({"Ann"}));
}

void TestWindowSync::emptyBookHintsHowToBegin()
{
    WindowFixture fx;
    fx.start();
    ListBox* list = fx.window().ListNick;
    QVERIFY(list->emptyHint().contains(QLatin1String("right click")));
    QCOMPARE(list->accessibleDescription(), list->emptyHint());
    fx.type(fx.window().TxtNick, QStringLiteral("Ann"));
    fx.type(fx.window().TxtAdPhon, QStringLiteral("1"));
    fx.click(fx.window().BtnSave);
    QVERIFY(list->emptyHint().isEmpty());
    QVERIFY(list->accessibleDescription() != QLatin1String(""));
}

void TestWindowSync::backgroundSyncKeepsTheUsersPlace_data()
{
    QTest::addColumn<QString>("tab");        // a letter's tab clicked first, if any
    QTest::addColumn<int>("picked");         // the entry clicked, -1 for none
    QTest::addColumn<QString>("focus");      // the control that has the focus
    QTest::addColumn<QString>("change");     // on the server, as changeOnServer takes it
    QTest::addColumn<QStringList>("listed"); // the list after the sync
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("shown"); // the nickname and phone number shown
    QTest::addColumn<bool>("deleteOffered");
    QTest::addColumn<bool>("filledAgain"); // whether the list was filled anew

    const QStringList three = {"Ann", "Bob", "Cid"};
    const auto row = [](const char* name, const char* tab, int picked, const char* focus,
                        const char* change, QStringList listed, int selected, const char* shown,
                        bool deleteOffered, bool filledAgain) {
        QTest::newRow(name) << tab << picked << focus << change << listed << selected << shown
                            << deleteOffered << filledAgain;
    };
    row("nothing new", "", 1, "ListNick", "", three, 1, "Bob 5552", true, false);
    row("nothing new, nothing picked", "", -1, "TxtNick", "", three, -1, "Cid 5553", false, false);
    row("a contact added", "", 1, "ListNick", "add Dee", {"Ann", "Bob", "Cid", "Dee"}, 1,
        "Bob 5552", true, true);
    row("the one before removed", "", 1, "BtnDelete", "remove Ann", {"Bob", "Cid"}, 0, "Bob 5552",
        true, true);
    row("its number changed", "", 1, "ListNick", "Bob TEL:5550199", three, 1, "Bob 5550199", true,
        false);
    row("it was removed", "", 1, "BtnDelete", "remove Bob", {"Ann", "Cid"}, 1, "Cid 5553", true,
        true);
    row("the last removed", "", 2, "ListNick", "remove Cid", {"Ann", "Bob"}, 1, "Bob 5552", true,
        true);
    row("nothing picked, a contact added", "", -1, "BtnSearch", "add Dee",
        {"Ann", "Bob", "Cid", "Dee"}, -1, "Cid 5553", false, true);
    row("nothing picked, the one shown removed", "", -1, "BtnSearch", "remove Cid", {"Ann", "Bob"},
        -1, "Bob 5552", false, true);
    row("under a letter, one added there", "B", 0, "ListNick", "add Bea", {"Bob", "Bea"}, 0,
        "Bob 5552", true, true);
    row("under a letter, one added elsewhere", "B", 0, "ListNick", "add Dee", {"Bob"}, 0,
        "Bob 5552", true, false);
}

// The sync every 15 minutes, while the user is at a contact rather than typing one.
void TestWindowSync::backgroundSyncKeepsTheUsersPlace()
{
    QFETCH(QString, tab);
    QFETCH(int, picked);
    QFETCH(QString, focus);
    QFETCH(QString, change);
    QFETCH(QStringList, listed);
    QFETCH(int, selected);
    QFETCH(QString, shown);
    QFETCH(bool, deleteOffered);
    QFETCH(bool, filledAgain);

    CardDavServer server(CardDavServer::Kind::Radicale);
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann", "Bob", "Cid"}));
    fx.start();
    // Typed as people do, without a scheme.
    setUpThroughTheDialog(fx, server, QStringLiteral("127.0.0.1:%1").arg(server.port()));
    Form1x& w = fx.window();
    // The dialog had the keyboard; the window has it again, as when the user comes back.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    if (!tab.isEmpty())
        fx.clickTab(tab);
    if (picked >= 0)
        fx.clickListEntry(picked);
    QWidget* focused = w.findChild<QWidget*>(focus);
    focused->setFocus();
    QCOMPARE(QApplication::focusWidget(), focused);
    int fillings = 0;
    connect(w.ListNick->model(), &QAbstractItemModel::modelReset, [&] { ++fillings; });
    if (!change.isEmpty())
        changeOnServer(server, change);

    auto* every15Minutes = w.findChild<QTimer*>(QStringLiteral("SyncEvery15Minutes"));
    QVERIFY(QMetaObject::invokeMethod(every15Minutes, "timeout"));
    QVERIFY(!w.MnuSyncNow->isEnabled()); // under way
    QTRY_VERIFY_WITH_TIMEOUT(w.MnuSyncNow->isEnabled(), syncTimeoutMs);

    QStringList entries = fx.listEntries();
    for (QString& entry : entries)
        entry = entry.trimmed(); // listed with the field's blank fill
    QCOMPARE(entries, listed);
    QCOMPARE(w.ListNick->listIndex(), selected);
    QCOMPARE(w.TxtNick->text().trimmed() + u' ' + w.TxtAdPhon->text().trimmed(), shown);
    QCOMPARE(w.BtnDelete->isEnabled(), deleteOffered);
    QCOMPARE(QApplication::focusWidget(), focused);
    QCOMPARE(fillings > 0, filledAgain);
    QCOMPARE(fx.dialogs->messages, QStringList());
    // DELETE takes the contact shown, where the sync put it, and that one alone.
    if (deleteOffered) {
        const auto nicknames = [&] {
            QStringList nicks;
            for (const store::ContactRecord& record : fx.folder.records())
                nicks.append(QString::fromStdString(std::string(record.Nick.trimmed())));
            return nicks;
        };
        QStringList left = nicknames();
        left.removeOne(shown.section(u' ', 0, 0));
        fx.click(w.BtnDelete);
        QCOMPARE(nicknames(), left);
        QCOMPARE(fx.dialogs->messages, QStringList());
    }
}

void TestWindowSync::undoneDeletionKeepsTheServersCard_data()
{
    QTest::addColumn<bool>("syncedBetween"); // a sync sent the deletion before it was undone
    QTest::newRow("undone before the next sync") << false;
    QTest::newRow("undone after a sync sent it") << true;
}

// A deletion and its undo lose nothing the server held: undone before the next sync, the
// deletion never reaches the server; undone after, the card comes back whole, with its UID and
// the fields the contact book does not hold.
void TestWindowSync::undoneDeletionKeepsTheServersCard()
{
    QFETCH(bool, syncedBetween);
    CardDavServer server(CardDavServer::Kind::Radicale);
    {
        carddav::CardDavClient client({server.options().user, server.options().password});
        const std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:dee-1\r\nFN:Dee Server\r\n"
                                 "NICKNAME:Dee\r\nTEL:5550100\r\nEMAIL:dee@example.org\r\n"
                                 "NOTE:Met at the lake\r\nEND:VCARD\r\n";
        const auto put = waitFor<carddav::DavResult<carddav::PutOutcome>>(
            [&](auto done) { client.putCard(server.bookUrl(), "dee-1.vcf", text, "", done); });
        QVERIFY(std::holds_alternative<carddav::PutOutcome>(put));
    }
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann", "Bob"}));
    Form1x& w = fx.start();
    setUpThroughTheDialog(fx, server);
    const QByteArray synced = fx.folder.bytes();
    const auto cardOfDee = [&]() -> std::optional<carddav::FetchedCard> {
        for (carddav::FetchedCard& card : serverCards(server))
            if (nicknameOf(card) == QLatin1String("Dee"))
                return card;
        return std::nullopt;
    };
    const auto before = cardOfDee();
    QVERIFY(before);
    const auto syncNow = [&] {
        w.MnuSyncNow->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.MnuSyncNow->isEnabled(), syncTimeoutMs);
    };

    fx.clickListEntry(int(fx.listEntries().indexOf(QStringLiteral("Dee").leftJustified(15))));
    fx.click(w.BtnDelete);
    if (syncedBetween) {
        syncNow();
        QVERIFY(!cardOfDee());
    }
    // The set-up dialog has come and gone: the window takes the keys again.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.ListNick, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fx.folder.bytes(), synced);
    syncNow();
    QCOMPARE(fx.dialogs->messages, QStringList());
    QCOMPARE(fx.folder.bytes(), synced);
    const auto after = cardOfDee();
    QVERIFY(after);
    QCOMPARE(after->href, before->href);
    if (!syncedBetween)
        QCOMPARE(after->etag, before->etag); // never touched
    for (const char* kept : {"UID:dee-1", "EMAIL:dee@example.org", "NOTE:Met at the lake"})
        QVERIFY2(after->text.find(kept) != std::string::npos, after->text.c_str());
    QCOMPARE(serverNicknames(server), QStringList({"Ann", "Bob", "Dee"}));
}

// An account that signs in through the browser has no password to ask for: without the
// keyring's sign-in the window says how to sign in again, and the contacts stay as they are.
void TestWindowSync::aSignedInAccountAsksNoPassword()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    const QByteArray records = fx.folder.bytes();
    syncing::rememberSetUp(store::posixFileSystem(), QStringLiteral("ann@gmail.com"),
                           QUrl(QStringLiteral("https://www.googleapis.com/carddav/v1/principals/"
                                               "ann@gmail.com/lists/default/")),
                           syncing::OAuthClient{syncing::googleIssuer(), QStringLiteral("id"), {}});
    fx.start();
    fx.dialogs->passwords.push_back(QStringLiteral("never asked"));
    // The sync at opening looks for the sign-in too, and is silent in the background.
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), syncTimeoutMs);
    QCOMPARE(fx.dialogs->messages, QStringList());
    fx.window().MnuSyncNow->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!fx.dialogs->messages.isEmpty(), syncTimeoutMs);
    QCOMPARE(fx.dialogs->messages,
             QStringList{QStringLiteral(
                 "The contacts could not be synced: no keyring on this desktop keeps the "
                 "sign-in of this account, which signs in through the browser. zarvoth "
                 "--sync-setup signs in again; nothing was lost.")});
    QCOMPARE(fx.dialogs->passwordPrompts, QStringList());
    QVERIFY(fx.window().MnuSyncNow->isEnabled());
    QCOMPARE(fx.folder.bytes(), records);
}

QTEST_MAIN(TestWindowSync)
#include "tst_window_sync.moc"

// Sync from the window against a real Radicale on 127.0.0.1: set up through the dialog, Sync
// Now, a server change arriving while a contact is typed, the sync when the window opens and
// the one at EXIT. No keyring answers here (the session bus is switched off), so the password
// is asked in a box when a sync needs it.
#include "support/carddav_server.h"
#include "support/window_fixture.h"
#include "sync/carddav/carddav_client.h"
#include "sync/setup/set_up_state.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/text_box.h"
#include "window/sync_setup_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

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

// The nicknames of the cards on the server, in no order.
QStringList serverNicknames(const CardDavServer& server)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    const auto listed = waitFor<carddav::DavResult<std::map<std::string, std::string>>>(
        [&](auto done) { client.listCards(server.bookUrl(), done); });
    std::vector<std::string> hrefs;
    for (const auto& [href, etag] : std::get<0>(listed))
        hrefs.push_back(href);
    const auto cards = waitFor<carddav::DavResult<std::vector<carddav::FetchedCard>>>(
        [&](auto done) { client.fetchCards(server.bookUrl(), hrefs, done); });
    QStringList nicks;
    for (const carddav::FetchedCard& card : std::get<0>(cards)) {
        const QString text = QString::fromStdString(card.text);
        const auto at = text.indexOf(QLatin1String("NICKNAME:"));
        // The multistatus is XML, whose reader turns the cards' CRLF into LF.
        nicks.append(text.mid(at + 9).section(u'\n', 0, 0).trimmed());
    }
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
    void emptyBookHintsHowToBegin();
};

void TestWindowSync::menuOffersSyncBelowImportAndExport()
{
    WindowFixture fx;
    fx.start();
    QStringList captions;
    for (QAction* action : fx.window().MnuContacts->actions())
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(captions, QStringList({"Import Contacts...", "Export Contacts...", "-", "Sync Now",
                                    "Set Up Sync..."}));
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

QTEST_MAIN(TestWindowSync)
#include "tst_window_sync.moc"

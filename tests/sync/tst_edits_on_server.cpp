// Edits of several fields at once, made by rewriting the file and by the window, synced with a
// real Radicale and Xandikos on 127.0.0.1 while a phone changes the same cards: each card is
// updated where it is, keeps what only the server holds, and nobody is doubled.
#include "support/carddav_server.h"
#include "support/window_fixture.h"
#include "sync/carddav/carddav_client.h"
#include "sync/run/sync_run.h"
#include "sync/state/merge_notes.h"
#include "sync/state/state_file.h"
#include "transfer/book_merge.h"
#include "transfer/book_undo.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include <QAction>
#include <QtTest>

Q_DECLARE_METATYPE(CardDavServer::Kind)

namespace {

using Kind = CardDavServer::Kind;
constexpr int answerMs = 30000;

template <typename Result, typename Start> Result waitFor(Start&& start)
{
    std::optional<Result> outcome;
    start([&](Result result) { outcome = std::move(result); });
    QElapsedTimer clock;
    clock.start();
    while (!outcome && clock.elapsed() < answerMs)
        QTest::qWait(10);
    if (!outcome)
        throw std::runtime_error("the server did not answer in time");
    return std::move(*outcome);
}

// The phone's side: the book's cards, read and written as another client would.
class Phone {
public:
    explicit Phone(const CardDavServer& server)
        : server_(server), client_({server.options().user, server.options().password})
    {
    }

    std::map<std::string, carddav::FetchedCard> cards()
    {
        const auto listed = waitFor<carddav::DavResult<std::map<std::string, std::string>>>(
            [&](auto done) { client_.listCards(server_.bookUrl(), done); });
        std::vector<std::string> hrefs;
        for (const auto& entry : std::get<0>(listed))
            hrefs.push_back(entry.first);
        const auto fetched = waitFor<carddav::DavResult<std::vector<carddav::FetchedCard>>>(
            [&](auto done) { client_.fetchCards(server_.bookUrl(), hrefs, done); });
        std::map<std::string, carddav::FetchedCard> byHref;
        for (const carddav::FetchedCard& card : std::get<0>(fetched))
            byHref[card.href] = card;
        return byHref;
    }

    // The href of the card whose text holds `line`.
    std::string find(const std::string& line)
    {
        for (const auto& [href, card] : cards())
            if (card.text.find(line) != std::string::npos)
                return href;
        return {};
    }

    // Rewrites a card, `from` replaced by `to`, as the phone last saw it.
    void change(const std::string& href, const std::string& from, const std::string& to)
    {
        carddav::FetchedCard card = cards().at(href);
        const auto at = card.text.find(from);
        QVERIFY2(at != std::string::npos, from.c_str());
        card.text.replace(at, from.size(), to);
        const auto put = waitFor<carddav::DavResult<carddav::PutOutcome>>([&](auto done) {
            client_.putCard(server_.bookUrl(), href, card.text, card.etag, done);
        });
        QVERIFY(std::holds_alternative<carddav::PutOutcome>(put));
    }

private:
    const CardDavServer& server_;
    carddav::CardDavClient client_;
};

syncing::SyncReport syncOnce(const CardDavServer& server)
{
    syncing::SyncRun run(store::posixFileSystem(),
                         {server.options().user, server.options().password});
    return waitFor<syncing::SyncReport>([&](auto done) { run.start(done); });
}

const std::vector<Contact> fourPeople{{"Ann", "Ann", "Adams", "Oslo", "111"},
                                      {"Bob", "Robert", "Brown", "Leeds", "222"},
                                      {"Dave", "David", "Dunn", "York", "444"},
                                      {"Eve", "Evelyn", "Eyre", "Bath", "555"}};

// The four on the server, the phone having given each what the file does not hold.
void syncedWithThePhone(DataFolder& folder, const CardDavServer& server, Phone& phone)
{
    std::vector<store::ContactRecord> records;
    for (const Contact& person : fourPeople)
        records.push_back(makeRecord(person, std::int16_t(records.size() + 1)));
    folder.writeRecords(records);
    syncing::SyncState state;
    state.bookUrl = server.bookUrl().toString().toStdString();
    state.user = server.options().user.toStdString();
    syncing::writeStateFile(store::posixFileSystem(), state);
    QCOMPARE(syncOnce(server).contactsOut, 4u);
    for (const auto& [href, card] : phone.cards())
        phone.change(href, "END:VCARD",
                     "EMAIL:someone@example.org\r\nPHOTO;VALUE=URI:http://127.0.0.1/p.png\r\n"
                     "NOTE:only there\r\nBDAY:1990-01-02\r\nEND:VCARD");
    const syncing::SyncReport quiet = syncOnce(server);
    QCOMPARE(quiet.contactsIn + quiet.contactsOut, 0u);
}

// The new text of each field an edit changes, in the order of the window's boxes.
const QStringList fieldNames{"Nick", "Full", "Family", "City", "Phone"};
const QStringList newTexts{"Davey", "Davidson", "Dunmore", "Zurich", "999"};

void editInTheFile(DataFolder& folder, const QStringList& fields, bool deleteFirst)
{
    std::vector<store::ContactRecord> records = folder.records();
    store::ContactRecord& dave = records[2];
    for (const QString& field : fields) {
        const std::string text = newTexts[fieldNames.indexOf(field)].toStdString();
        if (field == "Nick")
            dave.Nick.assign(text);
        else if (field == "Full")
            dave.FullName.assign(text);
        else if (field == "Family")
            dave.FamilyName.assign(text);
        else if (field == "City")
            dave.City.assign(text);
        else
            dave.Phone.assign(text);
    }
    if (deleteFirst)
        records.erase(records.begin());
    folder.writeRecords(records);
}

void editInTheWindow(WindowFixture& fx, const QStringList& fields, bool deleteFirst)
{
    Form1x& w = fx.window();
    if (deleteFirst) {
        fx.clickListEntry(0);
        fx.click(w.BtnDelete);
    }
    fx.clickListEntry(deleteFirst ? 1 : 2);
    QCOMPARE(w.TxtNick->text(), QStringLiteral("Dave"));
    fx.click(w.BtnUpdate);
    const QList<TextBox*> boxes{w.TxtNick, w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtAdPhon};
    for (const QString& field : fields)
        retype(boxes[fieldNames.indexOf(field)], newTexts[fieldNames.indexOf(field)]);
    fx.click(w.BtnSave);
}

} // namespace

class TestEditsOnServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        hidePlatformNotes();
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    void editedCardStaysWhereItIs_data();
    void editedCardStaysWhereItIs();
    void aMergeLosesNothingOnTheServer_data();
    void aMergeLosesNothingOnTheServer();
};

void TestEditsOnServer::editedCardStaysWhereItIs_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("byWindow");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("deleteFirst");

    const QList<QStringList> edits{
        {"Nick", "City"}, {"Full", "Family", "City"}, {"Nick", "Full", "Family", "City", "Phone"}};
    for (const Kind kind : {Kind::Radicale, Kind::Xandikos}) {
        const char* server = kind == Kind::Radicale ? "Radicale" : "Xandikos";
        for (const QStringList& fields : edits)
            QTest::addRow("%s, the file, %s", server, qPrintable(fields.join('+')))
                << kind << false << fields << (kind == Kind::Xandikos);
    }
    for (const QStringList& fields : edits)
        QTest::addRow("Radicale, the window, %s", qPrintable(fields.join('+')))
            << Kind::Radicale << true << fields << true;
}

void TestEditsOnServer::editedCardStaysWhereItIs()
{
    QFETCH(Kind, kind);
    QFETCH(bool, byWindow);
    QFETCH(QStringList, fields);
    QFETCH(bool, deleteFirst);

    CardDavServer server(kind);
    Phone phone(server);
    WindowFixture fx;
    syncedWithThePhone(fx.folder, server, phone);
    const std::string dave = phone.find("NICKNAME:Dave");
    QVERIFY(!dave.empty());

    if (byWindow) {
        // The window syncs as it opens, with the password typed in its box.
        fx.start();
        fx.dialogs->passwords.push_back(server.options().password);
        QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), answerMs);
        editInTheWindow(fx, fields, deleteFirst);
    } else {
        editInTheFile(fx.folder, fields, deleteFirst);
    }
    // Meanwhile the phone writes a new note on Dave's card, and where this machine leaves the
    // city alone, a new city.
    phone.change(dave, "NOTE:only there", "NOTE:new");
    if (!fields.contains("City"))
        phone.change(dave, "York", "Rome");

    if (byWindow) {
        fx.window().MnuSyncNow->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), answerMs);
    } else {
        const syncing::SyncReport report = syncOnce(server);
        QCOMPARE(report.outcome, syncing::SyncReport::Done);
        for (const std::string& notice : report.notices)
            QVERIFY2(notice.find("deleted") == std::string::npos, notice.c_str());
    }

    const auto cards = phone.cards();
    QCOMPARE(cards.size(), deleteFirst ? 3u : 4u);
    QVERIFY(cards.contains(dave));
    const std::string& card = cards.at(dave).text;
    for (const char* kept :
         {"EMAIL:someone@example.org", "PHOTO;VALUE=URI:", "BDAY:1990-01-02", "NOTE:new"})
        QVERIFY2(card.find(kept) != std::string::npos, (kept + ("\n" + card)).c_str());
    for (const QString& field : fields)
        QVERIFY2(card.find(newTexts[fieldNames.indexOf(field)].toStdString()) != std::string::npos,
                 qPrintable(field + "\n" + QString::fromStdString(card)));
    const std::vector<store::ContactRecord> records = fx.folder.records();
    QCOMPARE(records.size(), cards.size());
    const store::ContactRecord& here = records[deleteFirst ? 1 : 2];
    QCOMPARE(QString::fromLatin1(here.City.trimmed()), fields.contains("City") ? "Zurich" : "Rome");
    // And the next sync finds nothing to do.
    const syncing::SyncReport again = syncOnce(server);
    QCOMPARE(again.contactsIn + again.contactsOut, 0u);
}

// Frank twice, each card given by the phone what the file does not hold; merged here, as
// --merge-duplicates and the window merge. The kept card takes the other's e-mail, number, note
// and photo in one sync, and the other card goes in the next: nothing of it is lost. A merge
// taken back before the sync leaves both cards as they are, and nothing noted of it.
void TestEditsOnServer::aMergeLosesNothingOnTheServer_data()
{
    QTest::addColumn<bool>("undone");
    QTest::newRow("merged") << false;
    QTest::newRow("merged, then undone before the sync") << true;
}

void TestEditsOnServer::aMergeLosesNothingOnTheServer()
{
    QFETCH(bool, undone);
    CardDavServer server(Kind::Radicale);
    Phone phone(server);
    DataFolder folder;
    folder.writeRecords({makeRecord({"Frank", "Frank", "Miller", "", "030 1234567"}, 1),
                         makeRecord({"Ann", "Ann", "Adams", "Oslo", "111"}, 2),
                         makeRecord({"Frank1", "Frank", "Miller", "Berlin", "030 1234567"}, 3)});
    syncing::SyncState state;
    state.bookUrl = server.bookUrl().toString().toStdString();
    state.user = server.options().user.toStdString();
    syncing::writeStateFile(store::posixFileSystem(), state);
    QCOMPARE(syncOnce(server).contactsOut, 3u);
    const std::string merged = phone.find("NICKNAME:Frank1");
    std::string kept;
    for (const auto& [href, card] : phone.cards()) {
        if (card.text.find("NICKNAME:Frank") != std::string::npos && href != merged)
            kept = href;
    }
    QVERIFY(!kept.empty() && !merged.empty());
    phone.change(kept, "END:VCARD", "EMAIL:frank@home.example\r\nEND:VCARD");
    phone.change(merged, "END:VCARD",
                 "EMAIL:frank@work.example\r\nTEL;TYPE=WORK:+49 40 555 0000\r\n"
                 "NOTE:met at the fair\r\nPHOTO;VALUE=URI:http://127.0.0.1/f.png\r\nEND:VCARD");
    QCOMPARE(syncOnce(server).contactsOut, 0u);
    const auto before = phone.cards();

    store::FileSystem& fs = store::posixFileSystem();
    const transfer::BookMerge merge =
        transfer::mergeDuplicates(fs, numbers::NumberComparison("DE"));
    QCOMPARE(merge.merged.size(), std::size_t(1));
    const transfer::DuplicateGroup& group = merge.merged.front();
    const syncing::MergedRecords noted{group.members[0], {group.members[1]}};
    syncing::noteMergedRecords(fs, std::span(&noted, 1));
    QVERIFY(folder.exists(QString::fromLatin1(syncing::MergeNotesName)));
    if (undone) {
        QCOMPARE(transfer::takeBack(fs, transfer::changeOfMerge("Merged", merge)).takenBack,
                 std::size_t(2));
        const syncing::SyncReport after = syncOnce(server);
        QCOMPARE(after.contactsIn + after.contactsOut, 0u);
        QCOMPARE(phone.cards().size(), before.size());
        for (const auto& [href, card] : phone.cards())
            QCOMPARE(card.text, before.at(href).text);
        // Nothing waits for a later sync: the next one finds the book settled.
        QVERIFY(!folder.exists(QString::fromLatin1(syncing::MergeNotesName)));
        QCOMPARE(folder.records().size(), std::size_t(3));
        return;
    }

    // The kept card takes what it lacks; the other stays until it holds it.
    QCOMPARE(syncOnce(server).outcome, syncing::SyncReport::Done);
    auto cards = phone.cards();
    QCOMPARE(cards.size(), 3u);
    const std::string frank = cards.at(kept).text;
    for (const char* line :
         {"EMAIL:frank@home.example", "EMAIL:frank@work.example", "TEL;TYPE=WORK:+49 40 555 0000",
          "NOTE:met at the fair", "PHOTO;VALUE=URI:http://127.0.0.1/f.png", "Berlin"})
        QVERIFY2(frank.find(line) != std::string::npos, (line + ("\n" + frank)).c_str());
    // Then the merged card goes, and the notes with it.
    QCOMPARE(syncOnce(server).outcome, syncing::SyncReport::Done);
    cards = phone.cards();
    QCOMPARE(cards.size(), 2u);
    QVERIFY(!cards.contains(merged));
    QCOMPARE(cards.at(kept).text, frank);
    QVERIFY(!folder.exists(QString::fromLatin1(syncing::MergeNotesName)));
    QCOMPARE(folder.records().size(), std::size_t(2));
    const syncing::SyncReport again = syncOnce(server);
    QCOMPARE(again.contactsIn + again.contactsOut, 0u);
}

QTEST_MAIN(TestEditsOnServer)
#include "tst_edits_on_server.moc"

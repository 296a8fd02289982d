#include "sync/reconcile/card_revival.h"
#include "sync/state/deleted_cards.h"
#include "sync/state/sync_state.h"

#include <QTest>

#include <algorithm>

namespace {

std::string everyByte()
{
    std::string bytes;
    for (int byte = 0; byte < 256; ++byte)
        bytes.push_back(char(byte));
    return bytes;
}

syncing::SyncState awkwardState()
{
    syncing::SyncState state;
    state.bookUrl = "https://dav.example.org/user/book one/";
    state.user = "-";
    state.signInIssuer = "https://login.example.org/tenant one";
    state.signInClient = "client 7";
    state.syncToken = everyByte();
    state.cardVersion = "4.0";
    syncing::Pair pair;
    pair.uid = "a b%c";
    pair.href = "/user/book one/a.vcf";
    pair.etag = "\"e1\"";
    pair.confirmed = true;
    pair.record.Nick.assign(" lead");
    pair.record.City.assign(everyByte().substr(0x80, 25));
    pair.record.UseStdCode = -2;
    pair.record.UsePrefix = 1;
    pair.card.nick = "Zoë\n";
    pair.card.telephone = "+47 123";
    pair.place = 2;
    state.pairs = {pair, syncing::Pair{}};
    state.pairs.back().href = "/b.vcf";
    state.passedOver = {{"/c.vcf", ""}};
    state.unpaired = {{1, 0}, {32767, 0xFEDCBA9876543210}};
    return state;
}

} // namespace

class TestSyncState : public QObject {
    Q_OBJECT

private slots:
    void everyByteSurvives();
    void aFileWithoutPlacesIsRead();
    void theHeadOfASettledFile_data();
    void theHeadOfASettledFile();
    void malformedFilesAreRefused_data();
    void malformedFilesAreRefused();
    void deletedCardsAreKeptThirtyDays_data();
    void deletedCardsAreKeptThirtyDays();
    void aDeletedCardComesBackWhole_data();
    void aDeletedCardComesBackWhole();
};

void TestSyncState::everyByteSurvives()
{
    const syncing::SyncState state = awkwardState();
    const std::string text = syncing::serializeState(state);
    QVERIFY(text.starts_with("zarvoth-sync 3\nbook https://dav.example.org/user/book%20one/\n"));
    QVERIFY(text.find("\nsignin https://login.example.org/tenant%20one client%207\n") !=
            std::string::npos);
    QVERIFY(text.find("\nhere 32767 fedcba9876543210\n") != std::string::npos);
    QCOMPARE(syncing::parseState(text), state);
}

// A folder synced before places were kept goes on syncing: its pairs are read, placeless.
void TestSyncState::aFileWithoutPlacesIsRead()
{
    const syncing::SyncState state =
        syncing::parseState("zarvoth-sync 1\nbook b\nuser u\ntoken -\n"
                            "pair u /a.vcf e 1 n - - - 5 - 0 - 0 n - - - 5 - - 0 0 5\n");
    QVERIFY(!state.placesKnown);
    QCOMPARE(state.pairs.size(), 1u);
    QCOMPARE(state.pairs[0].place, 0);
    QCOMPARE(std::string(state.pairs[0].record.Phone.trimmed()), "5");
}

// A file written settled is trusted by its head alone only while the rest is as it was
// written; otherwise the whole is read, and what it holds still counts.
void TestSyncState::theHeadOfASettledFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("headAlone");
    QTest::addColumn<bool>("settledWhole");
    syncing::SyncState state = awkwardState();
    state.settledOn = 0x0123456789ABCDEF;
    const QByteArray settled = QByteArray::fromStdString(syncing::serializeState(state));
    const QByteArray pairLine = "\npair 2 a%20b%25c ";
    QTest::newRow("as written") << settled << true << true;
    QTest::newRow("a pair changed")
        << QByteArray(settled).replace(pairLine, "\npair 3 a%20b%25c ") << false << false;
    QTest::newRow("a line added") << settled + "passed /d.vcf e\n" << false << false;
    QTest::newRow("a line taken off")
        << settled.left(settled.lastIndexOf("passed ")) << false << false;
    syncing::SyncState newToken = state;
    newToken.syncToken = "t2";
    QTest::newRow("a new token") << QByteArray::fromStdString(
                                        syncing::withHeadOf(newToken, settled.toStdString()))
                                 << true << true;
    state.settledOn.reset();
    QTest::newRow("not settled") << QByteArray::fromStdString(syncing::serializeState(state))
                                 << false << false;
    QTest::newRow("version 2") << QByteArray("zarvoth-sync 2\nbook b\nuser u\ntoken t\n"
                                             "pair 1 u /a.vcf e 1 n - - - 5 - 0 - 0 n - - - 5 - - "
                                             "0 0 5\n")
                               << false << false;
}

void TestSyncState::theHeadOfASettledFile()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, headAlone);
    QFETCH(bool, settledWhole);
    const syncing::SyncState whole = syncing::parseState(text.toStdString());
    QCOMPARE(whole.settledOn.has_value(), settledWhole);
    const std::optional<syncing::SyncState> head = syncing::parseSettledHead(text.toStdString());
    QCOMPARE(head.has_value(), headAlone);
    if (!head)
        return;
    QVERIFY(head->pairs.empty());
    syncing::SyncState expected = whole;
    expected.pairs.clear();
    expected.passedOver.clear();
    expected.unpaired.clear();
    QCOMPARE(*head, expected);
    QCOMPARE(syncing::serializeState(whole), text.toStdString());
}

void TestSyncState::malformedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray head = "zarvoth-sync 2\nbook b\nuser u\ntoken -\n";
    const QByteArray pair = "pair 1 u /a.vcf e 1 n - - - 5 - 0 - 0 n - - - 5 - - 0 0 5";
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("other version") << QByteArray("zarvoth-sync 4\nbook b\nuser u\ntoken -\n");
    QTest::newRow("places in a placeless file")
        << QByteArray("zarvoth-sync 1\nbook b\nuser u\ntoken -\n") + pair + "\n";
    QTest::newRow("here in a placeless file")
        << QByteArray("zarvoth-sync 1\nbook b\nuser u\ntoken -\nhere 1 0123456789abcdef\n");
    QTest::newRow("place past the largest book")
        << head + QByteArray(pair).replace("pair 1 ", "pair 32768 ") + "\n";
    QTest::newRow("negative place")
        << head + QByteArray(pair).replace("pair 1 ", "pair -1 ") + "\n";
    QTest::newRow("short hash") << head + "here 1 0123\n";
    QTest::newRow("not a hash") << head + "here 1 0123456789abcdeg\n";
    QTest::newRow("no final line break") << head.chopped(1);
    QTest::newRow("user missing") << QByteArray("zarvoth-sync 2\nbook b\ntoken -\n");
    QTest::newRow("book twice") << head + "book c\n";
    QTest::newRow("card version twice") << head + "cards 4.0\ncards 3.0\n";
    QTest::newRow("unknown entry") << head + "pear x\n";
    QTest::newRow("blank line") << head + "\n";
    QTest::newRow("two blanks") << head + "passed /a  e\n";
    QTest::newRow("broken escape") << head + "passed /a%2 e\n";
    QTest::newRow("bad escape digit") << head + "passed /a%G0 e\n";
    QTest::newRow("a word short") << head + pair.chopped(2) + "\n";
    QTest::newRow("not a flag") << head + QByteArray(pair).replace(" e 1 ", " e 2 ") + "\n";
    QTest::newRow("tick too large")
        << head + QByteArray(pair).replace(" 5 - 0 ", " 5 - 40000 ") + "\n";
    QTest::newRow("nickname too long")
        << head + QByteArray(pair).replace(" 1 n ", " 1 nnnnnnnnnnnnnnnn ") + "\n";
    QTest::newRow("a card twice") << head + pair + "\npassed /a.vcf e\n";
    QTest::newRow("carriage return") << head + "passed /a e\r\n";
    const QByteArray settled = "settled 0123456789abcdef 0123456789abcdef\n";
    QTest::newRow("settled in a file of version 2") << head + settled;
    QByteArray head3 = QByteArray(head).replace("sync 2", "sync 3");
    QTest::newRow("settled twice") << head3 + settled + settled;
    QTest::newRow("settled without the second hash") << head3 + settled.left(24) + "\n";
    QTest::newRow("sign-in without its client") << head + "signin https://a.example\n";
    QTest::newRow("sign-in twice") << head + "signin i c\nsignin i c\n";
}

void TestSyncState::malformedFilesAreRefused()
{
    QFETCH(QByteArray, text);
    QVERIFY_THROWS_EXCEPTION(syncing::BadStateFile, syncing::parseState(text.toStdString()));
}

namespace {

constexpr std::int64_t Day = 24 * 60 * 60;

syncing::DeletedCard deletedCard(const std::string& nick, std::int64_t at)
{
    syncing::DeletedCard card{at, nick + "-uid", "/book/" + nick + ".vcf", {}, {}};
    card.text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + card.uid + "\r\nNICKNAME:" + nick +
                "\r\nTEL:555\r\nEMAIL:" + nick + "@example.org\r\nNOTE:100% " +
                everyByte().substr(0x80) + "\r\nEND:VCARD\r\n";
    card.record.Nick.assign(nick);
    card.record.Phone.assign("555");
    return card;
}

} // namespace

// The cards a sync deleted are kept, every byte of them, for 30 days; a line cut off by a
// machine that stopped is passed over.
void TestSyncState::deletedCardsAreKeptThirtyDays_data()
{
    QTest::addColumn<std::int64_t>("age");
    QTest::addColumn<bool>("cutOff");
    QTest::addColumn<bool>("kept");
    QTest::newRow("just deleted") << std::int64_t(0) << false << true;
    QTest::newRow("29 days") << 29 * Day << false << true;
    QTest::newRow("30 days") << 30 * Day << false << false;
    QTest::newRow("a year") << 365 * Day << false << false;
    QTest::newRow("cut off while written") << std::int64_t(0) << true << false;
}

void TestSyncState::deletedCardsAreKeptThirtyDays()
{
    QFETCH(std::int64_t, age);
    QFETCH(bool, cutOff);
    QFETCH(bool, kept);
    const std::int64_t now = 1'800'000'000;
    const std::vector<syncing::DeletedCard> cards{deletedCard("Old", now - 40 * Day),
                                                  deletedCard("Bob", now - age)};
    std::string text = syncing::serializeDeletedCards(cards);
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(2));
    if (cutOff)
        text.resize(text.size() - 10);
    const auto read = syncing::parseDeletedCards(text);
    QCOMPARE(read.size(), cutOff ? std::size_t(1) : std::size_t(2));
    QCOMPARE(read.front(), cards.front());
    const auto still = syncing::stillKept(read, now);
    QCOMPARE(still.size(), kept ? std::size_t(1) : std::size_t(0));
    if (kept)
        QCOMPARE(still.front(), cards.back());
}

// A new card whose record is exactly a deleted card's goes up as that card; another new card,
// or one whose href another contact holds again, goes up as it is.
void TestSyncState::aDeletedCardComesBackWhole_data()
{
    QTest::addColumn<QString>("nick");
    QTest::addColumn<bool>("hrefHeld");
    QTest::addColumn<bool>("revived");
    QTest::newRow("the deleted contact back") << "Bob" << false << true;
    QTest::newRow("another contact") << "Cid" << false << false;
    QTest::newRow("its card held by another contact") << "Bob" << true << false;
}

void TestSyncState::aDeletedCardComesBackWhole()
{
    QFETCH(QString, nick);
    QFETCH(bool, hrefHeld);
    QFETCH(bool, revived);
    const std::vector<syncing::DeletedCard> deleted{deletedCard("Ann", 0), deletedCard("Bob", 0)};
    syncing::Plan plan;
    syncing::Upload upload{"/book/new.vcf",
                           "new",
                           "BEGIN:VCARD\r\nUID:new\r\nEND:VCARD\r\n",
                           {},
                           deletedCard(nick.toStdString(), 0).record,
                           {}};
    plan.uploads.push_back(upload);
    plan.state.pairs.push_back({"new", "/book/new.vcf", {}, false, upload.record, {}, 3});
    if (hrefHeld)
        plan.state.pairs.push_back({"x", "/book/Bob.vcf", "\"1\"", true, {}, {}, 1});

    QCOMPARE(syncing::reviveDeletedCards(plan, deleted), std::size_t(revived ? 1 : 0));
    const syncing::Upload& sent = plan.uploads.front();
    QCOMPARE(sent.href, revived ? deleted[1].href : upload.href);
    QCOMPARE(sent.uid, revived ? deleted[1].uid : upload.uid);
    QCOMPARE(sent.text, revived ? deleted[1].text : upload.text);
    QVERIFY(sent.ifMatch.empty());
    // What the sync remembers of the pair names the card that goes up.
    QCOMPARE(plan.state.pairs.front().href, sent.href);
    QCOMPARE(plan.state.pairs.front().uid, sent.uid);
    if (revived)
        QCOMPARE(plan.state.pairs.front().card.nick, std::string("Bob"));
}

QTEST_GUILESS_MAIN(TestSyncState)
#include "tst_sync_state.moc"

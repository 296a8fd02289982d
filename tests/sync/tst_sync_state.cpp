#include "sync/state/sync_state.h"

#include <QTest>

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
    void malformedFilesAreRefused_data();
    void malformedFilesAreRefused();
};

void TestSyncState::everyByteSurvives()
{
    const syncing::SyncState state = awkwardState();
    const std::string text = syncing::serializeState(state);
    QVERIFY(text.starts_with("zarvoth-sync 2\nbook https://dav.example.org/user/book%20one/\n"));
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

void TestSyncState::malformedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray head = "zarvoth-sync 2\nbook b\nuser u\ntoken -\n";
    const QByteArray pair = "pair 1 u /a.vcf e 1 n - - - 5 - 0 - 0 n - - - 5 - - 0 0 5";
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("other version") << QByteArray("zarvoth-sync 3\nbook b\nuser u\ntoken -\n");
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
    QTest::newRow("sign-in without its client") << head + "signin https://a.example\n";
    QTest::newRow("sign-in twice") << head + "signin i c\nsignin i c\n";
}

void TestSyncState::malformedFilesAreRefused()
{
    QFETCH(QByteArray, text);
    QVERIFY_THROWS_EXCEPTION(syncing::BadStateFile, syncing::parseState(text.toStdString()));
}

QTEST_GUILESS_MAIN(TestSyncState)
#include "tst_sync_state.moc"

#include "exchange/card_export.h"
#include "sync/reconcile/reconcile.h"
#include "sync/reconcile/settled_plan.h"
#include "sync_world.h"

#include <QElapsedTimer>
#include <QTest>

#include <functional>

using store::ContactRecord;

namespace {

// A card as a phone wrote it, with properties the file does not hold.
const std::string annCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann-1\r\nFN:Ann Smith\r\n"
                            "N:Smith;Ann;;Dr.;\r\nNICKNAME:Ann\r\nEMAIL:ann@example.org\r\n"
                            "TEL;TYPE=CELL:+47 123 45 678\r\nTEL;TYPE=WORK:555 000\r\n"
                            "ADR;TYPE=HOME:;;Main St 1;Oslo;;0150;Norway\r\n"
                            "X-PHONE-THING:keep me\r\nEND:VCARD\r\n";

const ContactRecord annHere = [] {
    ContactRecord ann = contact("Ann", "Ann", "Smith", "Oslo", "4712345678");
    ann.Prefix.assign("+");
    ann.UsePrefix = 1;
    return ann;
}();

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    Q_ASSERT(at != std::string::npos);
    return text.replace(at, from.size(), to);
}

ContactRecord* findNick(SyncWorld& world, const char* nick)
{
    for (ContactRecord& record : world.records) {
        if (record.Nick.trimmed() == nick)
            return &record;
    }
    return nullptr;
}

// Bob only here and Ann on both sides, the file imported from the server before: the first
// sync pairs Ann and uploads Bob.
SyncWorld syncedWorld()
{
    SyncWorld world;
    world.records = {contact("Bob", "Bob", "Brown", "Leeds", "0113555"), annHere};
    world.put("/book/ann-1.vcf", annCard);
    world.run();
    return world;
}

bool mentions(const syncing::Plan& plan, const QString& text)
{
    return std::any_of(plan.notices.begin(), plan.notices.end(), [&](const std::string& line) {
        return QString::fromStdString(line).contains(text);
    });
}

// Five contacts on both sides, each card given by the phone what the file cannot hold.
SyncWorld fiveOnBothSides()
{
    SyncWorld world;
    world.records = {contact("Ann", "Ann", "Adams", "Oslo", "111"),
                     contact("Bob", "Robert", "Brown", "Leeds", "222"),
                     contact("Cy", "Cyrus", "Cole", "Cork", "333"),
                     contact("Dave", "David", "Dunn", "York", "444"),
                     contact("Eve", "Evelyn", "Eyre", "Bath", "555")};
    for (std::size_t i = 0; i < world.records.size(); ++i)
        world.records[i].RecordNo = std::int16_t(i + 1);
    world.run();
    for (const auto& [href, card] : std::map(world.server))
        world.put(href, replaced(card.text, "END:VCARD",
                                 "EMAIL:someone@example.org\r\nPHOTO;VALUE=URI:http://127.0.0.1/"
                                 "p.png\r\nNOTE:only there\r\nBDAY:1990-01-02\r\nEND:VCARD"));
    world.run();
    return world;
}

// The text a field is changed to, and the field as a contact's description shows it.
void changeField(ContactRecord& record, const QString& field)
{
    if (field == "Nick")
        record.Nick.assign("Zed");
    else if (field == "Full")
        record.FullName.assign("Zacharias");
    else if (field == "Family")
        record.FamilyName.assign("Zorn");
    else if (field == "City")
        record.City.assign("Zurich");
    else
        record.Phone.assign("999");
}

} // namespace

using WorldChange = std::function<void(SyncWorld&)>;
Q_DECLARE_METATYPE(WorldChange)

class TestReconcile : public QObject {
    Q_OBJECT

private slots:
    // Numbers without a country code compared by their digits, whatever the tester's locale.
    void initTestCase() { qputenv("LC_TELEPHONE", "C.UTF-8"); }
    void firstSyncPairsTheSamePerson();
    void threeWay_data();
    void threeWay();
    void fittedTextIsNotPushedBack();
    void anEditOfSeveralFieldsIsAnEdit_data();
    void anEditOfSeveralFieldsIsAnEdit();
    void aDeviceJoiningLateTakesTheServersText_data();
    void aDeviceJoiningLateTakesTheServersText();
    void cutOffAnywhereAndRunAgain_data();
    void cutOffAnywhereAndRunAgain();
    void nothingChangedIsLinear();
    void newCardsInTheBooksVersion_data();
    void newCardsInTheBooksVersion();
    void anUploadStoredElsewhereIsFound();
    void theAccountIsKeptAsItWas();

private:
    void expectSettled(SyncWorld& world);
};

void TestReconcile::firstSyncPairsTheSamePerson()
{
    SyncWorld world = syncedWorld();
    QCOMPARE(world.localContacts(), world.serverContacts());
    QCOMPARE(world.server.size(), 2u);
    QCOMPARE(world.server.at("/book/ann-1.vcf").text, annCard);
    QVERIFY(world.server.contains("/book/uid-1.vcf"));

    // Another nickname, but the same names (case aside) and the same number, otherwise written.
    SyncWorld renamed;
    renamed.records = {contact("Annie", "ann", "SMITH", "Oslo", "0047 123 45 678")};
    renamed.put("/book/ann-1.vcf", annCard);
    renamed.run();
    QCOMPARE(renamed.server.size(), 1u);
    QCOMPARE(renamed.records.size(), std::size_t(1));
}

void TestReconcile::threeWay_data()
{
    QTest::addColumn<WorldChange>("here");
    QTest::addColumn<WorldChange>("there");
    QTest::addColumn<QString>("ann"); // Ann on both sides afterwards; empty: gone from both
    QTest::addColumn<QString>("notice");

    const WorldChange none = [](SyncWorld&) {};
    const auto cityHere = [](const char* city) {
        return WorldChange([city](SyncWorld& w) { findNick(w, "Ann")->City.assign(city); });
    };
    const auto cityThere = [](const char* city) {
        return WorldChange([city](SyncWorld& w) {
            auto& card = w.server.at("/book/ann-1.vcf");
            w.put("/book/ann-1.vcf", replaced(card.text, ";Oslo;", std::string(";") + city + ";"));
        });
    };
    const WorldChange phoneThere = [](SyncWorld& w) {
        auto& card = w.server.at("/book/ann-1.vcf");
        w.put("/book/ann-1.vcf", replaced(card.text, "+47 123 45 678", "+47 999"));
    };
    const WorldChange deleteHere = [](SyncWorld& w) {
        std::erase_if(w.records, [](const ContactRecord& r) { return r.Nick.trimmed() == "Ann"; });
    };
    const WorldChange deleteThere = [](SyncWorld& w) { w.server.erase("/book/ann-1.vcf"); };
    // An edit of the nickname, after Bob's deletion moved Ann to record 1.
    const WorldChange nickHereAfterDelete = [](SyncWorld& w) {
        w.records.erase(w.records.begin());
        w.records.front().Nick.assign("Annie");
    };

    const QString as = "Ann|Ann|Smith|Oslo|+4712345678";
    QTest::newRow("unchanged") << none << none << as << "";
    QTest::newRow("changed here") << cityHere("Lyon") << none << "Ann|Ann|Smith|Lyon|+4712345678"
                                  << "";
    QTest::newRow("changed there") << none << cityThere("Rome") << "Ann|Ann|Smith|Rome|+4712345678"
                                   << "";
    QTest::newRow("both, other fields")
        << cityHere("Lyon") << phoneThere << "Ann|Ann|Smith|Lyon|+47999"
        << "";
    QTest::newRow("both, same field")
        << cityHere("Lyon") << cityThere("Rome") << "Ann|Ann|Smith|Lyon|+4712345678"
        << "\"Ann\": City: changed on both sides; this machine's value kept, the server's "
           "\"Rome\" replaced";
    QTest::newRow("both, same value")
        << cityHere("Rome") << cityThere("Rome") << "Ann|Ann|Smith|Rome|+4712345678"
        << "";
    QTest::newRow("deleted here") << deleteHere << none << ""
                                  << "";
    QTest::newRow("deleted there") << none << deleteThere << ""
                                   << "";
    QTest::newRow("deleted here, changed there")
        << deleteHere << cityThere("Rome") << "Ann|Ann|Smith|Rome|+4712345678"
        << "deleted here and changed on the server; put back here";
    QTest::newRow("changed here, deleted there")
        << cityHere("Lyon") << deleteThere << "Ann|Ann|Smith|Lyon|+4712345678"
        << "deleted on the server and changed here; put back on the server";
    QTest::newRow("deleted on both") << deleteHere << deleteThere << ""
                                     << "";
    QTest::newRow("nickname edited after a deletion moved it")
        << nickHereAfterDelete << none << "Annie|Ann|Smith|Oslo|+4712345678"
        << "";

    // iCloud's groups and vCard 4's groups, organisations and places are cards, not contacts.
    const auto kindThere = [](const char* kind) {
        return WorldChange([kind](SyncWorld& w) {
            auto& card = w.server.at("/book/ann-1.vcf");
            w.put("/book/ann-1.vcf", replaced(card.text, "UID:", std::string(kind) + "\r\nUID:"));
        });
    };
    const auto groupAppears = [](const char* text) {
        return WorldChange([text](SyncWorld& w) { w.put("/book/group.vcf", text); });
    };
    QTest::newRow("an iCloud group appears there")
        << none
        << groupAppears("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:g\r\nFN:Family\r\nN:Family;;;;\r\n"
                        "X-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:"
                        "ann-1\r\nEND:VCARD\r\n")
        << as << "";
    QTest::newRow("an organisation with a number appears there")
        << none
        << groupAppears("BEGIN:VCARD\r\nVERSION:4.0\r\nUID:o\r\nKIND:org\r\nFN:Works\r\n"
                        "NICKNAME:Works\r\nTEL:555 0900\r\nEND:VCARD\r\n")
        << as << "";
    QTest::newRow("the card became a group there")
        << none << kindThere("X-ADDRESSBOOKSERVER-KIND:group") << ""
        << "\"Ann\": no longer a person's card on the server; removed here";
    QTest::newRow("changed here, the card became a place there")
        << cityHere("Lyon") << kindThere("KIND:location") << "Ann|Ann|Smith|Lyon|+4712345678"
        << "\"Ann\": its card on the server is no longer a person's and the contact was changed "
           "here; put on the server anew";
}

void TestReconcile::threeWay()
{
    QFETCH(WorldChange, here);
    QFETCH(WorldChange, there);
    QFETCH(QString, ann);
    QFETCH(QString, notice);

    SyncWorld world = syncedWorld();
    here(world);
    there(world);
    const bool bobStays = findNick(world, "Bob");
    const syncing::Plan plan = world.run();

    QStringList expected;
    if (bobStays)
        expected << "Bob|Bob|Brown|Leeds|0113555";
    if (!ann.isEmpty())
        expected << ann;
    expected.sort();
    QCOMPARE(world.localContacts(), expected);
    QCOMPARE(world.serverContacts(), expected);
    if (!notice.isEmpty())
        QVERIFY2(mentions(plan, notice), plan.notices.empty() ? "" : plan.notices[0].c_str());
    else
        QVERIFY(plan.notices.empty());
    // What the client does not hold survives on the card, whoever changed it.
    if (const auto card = world.server.find("/book/ann-1.vcf"); card != world.server.end()) {
        for (const char* kept : {"UID:ann-1\r\n", "EMAIL:ann@example.org\r\n",
                                 "TEL;TYPE=WORK:555 000\r\n", "X-PHONE-THING:keep me\r\n"})
            QVERIFY2(card->second.text.find(kept) != std::string::npos, kept);
    }
    // And the next sync finds nothing to do.
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && !again.recordsChanged);
    expectSettled(world);
}

// Once a server gives a token, the book is left settled; a sync that then finds nothing
// changed would write back what it read, so that it may as well decide nothing.
void TestReconcile::expectSettled(SyncWorld& world)
{
    world.state.syncToken = "token";
    const syncing::Plan settled = world.run();
    QVERIFY(syncing::leavesBookSettled(settled));
    const std::vector<ContactRecord> written = world.records;
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && again.notices.empty());
    QVERIFY(!again.recordsChanged);
    QCOMPARE(again.records, written);
    QCOMPARE(again.state, settled.state);
}

void TestReconcile::fittedTextIsNotPushedBack()
{
    SyncWorld world = syncedWorld();
    const std::string longCity = "Llanfairpwllgwyngyllgogerychwyrndrobwll";
    world.put("/book/other.vcf", "BEGIN:VCARD\r\nVERSION:4.0\r\nNICKNAME:Ann\r\nN:Jones;Ann;;;\r\n"
                                 "ADR:;;;" +
                                     longCity +
                                     ";;;\r\nTEL:tel:+44-1248-555\r\n"
                                     "NOTE:Łódź\r\nEND:VCARD\r\n");
    const syncing::Plan plan = world.run();
    QVERIFY(mentions(plan, "renamed \"Ann1\""));
    QVERIFY(mentions(plan, "City: cut to 25 characters"));
    QVERIFY(world.run().notices.empty());

    // A real change here goes up, and only it: the server keeps its own city and nickname.
    findNick(world, "Ann1")->Phone.assign("1248777");
    QCOMPARE(world.run().uploads.size(), 1u);
    const std::string& card = world.server.at("/book/other.vcf").text;
    QVERIFY(card.find(longCity) != std::string::npos);
    QVERIFY(card.find("NICKNAME:Ann\r\n") != std::string::npos);
    QVERIFY(card.find("TEL:tel:+1248777\r\n") != std::string::npos);
    QVERIFY(card.find("NOTE:Łódź\r\n") != std::string::npos);

    // A phone that then changes the number wins over the stored one it no longer dials.
    world.put("/book/other.vcf", replaced(card, "tel:+1248777", "tel:+44 1248 999"));
    world.run();
    QCOMPARE(std::string(findNick(world, "Ann1")->Phone.trimmed()), "441248999");
    expectSettled(world);
}

void TestReconcile::anEditOfSeveralFieldsIsAnEdit_data()
{
    QTest::addColumn<int>("at");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("deleted"); // before it in the file; -1: none
    QTest::addColumn<bool>("phoneMeanwhile");
    QTest::addColumn<bool>("sameCard");

    const QList<QStringList> edits{{"Nick", "City"},
                                   {"Full", "Family"},
                                   {"Nick", "City", "Number"},
                                   {"Full", "Family", "City"},
                                   {"Nick", "Full", "Family", "City", "Number"}};
    for (const QStringList& fields : edits) {
        for (bool deleteBefore : {false, true}) {
            for (bool phone : {false, true})
                QTest::addRow("%s%s%s", qPrintable(fields.join('+')),
                              deleteBefore ? ", after a deletion" : "",
                              phone ? ", the phone too" : "")
                    << 3 << fields << (deleteBefore ? 0 : -1) << phone << true;
        }
    }
    // The last record, where a new one behind a deleted one would stand: an edit where it is
    // likely to be one.
    // With the one before it deleted, an edit of every field is as like the one as the other:
    // the number it was last stored under, stale since the deletion, says which it was.
    QTest::newRow("every field, the one before it deleted")
        << 3 << edits.back() << 2 << true << true;
    QTest::newRow("last, Nick+City") << 4 << QStringList{"Nick", "City"} << 0 << true << true;
    QTest::newRow("last, Full+Family+City")
        << 4 << QStringList{"Full", "Family", "City"} << -1 << true << true;
    QTest::newRow("last, every field, is someone new") << 4 << edits.back() << -1 << false << false;
}

// However many of its fields an edit changed, the card is updated in place: its href, and
// everything the file does not hold, stay; nothing is doubled and nothing reported deleted.
void TestReconcile::anEditOfSeveralFieldsIsAnEdit()
{
    QFETCH(int, at);
    QFETCH(QStringList, fields);
    QFETCH(int, deleted);
    QFETCH(bool, phoneMeanwhile);
    QFETCH(bool, sameCard);

    SyncWorld world = fiveOnBothSides();
    const std::string href = "/book/uid-" + std::to_string(at + 1) + ".vcf";
    ContactRecord expected = world.records[std::size_t(at)];
    for (const QString& field : fields)
        changeField(world.records[std::size_t(at)], field);
    for (const QString& field : fields)
        changeField(expected, field);
    if (phoneMeanwhile) {
        std::string text = replaced(world.server.at(href).text, "NOTE:only there", "NOTE:new");
        if (!fields.contains("City")) {
            const std::string city(world.records[std::size_t(at)].City.trimmed());
            text = replaced(text, ";" + city + ";", ";Rome;");
            expected.City.assign("Rome");
        }
        world.put(href, text);
    }
    if (deleted >= 0)
        world.records.erase(world.records.begin() + deleted);
    const std::size_t count = world.records.size();

    const syncing::Plan plan = world.run();
    QCOMPARE(world.localContacts(), world.serverContacts());
    QCOMPARE(world.server.size(), count);
    QVERIFY(!mentions(plan, "deleted"));
    QCOMPARE(world.server.contains(href), sameCard);
    if (sameCard) {
        const std::string& card = world.server.at(href).text;
        for (const char* kept : {"EMAIL:someone@example.org", "PHOTO;VALUE=URI:", "BDAY:1990-01-02",
                                 phoneMeanwhile ? "NOTE:new" : "NOTE:only there"})
            QVERIFY2(card.find(kept) != std::string::npos, kept);
        QVERIFY(card.find("NICKNAME:" + std::string(expected.Nick.trimmed())) != std::string::npos);
        QVERIFY(card.find(std::string(expected.City.trimmed())) != std::string::npos);
    }
    QVERIFY(findNick(world, std::string(expected.Nick.trimmed()).c_str()));
    QCOMPARE(findNick(world, std::string(expected.Nick.trimmed()).c_str())->City, expected.City);
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && !again.recordsChanged);
}

void TestReconcile::aDeviceJoiningLateTakesTheServersText_data()
{
    QTest::addColumn<QString>("cityHere");
    QTest::addColumn<QString>("card");
    QTest::addColumn<QString>("after"); // on both sides
    QTest::addColumn<QStringList>("notices");

    const QString dave = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:d\r\nFN:David Dunn\r\n"
                         "N:Dunn;David;;;\r\n%1TEL:444\r\nADR:;;;%2;;;\r\n"
                         "EMAIL:d@example.org\r\nEND:VCARD\r\n";
    QTest::newRow("the same") << "Leeds" << dave.arg("NICKNAME:Dave\r\n", "Leeds")
                              << "Dave|David|Dunn|Leeds|444" << QStringList{};
    QTest::newRow("newer city and nickname there")
        << "Leeds" << dave.arg("NICKNAME:Davey\r\n", "York") << "Davey|David|Dunn|York|444"
        << QStringList{"\"Davey\": Nick Name: the server's \"Davey\" taken; this machine had "
                       "\"Dave\"",
                       "\"Davey\": City: the server's \"York\" taken; this machine had \"Leeds\""};
    // A card without a nickname of its own gets this machine's.
    QTest::newRow("no nickname there")
        << "Leeds" << dave.arg("", "Leeds") << "Dave|David|Dunn|Leeds|444" << QStringList{};
    QTest::newRow("a city there, none here")
        << "" << dave.arg("NICKNAME:Dave\r\n", "York") << "Dave|David|Dunn|York|444"
        << QStringList{"\"Dave\": City: the server's \"York\" taken; this machine had it empty"};
    QTest::newRow("no city there") << "Leeds" << dave.arg("NICKNAME:Dave\r\n", "")
                                   << "Dave|David|Dunn|Leeds|444" << QStringList{};
}

// A device that joins with an old copy of the book never rolls the others back: where the
// contact here and the card differ, the server's text is taken and this machine's is listed.
void TestReconcile::aDeviceJoiningLateTakesTheServersText()
{
    QFETCH(QString, cityHere);
    QFETCH(QString, card);
    QFETCH(QString, after);
    QFETCH(QStringList, notices);

    SyncWorld world;
    world.records = {contact("Dave", "David", "Dunn", qPrintable(cityHere), "444")};
    world.put("/book/d.vcf", card.toStdString());
    const syncing::Plan plan = world.run();

    QCOMPARE(world.localContacts(), QStringList{after});
    QCOMPARE(world.serverContacts(), QStringList{after});
    QCOMPARE(world.server.size(), 1u);
    QVERIFY(world.server.at("/book/d.vcf").text.find("EMAIL:d@example.org") != std::string::npos);
    QStringList told;
    for (const std::string& line : plan.notices)
        told << QString::fromStdString(line);
    QCOMPARE(told, notices);
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && !again.recordsChanged);
}

void TestReconcile::cutOffAnywhereAndRunAgain_data()
{
    QTest::addColumn<int>("steps");
    // Reading, the file, the state, two uploads and a removal.
    for (int steps = 0; steps <= 6; ++steps)
        QTest::addRow("after %d steps", steps) << steps;
}

void TestReconcile::cutOffAnywhereAndRunAgain()
{
    QFETCH(int, steps);
    SyncWorld world = syncedWorld();
    findNick(world, "Ann")->City.assign("Lyon");
    world.records.erase(world.records.begin()); // Bob
    world.records.push_back(contact("Carl", "Carl", "Cole", "Cork", "021555"));
    world.put("/book/dora.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Dora Dunn\r\nN:Dunn;Dora;;;\r\n"
                                "TEL:555 1234\r\nEND:VCARD\r\n");
    const std::string annEtag = world.server.at("/book/ann-1.vcf").etag;

    world.run(steps);
    world.run();

    const QStringList expected{"Ann|Ann|Smith|Lyon|+4712345678", "Carl|Carl|Cole|Cork|021555",
                               "Dora|Dora|Dunn||5551234"};
    QCOMPARE(world.localContacts(), expected);
    QCOMPARE(world.serverContacts(), expected);
    world.run();
    expectSettled(world);
    QVERIFY(world.server.at("/book/ann-1.vcf").etag != annEtag);
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && !again.recordsChanged);
}

// A new card is written in 3.0 unless the book takes 4.0 alone, and reads back as the same
// contact either way: the next sync finds nothing to do.
void TestReconcile::newCardsInTheBooksVersion_data()
{
    QTest::addColumn<QString>("bookTakes");
    QTest::addColumn<QString>("written");
    QTest::newRow("not yet asked") << ""
                                   << "3.0";
    QTest::newRow("3.0") << "3.0"
                         << "3.0";
    QTest::newRow("4.0 alone") << "4.0"
                               << "4.0";
}

void TestReconcile::newCardsInTheBooksVersion()
{
    QFETCH(QString, bookTakes);
    QFETCH(QString, written);
    SyncWorld world;
    world.state.cardVersion = bookTakes.toStdString();
    world.records = {annHere};
    const syncing::Plan plan = world.run();
    QCOMPARE(plan.uploads.size(), 1u);
    QVERIFY2(plan.uploads[0].text.starts_with("BEGIN:VCARD\r\nVERSION:" + written.toStdString() +
                                              "\r\n"),
             plan.uploads[0].text.c_str());
    QCOMPARE(plan.state.cardVersion, bookTakes.toStdString());
    QCOMPARE(world.serverContacts(), world.localContacts());
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && !again.recordsChanged);
}

// The server stored a new card under a name and a UID of its own, and the answer that said so
// was lost: the next sync finds the card there instead of sending the contact again.
void TestReconcile::anUploadStoredElsewhereIsFound()
{
    SyncWorld world;
    world.records = {annHere};
    const syncing::Plan cut = world.run(2);
    world.state = cut.state;
    world.put("/book/c9", replaced(cut.uploads.at(0).text, "UID:", "UID:google-"));
    const syncing::Plan next = world.run();
    QVERIFY(next.uploads.empty() && next.notices.empty());
    QCOMPARE(world.server.size(), 1u);
    QCOMPARE(world.serverContacts(), world.localContacts());
    QCOMPARE(world.state.pairs.at(0).href, std::string("/book/c9"));
    const syncing::Plan again = world.run();
    QVERIFY(again.uploads.empty() && again.removals.empty() && !again.recordsChanged);
}

void TestReconcile::nothingChangedIsLinear()
{
    SyncWorld world;
    for (int i = 0; i < store::MaxRecords; ++i) {
        const std::string n = std::to_string(i);
        world.records.push_back(
            contact(("N" + n).c_str(), "Full", ("F" + n).c_str(), "C", n.c_str()));
    }
    world.run();
    QCOMPARE(world.server.size(), std::size_t(store::MaxRecords));

    syncing::ServerView view;
    for (const auto& [href, card] : world.server)
        view.etags[href] = card.etag;
    QElapsedTimer timer;
    timer.start();
    const auto fetch = syncing::cardsToFetch(world.state, world.records, view.etags);
    const syncing::Plan plan =
        syncing::reconcile(std::move(world.state), world.records, view, {}, {});
    const qint64 elapsed = timer.elapsed();
    QVERIFY(fetch.empty());
    qInfo("32767 contacts, nothing changed: %lld ms", elapsed);
    QVERIFY(plan.uploads.empty() && !plan.recordsChanged);
    // Linear, not quadratic: one look at each pair would take minutes here. (An optimised build
    // takes tens of milliseconds on a busy machine; this one may be unoptimised or sanitised.)
    QVERIFY2(elapsed < 10000, "a sync where nothing changed must take no time to decide");
}

// What the set-up remembered of the account (the book, the user, how it signs in) goes on
// from sync to sync: a sign-in forgotten would make the next sync ask for a password.
void TestReconcile::theAccountIsKeptAsItWas()
{
    syncing::SyncState last;
    last.bookUrl = "https://dav.example/book/";
    last.user = "ann@example.org";
    last.signInIssuer = "https://accounts.google.com";
    last.signInClient = "1234.apps.googleusercontent.com";
    last.syncToken = "t1";
    const syncing::Plan plan = syncing::reconcile(last, {}, {}, {}, {});
    QCOMPARE(plan.state.bookUrl, last.bookUrl);
    QCOMPARE(plan.state.user, last.user);
    QCOMPARE(plan.state.signInIssuer, last.signInIssuer);
    QCOMPARE(plan.state.signInClient, last.signInClient);
}

QTEST_GUILESS_MAIN(TestReconcile)
#include "tst_reconcile.moc"

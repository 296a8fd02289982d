// Which contacts a typed text finds, as --find, --dial and the desktop's search ask it: case
// and accents ignored, numbers in any writing against the number Dial dials, one record at a
// time and no file.
#include "search/contact_matching.h"
#include "support/data_folder.h"

#include <QTest>

namespace {

// The contact of most rows: prefix 0 and STD code 47 ticked, so Dial dials 047123.
const Contact Ann{"Ann", "Ann Example", "Example", "Oslo", "123", "47", "0", 1, 1};

} // namespace

Q_DECLARE_METATYPE(Contact)

class TestContactMatching : public QObject {
    Q_OBJECT

private slots:
    void findsByFieldOrNumber_data();
    void findsByFieldOrNumber();
    void closestFirst_data();
    void closestFirst();
};

void TestContactMatching::findsByFieldOrNumber_data()
{
    QTest::addColumn<Contact>("contact");
    QTest::addColumn<QStringList>("typed"); // one entry: --find's text; more: the desktop's words
    QTest::addColumn<bool>("found");

    const auto row = [](const char* name, const Contact& contact, QStringList typed, bool found) {
        QTest::newRow(name) << contact << typed << found;
    };
    const auto named = [](std::string full, std::string city = "") {
        return Contact{"Nick", std::move(full), "", std::move(city), "5"};
    };

    row("nickname in another case", Ann, {"aNN"}, true);
    row("part of the city", Ann, {"sl"}, true);
    row("blanks around the text", Ann, {"  oslo "}, true);
    row("a text of no field", Ann, {"bergen"}, false);
    row("the text across two fields is not found", Ann, {"example oslo"}, false);
    row("the same as two words of the desktop is", Ann, {"example", "oslo"}, true);
    row("every word must be found", Ann, {"ann", "bergen"}, false);
    // Accents and case, both ways, in the letters of the file's character set.
    row("plain letters find accented ones", named("J\xFCrgen M\xFCller"), {"muller"}, true);
    row("accented capitals find plain ones", named("Jurgen Muller"), {"M\xC3\x9CLLER"}, true);
    row("a letter of the set's upper half (\xC5\xA0)", named("\x8A\xE1rka"), {"sarka"}, true);
    row("\xC3\xB8 is typed o", named("S\xF8ren"), {"soren"}, true);
    row("\xC3\x9F is typed ss",
        named("", "Stra\xDF"
                  "e"),
        {"strasse"}, true);
    row("\xC3\x86 is typed ae", named("\xC6r\xF8"), {"aer"}, true);
    row("a dotted capital I", named("", "Istanbul"), {"\xC4\xB0STANBUL"}, true);
    row("full-width letters", Ann, {"\xEF\xBC\xA1\xEF\xBC\xAE\xEF\xBC\xAE"}, true);
    row("a ligature", named("", "Fiesole"),
        {"\xEF\xAC\x81"
         "esole"},
        true);
    row("another alphabet, as an import writes it", named("Ivan Petrov"),
        {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"}, true);
    row("a line break typed is a blank", Ann, {"ann\nexample"}, true);
    // A number against the number Dial dials: prefix and STD code only where ticked.
    row("the dialled number with separators", Ann, {"(0) 47-123"}, true);
    row("an international form of it", Ann, {"+47 123"}, true);
    row("a STD code not ticked is not dialled", Contact{"Ann", "", "", "", "123", "47", "0", 0, 0},
        {"47123"}, false);
    row("a greyed tick is no tick", Contact{"Ann", "", "", "", "123", "47", "", 2, 0}, {"47123"},
        false);
    row("full-width digits", Ann, {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93"}, true);
    row("Arabic-Indic digits", Ann, {"\xD9\xA1\xD9\xA2\xD9\xA3"}, true);
    row("digits and a letter are no number", Ann, {"123a"}, false);
    row("digits not in the number", Ann, {"124"}, false);
    row("a number and a name as two words", Ann, {"ann", "123"}, true);
    // What the desktop may hand over without a person meaning anything by it.
    row("a word longer than any field", Ann, {QString(300, u'a')}, false);
    row(
        "more words than a contact has", Ann,
        [] {
            QStringList many;
            for (int i = 0; i < 100; ++i)
                many.append(QString::number(i));
            return many;
        }(),
        false);
    row("the same word a thousand times", Ann, QStringList(1000, QStringLiteral("ann")), true);
    row("characters of no alphabet", Ann, {QStringLiteral("\u200B\uFFFF.*[(")}, false);
}

void TestContactMatching::findsByFieldOrNumber()
{
    QFETCH(Contact, contact);
    QFETCH(QStringList, typed);
    QFETCH(bool, found);

    const search::ContactQuery query = typed.size() == 1
                                           ? search::ContactQuery::fromText(typed.front())
                                           : search::ContactQuery::fromTerms(typed);
    QCOMPARE(query.asksNothing(), false);
    QCOMPARE(query.matches(makeRecord(contact, 1)), found);
}

void TestContactMatching::closestFirst_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<int>("closeness"); // -1: not found

    QTest::newRow("the nickname, in any case") << QStringList{"ANN"} << 0;
    QTest::newRow("the beginnings of words") << QStringList{"ex", "os"} << 1;
    QTest::newRow("a beginning and an inside") << QStringList{"ex", "sl"} << 2;
    QTest::newRow("a number") << QStringList{"0471"} << 2;
    QTest::newRow("not found") << QStringList{"ex", "bergen"} << -1;
}

void TestContactMatching::closestFirst()
{
    QFETCH(QStringList, typed);
    QFETCH(int, closeness);
    const search::ContactQuery query = search::ContactQuery::fromTerms(typed);
    const std::optional<int> expected =
        closeness < 0 ? std::nullopt : std::optional<int>(closeness);
    QCOMPARE(query.closenessIfFound(makeRecord(Ann, 1)), expected);
}

QTEST_APPLESS_MAIN(TestContactMatching)

#include "tst_contact_matching.moc"

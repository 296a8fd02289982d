// Telephone numbers compared as numbers: countries, trunk prefixes, "00" and "+", extensions,
// short numbers and texts the numbering plans cannot read; and the country the locale names.
#include "numbers/number_comparison.h"
#include "numbers/quick_key.h"
#include "numbers/telephone_region.h"

#include <QTest>

class TestNumberComparison : public QObject {
    Q_OBJECT

private slots:
    void regionComesFromTheLocale_data();
    void regionComesFromTheLocale();
    void numbersAreComparedAsNumbers_data();
    void numbersAreComparedAsNumbers();
    void aRecordsNumberIsTheOneDialDials_data();
    void aRecordsNumberIsTheOneDialDials();
};

void TestNumberComparison::regionComesFromTheLocale_data()
{
    QTest::addColumn<QString>("telephone");
    QTest::addColumn<QString>("all");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("region");

    QTest::newRow("LANG alone") << ""
                                << ""
                                << "de_DE.UTF-8"
                                << "DE";
    QTest::newRow("LC_ALL before LANG") << ""
                                        << "en_GB.UTF-8"
                                        << "de_DE.UTF-8"
                                        << "GB";
    QTest::newRow("LC_TELEPHONE first") << "fr_FR.UTF-8"
                                        << "en_GB.UTF-8"
                                        << "de_DE"
                                        << "FR";
    QTest::newRow("a modifier") << ""
                                << ""
                                << "sr_RS@latin"
                                << "RS";
    QTest::newRow("no codeset") << ""
                                << ""
                                << "en_IN"
                                << "IN";
    QTest::newRow("C.UTF-8 names no country") << ""
                                              << ""
                                              << "C.UTF-8"
                                              << "";
    QTest::newRow("POSIX") << ""
                           << "POSIX"
                           << "de_DE.UTF-8"
                           << "";
    QTest::newRow("a language alone") << ""
                                      << ""
                                      << "de"
                                      << "";
    QTest::newRow("nothing set") << ""
                                 << ""
                                 << ""
                                 << "";
    QTest::newRow("a broken locale") << ""
                                     << ""
                                     << "de_d"
                                     << "";
}

void TestNumberComparison::regionComesFromTheLocale()
{
    QFETCH(QString, telephone);
    QFETCH(QString, all);
    QFETCH(QString, lang);
    QFETCH(QString, region);
    QCOMPARE(QString::fromStdString(numbers::regionOfLocales(
                 telephone.toStdString(), all.toStdString(), lang.toStdString())),
             region);
}

void TestNumberComparison::numbersAreComparedAsNumbers_data()
{
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");

    // Germany: trunk prefix 0, international prefix 00.
    QTest::newRow("DE + and 00") << "DE"
                                 << "+49 30 1234567"
                                 << "0049 30 1234567" << true;
    QTest::newRow("DE + and trunk 0") << "DE"
                                      << "+49 30 1234567"
                                      << "030 1234567" << true;
    QTest::newRow("DE brackets and hyphen") << "DE"
                                            << "030 1234567"
                                            << "(030) 123-4567" << true;
    QTest::newRow("DE another number") << "DE"
                                       << "030 1234567"
                                       << "030 1234568" << false;
    QTest::newRow("DE another city") << "DE"
                                     << "030 1234567"
                                     << "040 1234567" << false;
    QTest::newRow("DE another country") << "DE"
                                        << "+43 30 1234567"
                                        << "030 1234567" << false;
    // The United Kingdom: trunk 0, the country code 44.
    QTest::newRow("GB trunk 0") << "GB"
                                << "020 7946 0018"
                                << "+44 20 7946 0018" << true;
    QTest::newRow("GB 00 from abroad") << "GB"
                                       << "00 44 20 7946 0018"
                                       << "02079460018" << true;
    // Italy keeps its leading 0 after the country code.
    QTest::newRow("IT leading 0 kept") << "IT"
                                       << "06 1234 5678"
                                       << "+39 06 1234 5678" << true;
    QTest::newRow("IT without the 0") << "IT"
                                      << "+39 6 1234 5678"
                                      << "06 1234 5678" << false;
    // The United States: trunk 1, international prefix 011.
    QTest::newRow("US trunk 1") << "US"
                                << "1 650 253 0000"
                                << "+1 (650) 253-0000" << true;
    QTest::newRow("US trunk and none") << "US"
                                       << "1 650 253 0000"
                                       << "650 253 0000" << true;
    QTest::newRow("US without trunk") << "US"
                                      << "650.253.0000"
                                      << "+16502530000" << true;
    QTest::newRow("US 011") << "US"
                            << "011 49 30 1234567"
                            << "+49 30 1234567" << true;
    // A number of the other country, written at home, is another number there.
    QTest::newRow("US national in DE") << "DE"
                                       << "650 253 0000"
                                       << "+1 650 253 0000" << false;
    // An extension belongs to the number.
    QTest::newRow("extension ext.") << "DE"
                                    << "030 1234567 ext. 12"
                                    << "+49 30 1234567 x12" << true;
    QTest::newRow("extension and none") << "DE"
                                        << "030 1234567 ext. 12"
                                        << "030 1234567" << false;
    QTest::newRow("another extension") << "DE"
                                       << "030 1234567 ext. 12"
                                       << "030 1234567 ext. 13" << false;
    // Short numbers are the same only as themselves.
    QTest::newRow("112 and 112") << "DE"
                                 << "112"
                                 << "112" << true;
    QTest::newRow("112 and 110") << "DE"
                                 << "112"
                                 << "110" << false;
    QTest::newRow("extension 1234 and 01234") << "DE"
                                              << "1234"
                                              << "01234" << false;
    QTest::newRow("short number spaced") << "DE"
                                         << "11 8 33"
                                         << "11833" << true;
    // No country known: without a country code, the digits decide.
    QTest::newRow("none + and 00") << ""
                                   << "+49 30 1234567"
                                   << "0049 30 1234567" << true;
    QTest::newRow("none spacing") << ""
                                  << "030 1234567"
                                  << "(030) 123-4567" << true;
    QTest::newRow("none trunk 0 unknown") << ""
                                          << "030 1234567"
                                          << "+49 30 1234567" << false;
    QTest::newRow("none extension") << ""
                                    << "+49 30 1234567 ext. 12"
                                    << "0049301234567x12" << true;
    QTest::newRow("a code no plan knows") << "XX"
                                          << "030 1234567"
                                          << "(030) 1234567" << true;
    QTest::newRow("a code no plan knows, trunk") << "XX"
                                                 << "030 1234567"
                                                 << "+49 30 1234567" << false;
    // What the numbering plans cannot read is compared by its digits, "*" and "#" counted.
    QTest::newRow("a star code") << "DE"
                                 << "*31#030 1234567"
                                 << "*31#0301234567" << true;
    QTest::newRow("a star code and none") << "DE"
                                          << "*31#030 1234567"
                                          << "030 1234567" << false;
    QTest::newRow("too long") << "DE"
                              << "123456789012345678901"
                              << "123456789012345678901" << true;
    QTest::newRow("too long, other") << "DE"
                                     << "123456789012345678901"
                                     << "123456789012345678902" << false;
    QTest::newRow("no digit") << "DE"
                              << "abc"
                              << "abc" << false;
    QTest::newRow("empty") << "DE"
                           << ""
                           << "" << false;
}

void TestNumberComparison::numbersAreComparedAsNumbers()
{
    QFETCH(QString, region);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    const numbers::NumberComparison comparison(region.toStdString());
    QCOMPARE(comparison.same(a.toStdString(), b.toStdString()), same);
    QCOMPARE(comparison.same(b.toStdString(), a.toStdString()), same);
    // The keys agree with the comparison, so that numbers can be grouped by them.
    const std::string keyA = comparison.key(a.toStdString());
    QCOMPARE(!keyA.empty() && keyA == comparison.key(b.toStdString()), same);
    // What is told without the numbering plans agrees with them.
    const auto quickA = numbers::quickKey(comparison, a.toStdString());
    if (quickA && quickA == numbers::quickKey(comparison, b.toStdString()))
        QVERIFY(same);
}

void TestNumberComparison::aRecordsNumberIsTheOneDialDials_data()
{
    QTest::addColumn<int>("usePrefix");
    QTest::addColumn<int>("useCode");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("sameAsGermanNumber");

    // Prefix "0", STD code "30", phone "1234567", in Germany.
    QTest::newRow("both ticked") << 1 << 1 << "0301234567" << true;
    QTest::newRow("prefix alone") << 1 << 0 << "01234567" << false;
    QTest::newRow("neither") << 0 << 0 << "1234567" << false;
    QTest::newRow("a greyed box is no tick") << 1 << 2 << "01234567" << false;
}

void TestNumberComparison::aRecordsNumberIsTheOneDialDials()
{
    QFETCH(int, usePrefix);
    QFETCH(int, useCode);
    QFETCH(QString, written);
    QFETCH(bool, sameAsGermanNumber);
    store::ContactRecord record;
    record.Prefix.assign("0");
    record.StdCode.assign("30");
    record.Phone.assign("1234567");
    record.UsePrefix = std::int16_t(usePrefix);
    record.UseStdCode = std::int16_t(useCode);
    // Each part as its box shows it, the blanks of the field's width and all.
    const std::string number = numbers::recordNumber(record);
    QCOMPARE(QString::fromStdString(number).remove(u' '), written);
    QCOMPARE(numbers::NumberComparison("DE").same(number, "+49 30 1234567"), sameAsGermanNumber);
}

QTEST_APPLESS_MAIN(TestNumberComparison)
#include "tst_number_comparison.moc"

#include "store/cp1252.h"
#include "window/form/store_text.h"

#include <QTest>

using namespace store;

class TestCp1252 : public QObject {
    Q_OBJECT

private slots:
    void everyByteDecodesAndEncodesBack();
    void knownCharacters_data();
    void knownCharacters();
    void charactersOutsideTheSetBecomeQuestionMarks_data();
    void charactersOutsideTheSetBecomeQuestionMarks();
    void windowTextMatchesTheStore();
    void upperCaseKeepsTheLength();
};

void TestCp1252::everyByteDecodesAndEncodesBack()
{
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t ch = decodeByte(static_cast<std::uint8_t>(byte));
        const auto back = encodeChar(ch);
        QVERIFY2(back.has_value(), qPrintable(QString::number(byte, 16)));
        QCOMPARE(int(*back), byte);
    }
}

void TestCp1252::knownCharacters_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<uint>("character");
    QTest::newRow("euro") << 0x80 << 0x20ACu;
    QTest::newRow("unassigned 81") << 0x81 << 0x81u;
    QTest::newRow("unassigned 8D") << 0x8D << 0x8Du;
    QTest::newRow("unassigned 8F") << 0x8F << 0x8Fu;
    QTest::newRow("unassigned 90") << 0x90 << 0x90u;
    QTest::newRow("unassigned 9D") << 0x9D << 0x9Du;
    QTest::newRow("left quote") << 0x91 << 0x2018u;
    QTest::newRow("Y diaeresis") << 0x9F << 0x178u;
    QTest::newRow("no-break space") << 0xA0 << 0xA0u;
    QTest::newRow("e acute") << 0xE9 << 0xE9u;
    QTest::newRow("sharp s") << 0xDF << 0xDFu;
    QTest::newRow("nul") << 0x00 << 0x00u;
}

void TestCp1252::knownCharacters()
{
    QFETCH(int, byte);
    QFETCH(uint, character);
    QCOMPARE(uint(decodeByte(static_cast<std::uint8_t>(byte))), character);
}

void TestCp1252::charactersOutsideTheSetBecomeQuestionMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("Cyrillic") << QStringLiteral("Жук") << QByteArray("???");
    QTest::newRow("C1 control not in the set") << QString(QChar(0x85)) << QByteArray("?");
    QTest::newRow("outside the BMP is one character")
        << QString::fromUcs4(U"a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("mixed") << QStringLiteral("Zoë €5")
                           << QByteArray("Zo\xEB \x80"
                                         "5");
}

void TestCp1252::charactersOutsideTheSetBecomeQuestionMarks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);
    QCOMPARE(QByteArray::fromStdString(toStore(text)), stored);
}

void TestCp1252::windowTextMatchesTheStore()
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const QString shown = fromStore(all);
    QCOMPARE(shown.size(), qsizetype(256));
    QCOMPARE(toStore(shown), all);
    QCOMPARE(toStoreExact(shown), std::optional<std::string>(all));
    QCOMPARE(toStoreExact(QStringLiteral("Жук")), std::optional<std::string>());
}

void TestCp1252::upperCaseKeepsTheLength()
{
    QCOMPARE(toUpperKeepingLength(QStringLiteral("ß")), QStringLiteral("ß"));
    QCOMPARE(toUpperKeepingLength(QStringLiteral("é")), QStringLiteral("É"));
    QCOMPARE(toUpperKeepingLength(QStringLiteral("7")), QStringLiteral("7"));
    QCOMPARE(trimBlanks(QStringLiteral("  a b\t ")), QStringLiteral("a b\t"));
}

QTEST_APPLESS_MAIN(TestCp1252)
#include "tst_cp1252.moc"

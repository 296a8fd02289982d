#include "exchange/card_export.h"
#include "exchange/card_import.h"
#include "exchange/card_patch.h"
#include "support/record_bytes.h"

#include <QTest>

using store::ContactRecord;

Q_DECLARE_METATYPE(RecordBytes)

namespace {

ContactRecord recordOf(const RecordBytes& fields)
{
    const QByteArray bytes = fields.bytes();
    return store::decodeRecord(std::span<const std::uint8_t, store::RecordSize>(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), store::RecordSize));
}

QByteArray exported(const RecordBytes& fields)
{
    const ContactRecord record = recordOf(fields);
    return QByteArray::fromStdString(exchange::exportCards({&record, 1}));
}

// Every byte from 0x80 to 0xFF once, spread over the text fields.
QByteArray upperBytes(int from, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(from + i));
    return bytes;
}

} // namespace

class TestCardExport : public QObject {
    Q_OBJECT

private slots:
    void importingAnExportRestoresTheRecord_data();
    void importingAnExportRestoresTheRecord();
    void cardProperties_data();
    void cardProperties();
    void aPatchedCardHasOneN_data();
    void aPatchedCardHasOneN();
    void linesAreFoldedAt75OctetsBetweenCharacters_data();
    void linesAreFoldedAt75OctetsBetweenCharacters();
};

void TestCardExport::importingAnExportRestoresTheRecord_data()
{
    QTest::addColumn<RecordBytes>("record");
    QTest::newRow("plain") << RecordBytes{
        0, "Ace", "Ace Ventura", "Ventura", "Miami", "5551234", "305", 1, "0", 1};
    QTest::newRow("bytes 80-9F") << RecordBytes{
        0, upperBytes(0x80, 15), upperBytes(0x8F, 17), "x", "y", "1", "", 0, "", 0};
    QTest::newRow("bytes A0-FF") << RecordBytes{0,
                                                upperBytes(0xF8, 8),
                                                upperBytes(0xA0, 25),
                                                upperBytes(0xB9, 25),
                                                upperBytes(0xD2, 25),
                                                "2",
                                                upperBytes(0xEB, 10),
                                                0,
                                                upperBytes(0xF5, 3),
                                                0};
    QTest::newRow("blank names and city") << RecordBytes{0, "solo", "", "", "", "42", "", 0, "", 0};
    QTest::newRow("only a family name") << RecordBytes{0, "f", "", "Smith", "", "42", "", 0, "", 0};
    QTest::newRow("greyed ticks") << RecordBytes{0, "g", "G", "", "", "1", "22", 2, "9", -1};
    QTest::newRow("ticks beyond") << RecordBytes{0, "h", "", "", "", "1", "", -32768, "", 32767};
    QTest::newRow("vCard's own characters")
        << RecordBytes{0, "a,b;c\\d", "x;y", "p,q\\", "Stratford, Avon", "1", "", 0, "", 0};
    QTest::newRow("inner and leading blanks in numbers")
        << RecordBytes{0, "n", "Anna  Maria", "", "", " 555 12 34", " 30", 1, " +", 1};
    QTest::newRow("every field full") << RecordBytes{0,
                                                     "Abcdefghijklmno",
                                                     QByteArray(25, 'F'),
                                                     QByteArray(25, 'G'),
                                                     QByteArray(25, 'C'),
                                                     "12345678901234567890",
                                                     "1234567890",
                                                     1,
                                                     "00+",
                                                     1};
}

void TestCardExport::importingAnExportRestoresTheRecord()
{
    QFETCH(RecordBytes, record);
    const ContactRecord original = recordOf(record);
    exchange::CardImport import({}, 32767);
    import.read(exchange::exportCards({&original, 1}), "out.vcf");
    QCOMPARE(import.leftOut().size(), 0u);
    QVERIFY2(import.changed().empty(), import.summary().c_str());
    QCOMPARE(import.records().size(), 1u);
    const auto again = store::encodeRecord(import.records().front());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(again.data()), 129), record.bytes());
}

void TestCardExport::cardProperties_data()
{
    QTest::addColumn<RecordBytes>("record");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray end = "X-ZARVOTH-USEPREFIX:%p\r\nX-ZARVOTH-USESTDCODE:%c\r\nEND:VCARD\r\n";
    QTest::newRow("prefix and code ticked are dialled")
        << RecordBytes{0, "Ace", "Ace", "Ventura", "Miami", "555-1234", "(305)", 1, "+", 1}
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Ace\r\nN:Ventura;Ace;;;\r\n"
                      "FN:Ace Ventura\r\nADR:;;;Miami;;;\r\nTEL;TYPE=VOICE:+3055551234\r\n"
                      "X-ZARVOTH-PHONE:555-1234\r\nX-ZARVOTH-PREFIX:+\r\n"
                      "X-ZARVOTH-STDCODE:(305)\r\n") +
               QByteArray(end).replace("%p", "1").replace("%c", "1");
    QTest::newRow("greyed and unticked are not dialled; FN from the family name")
        << RecordBytes{0, "b", "", "Brown", "", "77 88", "30", 2, "0", 0}
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:b\r\nN:Brown;;;;\r\nFN:Brown\r\n"
                      "TEL;TYPE=VOICE:7788\r\nX-ZARVOTH-PHONE:77 88\r\nX-ZARVOTH-PREFIX:0\r\n"
                      "X-ZARVOTH-STDCODE:30\r\n") +
               QByteArray(end).replace("%p", "0").replace("%c", "2");
    QTest::newRow("a line break is escaped, another control character goes out as a blank")
        << RecordBytes{0, "t\x01x", "a\nb", "", "", "1", "", 0, "", 0}
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:t x\r\nN:;a\\nb;;;\r\n"
                      "FN:a\\nb\r\nTEL;TYPE=VOICE:1\r\nX-ZARVOTH-PHONE:1\r\n") +
               QByteArray(end).replace("%p", "0").replace("%c", "0");
    QTest::newRow("no name: FN is the nickname; a phone without digits dials nothing")
        << RecordBytes{0, "z\xE9", "", "", "", "none", "", 0, "", 0}
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:z\xC3\xA9\r\nN:;;;;\r\n"
                      "FN:z\xC3\xA9\r\nX-ZARVOTH-PHONE:none\r\n") +
               QByteArray(end).replace("%p", "0").replace("%c", "0");
}

void TestCardExport::cardProperties()
{
    QFETCH(RecordBytes, record);
    QFETCH(QByteArray, expected);
    QCOMPARE(exported(record), expected);
}

// A card updated in place goes back with exactly one N, whichever fields the update replaces:
// a server may refuse a card without one.
void TestCardExport::aPatchedCardHasOneN_data()
{
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<bool>("names"); // the update replaces the names, else the city
    QTest::addColumn<QByteArray>("n");
    const QByteArray withN = "BEGIN:VCARD\nVERSION:3.0\nFN:Ann Smith\nN:Smith;Ann;Q;;\n"
                             "NICKNAME:Ann\nEND:VCARD\n";
    const QByteArray withoutN = "BEGIN:VCARD\nVERSION:3.0\nFN:Ann Smith\nNICKNAME:Ann\n"
                                "END:VCARD\n";
    QTest::newRow("N kept as it was") << withN << false << QByteArray("N:Smith;Ann;Q;;");
    QTest::newRow("N replaced") << withN << true << QByteArray("N:Jones;Ann;;;");
    QTest::newRow("N added for the city") << withoutN << false << QByteArray("N:Jones;Ann;;;");
    QTest::newRow("N added for the names") << withoutN << true << QByteArray("N:Jones;Ann;;;");
}

void TestCardExport::aPatchedCardHasOneN()
{
    QFETCH(QByteArray, card);
    QFETCH(bool, names);
    QFETCH(QByteArray, n);
    const ContactRecord record = recordOf({0, "Ann", "Ann", "Jones", "Oslo", "1", "", 0, "", 0});
    exchange::CardUpdate update;
    update.names = names;
    update.city = !names;
    const QByteArray patched =
        QByteArray::fromStdString(exchange::patchCard(card.toStdString(), record, update));
    QCOMPARE(patched.count("\nN:"), 1);
    QVERIFY2(patched.contains("\n" + n + "\n"), patched);
}

void TestCardExport::linesAreFoldedAt75OctetsBetweenCharacters_data()
{
    QTest::addColumn<QByteArray>("lead");
    QTest::addColumn<QByteArray>("character"); // Windows-1252, repeated to fill the names
    QTest::addColumn<QByteArray>("utf8");
    const QByteArray euro = "\xE2\x82\xAC";
    QTest::newRow("euro, 3 octets") << QByteArray() << QByteArray("\x80") << euro;
    QTest::newRow("euro shifted by one") << QByteArray("a") << QByteArray("\x80") << euro;
    QTest::newRow("euro shifted by two") << QByteArray("ab") << QByteArray("\x80") << euro;
    QTest::newRow("e acute, 2 octets")
        << QByteArray() << QByteArray("\xE9") << QByteArray("\xC3\xA9");
    QTest::newRow("e acute shifted")
        << QByteArray("a") << QByteArray("\xE9") << QByteArray("\xC3\xA9");
    QTest::newRow("ASCII") << QByteArray() << QByteArray("w") << QByteArray("w");
}

void TestCardExport::linesAreFoldedAt75OctetsBetweenCharacters()
{
    QFETCH(QByteArray, lead);
    QFETCH(QByteArray, character);
    QFETCH(QByteArray, utf8);
    const QByteArray name = lead + character.repeated(25 - lead.size());
    const QByteArray card = exported(RecordBytes{0, "n", name, name, name, "1", "", 0, "", 0});
    QCOMPARE(card.count('\n'), card.count("\r\n"));
    QByteArray unfolded;
    for (const QByteArray& line : card.chopped(2).split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData()); // 75 octets and the CR
        QVERIFY2(QString::fromUtf8(line).toUtf8() == line, "a character split by a fold");
        unfolded += line.startsWith(' ') ? line.mid(1).chopped(1) : "\n" + line.chopped(1);
    }
    const QByteArray text = lead + utf8.repeated(25 - lead.size());
    QVERIFY2(unfolded.contains("\nN:" + text + ";" + text + ";;;\n"), unfolded.constData());
    QVERIFY2(unfolded.contains("\nADR:;;;" + text + ";;;\n"), unfolded.constData());
}

QTEST_APPLESS_MAIN(TestCardExport)
#include "tst_card_export.moc"

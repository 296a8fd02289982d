#include "exchange/card_import.h"
#include "exchange/latin_letters.h"
#include "support/record_fields.h"
#include "sync/reconcile/contact_fields.h"

#include <QTest>

class TestCardImport : public QObject {
    Q_OBJECT

private slots:
    void cardsAsProgramsWriteThem_data();
    void cardsAsProgramsWriteThem();
    void summaryNamesEveryChange_data();
    void summaryNamesEveryChange();
    void aFileWithoutCardsIsRefusedWhole();
    void whatTheBookHoldsIsNotAddedAgain_data();
    void whatTheBookHoldsIsNotAddedAgain();
    void aFileImportedAgainAddsNothing_data();
    void aFileImportedAgainAddsNothing();
    void namesInLatinLetters_data();
    void namesInLatinLetters();
    void readingsInLatinLetters_data();
    void readingsInLatinLetters();
};

void TestCardImport::cardsAsProgramsWriteThem_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("first"); // the first record's fields
    QTest::addColumn<int>("count");
    QTest::newRow("3.0 as in the RFC, the home voice number")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Mr. John Q. Public\\, Esq.\r\n"
                      "N:Stevenson;John;Philip,Paul;Dr.;Jr.,M.D.,A.C.P.\r\nNICKNAME:Robbie\r\n"
                      "TEL;TYPE=fax:+1-213-555-1234\r\nTEL;TYPE=HOME,VOICE:(213) 555-4321\r\n"
                      "ADR;TYPE=dom,home,postal,parcel:;;123 Main Street;Any Town;CA;91921-1234\r\n"
                      "END:VCARD\r\n")
        << QByteArray("Robbie|John Philip Paul|Stevenson|Any Town|2135554321||0") << 1;
    QTest::newRow("4.0: PREF=1 wins, a tel: URI with an extension")
        << QByteArray(
               "BEGIN:VCARD\nVERSION:4.0\nFN:Simon Perreault\nN:Perreault;Simon;;;ing. jr,M.Sc.\n"
               "TEL;VALUE=uri;TYPE=\"voice,home\":tel:+1-418-262-6501\n"
               "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\n"
               "END:VCARD\n")
        << QByteArray("Simon|Simon|Perreault||14186569254|+|1") << 1;
    QTest::newRow("2.1 from a phone: quoted-printable UTF-8 with a soft line break")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCrgen Ma=\r\n"
                      "x;;;\r\nTEL;CELL;PREF:+49 171 2345678\r\nTEL;HOME:030 1234\r\nEND:VCARD\r\n")
        << QByteArray("J\xFCrgen Max|J\xFCrgen Max|M\xFCller||491712345678|+|1") << 1;
    QTest::newRow(
        "2.1 from a mail program: Latin-1 with and without CHARSET, bare QUOTED-PRINTABLE")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lefebvre;Ren\xE9\r\n"
                      "FN;CHARSET=ISO-8859-1:Ren\xE9 Lefebvre\r\n"
                      "ADR;WORK;QUOTED-PRINTABLE:;;Rue 1=0D=0A;Saint-=C9tienne\r\n"
                      "TEL;WORK;VOICE:04 77 12 34 56\r\nEND:VCARD\r\n")
        << QByteArray("Ren\xE9|Ren\xE9|Lefebvre|Saint-\xC9tienne|0477123456||0") << 1;
    QTest::newRow("2.1 in a character set not read: its letters cannot be stored")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=KOI8-R:\xF0\xC5\xD4\xD2\xCF\xD7;"
                      "\xE9\xD7\xC1\xCE 2\r\nTEL:1\r\nEND:VCARD\r\n")
        << QByteArray("???? 2|???? 2|??????||1||0") << 1;
    QTest::newRow("grouped, lower case, a cell after a fax, LF and tab folding, a BOM")
        << QByteArray("\xEF\xBB\xBF"
                      "begin:vcard\nversion:3.0\nn:Appleseed;Johnny;;;\n"
                      "fn:Johnny Appleseed\nitem1.tel;type=WORK;type=FAX:555\n"
                      "item2.TEL;type=CELL;type=VOICE:(0)\n\t171-555 777\nend:vcard\n")
        << QByteArray("Johnny|Johnny|Appleseed||0171555777||0") << 1;
    QTest::newRow("no N: the first word of FN, then FN as the full name")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ada King Lovelace\r\nTEL:1815\r\n"
                      "END:VCARD\r\n")
        << QByteArray("Ada|Ada King Lovelace|||1815||0") << 1;
    QTest::newRow("several cards, an embedded one, text around, the last one cut short")
        << QByteArray("From a mail\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN:A;Al\r\nTEL:1\r\n"
                      "AGENT:\r\nBEGIN:VCARD\r\nN:Agent;Smith\r\nTEL:9\r\nEND:VCARD\r\n"
                      "END:VCARD\r\nBEGIN:VCARD\r\nN:B;Bo\r\nTEL:2\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nN:C;Cy\r\nTEL:3\r\n")
        << QByteArray("Al|Al|A||1||0") << 3;
    QTest::newRow("escapes in the nickname list, unknown properties")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:3.0\r\nX-FOO;BAR=\"a:b\":c\r\nNICKNAME:Jo\\, Jr.,Joey\r\n"
               "PHOTO;ENCODING=b;TYPE=JPEG:MIICajCCAdOgAwIBAgICBEUwDQYJKoZIhvcNAQEEBQAwdz\r\n"
               " EL\r\nTEL:*31#\r\nEND:VCARD\r\n")
        << QByteArray("Jo, Jr.||||*31#||0") << 1;
    QTest::newRow("CR alone ends lines (older Apple programs), a list of nicknames")
        << QByteArray("BEGIN:VCARD\rVERSION:3.0\rN:Doe;Jane;;;\rNICKNAME:Johny,JJ\r"
                      "TEL;TYPE=CELL:555\r 0100\rEND:VCARD\r")
        << QByteArray("Johny|Jane|Doe||5550100||0") << 1;
    QTest::newRow("CR CR LF, a 2.1 nickname list beginning with a blank item")
        << QByteArray("BEGIN:VCARD\r\r\nVERSION:2.1\r\r\nN:Roe;Rick\r\r\nNICKNAME: ,RR,Ricky\r\r\n"
                      "TEL:7\r\r\nEND:VCARD\r\r\nBEGIN:VCARD\r\r\nTEL:8\r\r\nEND:VCARD\r\r\n")
        << QByteArray("RR|Rick|Roe||7||0") << 2;
    QTest::newRow("other alphabets in Latin letters")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Łukasz;Иван;;;\r\nADR:;;;北京;;;\r\n"
                      "TEL:1\r\nEND:VCARD\r\n")
        << QByteArray("Ivan|Ivan|Lukasz|bei jing|1||0") << 1;
    QTest::newRow("iPhone: readings of a name in kanji, no nickname")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.5//EN\r\n"
                      "N:山本;太郎;;;\r\nFN:山本 太郎\r\nX-PHONETIC-FIRST-NAME:たろう\r\n"
                      "X-PHONETIC-LAST-NAME:やまもと\r\n"
                      "TEL;type=CELL;type=VOICE;type=pref:090-1234-5678\r\nEND:VCARD\r\n")
        << QByteArray("Tarou|Tarou|Yamamoto||09012345678||0") << 1;
    QTest::newRow("4.0: N's SORT-AS in katakana, a reading for the family name alone")
        << QByteArray("BEGIN:VCARD\nVERSION:4.0\nFN:鈴木 一郎\n"
                      "N;SORT-AS=\"スズキ\":鈴木;Ichiro;;;\n"
                      "TEL;VALUE=uri;TYPE=\"cell,voice\":tel:+81-80-1234-5678\nEND:VCARD\n")
        << QByteArray("Ichiro|Ichiro|Suzuki||818012345678|+|1") << 1;
    QTest::newRow("2.1 from a Japanese phone: SOUND;X-IRMC-N, FN alone")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8:佐藤花子\r\n"
                      "SOUND;X-IRMC-N;CHARSET=UTF-8:さとう;はなこ;;;\r\nTEL;CELL:070-3456-7890\r\n"
                      "END:VCARD\r\n")
        << QByteArray("Hanako|Hanako Satou|||07034567890||0") << 1;
}

void TestCardImport::cardsAsProgramsWriteThem()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, first);
    QFETCH(int, count);
    exchange::CardImport import({}, 32767);
    import.read(file.toStdString(), "in.vcf");
    QCOMPARE(int(import.records().size()), count);
    QCOMPARE(fieldsOf(import.records().front()), first);
    // A sync reads a card it brings down the same way.
    const syncing::ServerCard fromServer = syncing::readServerCard(file.toStdString());
    QVERIFY(fromServer.fields);
    std::vector<exchange::FieldChange> changes;
    QCOMPARE(fieldsOf(syncing::fitCard(*fromServer.fields, changes)), first);
}

void TestCardImport::summaryNamesEveryChange_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("room");
    QTest::addColumn<QString>("summary");
    const QByteArray sample =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Gump;Forrest;;;\r\nNICKNAME:Bob\r\nTEL:111\r\nEND:"
        "VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nobody\r\nEMAIL:n@example.com\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Иван;;;\r\nTEL;TYPE=CELL:+7 495 "
        "1234567\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Wolfeschlegelsteinhausen;Hubert Blaine;;;\r\n"
        "NICKNAME:Hubertus Maximus\r\nTEL:2 ext 3\r\nEND:VCARD\r\n";
    QTest::newRow("duplicate, no phone, Cyrillic, over-long")
        << sample << 100
        << QStringLiteral(
               "3 contacts added.\n\nLeft out:\na.vcf: \"Nobody\": left out, no phone number\n\n"
               "Changed to fit:\n"
               "a.vcf: \"Forrest Gump\": Nick Name: \"Bob\" is taken; renamed \"Bob1\"\n"
               "a.vcf: \"Иван Петров\": Nick Name: written in Latin letters\n"
               "a.vcf: \"Иван Петров\": Full Name: written in Latin letters\n"
               "a.vcf: \"Иван Петров\": Family Name: written in Latin letters\n"
               "a.vcf: \"Hubert Blaine Wolfeschlegelsteinhausen\": Phone: \"ext 3\" left off the "
               "number\n"
               "a.vcf: \"Hubert Blaine Wolfeschlegelsteinhausen\": Nick Name: cut to 15 "
               "characters");
    const auto card = [](const char* lines) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + QByteArray(lines) + "END:VCARD\r\n";
    };
    QTest::newRow("taken in the file and earlier in the import, numbered within 15; case counts")
        << card("NICKNAME:x\r\nTEL:1\r\n") + card("NICKNAME:x\r\nTEL:2\r\n") +
               card("NICKNAME:Maximilianusxyz\r\nTEL:3\r\n") +
               card("NICKNAME:Maximilianusxyz\r\nTEL:4\r\n") + card("NICKNAME:bob\r\nTEL:5\r\n")
        << 100
        << QStringLiteral("5 contacts added.\n\nChanged to fit:\n"
                          "a.vcf: \"x\": Nick Name: \"x\" is taken; renamed \"x1\"\n"
                          "a.vcf: \"x\": Nick Name: \"x\" is taken; renamed \"x2\"\n"
                          "a.vcf: \"Maximilianusxyz\": Nick Name: \"Maximilianusxyz\" is taken; "
                          "renamed \"Maximilianusxy1\"");
    QTest::newRow("a long name is cut short in the report")
        << card("FN:" + QByteArray(70, 'L') + "\r\n") << 100
        << "No contact added.\n\nLeft out:\na.vcf: \"" + QString(57, u'L') +
               "...\": left out, no phone number";
    QTest::newRow("a stored number that is blank once cut to width")
        << card("FN:Ghost\r\nX-ZARVOTH-PHONE:" + QByteArray(20, '\t') + "5\r\n") << 100
        << QStringLiteral(
               "No contact added.\n\nLeft out:\na.vcf: \"Ghost\": left out, no phone number");
    QByteArray phoneless;
    QString lines;
    for (int i = 1; i <= 31; ++i) {
        phoneless += card("FN:P" + QByteArray::number(i) + "\r\n");
        if (i <= 30)
            lines += QStringLiteral("\na.vcf: \"P%1\": left out, no phone number").arg(i);
    }
    QTest::newRow("beyond 30 lines of a kind the rest is counted")
        << phoneless << 100 << "No contact added.\n\nLeft out:" + lines + "\n... and 1 more.";
    QTest::newRow("readings: the given and family names and the nickname from them; no reading")
        << card("N:山本;太郎;;;\r\nX-PHONETIC-FIRST-NAME:たろう\r\nX-PHONETIC-LAST-NAME: "
                "やまもと\r\n"
                "TEL:1\r\n") +
               card("N:佐藤;花子;;;\r\nTEL:2\r\n")
        << 100
        << QStringLiteral(
               "2 contacts added.\n\nChanged to fit:\n"
               "a.vcf: \"太郎 山本\": Full Name: written in Latin letters from its reading "
               "\"たろう\"\n"
               "a.vcf: \"太郎 山本\": Family Name: written in Latin letters from its "
               "reading \"やまもと\"\n"
               "a.vcf: \"太郎 山本\": Nick Name: written in Latin letters from its reading "
               "\"たろう\"\n"
               "a.vcf: \"花子 佐藤\": Nick Name: written in Latin letters\n"
               "a.vcf: \"花子 佐藤\": Full Name: written in Latin letters\n"
               "a.vcf: \"花子 佐藤\": Family Name: written in Latin letters");
    QTest::newRow("the book is full; a line break in a name")
        << card("FN:Line\\nBreak\r\nTEL:5\r\n") + card("FN:Late\r\nTEL:6\r\n") +
               card("FN:Phoneless\r\n")
        << 1
        << QStringLiteral("1 contact added.\n\nLeft out:\n"
                          "a.vcf: \"Late\": left out, the book is full\n"
                          "a.vcf: \"Phoneless\": left out, no phone number\n\nChanged to fit:\n"
                          "a.vcf: \"Line Break\": Full Name: line breaks and control characters "
                          "became blanks");
}

void TestCardImport::summaryNamesEveryChange()
{
    QFETCH(QByteArray, file);
    QFETCH(int, room);
    QFETCH(QString, summary);
    exchange::CardImport import({"Bob", "x"}, std::size_t(room));
    import.read(file.toStdString(), "a.vcf");
    QCOMPARE(QString::fromStdString(import.summary()), summary);
}

void TestCardImport::whatTheBookHoldsIsNotAddedAgain_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QByteArray>("book"); // the stored contacts afterwards, then the added ones
    const auto card = [](const char* lines) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + QByteArray(lines) + "END:VCARD\r\n";
    };
    const QByteArray unchanged = "Frank|Frank|Miller||030 1234567||0\nTim|Tim|Bauer|Koeln|040 "
                                 "7654321||0";
    QTest::newRow("the same nickname and number, otherwise written: a blank filled")
        << card("NICKNAME:Frank\r\nN:Miller;Frank;;;\r\nTEL:+49 30 1234567\r\n"
                "ADR:;;;Berlin;;;\r\n")
        << QStringLiteral("No contact added.\n1 contact was in the book already.\n\n"
                          "Already in the book:\n"
                          "a.vcf: \"Frank Miller\": in the book as \"Frank\"; filled in City")
        << QByteArray("Frank|Frank|Miller|Berlin|030 1234567||0\nTim|Tim|Bauer|Koeln|040 "
                      "7654321||0");
    QTest::newRow("the same names in other case: the book's text stays, the file's is told")
        << card("NICKNAME:Timmy\r\nN:BAUER;tim;;;\r\nTEL:(040) 765-4321\r\n"
                "ADR:;;;Hamburg;;;\r\n")
        << QStringLiteral("No contact added.\n1 contact was in the book already.\n\n"
                          "Already in the book:\n"
                          "a.vcf: \"tim BAUER\": in the book as \"Tim\"\n\n"
                          "The book's text kept:\n"
                          "a.vcf: \"tim BAUER\": Nick Name: the book keeps \"Tim\", the file "
                          "has \"Timmy\"\n"
                          "a.vcf: \"tim BAUER\": Full Name: the book keeps \"Tim\", the file "
                          "has \"tim\"\n"
                          "a.vcf: \"tim BAUER\": Family Name: the book keeps \"Bauer\", the "
                          "file has \"BAUER\"\n"
                          "a.vcf: \"tim BAUER\": City: the book keeps \"Koeln\", the file "
                          "has \"Hamburg\"")
        << unchanged;
    QTest::newRow("the same nickname, another number: someone else, renamed")
        << card("NICKNAME:Frank\r\nTEL:030 7654321\r\n")
        << QStringLiteral("1 contact added.\n\nChanged to fit:\n"
                          "a.vcf: \"Frank\": Nick Name: \"Frank\" is taken; renamed "
                          "\"Frank1\"")
        << unchanged + "\nFrank1||||0307654321||0";
    QTest::newRow("the same names, another number: someone else")
        << card("NICKNAME:F\r\nN:Miller;Frank;;;\r\nTEL:040 1234567\r\n")
        << QStringLiteral("1 contact added.") << unchanged + "\nF|Frank|Miller||0401234567||0";
    QTest::newRow("one number, blank names: someone else")
        << card("NICKNAME:Home\r\nTEL:030 1234567\r\n") << QStringLiteral("1 contact added.")
        << unchanged + "\nHome||||0301234567||0";
}

void TestCardImport::whatTheBookHoldsIsNotAddedAgain()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, summary);
    QFETCH(QByteArray, book);
    std::vector<store::ContactRecord> stored(2);
    stored[0].Nick.assign("Frank");
    stored[0].FullName.assign("Frank");
    stored[0].FamilyName.assign("Miller");
    stored[0].Phone.assign("030 1234567");
    stored[1].Nick.assign("Tim");
    stored[1].FullName.assign("Tim");
    stored[1].FamilyName.assign("Bauer");
    stored[1].City.assign("Koeln");
    stored[1].Phone.assign("040 7654321");
    const numbers::NumberComparison germany("DE");
    exchange::ContactImport import(stored, 100, germany);
    import.read(file.toStdString(), "a.vcf");
    QCOMPARE(QString::fromStdString(import.summary()), summary);
    QByteArrayList after;
    for (const store::ContactRecord& record : import.storedAfterFilling())
        after << fieldsOf(record);
    for (const store::ContactRecord& record : import.records())
        after << fieldsOf(record);
    QCOMPARE(after.join('\n'), book);
    // What was filled in is told record by record, for taking it back.
    for (const exchange::FilledContact& filled : import.filled())
        QCOMPARE(filled.after, import.storedAfterFilling()[filled.index]);
}

void TestCardImport::aFileImportedAgainAddsNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    // Frank's nickname is another Frank's: the first import stores him as "Frank1".
    QTest::newRow("vCard") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Frank\r\n"
                                         "TEL:030 7654321\r\nEND:VCARD\r\n"
                                         "BEGIN:VCARD\r\nVERSION:3.0\r\nNICKNAME:Ann\r\n"
                                         "N:Lee;Ann;;;\r\nTEL:040 111\r\nEND:VCARD\r\n");
    QTest::newRow("CSV") << QByteArray("Nickname,First Name,Last Name,Phone\n"
                                       "Frank,,,030 7654321\nAnn,Ann,Lee,040 111\n");
}

void TestCardImport::aFileImportedAgainAddsNothing()
{
    QFETCH(QByteArray, file);
    std::vector<store::ContactRecord> book(1);
    book[0].Nick.assign("Frank");
    book[0].Phone.assign("030 1234567");
    const numbers::NumberComparison germany("DE");
    for (int time = 1; time <= 2; ++time) {
        exchange::ContactImport import(book, 100, germany);
        import.readEither(file.toStdString(), "f");
        QCOMPARE(import.records().size(), time == 1 ? std::size_t(2) : std::size_t(0));
        if (time == 2)
            QVERIFY2(import.summary().starts_with("No contact added.\n2 contacts were in the book"),
                     import.summary().c_str());
        book.insert(book.end(), import.records().begin(), import.records().end());
    }
    QCOMPARE(fieldsOf(book[1]), QByteArray("Frank1||||0307654321||0"));
}

void TestCardImport::aFileWithoutCardsIsRefusedWhole()
{
    exchange::CardImport import({}, 10);
    QVERIFY_THROWS_EXCEPTION(exchange::NotVCard, import.read("N:Smith\r\nTEL:1\r\n", "notes.txt"));
    QVERIFY(import.records().empty() && import.leftOut().empty());
}

void TestCardImport::namesInLatinLetters_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("transliterated");
    QTest::addColumn<bool>("lost"); // some characters became "?"
    QTest::newRow("Cyrillic") << "Иван Петров"
                              << "Ivan Petrov" << true << false;
    QTest::newRow("Polish: what Windows-1252 lacks loses its mark")
        << "Łukasz Żółć"
        << "Lukasz Zólc" << true << false;
    QTest::newRow("Greek keeps the marks Windows-1252 has") << "Ελένη"
                                                            << "Eléne" << true << false;
    QTest::newRow("Chinese") << "北京"
                             << "bei jing" << true << false;
    QTest::newRow("Windows-1252 as it is") << "José Groß 5€ ?"
                                           << "José Groß 5€ ?" << false << false;
    QTest::newRow("no Latin spelling") << "Ann \U0001F600"
                                       << "Ann ?" << false << true;
    QTest::newRow("both") << "Борис \U0001F600"
                          << "Boris ?" << true << true;
}

void TestCardImport::namesInLatinLetters()
{
    QFETCH(QString, given);
    QFETCH(QString, stored);
    QFETCH(bool, transliterated);
    QFETCH(bool, lost);
    const exchange::LatinText latin = exchange::inWindows1252Letters(given.toStdU32String());
    QCOMPARE(QString::fromStdU32String(latin.text), stored);
    QCOMPARE(latin.transliterated, transliterated);
    QCOMPARE(latin.lost, lost);
}

void TestCardImport::readingsInLatinLetters_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("stored");
    QTest::newRow("hiragana") << "やまもと たろう"
                              << "Yamamoto Tarou";
    QTest::newRow("katakana, a long vowel loses its mark") << "イチロー"
                                                           << "Ichiro";
    QTest::newRow("Latin letters as they are") << "yamamoto"
                                               << "yamamoto";
    QTest::newRow("Hangul") << "김철수"
                            << "Gimcheolsu";
    QTest::newRow("Windows-1252 letters kept beside kana") << "Zoë ゆき"
                                                           << "Zoë Yuki";
}

void TestCardImport::readingsInLatinLetters()
{
    QFETCH(QString, reading);
    QFETCH(QString, stored);
    QCOMPARE(QString::fromStdU32String(exchange::readingInLatinLetters(reading.toStdU32String())),
             stored);
}

QTEST_APPLESS_MAIN(TestCardImport)
#include "tst_card_import.moc"

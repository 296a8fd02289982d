// CSV files as spreadsheets and mail programs write them, imported as contacts; the program's
// own CSV export imported back.
#include "exchange/column_meaning.h"
#include "exchange/contact_import.h"
#include "exchange/csv_export.h"
#include "exchange/formula_guard.h"
#include "support/data_folder.h"
#include "support/record_fields.h"

#include <QFile>
#include <QTest>

#include <map>
#include <set>

namespace {

QByteArray utf16le(const QString& text)
{
    return "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// A file as a program wrote it, kept beside this test.
QByteArray fixture(const QString& name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("files/") + name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no fixture %s", qPrintable(name));
    return file.readAll();
}

// A field's column in each field's place ("nick", "full", "family", "city", "phone"), "-" for
// none: "-0--1".
QString columnsText(const std::array<std::optional<std::size_t>, exchange::ContactFieldCount>& at)
{
    QString text;
    for (const auto& column : at)
        text += column ? QString::number(*column) : QStringLiteral("-");
    return text;
}

std::vector<exchange::ColumnRequest> requests(const QStringList& given)
{
    std::vector<exchange::ColumnRequest> out;
    for (const QString& request : given)
        out.push_back({*exchange::fieldNamed(request.section(u'=', 0, 0).toStdString()),
                       request.section(u'=', 1).toStdString()});
    return out;
}

} // namespace

class TestCsvImport : public QObject {
    Q_OBJECT

private slots:
    void headersAreComparedAsPeopleReadThem_data();
    void headersAreComparedAsPeopleReadThem();
    void columnNamesAgree_data();
    void columnNamesAgree();
    void filesAsProgramsWriteThem_data();
    void filesAsProgramsWriteThem();
    void summaryNamesTheRow();
    void unplacedColumnsTakeNothing_data();
    void unplacedColumnsTakeNothing();
    void formulasAreGuarded_data();
    void formulasAreGuarded();
    void ownExportComesBackExactly();
    void toldApartByContent_data();
    void toldApartByContent();
};

void TestCsvImport::headersAreComparedAsPeopleReadThem_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("folded");
    const auto row = [](const char* name, const QString& header, const QString& folded) {
        QTest::newRow(name) << header << folded;
    };
    row("case and accents", "Téléphone (Bureau)", "telephone (bureau)");
    row("Cyrillic capitals and ё", "ГОРОД Ёлки", "город елки");
    row("sharp s", "Straße", "strasse");
    row("blanks around and within, a no-break one; й is и with a mark",
        " \tГород \u00A0 (другой адрес) ", "город (другои адрес)");
    row("an ideographic space", "市町村\u3000(自宅)", "市町村 (自宅)");
    row("kana keep their voicing marks", "ガ", "ガ");
    row("nothing but blanks", " \t ", "");
}

void TestCsvImport::headersAreComparedAsPeopleReadThem()
{
    QFETCH(QString, header);
    QFETCH(QString, folded);
    QCOMPARE(QString::fromStdString(exchange::foldedHeader(header.toStdString())), folded);
}

// Every program and language of the table: its columns name known English ones, no name stands
// twice or for two fields, none means other than the English table says (which comes first),
// and a file of it can be imported (a given name, a family name and a phone number).
void TestCsvImport::columnNamesAgree_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<QString>("language");
    QStringList seen;
    for (const exchange::TranslatedColumn& column : exchange::translatedColumns()) {
        const QString language = QString::fromUtf8(column.language);
        const QString name =
            (column.program == exchange::Exporter::Outlook ? "Outlook " : "Thunderbird ") +
            language;
        if (!seen.contains(name)) {
            seen.append(name);
            QTest::newRow(qPrintable(name)) << int(column.program) << language;
        }
    }
    QVERIFY(seen.size() >= 20); // ten languages of two programs at the least
}

void TestCsvImport::columnNamesAgree()
{
    QFETCH(int, program);
    QFETCH(QString, language);
    const auto englishMeaning =
        [](std::string_view name) -> std::optional<exchange::ColumnMeaning> {
        for (const exchange::EnglishColumn& column : exchange::englishColumns()) {
            if (exchange::foldedHeader(column.name) == exchange::foldedHeader(name))
                return column.meaning;
        }
        return std::nullopt;
    };
    std::map<std::string, std::string_view> names; // folded name: its English column
    std::set<exchange::ColumnRole> roles;
    for (const exchange::TranslatedColumn& column : exchange::translatedColumns()) {
        if (int(column.program) != program || QString::fromUtf8(column.language) != language)
            continue;
        const auto meaning = englishMeaning(column.english);
        QVERIFY2(meaning, column.english.data());
        const std::string folded = exchange::foldedHeader(column.name);
        const auto [before, first] = names.emplace(folded, column.english);
        QVERIFY2(first, qPrintable(QStringLiteral("\"%1\" stands for \"%2\" and \"%3\"")
                                       .arg(QString::fromUtf8(column.name),
                                            QString::fromUtf8(before->second),
                                            QString::fromUtf8(column.english))));
        if (const auto english = englishMeaning(column.name))
            QVERIFY2(*english == *meaning, column.name.data());
        roles.insert(meaning->role);
    }
    for (exchange::ColumnRole needed :
         {exchange::ColumnRole::Given, exchange::ColumnRole::Family, exchange::ColumnRole::Phone})
        QVERIFY(roles.contains(needed));
}

void TestCsvImport::filesAsProgramsWriteThem_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("columns"); // as --map takes them
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("first"); // the first record's fields
    QTest::newRow("Google, older header: primary by \"*\", a fax passed over, ::: and a quoted "
                  "line break")
        << QByteArray("Name,Given Name,Additional Name,Family Name,Nickname,Group Membership,"
                      "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,"
                      "Phone 3 - Type,Phone 3 - Value,Address 1 - Formatted,Address 1 - City\n"
                      "John Q Smith,John,Q,Smith,,* myContacts,Work Fax,555 1,Mobile,555 2,"
                      "* Home,\"+1 (555) 222-3333 ::: 444\",\"1 Main St\nSpringfield\","
                      "Springfield\n")
        << QStringList() << 1 << QByteArray("John|John Q|Smith|Springfield|15552223333|+|1");
    QTest::newRow("Google, newer header: Label, mobile before work")
        << QByteArray("First Name,Middle Name,Last Name,Nickname,Phone 1 - Label,Phone 1 - Value,"
                      "Phone 2 - Label,Phone 2 - Value,Address 1 - Label,Address 1 - City\r\n"
                      "Mary,,Major,Mo,Work,020 1,Mobile,07700 2,Home,Leeds\r\n")
        << QStringList() << 1 << QByteArray("Mo|Mary|Major|Leeds|077002||0");
    QTest::newRow("Outlook in Excel's Europe: semicolons, Windows-1252, an empty primary")
        << QByteArray("First Name;Middle Name;Last Name;Nickname;Business Phone;Home Phone;"
                      "Mobile Phone;Primary Phone;Home City;Business City\r\n"
                      "J\xFCrgen;;M\xFCller;;030 111;030 222;0171 333;;;Berlin\r\n")
        << QStringList() << 1 << QByteArray("J\xFCrgen|J\xFCrgen|M\xFCller|Berlin|0171333||0");
    QTest::newRow("Thunderbird as UTF-16 with tabs: home before work")
        << utf16le(QStringLiteral("First Name\tLast Name\tDisplay Name\tNickname\tWork Phone\t"
                                  "Home Phone\tFax Number\tMobile Number\tHome City\r\n"
                                  "Ada\tLovelace\tAda Lovelace\tCountess\t020 1\t020 2\t020 9\t\t"
                                  "London\r\n"))
        << QStringList() << 1 << QByteArray("Countess|Ada|Lovelace|London|0202||0");
    QTest::newRow("typed in a spreadsheet, CR alone, a display name")
        << QByteArray("Name,Tel,City\rBob Dylan,555-0100,Duluth\r") << QStringList() << 1
        << QByteArray("Bob|Bob Dylan||Duluth|5550100||0");
    QTest::newRow("UTF-8 with a BOM, doubled quotes, a separator in quotes")
        << QByteArray("\xEF\xBB\xBF\"Nickname\",\"First Name\",\"Mobile\"\n"
                      "\"The \"\"Boss\"\"\",\"Bruce, B.\",\"+1 732\"")
        << QStringList() << 1 << QByteArray("The \"Boss\"|Bruce, B.|||1732|+|1");
    QTest::newRow("placed by the user, by name in any case and by number")
        << QByteArray("Vorname;Nachname;Telefon;Ort\nAnna;Berg;089 1;M\xC3\xBCnchen\n")
        << QStringList{"full=vorname", "family=2", "phone=Telefon", "city=4"} << 1
        << QByteArray("Anna|Anna|Berg|M\xFCnchen|0891||0");
    QTest::newRow("the program's own, guarded cells and a stored number")
        << QByteArray(
               "\xEF\xBB\xBF\"Nick Name\",\"Full Name\",\"Family Name\",\"City\",\"Phone\","
               "\"STD Code\",\"Use STD Code\",\"Prefix\",\"Use Prefix\"\r\n"
               "\"'=SUM(A1)\",\"'@x\",\"Smith\",\"'-Town\",\"12 34\",\"\",\"0\",\"+\",\"1\"\r\n")
        << QStringList() << 1 << QByteArray("=SUM(A1)|@x|Smith|-Town|12 34|+|1");
    QTest::newRow("Outlook in German: semicolons, Windows-1252, mobile before work, home city")
        << fixture("outlook-de.csv") << QStringList() << 2
        << QByteArray("J\xFCrgen|J\xFCrgen|M\xFCller|K\xF6ln|01712345678||0");
    QTest::newRow("Outlook in French: the primary number first")
        << fixture("outlook-fr.csv") << QStringList() << 1
        << QByteArray("H\xE9l\xE8ne|H\xE9l\xE8ne|Lef\xE8vre|Saint-\xC9tienne|0477123456||0");
    QTest::newRow("Thunderbird in Spanish: a comma after the last cell")
        << fixture("thunderbird-es.csv") << QStringList() << 1
        << QByteArray("Pepe|Jos\xE9|N\xFA\xF1"
                      "ez Garc\xED"
                      "a|Sevilla|34612345678|+|1");
    QTest::newRow("Google in Japanese: names in kanji written from their readings")
        << fixture("google-ja.csv") << QStringList() << 3
        << QByteArray("Tarou|Tarou|Yamamoto||09012345678||0");
    QTest::newRow("Outlook in Japanese: readings in katakana")
        << QByteArray("名,姓,名前フリガナ,姓フリガナ,携帯電話\r\n一郎,鈴木,イチロウ,スズキ,080-"
                      "1111-2222\r\n")
        << QStringList() << 1 << QByteArray("Ichirou|Ichirou|Suzuki||08011112222||0");
    QTest::newRow("Thunderbird in Chinese: no reading, so as before")
        << QByteArray("名字,姓氏,显示姓名,昵称,工作电话,家庭电话,移动电话号码,城市\n"
                      "小龙,李,李小龙,,010 1234 5678,,139 1234 5678,北京\n")
        << QStringList() << 1 << QByteArray("xiao l\xF3ng|xiao l\xF3ng|li|bei jing|13912345678||0");
    QTest::newRow("Outlook in Russian: a no-break space in a header")
        << QByteArray("Имя,Фамилия,Телефон переносной,Город \xC2\xA0(другой адрес)\n"
                      "Иван,Петров,+7 912 345 67 89,Тверь\n")
        << QStringList() << 1 << QByteArray("Ivan|Ivan|Petrov|Tver'|79123456789|+|1");
    QTest::newRow("Outlook in Portugal: Apelido is the family name")
        << QByteArray("Primeiro nome;Apelido;Telem\xF3vel;Localidade da resid\xEAncia\r\n"
                      "Jo\xE3o;Silva;912 345 678;Lisboa\r\n")
        << QStringList() << 1 << QByteArray("Jo\xE3o|Jo\xE3o|Silva|Lisboa|912345678||0");
    QTest::newRow("Thunderbird in Brazil: Apelido is the nickname")
        << QByteArray(
               "Primeiro nome,Sobrenome,Apresentar como,Apelido,Telefone comercial,"
               "Telefone residencial,N\xC3\xBAmero celular,Cidade\n"
               "Jo\xC3\xA3o,Silva,Jo\xC3\xA3o Silva,Jota,,,(11) 91234-5678,S\xC3\xA3o Paulo\n")
        << QStringList() << 1 << QByteArray("Jota|Jo\xE3o|Silva|S\xE3o Paulo|11912345678||0");
    QTest::newRow("typed without accents, in capitals, with blanks around and within")
        << QByteArray("  PRENOM ;NOM;TELEPHONE   PRINCIPAL\nAnne;Roy;01 23\n") << QStringList() << 1
        << QByteArray("Anne|Anne|Roy||0123||0");
}

void TestCsvImport::filesAsProgramsWriteThem()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, columns);
    QFETCH(int, count);
    QFETCH(QByteArray, first);
    exchange::ContactImport import({}, 32767);
    import.readEither(file.toStdString(), "in.csv", requests(columns));
    QCOMPARE(int(import.records().size()), count);
    QCOMPARE(fieldsOf(import.records().front()), first);
}

void TestCsvImport::summaryNamesTheRow()
{
    exchange::ContactImport import({"Bob"}, 100);
    import.readCsv("Nickname,Phone\nBob,1\n\nNobody,\n\"Иван\nIvanov\",+7 2\n", "b.csv");
    QCOMPARE(QString::fromStdString(import.summary()),
             QStringLiteral("2 contacts added.\n\nLeft out:\n"
                            "b.csv: row 4: \"Nobody\": left out, no phone number\n\n"
                            "Changed to fit:\n"
                            "b.csv: row 2: \"Bob\": Nick Name: \"Bob\" is taken; renamed \"Bob1\"\n"
                            "b.csv: row 5: \"Иван Ivanov\": Nick Name: line breaks and control "
                            "characters became blanks\n"
                            "b.csv: row 5: \"Иван Ivanov\": Nick Name: written in Latin letters"));
}

void TestCsvImport::unplacedColumnsTakeNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("why");
    QTest::addColumn<QString>("found");   // the column found for each field, "-" for none
    QTest::addColumn<QString>("guessed"); // the same, by what the first rows hold
    QTest::newRow("nothing known, too short a number")
        << QByteArray("Wer,Ruf\nAnna,1\n\nBen,2\n") << QStringList()
        << "no phone column and no name column found"
        << "-----"
        << "-0---";
    QTest::newRow("nothing known, guessed by what the columns hold")
        << QByteArray("Ruf;Wer\r\n+49 89 1234567;Anna\r\n;\r\n(089) 765-4321;\r\n") << QStringList()
        << "no phone column and no name column found"
        << "-----"
        << "-1--0";
    QTest::newRow("a postcode and an e-mail address are neither")
        << QByteArray("PLZ,Mail\n80331,ann@example.org\n") << QStringList()
        << "no phone column and no name column found"
        << "-----"
        << "-----";
    QTest::newRow("no phone") << QByteArray("E-mail,Name\na@b,Ann\n") << QStringList()
                              << "no phone column found"
                              << "-1---"
                              << "-----";
    QTest::newRow("no name") << QByteArray("Mobile,Fax\n1,2\n") << QStringList()
                             << "no name column found"
                             << "----0"
                             << "-----";
    QTest::newRow("a name not there")
        << QByteArray("Name,Phone\nAnn,1\n") << QStringList{"city=Stadt"}
        << "no column \"Stadt\" in the file"
        << "-0--1"
        << "-----";
    QTest::newRow("a number beyond the columns")
        << QByteArray("Name,Phone\nAnn,1\n") << QStringList{"phone=3"}
        << "no column \"3\" in the file"
        << "-0--1"
        << "-----";
}

void TestCsvImport::unplacedColumnsTakeNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, columns);
    QFETCH(QString, why);
    QFETCH(QString, found);
    QFETCH(QString, guessed);
    exchange::ContactImport import({}, 100);
    try {
        import.readCsv(file.toStdString(), "c.csv", requests(columns));
        QFAIL("the columns were taken as placed");
    } catch (const exchange::UnplacedColumns& refusal) {
        QCOMPARE(QString::fromStdString(refusal.what()), why);
        QCOMPARE(columnsText(refusal.found), found);
        QCOMPARE(columnsText(refusal.guessed), guessed);
        QCOMPARE(refusal.header.size(), std::size_t(2));
        QVERIFY(!refusal.firstRows.empty() && refusal.firstRows.size() <= 5);
    }
    QVERIFY(import.records().empty() && import.leftOut().empty());
}

void TestCsvImport::formulasAreGuarded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    const auto row = [](const QString& text, const QString& cell) {
        QTest::newRow(qPrintable(text)) << text << cell;
    };
    row("=1+1", "'=1+1");
    row("@SUM(A1)", "'@SUM(A1)");
    row("\tx", "'\tx");
    row("\rx", "'\rx");
    row("+A1", "'+A1");
    row("-x", "'-x");
    row("+49 171", "+49 171");
    row("-5", "-5");
    row("+", "+");
    row("'=x", "''=x");
    row("''@x", "'''@x");
    row("'plain", "'plain");
    row("Bob = Bob", "Bob = Bob");
}

void TestCsvImport::formulasAreGuarded()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(QString::fromStdString(exchange::guardedCell(text.toStdString())), cell);
    QCOMPARE(QString::fromStdString(exchange::unguardedCell(cell.toStdString())), text);
}

// Every record, the tricky ones too, comes back byte for byte; the file is what spreadsheets
// expect.
void TestCsvImport::ownExportComesBackExactly()
{
    std::vector<store::ContactRecord> records;
    for (const Contact& contact :
         std::initializer_list<Contact>{{"=HYPERLINK(\"x\")", "Say \"hi\", ok", "'@home", "-Berlin",
                                         " 12 34", "+x", "+", 1, 1},
                                        {"Zo\xEB", "\x80 5", "a;b,c", "'", "1", "", "", 0, 0},
                                        {"Ann", "", "", "", "7", "", "", 0, 0}}) {
        records.push_back(makeRecord(contact, 0));
    }
    const std::string csv = exchange::exportCsv(records);
    QVERIFY(QByteArray::fromStdString(csv).endsWith(
        "\r\n\"Ann\",\"\",\"\",\"\",\"7\",\"\",\"0\",\"\",\"0\"\r\n"));
    QVERIFY(csv.starts_with(
        "\xEF\xBB\xBF\"Nick Name\",\"Full Name\",\"Family Name\",\"City\","
        "\"Phone\",\"STD Code\",\"Use STD Code\",\"Prefix\",\"Use Prefix\"\r\n"
        "\"'=HYPERLINK(\"\"x\"\")\",\"Say \"\"hi\"\", ok\",\"''@home\",\"'-Berlin\""));
    exchange::ContactImport import({}, 100);
    import.readEither(csv, "own.csv");
    QCOMPARE(import.changed(), std::vector<std::string>());
    QVERIFY(import.records() == records);
}

void TestCsvImport::toldApartByContent_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("contacts"); // -1: neither vCard nor CSV
    QTest::newRow("vCard") << QByteArray("\xEF\xBB\xBF"
                                         "BEGIN:VCARD\nFN:A, B\nTEL:1\nEND:VCARD\n")
                           << 1;
    QTest::newRow("CSV") << QByteArray("Name,Phone\nA,1\nB,2\n") << 2;
    QTest::newRow("the program's own, empty") << QByteArray(exchange::exportCsv({}).c_str()) << 0;
    QTest::newRow("a note with a comma") << QByteArray("Shopping: milk, bread\n") << -1;
    QTest::newRow("a binary file") << QByteArray("a,b\n\0,1\n", 8) << -1;
    QTest::newRow("empty") << QByteArray() << -1;
}

void TestCsvImport::toldApartByContent()
{
    QFETCH(QByteArray, file);
    QFETCH(int, contacts);
    exchange::ContactImport import({}, 100);
    try {
        import.readEither(file.toStdString(), "file.vcf");
        QCOMPARE(int(import.records().size()), contacts);
    } catch (const exchange::NotContacts&) {
        QCOMPARE(contacts, -1);
    }
}

QTEST_APPLESS_MAIN(TestCsvImport)
#include "tst_csv_import.moc"

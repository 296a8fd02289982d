// The program's commands, run as a user runs them: the real binary, in a folder of its own, on
// no display. Every failure is one line on standard error that names what failed, an exit
// status of 2 for a wrong command line and 1 for a file that could not be read or written,
// and "datphone" as it was.
#include "store/file_system.h"
#include "support/carddav_server.h"
#include "support/data_folder.h"
#include "support/demanding_front.h"
#include "support/recording_tel_handler.h"
#include "sync/setup/set_up_state.h"
#include "sync/state/state_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

struct Call {
    QString program = QStringLiteral(ZARVOTH_BINARY);
    QByteArray input = {}; // standard input, which ends after it
    QString home = {};     // where ~/.netrc is looked for; a folder of no one's by default
};

Run zarvothIn(const QProcessEnvironment& environment, const QStringList& arguments,
              const Call& call = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(call.program, arguments);
    process.write(call.input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        qFatal("zarvoth %s did not end", qPrintable(arguments.join(u' ')));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

Run zarvoth(const QStringList& arguments, const Call& call = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    // Neither the desktop's keyring nor the tester's own ~/.netrc has a say.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("HOME"),
                       call.home.isEmpty() ? QStringLiteral("/nonexistent") : call.home);
    return zarvothIn(environment, arguments, call);
}

const QByteArray Three = encoded(recordsNamed({"Ann", "Bob", "Cid"}));

// The commands where the telephone's locale is `locale`: in Germany 030 1234567 is
// +49 30 1234567.
Run zarvothInGermany(const QStringList& arguments,
                     const QString& locale = QStringLiteral("de_DE.UTF-8"))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    environment.insert(QStringLiteral("LC_TELEPHONE"), locale);
    return zarvothIn(environment, arguments);
}

// Frank and Tim twice each, as two imports of one phone's contacts leave them, and Ann once.
std::vector<store::ContactRecord> bookWithDuplicates()
{
    return {makeRecord({"Frank", "Frank", "Miller", "", "030 1234567"}, 1),
            makeRecord({"Ann", "Ann", "Lee", "Bonn", "0228 111111"}, 2),
            makeRecord({"Frank1", "Frank", "Miller", "Berlin", "+49 30 1234567"}, 3),
            makeRecord({"Tim", "Tim", "Bauer", "", "7654321", "40", "0", 1, 1}, 4),
            makeRecord({"Tim1", "tim", "bauer", "Hamburg", "0049 40 7654321"}, 5)};
}
// A card as phones write them, for the imports that must fail before any card is used.
const QByteArray OneCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Eve Sand\r\nN:Sand;Eve;;;\r\n"
                           "TEL;TYPE=CELL:+44 20 7946 0000\r\nEND:VCARD\r\n";

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void endsWithItsStatusAndOneLine_data();
    void endsWithItsStatusAndOneLine();
    void exportWritesAPrivateFileAndNothingElse();
    void importAddsBehindTheStoredAndExportGivesThemBack();
    void withoutItsModuleSaysSoAndChangesNothing_data();
    void withoutItsModuleSaysSoAndChangesNothing();
    void setUpTakesTheAddressAsTyped_data();
    void setUpTakesTheAddressAsTyped();
    void tellsWhereToMakeAnAppPassword_data();
    void tellsWhereToMakeAnAppPassword();
    void failedSyncSaysOnlyWhatItDid_data();
    void failedSyncSaysOnlyWhatItDid();
    void syncSaysTheServerAskedToWait();
    void findListsAndDialCalls_data();
    void findListsAndDialCalls();
    void duplicatesAreListedAndMergedAllAtOnce();
    void importingTwiceAddsNothing();
};

void TestCommandLine::endsWithItsStatusAndOneLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("err"); // the whole of standard error
    QTest::addColumn<QByteArray>("out"); // how standard output begins
    QTest::addColumn<bool>("held");      // another Zarvoth holds the folder all along

    const auto row = [](const char* name, QStringList arguments, int status, QByteArray err,
                        QByteArray out = {}, bool held = false) {
        QTest::newRow(name) << arguments << status << err << out << held;
    };
    // The commands take turns with the windows: they wait, then give up.
    row("export while the folder is held", {"--export", "-"}, 1,
        "zarvoth: another Zarvoth window is still busy with these contacts; nothing was done, "
        "try again in a moment\n",
        {}, true);
    row("help", {"--help"}, 0, {}, "Usage: zarvoth [--import FILE... [--map FIELD=COLUMN]... |\n");
    row("version", {"--version"}, 0, {}, "zarvoth " ZARVOTH_VERSION "\n");
    row("export of the book to standard output", {"--export", "-"}, 0, {});
    row("unknown option", {"--frobnicate"}, 2,
        "zarvoth: unknown option \"--frobnicate\"; zarvoth --help lists the commands\n");
    row("a file name alone", {"cards.vcf"}, 2,
        "zarvoth: unknown option \"cards.vcf\"; zarvoth --help lists the commands\n");
    row("help with an argument", {"--help", "x"}, 2,
        "zarvoth: --help takes no argument; found \"x\"\n");
    row("import of nothing", {"--import"}, 2,
        "zarvoth: --import needs at least one vCard or CSV file\n");
    row("import of a missing file", {"--import", "gone.vcf"}, 2,
        "zarvoth: no such file \"gone.vcf\"; nothing was imported\n");
    row("import of a card and a missing file", {"--import", "one.vcf", "gone.vcf"}, 2,
        "zarvoth: no such file \"gone.vcf\"; nothing was imported\n");
    row("import of a text file", {"--import", "notes.txt"}, 2,
        "zarvoth: \"notes.txt\" is neither vCard nor CSV; nothing was imported\n");
    row("import of a CSV file whose phone column is not known", {"--import", "people.csv"}, 2,
        "zarvoth: \"people.csv\": no phone column found; nothing was "
        "imported\nThe columns of \"people.csv\":\n  1  \"Vorname\"\n  2  \"Telefon\"\n"
        "Say which column holds each field with --map FIELD=COLUMN, FIELD one of nick, full, "
        "family, city, phone and COLUMN a name or a number above; for example:\n"
        "  zarvoth --import \"people.csv\" --map full=1 --map phone=2\n");
    row("import of a CSV file whose columns are guessed", {"--import", "kunden.csv"}, 2,
        "zarvoth: \"kunden.csv\": no phone column and no name column found; nothing was "
        "imported\nThe columns of \"kunden.csv\":\n  1  \"Nr\"\n  2  \"Kunde\"  (full, a guess)\n"
        "  3  \"Ruf\"  (phone, a guess)\n"
        "Say which column holds each field with --map FIELD=COLUMN, FIELD one of nick, full, "
        "family, city, phone and COLUMN a name or a number above; for example (a guess from "
        "what the columns hold):\n"
        "  zarvoth --import \"kunden.csv\" --map full=2 --map phone=3\n");
    row("a --map of no field", {"--import", "people.csv", "--map", "name=1"}, 2,
        "zarvoth: --map needs FIELD=COLUMN, FIELD one of nick, full, family, city, phone; "
        "found \"name=1\"\n");
    row("a --map without its value", {"--import", "people.csv", "--map"}, 2,
        "zarvoth: --map needs a value\n");
    row("a --map beside --export", {"--export", "-", "--map", "nick=1"}, 2,
        "zarvoth: --map goes with --import\n");
    row("a format not known", {"--export", "-", "--format", "xls"}, 2,
        "zarvoth: --format takes vcard or csv; found \"xls\"\n");
    row("export as CSV to standard output", {"--format", "csv", "--export", "-"}, 0, {},
        "\xEF\xBB\xBF\"Nick Name\",\"Full Name\"");
    row("import of a folder", {"--import", "folder.vcf"}, 1,
        "zarvoth: could not read the file \"folder.vcf\": Is a directory\n");
    row("export to no file", {"--export"}, 2,
        "zarvoth: --export needs exactly one file (- for standard output)\n");
    row("export to two files", {"--export", "a.vcf", "b.vcf"}, 2,
        "zarvoth: --export needs exactly one file (- for standard output)\n");
    row("export over the data file", {"--export", "./datphone"}, 1,
        "zarvoth: could not write the file \"./datphone\": it is the file of the contacts "
        "themselves\n");
    row("sync before any set-up", {"--sync"}, 2,
        "zarvoth: sync is not set up for these contacts; zarvoth --sync-setup URL --user NAME "
        "sets it up\n");
    row("sync with an argument", {"--sync", "now"}, 2,
        "zarvoth: --sync takes no argument; found \"now\"\n");
    row("set-up without a user", {"--sync-setup", "https://dav.example/"}, 2,
        "zarvoth: usage: zarvoth --sync-setup URL --user NAME [--book NAME] "
        "[--password-stdin]\n");
    // The address is the user name: the set-up goes on to ask for the password.
    row("set-up from an e-mail address without a user",
        {"--sync-setup", "ann@example.org", "--password-stdin"}, 1,
        "zarvoth: no password on standard input\n");
    // A Gmail address is a Google account, which signs in through the browser.
    row("set-up of a Gmail address without a client", {"--sync-setup", "ann@gmail.com"}, 2,
        "zarvoth: Google gives no sign-in to a program as such: register a \"Desktop app\" "
        "client of your own with the CardDAV API (the README says how) and name it with "
        "--client-id ID --client-secret-stdin\n");
    row("set-up of a Gmail address with a password",
        {"--sync-setup", "ann@gmail.com", "--client-id", "c", "--password-stdin"}, 2,
        "zarvoth: this server takes no password: it signs in through the browser\n");
    row("set-up with the password on the command line",
        {"--sync-setup", "https://dav.example/", "--user", "ann", "--password", "x"}, 2,
        "zarvoth: a password is never taken on the command line; use --password-stdin, the "
        "keyring or ~/.netrc\n");
    row("set-up of no server address", {"--sync-setup", "dav", "--user", "ann"}, 2,
        "zarvoth: \"dav\" is no server address; give one such as https://example.org/\n");
    row("set-up over plain http to another machine",
        {"--sync-setup", "http://dav.example/", "--user", "ann", "--password-stdin"}, 2,
        "zarvoth: refusing plain http:// to dav.example: the password would travel "
        "unencrypted; use https://\n");
    row("duplicates of a book without any", {"--duplicates"}, 0, {}, "No duplicates.\n");
    row("merge in a book without duplicates", {"--merge-duplicates"}, 0, {}, "No duplicates.\n");
    row("duplicates with an argument", {"--duplicates", "x"}, 2,
        "zarvoth: --duplicates takes no argument; found \"x\"\n");
    row("merge with an argument", {"--merge-duplicates", "all"}, 2,
        "zarvoth: --merge-duplicates takes no argument; found \"all\"\n");
    row("merge while the folder is held", {"--merge-duplicates"}, 1,
        "zarvoth: another Zarvoth window is still busy with these contacts; nothing was done, "
        "try again in a moment\n",
        {}, true);
    row("export into a missing folder", {"--export", "no/such/out.vcf"}, 1,
        "zarvoth: could not write the file \"no/such/out.vcf\": No such file or directory\n");
}

void TestCommandLine::endsWithItsStatusAndOneLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, err);
    QFETCH(QByteArray, out);
    QFETCH(bool, held);

    DataFolder folder;
    folder.writeBytes(Three);
    folder.writeBytes(OneCard, QStringLiteral("one.vcf"));
    folder.writeBytes("Shopping: milk, bread\n", QStringLiteral("notes.txt"));
    folder.writeBytes("Vorname,Telefon\nAnna,1\n", QStringLiteral("people.csv"));
    folder.writeBytes("Nr;Kunde;Ruf\r\n17;Anna Berg;+49 89 1234567\r\n",
                      QStringLiteral("kunden.csv"));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder.vcf")));

    const auto lock = held ? store::posixFileSystem().lockFolder([] {}) : nullptr;
    const Run run = zarvoth(arguments);
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, status);
    QVERIFY2(run.out.startsWith(out), run.out.constData());
    if (status != 0)
        QVERIFY(run.out.isEmpty());
    QCOMPARE(folder.bytes(), Three);
    const QStringList left = QDir(folder.path()).entryList(QDir::Files);
    QCOMPARE(left, QStringList({"datphone", "kunden.csv", "notes.txt", "one.vcf", "people.csv"}));
}

// A new file of contacts is its owner's alone, and the book needs no data file to be exported
// (and gets none).
void TestCommandLine::exportWritesAPrivateFileAndNothingElse()
{
    DataFolder folder;
    const Run run = zarvoth({"--export", "contacts.vcf"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    QVERIFY(!folder.exists(QStringLiteral("datphone")));
    QCOMPARE(QFile::permissions(folder.filePath(QStringLiteral("contacts.vcf"))),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

// What comes in goes behind what is stored, with its position as RecordNo; what goes out
// comes back byte for byte into an empty book.
void TestCommandLine::importAddsBehindTheStoredAndExportGivesThemBack()
{
    DataFolder folder;
    folder.writeBytes(Three);
    folder.writeBytes(OneCard, QStringLiteral("one.vcf"));
    const Run added = zarvoth({"--import", "one.vcf"});
    QCOMPARE(added.err, QByteArray());
    QCOMPARE(added.status, 0);
    QVERIFY2(!added.out.isEmpty(), "the summary is printed");
    const auto records = folder.records();
    QCOMPARE(records.size(), std::size_t(4));
    QCOMPARE(folder.bytes().left(Three.size()), Three);
    QCOMPARE(records[3].RecordNo, std::int16_t(4));
    QCOMPARE(records[3].Nick.trimmed(), std::string_view("Eve"));

    const Run exported = zarvoth({"--export", "-"});
    QCOMPARE(exported.status, 0);
    QCOMPARE(folder.bytes().size(), 4 * 129);
    DataFolder empty;
    empty.writeBytes(exported.out, QStringLiteral("book.vcf"));
    QCOMPARE(zarvoth({"--import", "book.vcf"}).status, 0);
    QCOMPARE(empty.bytes(), folder.bytes());

    // The same as CSV, told by the file's name; and a CSV file whose columns the user places.
    QCOMPARE(zarvoth({"--export", folder.filePath(QStringLiteral("book.CSV"))}).status, 0);
    DataFolder again;
    QCOMPARE(zarvoth({"--import", folder.filePath(QStringLiteral("book.CSV"))}).status, 0);
    QCOMPARE(again.bytes(), folder.bytes());
    again.writeBytes("Vorname;Telefon\r\nAnna;+49 1\r\n", QStringLiteral("people.csv"));
    const Run placed =
        zarvoth({"--map", "full=Vorname", "--import", "people.csv", "--map", "phone=2"});
    QCOMPARE(placed.out, QByteArray("1 contact added.\n"));
    QCOMPARE(again.records().back().Nick.trimmed(), std::string_view("Anna"));
}

void TestCommandLine::withoutItsModuleSaysSoAndChangesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");      // the module the program looks for
    QTest::addColumn<QByteArray>("module"); // the file beside the program, if any
    QTest::addColumn<QString>("reason");    // %1: the program's folder, %2: the module's

    const QString sync = QStringLiteral("libzarvoth-sync.so");
    const QString none = QStringLiteral("no %3 in %1 or %2");
    QTest::newRow("sync, the module deleted")
        << QStringList{"--sync"} << sync << QByteArray() << none;
    QTest::newRow("set-up, the module deleted")
        << QStringList{"--sync-setup", "https://dav.example/", "--user", "ann"} << sync
        << QByteArray() << none;
    QTest::newRow("sync, the module broken")
        << QStringList{"--sync"} << sync << QByteArray("not a library")
        << QStringLiteral("%1/%3: file too short");
    const QString window = QStringLiteral("libzarvoth-window.so");
    QTest::newRow("window, the module deleted") << QStringList() << window << QByteArray() << none;
    QTest::newRow("window on what a search found, the module broken")
        << QStringList{"--show-found", "ann"} << window << QByteArray("not a library")
        << QStringLiteral("%1/%3: file too short");
}

// The program copied where no module lies beside it, or a broken one does.
void TestCommandLine::withoutItsModuleSaysSoAndChangesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(QByteArray, module);
    QFETCH(QString, reason);

    QTemporaryDir installed;
    QVERIFY(QDir(installed.path()).mkpath(QStringLiteral("bin")));
    // As the program finds its own path: with no symbolic link in it.
    const QString root = QFileInfo(installed.path()).canonicalFilePath();
    const QString bin = root + QStringLiteral("/bin");
    QVERIFY(QFile::copy(QStringLiteral(ZARVOTH_BINARY), bin + QStringLiteral("/zarvoth")));
    if (!module.isEmpty()) {
        QFile broken(bin + u'/' + file);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(module);
    }
    DataFolder folder;
    folder.writeBytes(Three);
    syncing::rememberSetUp(store::posixFileSystem(), QStringLiteral("ann"),
                           QUrl(QStringLiteral("https://dav.example/ann/contacts/")));
    const QByteArray setUp = folder.bytes(QString::fromLatin1(syncing::StateFileName));

    const Run run = zarvoth(arguments, {.program = bin + QStringLiteral("/zarvoth")});
    const QString because =
        QString(reason)
            .replace(QStringLiteral("%1"), bin)
            .replace(QStringLiteral("%2"), root + QStringLiteral("/" ZARVOTH_MODULE_DIR))
            .replace(QStringLiteral("%3"), file);
    const QByteArray what = file.contains(QStringLiteral("sync")) ? "sync is not available"
                                                                  : "the window could not be opened";
    QCOMPARE(run.err, "zarvoth: " + what + ": its module could not be loaded (" +
                          because.toUtf8() + "); installing Zarvoth again mends it\n");
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(folder.bytes(), Three);
    QCOMPARE(folder.bytes(QString::fromLatin1(syncing::StateFileName)), setUp);
}

void TestCommandLine::setUpTakesTheAddressAsTyped_data()
{
    QTest::addColumn<QString>("typed"); // %1: the port of a Radicale on 127.0.0.1
    QTest::addColumn<QString>("taken"); // the address used; none for no address
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // a line standard output holds
    QTest::addColumn<QString>("err"); // the whole of standard error

    const QString noPassword = QStringLiteral("zarvoth: no password on standard input\n");
    const auto noAddress = [](const char* typed) {
        return QStringLiteral("zarvoth: \"%1\" is no server address; give one such as "
                              "https://example.org/\n")
            .arg(QLatin1String(typed));
    };
    const auto row = [](const char* typed, const char* taken, QByteArray input, int status,
                        const char* out, const QString& err) {
        QTest::newRow(typed) << QString::fromLatin1(typed) << QString::fromLatin1(taken) << input
                             << status << QString::fromLatin1(out) << err;
    };
    const char* setUp = "Sync is set up with the address book \"Contacts\" at %1.";
    // Those of this machine are set up with the server; the others stop at the password,
    // which is not given, before anything is sent.
    row("127.0.0.1:%1", "http://127.0.0.1:%1/", "secret\n", 0, setUp, {});
    row("localhost:%1/alice/", "http://localhost:%1/alice/", "secret\n", 0, setUp, {});
    row("example.org", "https://example.org/", {}, 1, "", noPassword);
    row("[::1]:8080", "http://[::1]:8080/", {}, 1, "", noPassword);
    row("127.8.9.10", "http://127.8.9.10/", {}, 1, "", noPassword);
    row("LocalHost", "http://localhost/", {}, 1, "", noPassword);
    row("localhost.example.org:8443", "https://localhost.example.org:8443/", {}, 1, "", noPassword);
    row("https://x/", "https://x/", {}, 1, "", noPassword);
    row("ann@example.org", "https://ann@example.org/", {}, 1, "", noPassword);
    row("dav", "", {}, 2, "", noAddress("dav"));
    row("exa mple.org", "", {}, 2, "", noAddress("exa mple.org"));
    row("example.org:dav", "", {}, 2, "", noAddress("example.org:dav"));
    row("ftp://example.org/", "", {}, 2, "", noAddress("ftp://example.org/"));
    row("https://", "", {}, 2, "", noAddress("https://"));
}

void TestCommandLine::setUpTakesTheAddressAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, taken);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const bool toServer = typed.contains(QLatin1String("%1"));
    std::unique_ptr<CardDavServer> server;
    if (toServer) {
        server = std::make_unique<CardDavServer>(CardDavServer::Kind::Radicale);
        const QString port = QString::number(server->port());
        typed = typed.arg(port);
        taken = taken.arg(port);
        // The address book found from there, on the host as it was typed.
        QUrl book = server->bookUrl();
        book.setHost(QUrl(taken).host());
        out = out.arg(book.toString());
    }
    const std::optional<QUrl> address = syncing::serverAddress(typed);
    QCOMPARE(address ? address->toString() : QString(), taken);

    DataFolder folder;
    folder.writeBytes(Three);
    const Run run =
        zarvoth({"--sync-setup", typed, "--user", "alice", "--password-stdin"}, {.input = input});
    QCOMPARE(QString::fromUtf8(run.err), err);
    QCOMPARE(run.status, status);
    QVERIFY2(QString::fromUtf8(run.out).split(u'\n').contains(out) || out.isEmpty(),
             run.out.constData());
    QCOMPARE(folder.exists(QString::fromLatin1(syncing::StateFileName)), status == 0);
    QCOMPARE(folder.bytes(), Three);
}

void TestCommandLine::tellsWhereToMakeAnAppPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("hint"); // a word of the hint; none for no hint
    QTest::addColumn<QString>("mailDomain");
    QTest::newRow("iCloud") << "contacts.icloud.com"
                            << "account.apple.com"
                            << "";
    QTest::newRow("iCloud by address") << "ann@icloud.com"
                                       << "App-Specific"
                                       << "icloud.com";
    QTest::newRow("Fastmail") << "https://carddav.fastmail.com/dav/"
                              << "Fastmail"
                              << "";
    QTest::newRow("mailbox.org") << "ann@mailbox.org"
                                 << "mailbox.org"
                                 << "mailbox.org";
    QTest::newRow("Nextcloud") << "https://cloud.example.org/remote.php/dav"
                               << "Nextcloud"
                               << "";
    QTest::newRow("a look-alike") << "https://notfastmail.com/"
                                  << ""
                                  << "";
    QTest::newRow("another server") << "https://dav.example.org/"
                                    << ""
                                    << "";
    QTest::newRow("a user in the URL") << "https://ann@dav.example.org/dav/"
                                       << ""
                                       << "";
}

void TestCommandLine::tellsWhereToMakeAnAppPassword()
{
    QFETCH(QString, typed);
    QFETCH(QString, hint);
    QFETCH(QString, mailDomain);
    const std::optional<QUrl> start = syncing::serverAddress(typed);
    QVERIFY(start);
    const std::optional<std::string> said = syncing::appPasswordHint(*start);
    QCOMPARE(said.has_value(), !hint.isEmpty());
    if (said)
        QVERIFY2(QString::fromStdString(*said).contains(hint) &&
                     said->find('\n') == std::string::npos,
                 said->c_str());
    QCOMPARE(syncing::mailDomainOf(*start), mailDomain);
    QCOMPARE(syncing::isMailAddress(typed), !mailDomain.isEmpty());
}

void TestCommandLine::failedSyncSaysOnlyWhatItDid_data()
{
    QTest::addColumn<bool>("serverGone"); // else it refuses every change
    QTest::addColumn<QByteArray>("out");  // the whole of standard output

    QTest::newRow("the server gone, nothing done") << true << QByteArray();
    QTest::newRow("a contact came in, then the server refused one")
        << false << QByteArray("1 contact in, 0 out\n");
}

void TestCommandLine::failedSyncSaysOnlyWhatItDid()
{
    QFETCH(bool, serverGone);
    QFETCH(QByteArray, out);

    CardDavServer server(CardDavServer::Kind::Radicale);
    QTemporaryDir home;
    QFile netrc(home.filePath(QStringLiteral(".netrc")));
    QVERIFY(netrc.open(QIODevice::WriteOnly));
    netrc.write("machine 127.0.0.1 login alice password secret\n");
    netrc.close();
    QVERIFY(netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    // Each folder a device of its own, set up with the same address book.
    const auto device = [&](DataFolder& folder, const std::string& nick) {
        folder.writeRecords(recordsNamed({nick}));
        syncing::rememberSetUp(store::posixFileSystem(), QStringLiteral("alice"), server.bookUrl());
    };
    {
        // Another device puts Dee on the server first.
        DataFolder other;
        device(other, "Dee");
        QCOMPARE(zarvoth({"--sync"}, {.home = home.path()}).out,
                 QByteArray("0 contacts in, 1 out\n"));
    }
    DataFolder folder;
    device(folder, "Ann");
    if (serverGone)
        server.stop();
    else
        server.refuseWrites();

    const Run run = zarvoth({"--sync"}, {.home = home.path()});
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("zarvoth: ") && run.err.count('\n') == 1 &&
                 run.err.endsWith("; nothing was lost, the next sync picks up\n"),
             run.err.constData());
}

// A service that throttles (iCloud answers 503 with Retry-After): the command says it waits,
// on standard error beside its summary, and then syncs as ever.
void TestCommandLine::syncSaysTheServerAskedToWait()
{
    CardDavServer server(CardDavServer::Kind::Radicale);
    DemandingFront front(server.port(), QStringLiteral("alice"), QStringLiteral("secret"));
    front.answerFirst({"HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1\r\n"
                       "Content-Length: 0\r\n\r\n"});
    QTemporaryDir home;
    QFile netrc(home.filePath(QStringLiteral(".netrc")));
    QVERIFY(netrc.open(QIODevice::WriteOnly));
    netrc.write("machine 127.0.0.1 login alice password secret\n");
    netrc.close();
    QVERIFY(netrc.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    DataFolder folder;
    folder.writeRecords(recordsNamed({"Ann"}));
    syncing::rememberSetUp(store::posixFileSystem(), QStringLiteral("alice"),
                           front.url(server.bookUrl()));

    // The front answers in this process: the program runs beside the event loop.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("HOME"), home.path());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZARVOTH_BINARY), {QStringLiteral("--sync")});
    process.closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 30000);
    QCOMPARE(process.readAllStandardError(),
             QByteArray("zarvoth: the server asked to wait; asking again in 1 s\n"));
    QCOMPARE(process.readAllStandardOutput(), QByteArray("0 contacts in, 1 out\n"));
    QCOMPARE(process.exitCode(), 0);
}

namespace {

// Dial dials 047123 for Ann (prefix and STD code ticked) and 55501 for Anneli; Bob's number
// holds a letter, Eve has none, and Cid's fields hold a tab and a line break.
const std::vector<Contact> FindBook = {
    {"Ann", "Ann Example", "Example", "Oslo", "123", "47", "0", 1, 1},
    {"Anneli", "Anneli M\xFCller", "M\xFCller", "Bergen", "555-01", "22", "", 0, 0},
    {"Bob", "Bob Stone", "Stone", "Oslo", "12 x9"},
    {"Cid", "Cid\tTab", "", "New\nYork", "7"},
    {"Eve", "Eve Sand", "Sand", "", ""},
};
const QByteArray AnnLine = "Ann\tAnn Example\tExample\tOslo\t047123\n";
const QByteArray AnneliLine = "Anneli\tAnneli M\xC3\xBCller\tM\xC3\xBCller\tBergen\t55501\n";

} // namespace

// Each group is listed with its contacts; the merge keeps the first of each in its place, its
// blanks filled from the others, and removes the others, in one step.
void TestCommandLine::duplicatesAreListedAndMergedAllAtOnce()
{
    DataFolder folder;
    const std::vector<store::ContactRecord> book = bookWithDuplicates();
    folder.writeRecords(book);
    const Run listed = zarvothInGermany({"--duplicates"});
    QCOMPARE(listed.err, QByteArray());
    QCOMPARE(listed.status, 0);
    QCOMPARE(listed.out, QByteArray("2 contacts, one person:\n"
                                    "  Frank\tFrank\tMiller\t\t0301234567\n"
                                    "  Frank1\tFrank\tMiller\tBerlin\t+49301234567\n"
                                    "\n"
                                    "2 contacts, one person:\n"
                                    "  Tim\tTim\tBauer\t\t0407654321\n"
                                    "  Tim1\ttim\tbauer\tHamburg\t0049407654321\n"));
    QCOMPARE(folder.records(), book);

    // A merge the sync could not be told of is no merge: the sync would delete the merged cards
    // without giving the kept ones what they hold.
    folder.writeBytes("damaged\n", QStringLiteral("syncphone"));
    const Run untold = zarvothInGermany({"--merge-duplicates"});
    QCOMPARE(untold.status, 1);
    QVERIFY2(untold.err.contains("syncphone"), untold.err.constData());
    QCOMPARE(folder.bytes(), encoded(book));
    QVERIFY(QFile::remove(folder.filePath(QStringLiteral("syncphone"))));

    const Run merged = zarvothInGermany({"--merge-duplicates"});
    QCOMPARE(merged.err, QByteArray());
    QCOMPARE(merged.status, 0);
    QCOMPARE(merged.out, QByteArray("Merged into \"Frank\": \"Frank1\"\n"
                                    "  Frank\tFrank\tMiller\tBerlin\t0301234567\n"
                                    "Merged into \"Tim\": \"Tim1\"\n"
                                    "  Tim\tTim\tBauer\tHamburg\t0407654321\n"
                                    "4 contacts merged into 2.\n"));
    store::ContactRecord frank = book[0];
    frank.City.assign("Berlin");
    store::ContactRecord tim = book[3];
    tim.City.assign("Hamburg");
    QCOMPARE(folder.bytes(), encoded({frank, book[1], tim}));
    QVERIFY(!folder.exists(QStringLiteral("imphone")));

    const QByteArray after = folder.bytes();
    QCOMPARE(zarvothInGermany({"--duplicates"}).out, QByteArray("No duplicates.\n"));
    QCOMPARE(zarvothInGermany({"--merge-duplicates"}).out, QByteArray("No duplicates.\n"));
    QCOMPARE(folder.bytes(), after);

    // Where no country is known, 030 1234567 and +49 30 1234567 are told apart by their digits.
    folder.writeRecords(book);
    QCOMPARE(zarvothInGermany({"--duplicates"}, QStringLiteral("C.UTF-8")).out,
             QByteArray("No duplicates.\n"));
}

// A file imported again finds every contact in the book: nothing is added, nothing written.
void TestCommandLine::importingTwiceAddsNothing()
{
    DataFolder folder;
    folder.writeBytes(Three);
    folder.writeBytes(OneCard, QStringLiteral("one.vcf"));
    QCOMPARE(zarvothInGermany({"--import", "one.vcf"}).status, 0);
    const QByteArray once = folder.bytes();
    QCOMPARE(zarvothInGermany({"--export", "book.vcf"}).status, 0);
    const Run again = zarvothInGermany({"--import", "one.vcf", "book.vcf"});
    QCOMPARE(again.err, QByteArray());
    QCOMPARE(again.status, 0);
    QVERIFY2(again.out.startsWith("No contact added.\n5 contacts were in the book already.\n\n"
                                  "Already in the book:\n"
                                  "one.vcf: \"Eve Sand\": in the book as \"Eve\"\n"),
             again.out.constData());
    QCOMPARE(folder.bytes(), once);
}

void TestCommandLine::findListsAndDialCalls_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("telProgram"); // the desktop has a program for tel: links
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<QStringList>("handled"); // the links the tel: program got

    const auto row = [](const char* name, QStringList arguments, int status, QByteArray out,
                        QByteArray err = {}, QStringList handled = {}, bool telProgram = true) {
        QTest::newRow(name) << arguments << telProgram << status << out << err << handled;
    };
    row("find by part of a nickname, in stored order", {"--find", "ANN"}, 0, AnnLine + AnneliLine);
    row("find without accents", {"--find", "muller"}, 0, AnneliLine);
    row("find a number as written", {"--find", "+47 123"}, 0, AnnLine);
    row("find nothing", {"--find", "Zed"}, 1, {});
    row("find everyone", {"--find", ""}, 0,
        AnnLine + AnneliLine + "Bob\tBob Stone\tStone\tOslo\t\nCid\tCid Tab\t\tNew York\t7\n" +
            "Eve\tEve Sand\tSand\t\t\n");
    row("a number Dial refuses is no number to dial", {"--find", "bob"}, 0,
        "Bob\tBob Stone\tStone\tOslo\t\n");
    row("find without a text", {"--find"}, 2, {},
        "zarvoth: --find needs exactly one text to look for; quote it when it holds blanks\n");
    row("find with two texts", {"--find", "ann", "bob"}, 2, {},
        "zarvoth: --find needs exactly one text to look for; quote it when it holds blanks\n");

    row("dial a nickname as stored", {"--dial", "Ann"}, 0, {}, {}, {"tel:047123"});
    row("dial the one contact found", {"--dial", "m\xC3\xBCller"}, 0, {}, {}, {"tel:55501"});
    row("dial what finds two", {"--dial", "ann"}, 2, AnnLine + AnneliLine,
        "zarvoth: 2 contacts are found by \"ann\"; nothing was dialled: give one of their "
        "nicknames\n");
    row("dial what finds no one", {"--dial", "Zed"}, 2, {},
        "zarvoth: no contact is found by \"Zed\"; nothing was dialled\n");
    row("dial a number with a letter", {"--dial", "Bob"}, 1, {},
        "zarvoth: \"12x9\" was not dialled: it holds \"x\", which cannot be dialled.\n\n"
        "A number is dialled from its digits and \"+\", \"*\" and \"#\"; blanks and the "
        "separators \"-\", \".\", \"(\" and \")\" are left out. Correct the prefix, STD code or "
        "phone number and press Dial again.\n");
    row("dial a contact without a number", {"--dial", "Eve"}, 1, {},
        "zarvoth: \"Eve\" has no phone number; nothing was dialled\n");
    row("dial with no program for tel: links", {"--dial", "Ann"}, 1, {},
        "zarvoth: No program is set up to place calls, so 047123 was not dialled.\n\n"
        "Install a telephone program that takes tel: links, for instance one of the Debian "
        "packages gnome-calls, linphone-desktop or kdeconnect (which calls through your paired "
        "phone), or choose one for tel: links in the desktop's settings.\n",
        {}, false);
    row("dial nobody", {"--dial"}, 2, {},
        "zarvoth: --dial needs exactly one contact: a nickname, or what --find finds the "
        "contact by\n");
}

void TestCommandLine::findListsAndDialCalls()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, telProgram);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QStringList, handled);

    RecordingTelHandler desktop;
    if (!telProgram)
        desktop.removeProgram();
    DataFolder folder;
    std::vector<store::ContactRecord> records;
    for (const Contact& contact : FindBook)
        records.push_back(makeRecord(contact, static_cast<std::int16_t>(records.size() + 1)));
    folder.writeRecords(records);
    const QByteArray book = folder.bytes();

    const Run run = zarvothIn(desktop.environment(), arguments);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, status);
    // A call that goes out reaches the program at once; one that must not is given as long.
    QCOMPARE(
        desktop.handled(handled.isEmpty() ? 1 : int(handled.size()), handled.isEmpty() ? 1 : 10),
        handled);
    QCOMPARE(desktop.browsed(), QString());
    QCOMPARE(folder.bytes(), book);
}

QTEST_GUILESS_MAIN(TestCommandLine)

#include "tst_command_line.moc"

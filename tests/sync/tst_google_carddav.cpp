// Syncing with a server that behaves as Google's CardDAV does (google_front.py): signed in
// through the browser, the book found through /.well-known alone, new cards renamed and given
// other UIDs, If-Match not enforced, N and vCard 3.0 demanded, a quota. The program knows the
// front's host:port as a Google host from the user's server-traits file.
#include "support/carddav_server.h"
#include "support/data_folder.h"
#include "support/google_front.h"
#include "support/sign_in_world.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <map>
#include <memory>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray curl(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral("curl"), QStringList{QStringLiteral("-sS")} + arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return process.readAllStandardOutput();
}

QByteArray cardWithout(const QByteArray& nick, const QByteArray& property)
{
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + nick + "\r\nFN:" + nick + "\r\nN:;" +
                      nick + ";;;\r\nNICKNAME:" + nick + "\r\nTEL:0123456789\r\nEND:VCARD\r\n";
    return card.replace("\r\n" + property + ':', "\r\nX-LEFT-OUT-" + property + ':');
}

} // namespace

class TestGoogleCardDav : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void setUpFindsTheBookThroughTheWellKnownAddress();
    void firstSyncBothWays();
    void editsAfterTheRename_data();
    void editsAfterTheRename();
    void aChangeMadeSinceIsKept_data();
    void aChangeMadeSinceIsKept();
    void everyCardWrittenHasN_data();
    void everyCardWrittenHasN();
    void aQuotaIsWaitedOut();

private:
    Run zarvoth(const QStringList& arguments);
    Run sync();
    // The cards Xandikos keeps, asked of it directly: href -> text.
    std::map<QString, QByteArray> cardsOnServer() const;
    QByteArray cardOf(const QByteArray& nick) const;
    void putOnServer(const QByteArray& name, const QByteArray& card) const;
    const store::ContactRecord* recordOf(const std::string& nick);

    std::unique_ptr<CardDavServer> xandikos_;
    std::unique_ptr<AuthorizationServer> authorization_;
    std::unique_ptr<GoogleFront> front_;
    std::unique_ptr<SignInDesktop> desktop_;
    std::unique_ptr<DataFolder> folder_;
    std::vector<store::ContactRecord> records_;
};

void TestGoogleCardDav::initTestCase()
{
    xandikos_ = std::make_unique<CardDavServer>(CardDavServer::Kind::Xandikos);
    authorization_ = std::make_unique<AuthorizationServer>();
    front_ = std::make_unique<GoogleFront>(xandikos_->rootUrl(), authorization_->introspection(),
                                           xandikos_->bookUrl().path());
    desktop_ = std::make_unique<SignInDesktop>();
    desktop_->setPerson(SignInDesktop::Person::SignsIn);
    QDir().mkpath(desktop_->configFolder() + QStringLiteral("/zarvoth"));
    QFile traits(desktop_->configFolder() + QStringLiteral("/zarvoth/server-traits"));
    QVERIFY(traits.open(QIODevice::WriteOnly));
    traits.write("# This front behaves as Google's CardDAV does.\n127.0.0.1:" +
                 QByteArray::number(front_->rootUrl().port()) +
                 " if-match-unenforced sync-collection-depth-1 vcard-3-only\n");
    traits.close();
    folder_ = std::make_unique<DataFolder>();
}

Run TestGoogleCardDav::zarvoth(const QStringList& arguments)
{
    std::unique_ptr<QProcess> process(
        desktop_->start(QStringLiteral(ZARVOTH_BINARY), arguments, true, folder_->path()));
    process->closeWriteChannel();
    if (!process->waitForFinished(180000))
        qFatal("zarvoth %s did not end", qPrintable(arguments.join(u' ')));
    return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
            process->readAllStandardOutput(), process->readAllStandardError()};
}

Run TestGoogleCardDav::sync()
{
    Run run = zarvoth({QStringLiteral("--sync")});
    records_ = folder_->records();
    return run;
}

std::map<QString, QByteArray> TestGoogleCardDav::cardsOnServer() const
{
    const QUrl book = xandikos_->bookUrl();
    const QByteArray listing =
        curl({QStringLiteral("-X"), QStringLiteral("PROPFIND"), QStringLiteral("-H"),
              QStringLiteral("Depth: 1"), book.toString()});
    std::map<QString, QByteArray> cards;
    static const QRegularExpression href(QStringLiteral("<[^>]*href>([^<]+)</"));
    for (const auto& match : href.globalMatch(QString::fromUtf8(listing))) {
        const QString path = match.captured(1);
        if (path.startsWith(book.path()) && path != book.path())
            // As the program's XML reader gives it the text: lines end in LF.
            cards[path] = curl({book.resolved(QUrl(path)).toString()}).replace("\r\n", "\n");
    }
    return cards;
}

QByteArray TestGoogleCardDav::cardOf(const QByteArray& nick) const
{
    for (const auto& [href, text] : cardsOnServer())
        if (text.contains("\nNICKNAME:" + nick + "\n"))
            return text;
    return {};
}

void TestGoogleCardDav::putOnServer(const QByteArray& name, const QByteArray& card) const
{
    curl({QStringLiteral("-f"), QStringLiteral("-X"), QStringLiteral("PUT"), QStringLiteral("-H"),
          QStringLiteral("Content-Type: text/vcard"), QStringLiteral("--data-binary"),
          QStringLiteral("@-"),
          xandikos_->bookUrl().resolved(QUrl(QString::fromLatin1(name))).toString()},
         card);
}

const store::ContactRecord* TestGoogleCardDav::recordOf(const std::string& nick)
{
    for (const store::ContactRecord& record : records_)
        if (record.Nick.trimmed() == nick)
            return &record;
    return nullptr;
}

void TestGoogleCardDav::setUpFindsTheBookThroughTheWellKnownAddress()
{
    const Run setUp =
        zarvoth({QStringLiteral("--sync-setup"), front_->rootUrl().toString(),
                 QStringLiteral("--user"), QStringLiteral("ann@example.org"),
                 QStringLiteral("--oauth-issuer"), authorization_->issuer().toString(),
                 QStringLiteral("--client-id"), QStringLiteral("zarvoth-tests")});
    QVERIFY2(setUp.status == 0, setUp.err.constData());
    QVERIFY2(setUp.out.contains(xandikos_->bookUrl().path().toUtf8()), setUp.out);
    const QStringList requests = front_->requests();
    QVERIFY2(requests.contains(QStringLiteral("PROPFIND /.well-known/carddav 0 301")),
             qPrintable(requests.join(u'\n')));
}

void TestGoogleCardDav::firstSyncBothWays()
{
    const qsizetype before = front_->requests().size();
    putOnServer("bob.vcf", cardWithout("Bob", "X"));
    folder_->writeRecords({makeRecord({"Ann", "Ann", "Smith", "Oslo", "555 0101"}, 1)});
    const Run first = sync();
    QVERIFY2(first.status == 0, first.err.constData());
    qInfo("%s", first.out.constData());
    QVERIFY(recordOf("Bob"));
    const std::map<QString, QByteArray> cards = cardsOnServer();
    QCOMPARE(cards.size(), 2u);
    // Ann's card is kept under a name of the server's own, with a UID of its own.
    const QByteArray ann = cardOf("Ann");
    QVERIFY(ann.contains("ADR:;;;Oslo;;;"));
    QVERIFY(ann.contains("VERSION:3.0"));
    // Nothing comes twice once the renamed card is seen again, and the sync after that asks
    // only for changes, with the depth the server wants.
    for (int round = 0; round < 2; ++round) {
        const Run again = sync();
        QVERIFY2(again.status == 0, again.err.constData());
        QCOMPARE(records_.size(), 2u);
        QCOMPARE(cardsOnServer().size(), 2u);
    }
    const QStringList requests = front_->requests().mid(before);
    QVERIFY2(requests.filter(QRegularExpression(QStringLiteral("^REPORT \\S+ 1 207$"))).size() >= 1,
             qPrintable(requests.join(u'\n')));
    QVERIFY(requests.filter(QRegularExpression(QStringLiteral("^PUT .* 400$"))).isEmpty());
    // The cards are asked for by the names the server gave them, never by names of .vcf made
    // here, but for the new card's first PUT.
    QCOMPARE(requests.filter(QStringLiteral(".vcf ")),
             requests.filter(QRegularExpression(QStringLiteral("^PUT \\S+\\.vcf - 201$"))));
}

void TestGoogleCardDav::editsAfterTheRename_data()
{
    QTest::addColumn<bool>("here");
    QTest::newRow("edited here") << true;
    QTest::newRow("edited on the server") << false;
}

void TestGoogleCardDav::editsAfterTheRename()
{
    QFETCH(bool, here);
    const std::string city = here ? "Lyon" : "Rome";
    if (here) {
        std::vector<store::ContactRecord> records = folder_->records();
        for (store::ContactRecord& record : records)
            if (record.Nick.trimmed() == "Ann")
                record.City.assign(city);
        folder_->writeRecords(records);
    } else {
        front_->command("move Ann Rome");
    }
    const Run run = sync();
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(records_.size(), 2u);
    QVERIFY(recordOf("Ann"));
    QCOMPARE(std::string(recordOf("Ann")->City.trimmed()), city);
    QCOMPARE(cardsOnServer().size(), 2u);
    QVERIFY(cardOf("Ann").contains("ADR:;;;" + QByteArray::fromStdString(city) + ";;;"));
}

// The server takes any If-Match: a card changed there between the sync's last look at it and
// its update or deletion must not be overwritten, but come in at the next sync, beside this
// machine's change (an update merged; a deletion undone, as for any card changed there).
void TestGoogleCardDav::aChangeMadeSinceIsKept_data()
{
    QTest::addColumn<QByteArray>("edit");   // the front's command
    QTest::addColumn<QByteArray>("method"); // the request not sent
    QTest::addColumn<QString>("phone");     // Ann's here; none: deleted here
    QTest::addColumn<QByteArray>("city");
    QTest::newRow("an update") << QByteArray("edit-after-fetch Ann Paris") << QByteArray("PUT ")
                               << "555 0199" << QByteArray("Paris");
    QTest::newRow("a deletion") << QByteArray("edit-after-fetch Ann Berlin")
                                << QByteArray("DELETE ") << "" << QByteArray("Berlin");
}

void TestGoogleCardDav::aChangeMadeSinceIsKept()
{
    QFETCH(QByteArray, edit);
    QFETCH(QByteArray, method);
    QFETCH(QString, phone);
    QFETCH(QByteArray, city);
    std::vector<store::ContactRecord> records = folder_->records();
    for (store::ContactRecord& record : records)
        if (record.Nick.trimmed() == "Ann")
            record.Phone.assign(phone.toStdString());
    if (phone.isEmpty())
        std::erase_if(records, [](const auto& record) { return record.Nick.trimmed() == "Ann"; });
    folder_->writeRecords(records);
    front_->command(edit);
    const qsizetype before = front_->requests().size();
    const Run cut = sync();
    QVERIFY2(cut.status == 0, cut.err.constData());
    QVERIFY(cardOf("Ann").contains("ADR:;;;" + city + ";;;"));
    // The card's ETag read again told the change, and nothing was sent over it.
    const QStringList requests = front_->requests().mid(before);
    QVERIFY2(
        requests.filter(QRegularExpression(QStringLiteral("^PROPFIND \\S+/\\w+ 0 207$"))).size() ==
                1 &&
            requests.filter(QString::fromLatin1(method)).isEmpty(),
        qPrintable(requests.join(u'\n')));
    const Run merged = sync();
    QVERIFY2(merged.status == 0, merged.err.constData());
    const QByteArray ann = cardOf("Ann");
    QVERIFY2(ann.contains("ADR:;;;" + city + ";;;"), ann);
    QVERIFY(recordOf("Ann"));
    QCOMPARE(QByteArray::fromStdString(std::string(recordOf("Ann")->City.trimmed())), city);
    if (!phone.isEmpty()) {
        QVERIFY2(ann.contains(phone.toUtf8()), ann);
        QCOMPARE(QString::fromStdString(std::string(recordOf("Ann")->Phone.trimmed())), phone);
    }
}

void TestGoogleCardDav::everyCardWrittenHasN_data()
{
    QTest::addColumn<QByteArray>("nick");
    QTest::addColumn<bool>("fromServer");
    QTest::newRow("a new contact with a nickname and a number only") << QByteArray("Zed") << false;
    QTest::newRow("a card without N, edited here") << QByteArray("Nia") << true;
}

void TestGoogleCardDav::everyCardWrittenHasN()
{
    QFETCH(QByteArray, nick);
    QFETCH(bool, fromServer);
    if (fromServer) {
        putOnServer(nick.toLower() + ".vcf", cardWithout(nick, "N"));
        QCOMPARE(sync().status, 0);
    }
    std::vector<store::ContactRecord> records = folder_->records();
    if (fromServer) {
        for (store::ContactRecord& record : records)
            if (record.Nick.trimmed() == nick.toStdString())
                record.City.assign("Oslo");
    } else {
        records.push_back(makeRecord({.nick = nick.toStdString(), .phone = "555 0142"},
                                     std::int16_t(records.size() + 1)));
    }
    folder_->writeRecords(records);
    const Run run = sync();
    QVERIFY2(run.status == 0, run.err.constData());
    const QByteArray card = cardOf(nick);
    QCOMPARE(card.count("\nN:"), 1);
    QVERIFY2(card.contains("VERSION:3.0"), card);
}

void TestGoogleCardDav::aQuotaIsWaitedOut()
{
    std::vector<store::ContactRecord> records = folder_->records();
    records.push_back(
        makeRecord({"Quin", "Quin", "", "", "555 0123"}, std::int16_t(records.size() + 1)));
    folder_->writeRecords(records);
    front_->command("quota 2");
    const Run run = sync();
    QVERIFY2(run.status == 0, run.err.constData());
    QVERIFY2(run.err.contains("the server asked to wait; asking again in 1 s"), run.err);
    QVERIFY(!cardOf("Quin").isEmpty());
    QCOMPARE(front_->requests().filter(QRegularExpression(QStringLiteral(" 429$"))).size(), 2);
}

QTEST_GUILESS_MAIN(TestGoogleCardDav)
#include "tst_google_carddav.moc"

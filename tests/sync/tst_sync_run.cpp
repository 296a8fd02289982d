#include "store/data_file.h"
#include "support/carddav_server.h"
#include "support/data_folder.h"
#include "support/demanding_front.h"
#include "support/faulty_file_system.h"
#include "support/slow_carddav_front.h"
#include "sync/carddav/carddav_client.h"
#include "sync/run/sync_run.h"
#include "sync/state/kept_cards.h"
#include "sync/state/state_file.h"

#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

// A whole sync in this process against a real Radicale on loopback, with the file system
// under it scripted: what a window does meanwhile, and a machine that stops between steps.
namespace {

using Kind = CardDavServer::Kind;

// With a timeout set, a silence before an answer ends the sync as soon, and so does a server
// that asks to wait; `setUp` sets what else the test wants of the run.
syncing::SyncReport runSync(store::FileSystem& fs, const carddav::Credentials& credentials,
                            std::optional<int> timeoutMs = std::nullopt,
                            const std::function<void(syncing::SyncRun&)>& setUp = {})
{
    syncing::SyncRun run(fs, credentials);
    if (timeoutMs) {
        run.setTimeout(*timeoutMs);
        run.setAnswerWait(*timeoutMs);
        run.setMostWaiting(0);
    }
    if (setUp)
        setUp(run);
    std::optional<syncing::SyncReport> report;
    QEventLoop loop;
    run.start([&](syncing::SyncReport done) {
        report = std::move(done);
        loop.quit();
    });
    if (!report) {
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!report)
        throw std::runtime_error("the sync never ended");
    return *report;
}

syncing::SyncReport runSync(store::FileSystem& fs, const CardDavServer& server)
{
    return runSync(fs, {server.options().user, server.options().password});
}

// Every card's NICKNAME on the server, sorted.
QStringList serverNicknames(const CardDavServer& server)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    QStringList nicks;
    QEventLoop loop;
    client.listCards(server.bookUrl(), [&](auto listed) {
        const auto& etags = std::get<std::map<std::string, std::string>>(listed);
        std::vector<std::string> hrefs;
        for (const auto& entry : etags)
            hrefs.push_back(entry.first);
        client.fetchCards(server.bookUrl(), hrefs, [&](auto fetched) {
            for (const carddav::FetchedCard& card :
                 std::get<std::vector<carddav::FetchedCard>>(fetched)) {
                const QString text = QString::fromStdString(card.text);
                const qsizetype at = text.indexOf(QLatin1String("NICKNAME:"));
                nicks << text.mid(at + 9).section(QLatin1Char('\n'), 0, 0).trimmed();
            }
            loop.quit();
        });
    });
    loop.exec();
    nicks.sort();
    return nicks;
}

QStringList fileNicknames(const DataFolder& folder)
{
    QStringList nicks;
    for (const store::ContactRecord& record : folder.records())
        nicks << QString::fromLatin1(record.Nick.trimmed());
    nicks.sort();
    return nicks;
}

void appendRecord(const std::string& nick)
{
    store::DataFile data(store::posixFileSystem(), "datphone");
    data.open();
    data.write(data.recordCount() + 1, makeRecord({nick, "Added", "Meanwhile", "", "5559"},
                                                  std::int16_t(data.recordCount() + 1)));
    data.close();
}

// A card someone put on the server from their phone.
void putOnServer(const CardDavServer& server, const std::string& nick)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    QEventLoop loop;
    client.putCard(server.bookUrl(), "phone-" + nick + ".vcf",
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-" + nick + "\r\nNICKNAME:" + nick +
                       "\r\nFN:" + nick + "\r\nTEL:555 0199\r\nEND:VCARD\r\n",
                   {}, [&](auto) { loop.quit(); });
    loop.exec();
}

std::function<void(const std::string&)> noticesInto(QStringList& notices)
{
    return [&notices](const std::string& notice) { notices << QString::fromStdString(notice); };
}

void remember(const QUrl& book, const QString& user)
{
    syncing::SyncState state;
    state.bookUrl = book.toString().toStdString();
    state.user = user.toStdString();
    syncing::writeStateFile(store::posixFileSystem(), state);
}

void remember(const CardDavServer& server)
{
    remember(server.bookUrl(), server.options().user);
}

const std::string keptBook = "http://127.0.0.1:1/book/";
const syncing::KeptCard keptA{"/book/a.vcf", "\"1\"", "BEGIN:VCARD\r\nFN:A\r\nEND:VCARD\r\n"};
const syncing::KeptCard keptB{"/book/b\nc.vcf", "W/\"2\"", ""};

} // namespace

class TestSyncRun : public QObject {
    Q_OBJECT
private slots:
    // What a window or a stopped machine does at one step of a sync, and the sync after it:
    // each contact ends once on each side, and nothing written here is lost.
    void interruptedOrDisturbed_data()
    {
        QTest::addColumn<QString>("disturbance");
        QTest::addColumn<bool>("firstSucceeds");
        QTest::newRow("a window adds a contact while the server is asked")
            << "window saves" << true;
        QTest::newRow("the contacts are written, the memory of the sync is not")
            << "state rename fails" << false;
        QTest::newRow("the contacts cannot be written") << "data rename fails" << false;
        QTest::newRow("the uploads are done, their ETags not remembered")
            << "last state write fails" << false;
    }
    void interruptedOrDisturbed()
    {
        QFETCH(QString, disturbance);
        QFETCH(bool, firstSucceeds);
        CardDavServer server(Kind::Radicale);
        DataFolder folder;
        folder.writeRecords(recordsNamed({"Ann", "Bob", "Cy"}));
        remember(server);
        putOnServer(server, "Dee");
        FaultyFileSystem fs;
        int locks = 0;
        int stateWrites = 0;
        fs.failEvery([&](const OperationRecord& op) {
            if (op.kind == FileOperation::Lock && ++locks == 2 && disturbance == "window saves")
                appendRecord("Zed");
            if (op.kind != FileOperation::Rename)
                return false;
            if (op.target == syncing::StateFileName)
                ++stateWrites;
            return (disturbance == "state rename fails" && op.target == syncing::StateFileName) ||
                   (disturbance == "data rename fails" && op.target == "datphone") ||
                   (disturbance == "last state write fails" && stateWrites == 2);
        });
        const QByteArray before = folder.bytes();
        const syncing::SyncReport first = runSync(fs, server);
        QCOMPARE(first.outcome == syncing::SyncReport::Done, firstSucceeds);
        if (!firstSucceeds)
            QVERIFY2(first.error.starts_with("could not rename"), first.error.c_str());
        if (disturbance == "data rename fails")
            QCOMPARE(folder.bytes(), before);
        fs.stopFailing();
        const syncing::SyncReport second = runSync(fs, server);
        QCOMPARE(second.outcome, syncing::SyncReport::Done);
        QStringList expected{"Ann", "Bob", "Cy", "Dee"};
        if (disturbance == "window saves")
            expected << "Zed";
        QCOMPARE(fileNicknames(folder), expected);
        QCOMPARE(serverNicknames(server), expected);
        // And a sync after that finds nothing to do.
        const syncing::SyncReport third = runSync(fs, server);
        QCOMPARE(third.contactsIn + third.contactsOut, std::size_t(0));
    }

    // A book the last sync left settled: a sync that finds nothing changed on either side
    // writes nothing, and any change, here, there or to the memory of the last sync, is
    // still found.
    void settledBook_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("nicks"); // on both sides afterwards
        QTest::addColumn<int>("moved");         // contacts in and out
        QTest::newRow("nothing changed") << "none" << QStringList{"Ann", "Bob"} << 0;
        QTest::newRow("a contact saved here") << "saved" << QStringList{"Ann", "Bob", "Zed"} << 1;
        QTest::newRow("a window saves while the server is asked")
            << "window saves" << QStringList{"Ann", "Bob", "Zed"} << 1;
        QTest::newRow("a card put on the server") << "put" << QStringList{"Ann", "Bob", "Dee"} << 1;
        QTest::newRow("an ETag of the memory changed by hand")
            << "etag edited" << QStringList{"Ann", "Bob"} << 0;
        QTest::newRow("the memory damaged below its head")
            << "damaged" << QStringList{"Ann", "Bob"} << -1;
    }
    void settledBook()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, nicks);
        QFETCH(int, moved);
        CardDavServer server(Kind::Radicale);
        DataFolder folder;
        folder.writeRecords(recordsNamed({"Ann", "Bob"}));
        remember(server);
        FaultyFileSystem fs;
        QCOMPARE(runSync(fs, server).outcome, syncing::SyncReport::Done);
        // The uploads of the first sync leave the token out; the second lists the book.
        QCOMPARE(runSync(fs, server).outcome, syncing::SyncReport::Done);
        QByteArray state = folder.bytes(syncing::StateFileName);
        QVERIFY(state.contains("\nsettled "));
        const QByteArray data = folder.bytes();
        const auto stateWrites = [&] {
            return fs.operationsOn(FileOperation::Rename, syncing::StateScratchName).size();
        };
        const std::size_t writtenBefore = stateWrites();
        int locks = 0;
        fs.failEvery([&](const OperationRecord& op) {
            if (op.kind == FileOperation::Lock && ++locks == 2 && change == "window saves")
                appendRecord("Zed");
            return false;
        });
        if (change == "saved")
            appendRecord("Zed");
        else if (change == "put")
            putOnServer(server, "Dee");
        else if (change == "etag edited") {
            QVERIFY(state.contains(" \""));
            folder.writeBytes(state.replace(" \"", " \"x"), syncing::StateFileName);
        } else if (change == "damaged")
            folder.writeBytes(state + "pear x\n", syncing::StateFileName);

        const syncing::SyncReport report = runSync(fs, server);
        if (moved < 0) {
            QCOMPARE(report.outcome, syncing::SyncReport::Failed);
            QVERIFY2(report.error.find("is damaged") != std::string::npos, report.error.c_str());
            return;
        }
        QVERIFY2(report.outcome == syncing::SyncReport::Done, report.error.c_str());
        QCOMPARE(int(report.contactsIn + report.contactsOut), moved);
        QCOMPARE(fileNicknames(folder), nicks);
        QCOMPARE(serverNicknames(server), nicks);
        if (change == "none") {
            QCOMPARE(stateWrites(), writtenBefore);
            QCOMPARE(folder.bytes(syncing::StateFileName), state);
            QCOMPARE(folder.bytes(), data);
        }
    }

    // A book of three and a half batches of cards from a server that serves one request at a
    // time, cut off after two batches: the next sync fetches only what the first did not keep,
    // and what changed on the server since.
    void resumesWhereItStopped_data()
    {
        QTest::addColumn<QByteArray>("cut"); // the answer after the cut; none: silence
        QTest::addColumn<int>("changedMeanwhile");
        QTest::newRow("the server goes quiet") << QByteArray() << 0;
        QTest::newRow("the server fails a batch") << QByteArray("503 Service Unavailable") << 0;
        QTest::newRow("kept cards changed on the server since") << QByteArray() << 3;
    }
    void resumesWhereItStopped()
    {
        QFETCH(QByteArray, cut);
        QFETCH(int, changedMeanwhile);
        const int batch = int(carddav::CardDavClient::MultigetBatch);
        const int cards = 7 * batch / 2;
        SlowCardDavFront front(cards);
        front.setMultigetMs(50);
        front.cutOffAfter(2, cut);
        DataFolder folder;
        remember(front.bookUrl(), "alice");
        store::FileSystem& fs = store::posixFileSystem();
        const std::string book = front.bookUrl().toString().toStdString();

        QCOMPARE(runSync(fs, {"alice", "secret"}, 500).outcome, syncing::SyncReport::Failed);
        QVERIFY(folder.records().empty());
        const std::vector<syncing::KeptCard> kept = syncing::readKeptCardsFile(fs, book).cards;
        QCOMPARE(int(kept.size()), 2 * batch);
        std::map<std::string, std::string, std::less<>> numbers; // nickname -> its number now
        for (int i = 0; i < changedMeanwhile; ++i) {
            front.change(kept[std::size_t(i)].href);
            numbers[kept[std::size_t(i)].href.substr(6, 8)] =
                front.number(kept[std::size_t(i)].href);
        }
        front.resume();

        const syncing::SyncReport second = runSync(fs, {"alice", "secret"}, 500);
        QVERIFY2(second.outcome == syncing::SyncReport::Done, second.error.c_str());
        QCOMPARE(front.hrefsAsked(), cards - 2 * batch + changedMeanwhile);
        QCOMPARE(int(folder.records().size()), cards);
        for (const store::ContactRecord& record : folder.records())
            if (const auto changed = numbers.find(record.Nick.trimmed()); changed != numbers.end())
                QCOMPARE(QByteArrayView(record.Phone.trimmed()).toByteArray(),
                         QByteArray::fromStdString(changed->second));
        QVERIFY(!folder.exists(syncing::KeptCardsName));
    }

    // What a sync kept reads back whole, up to an entry torn or damaged.
    void readsKeptCards_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("wholeLength");
        const QByteArray header = QByteArray::fromStdString(syncing::keptCardsHeader(keptBook));
        const QByteArray a = QByteArray::fromStdString(syncing::keptCardEntry(keptA));
        const QByteArray b = QByteArray::fromStdString(syncing::keptCardEntry(keptB));
        const QByteArray all = header + a + b;
        QTest::newRow("whole") << all << 2 << int(all.size());
        QTest::newRow("torn in the last text") << all.chopped(3) << 1 << int((header + a).size());
        QTest::newRow("torn in the last first line")
            << header + a + b.left(9) << 1 << int((header + a).size());
        QTest::newRow("a byte of the first changed")
            << QByteArray(all).replace("FN:A", "FN:B") << 0 << int(header.size());
        QTest::newRow("lengths beyond the file") << header + "card 99999999999999 0 0 0\n"
                                                 << 0 << int(header.size());
        QTest::newRow("another book")
            << QByteArray(all).replace("127.0.0.1:1", "127.0.0.1:2") << 0 << 0;
        QTest::newRow("no such file") << QByteArray("BEGIN:VCARD\r\n") << 0 << 0;
    }
    void readsKeptCards()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, cards);
        QFETCH(int, wholeLength);
        const syncing::KeptCardsRead read = syncing::readKeptCards(text.toStdString(), keptBook);
        const std::vector<syncing::KeptCard> expected{keptA, keptB};
        QCOMPARE(read.cards, std::vector(expected.begin(), expected.begin() + cards));
        QCOMPARE(read.wholeLength, std::uint64_t(wholeLength));
    }

    // Cards added after a torn entry are read, whatever of it is left behind them; forgetting
    // the set-up drops them.
    void addsOverATornEntry()
    {
        DataFolder folder;
        store::FileSystem& fs = store::posixFileSystem();
        syncing::addKeptCards(fs, keptBook, 0, std::vector{keptA, keptA});
        QByteArray text = folder.bytes(syncing::KeptCardsName);
        folder.writeBytes(text.chopped(2), syncing::KeptCardsName);
        const syncing::KeptCardsRead torn = syncing::readKeptCardsFile(fs, keptBook);
        QCOMPARE(torn.cards.size(), 1u);
        syncing::addKeptCards(fs, keptBook, torn.wholeLength, std::vector{keptB});
        QCOMPARE(syncing::readKeptCardsFile(fs, keptBook).cards,
                 (std::vector<syncing::KeptCard>{keptA, keptB}));
        syncing::removeStateFile(fs);
        QVERIFY(!folder.exists(syncing::KeptCardsName));
    }

    // Without a set-up there is nothing to sync with; a wrong password says so.
    void refused_data()
    {
        QTest::addColumn<bool>("setUp");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("says");
        QTest::newRow("not set up")
            << false << "secret" << int(syncing::SyncReport::NotSetUp) << "not set up";
        QTest::newRow("wrong password")
            << true << "wrong" << int(syncing::SyncReport::Failed) << "password";
    }
    void refused()
    {
        QFETCH(bool, setUp);
        QFETCH(QString, password);
        QFETCH(int, outcome);
        QFETCH(QString, says);
        CardDavServer server(Kind::Radicale);
        DataFolder folder;
        folder.writeRecords(recordsNamed({"Ann"}));
        if (setUp)
            remember(server);
        syncing::SyncRun run(store::posixFileSystem(), {server.options().user, password});
        std::optional<syncing::SyncReport> report;
        run.start([&](syncing::SyncReport done) { report = done; });
        QTRY_VERIFY_WITH_TIMEOUT(report.has_value(), 30000);
        QCOMPARE(int(report->outcome), outcome);
        QVERIFY2(QString::fromStdString(report->error).contains(says), report->error.c_str());
        QCOMPARE(report->passwordRefused, password == "wrong");
        QCOMPARE(fileNicknames(folder), QStringList{"Ann"});
    }

    // Services that throttle: Google answers 429, iCloud 503 with Retry-After in seconds or as
    // a date, Nextcloud in maintenance 503 alone. The sync waits as asked, says so, and ends
    // with everything in its place; asked to wait for longer than it waits, it fails and loses
    // nothing.
    void waitsWhenAsked_data()
    {
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<int>("mostWaitingMs");
        QTest::addColumn<bool>("done");
        QTest::addColumn<int>("waitedMs"); // at least
        const auto busy = [](const QByteArray& status, const QByteArray& retryAfter) {
            return "HTTP/1.1 " + status + "\r\n" +
                   (retryAfter.isEmpty() ? QByteArray() : "Retry-After: " + retryAfter + "\r\n") +
                   "Content-Length: 4\r\n\r\nbusy";
        };
        const QByteArray soon = QLocale::c()
                                    .toString(QDateTime::currentDateTimeUtc().addSecs(3),
                                              QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
                                    .toLatin1();
        QTest::newRow("429, Retry-After in seconds")
            << QList<QByteArray>{busy("429 Too Many Requests", "1"),
                                 busy("429 Too Many Requests", "1")}
            << 300000 << true << 2000;
        QTest::newRow("503, Retry-After as a date")
            << QList<QByteArray>{busy("503 Service Unavailable", soon)} << 300000 << true << 1000;
        QTest::newRow("503 without Retry-After: 1 s, then 2 s")
            << QList<QByteArray>{busy("503 Service Unavailable", {}),
                                 busy("503 Service Unavailable", {})}
            << 300000 << true << 3000;
        QTest::newRow("429 again and again: given up")
            << QList<QByteArray>(20, busy("429 Too Many Requests", "1")) << 3000 << false << 3000;
    }
    void waitsWhenAsked()
    {
        QFETCH(QList<QByteArray>, answers);
        QFETCH(int, mostWaitingMs);
        QFETCH(bool, done);
        QFETCH(int, waitedMs);
        CardDavServer server(Kind::Radicale);
        const carddav::Credentials credentials{server.options().user, server.options().password};
        DemandingFront front(server.port(), credentials.user, credentials.password);
        DataFolder folder;
        store::FileSystem& fs = store::posixFileSystem();
        folder.writeRecords(recordsNamed({"Ann", "Bob"}));
        remember(front.url(server.bookUrl()), credentials.user);
        const QByteArray before = folder.bytes();
        front.answerFirst(answers);
        QStringList notices;
        QElapsedTimer clock;
        clock.start();
        const syncing::SyncReport first =
            runSync(fs, credentials, std::nullopt, [&](syncing::SyncRun& run) {
                run.setMostWaiting(mostWaitingMs);
                run.setWaitNotice(noticesInto(notices));
            });
        QVERIFY2(clock.elapsed() >= waitedMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!notices.isEmpty());
        for (const QString& notice : notices)
            QVERIFY2(notice.startsWith("the server asked to wait; asking again in "),
                     qPrintable(notice));
        if (done) {
            QVERIFY2(first.outcome == syncing::SyncReport::Done, first.error.c_str());
            QCOMPARE(first.contactsOut, std::size_t(2));
            return;
        }
        QCOMPARE(first.outcome, syncing::SyncReport::Failed);
        QVERIFY2(QString::fromStdString(first.error)
                     .startsWith("the server is busy: it asked to wait longer than a sync "
                                 "waits, 3 s in all (HTTP 429 Too Many Requests)"),
                 first.error.c_str());
        QCOMPARE(folder.bytes(), before);
        // Once the server takes requests again, everything goes as if nothing had happened.
        front.answerFirst({});
        const syncing::SyncReport second = runSync(fs, credentials);
        QVERIFY2(second.outcome == syncing::SyncReport::Done, second.error.c_str());
        QCOMPARE(second.contactsOut, std::size_t(2));
        QCOMPARE(fileNicknames(folder), (QStringList{"Ann", "Bob"}));
    }

    // Radicale says nothing until it has read a whole book for the first listing (138 s for
    // 32,767 cards): a listing held back 45 s, with the limits a sync has unless set, is
    // waited for, said to be waited for, and synced to the end.
    void waitsForASlowListing()
    {
        CardDavServer server(Kind::Radicale);
        const carddav::Credentials credentials{server.options().user, server.options().password};
        putOnServer(server, "Dee");
        DemandingFront front(server.port(), credentials.user, credentials.password);
        front.holdListings(45000);
        DataFolder folder;
        folder.writeRecords(recordsNamed({"Ann"}));
        remember(front.url(server.bookUrl()), credentials.user);
        QStringList notices;
        QElapsedTimer clock;
        clock.start();
        const syncing::SyncReport synced =
            runSync(store::posixFileSystem(), credentials, std::nullopt,
                    [&](syncing::SyncRun& run) { run.setWaitNotice(noticesInto(notices)); });
        QVERIFY2(synced.outcome == syncing::SyncReport::Done, synced.error.c_str());
        QVERIFY(clock.elapsed() >= 45000);
        QCOMPARE(fileNicknames(folder), (QStringList{"Ann", "Dee"}));
        QCOMPARE(synced.contactsOut, std::size_t(1));
        // The first notice comes once 30 s of silence have passed: a busy machine may tell it a
        // second later.
        const QRegularExpression firstNotice(QStringLiteral(
            "^the server is still working on its answer \\((30|31|32) s so far\\)$"));
        QVERIFY2(firstNotice.match(notices.value(0)).hasMatch(), qPrintable(notices.value(0)));
    }
};

QTEST_GUILESS_MAIN(TestSyncRun)
#include "tst_sync_run.moc"

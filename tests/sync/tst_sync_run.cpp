#include "support/carddav_server.h"
#include "support/data_folder.h"
#include "support/faulty_file_system.h"
#include "store/data_file.h"
#include "sync/carddav/carddav_client.h"
#include "sync/run/sync_run.h"
#include "sync/state/state_file.h"

#include <QtTest>

#include <algorithm>

// A whole sync in this process against a real Radicale on loopback, with the file system
// under it scripted: what a window does meanwhile, and a machine that stops between steps.
namespace {

using Kind = CardDavServer::Kind;

syncing::SyncReport runSync(store::FileSystem& fs, const CardDavServer& server)
{
    syncing::SyncRun run(fs, {server.options().user, server.options().password});
    std::optional<syncing::SyncReport> report;
    QEventLoop loop;
    run.start([&](syncing::SyncReport done) {
        report = std::move(done);
        loop.quit();
    });
    if (!report) {
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!report)
        throw std::runtime_error("the sync never ended");
    return *report;
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

void remember(const CardDavServer& server)
{
    syncing::SyncState state;
    state.bookUrl = server.bookUrl().toString().toStdString();
    state.user = server.options().user.toStdString();
    syncing::writeStateFile(store::posixFileSystem(), state);
}

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

    // Without a set-up there is nothing to sync with; a wrong password says so.
    void refused_data()
    {
        QTest::addColumn<bool>("setUp");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("says");
        QTest::newRow("not set up") << false << "secret" << int(syncing::SyncReport::NotSetUp)
                                    << "not set up";
        QTest::newRow("wrong password") << true << "wrong" << int(syncing::SyncReport::Failed)
                                        << "password";
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
};

QTEST_GUILESS_MAIN(TestSyncRun)
#include "tst_sync_run.moc"

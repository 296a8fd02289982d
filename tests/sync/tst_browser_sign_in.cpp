// Signing in through the browser from the command line, end to end: a real OAuth 2.0
// authorization server, a CardDAV server that takes its bearer tokens only, the desktop's real
// keyring in a session of its own, and a browser that follows the redirects. Nothing in the
// program knows it is tested: it opens the browser through the desktop as always.
#include "support/carddav_server.h"
#include "support/data_folder.h"
#include "support/sign_in_world.h"
#include "sync/oauth/browser_sign_in.h"
#include "sync/oauth/provider_metadata.h"
#include "sync/state/state_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

#include <csignal>
#include <memory>

namespace {

const QByteArray ClientSecret = "secret-of-a-confidential-client";

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

const QString StateFile = QString::fromLatin1(syncing::StateFileName);

// One card of the server's own, put there as another client would.
void putCardOnServer(const QUrl& book, const QByteArray& nick)
{
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + nick + "\r\nFN:" + nick +
                            "\r\nN:;" + nick + ";;;\r\nNICKNAME:" + nick +
                            "\r\nTEL:0123456789\r\nEND:VCARD\r\n";
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-sS"), QStringLiteral("-f"), QStringLiteral("-X"),
                QStringLiteral("PUT"), QStringLiteral("-H"),
                QStringLiteral("Content-Type: text/vcard"), QStringLiteral("--data-binary"),
                QStringLiteral("@-"),
                book.resolved(QUrl(QString::fromLatin1(nick + ".vcf"))).toString()});
    curl.write(card);
    curl.closeWriteChannel();
    QVERIFY(curl.waitForFinished(30000));
    QCOMPARE(curl.exitCode(), 0);
}

// The server's cards, counted by a listing asked of it directly.
int cardsOnServer(const QUrl& book)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-sS"), QStringLiteral("-X"), QStringLiteral("PROPFIND"),
                QStringLiteral("-H"), QStringLiteral("Depth: 1"), book.toString()});
    curl.waitForFinished(30000);
    return int(curl.readAllStandardOutput().count(".vcf</"));
}

} // namespace

class TestBrowserSignIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void firstSignInKeepsItAndSyncsBothWays();
    void aTokenCutShortIsRenewed();
    void aWithdrawnAccessSaysToSignInAgain();
    void aNewSetUpGivesTheOldTokenBack();
    void failedSignInsRememberNothing_data();
    void failedSignInsRememberNothing();
    void withoutAKeyringEachSyncSignsIn();
    void noTokenIsInAnyFileWritten();
    void aSignInNobodyEndsIsGivenUp();
    void aPasswordIsKeptInTheKeyring();

private:
    Run zarvoth(const QStringList& arguments, bool withKeyring = true,
                const QByteArray& input = {});
    QStringList setUpArguments() const;
    int refreshes() { return int(authorization_->tokens("refreshed").size()); }

    std::unique_ptr<CardDavServer> xandikos_;
    std::unique_ptr<AuthorizationServer> authorization_;
    std::unique_ptr<BearerFront> front_;
    std::unique_ptr<SignInDesktop> desktop_;
    std::unique_ptr<DataFolder> folder_;
    QStringList writtenFolders_;
};

void TestBrowserSignIn::initTestCase()
{
    xandikos_ = std::make_unique<CardDavServer>(CardDavServer::Kind::Xandikos);
    authorization_ = std::make_unique<AuthorizationServer>();
    front_ = std::make_unique<BearerFront>(xandikos_->rootUrl(), authorization_->introspection());
    desktop_ = std::make_unique<SignInDesktop>();
    folder_ = std::make_unique<DataFolder>();
    folder_->writeRecords(recordsNamed({"Ann"}));
    writtenFolders_ << folder_->path();
}

Run TestBrowserSignIn::zarvoth(const QStringList& arguments, bool withKeyring,
                               const QByteArray& input)
{
    std::unique_ptr<QProcess> process(desktop_->start(QStringLiteral(ZARVOTH_BINARY), arguments,
                                                      withKeyring, QDir::currentPath()));
    process->write(input);
    process->closeWriteChannel();
    if (!process->waitForFinished(180000))
        qFatal("zarvoth %s did not end", qPrintable(arguments.join(u' ')));
    return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
            process->readAllStandardOutput(), process->readAllStandardError()};
}

QStringList TestBrowserSignIn::setUpArguments() const
{
    return {QStringLiteral("--sync-setup"),   front_->rootUrl().toString(),
            QStringLiteral("--user"),         QStringLiteral("ann@example.org"),
            QStringLiteral("--oauth-issuer"), authorization_->issuer().toString(),
            QStringLiteral("--client-id"),    QStringLiteral("zarvoth-tests")};
}

void TestBrowserSignIn::firstSignInKeepsItAndSyncsBothWays()
{
    desktop_->setPerson(SignInDesktop::Person::SignsIn);
    const Run setUp = zarvoth(setUpArguments());
    QVERIFY2(setUp.status == 0, setUp.err.constData());
    QVERIFY2(setUp.out.contains("The sign-in is kept in the desktop's keyring."), setUp.out);
    // The address is printed for a browser elsewhere, and the same went to the desktop's.
    QCOMPARE(desktop_->browsed().size(), 1);
    QVERIFY(setUp.out.contains(desktop_->browsed().front().toUtf8()));
    QVERIFY(desktop_->lastPage().contains("Zarvoth is signed in. You may close this page."));

    const Run up = zarvoth({QStringLiteral("--sync")});
    QVERIFY2(up.status == 0, up.err.constData());
    qInfo("%s%s", setUp.out.constData(), up.out.constData());
    QCOMPARE(cardsOnServer(xandikos_->bookUrl()), 1);
    putCardOnServer(xandikos_->bookUrl(), "Bob");
    const int before = refreshes();
    const Run down = zarvoth({QStringLiteral("--sync")});
    QVERIFY2(down.status == 0, down.err.constData());
    QCOMPARE(folder_->records().size(), 2u);
    // The access token lives in memory only: the next sync renews it from the refresh token.
    QCOMPARE(refreshes(), before + 1);
    // One sign-in, through the browser, for all of it.
    QCOMPARE(desktop_->browsed().size(), 1);
}

void TestBrowserSignIn::aTokenCutShortIsRenewed()
{
    // The token the next renewal gives stops being accepted at once, though it says it lasts
    // an hour: the server's 401 makes the sync renew it once more.
    authorization_->command("cut-next");
    putCardOnServer(xandikos_->bookUrl(), "Cid");
    const int before = refreshes();
    const Run sync = zarvoth({QStringLiteral("--sync")});
    QVERIFY2(sync.status == 0, sync.err.constData());
    QCOMPARE(folder_->records().size(), 3u);
    QCOMPARE(refreshes(), before + 2);
}

void TestBrowserSignIn::aWithdrawnAccessSaysToSignInAgain()
{
    const QByteArray records = folder_->bytes();
    const QByteArray state = folder_->bytes(StateFile);
    authorization_->command("withdraw");
    const Run sync = zarvoth({QStringLiteral("--sync")});
    QCOMPARE(sync.status, 1);
    QVERIFY2(sync.err.contains("is no longer accepted") &&
                 sync.err.contains("zarvoth --sync-setup signs in again") &&
                 sync.err.contains("nothing was lost"),
             sync.err);
    QCOMPARE(folder_->bytes(), records);
    QCOMPARE(folder_->bytes(StateFile), state);
}

// The new set-up names a confidential client: its secret, read from standard input, goes to
// the token endpoint with the code, and again from the keyring with each renewal.
void TestBrowserSignIn::aNewSetUpGivesTheOldTokenBack()
{
    const QStringList issued = authorization_->tokens("issued");
    const Run setUp = zarvoth(setUpArguments() << QStringLiteral("--client-secret-stdin"), true,
                              ClientSecret + '\n');
    QVERIFY2(setUp.status == 0, setUp.err.constData());
    const QStringList revoked = authorization_->tokens("revoked");
    // The refresh token of the first sign-in (a UUID, where access tokens are JWTs).
    QVERIFY(!revoked.isEmpty());
    QVERIFY(issued.contains(revoked.back()));
    QVERIFY(!revoked.back().contains(u'.'));
    QCOMPARE(authorization_->tokens("secret"), QStringList{QString::fromLatin1(ClientSecret)});
    const Run sync = zarvoth({QStringLiteral("--sync")});
    QVERIFY2(sync.status == 0, sync.err.constData());
    QCOMPARE(authorization_->tokens("secret").size(), 2);
}

void TestBrowserSignIn::failedSignInsRememberNothing_data()
{
    QTest::addColumn<int>("person");
    QTest::addColumn<QByteArray>("serverCommand");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("another sign-in's state") << int(SignInDesktop::Person::BringsAnotherState)
                                             << QByteArray() << QByteArray("state does not match");
    QTest::newRow("the code refused")
        << int(SignInDesktop::Person::SignsIn) << QByteArray("refuse-code")
        << QByteArray("the sign-in server refused (HTTP 400");
    QTest::newRow("Ctrl+C while waiting")
        << int(SignInDesktop::Person::WalksAway) << QByteArray() << QByteArray();
}

void TestBrowserSignIn::failedSignInsRememberNothing()
{
    QFETCH(int, person);
    QFETCH(QByteArray, serverCommand);
    QFETCH(QByteArray, said);
    DataFolder fresh;
    writtenFolders_ << fresh.path();
    fresh.writeRecords(recordsNamed({"Eve"}));
    const QByteArray keyring = desktop_->keyringBytes();
    desktop_->setPerson(SignInDesktop::Person(person));
    if (!serverCommand.isEmpty())
        authorization_->command(serverCommand);
    Run run;
    if (said.isEmpty()) {
        std::unique_ptr<QProcess> process(
            desktop_->start(QStringLiteral(ZARVOTH_BINARY), setUpArguments(), false, fresh.path()));
        QByteArray shown;
        QTRY_VERIFY_WITH_TIMEOUT((shown += process->readAllStandardOutput()).contains("Ctrl+C"),
                                 60000);
        ::kill(pid_t(process->processId()), SIGINT);
        QVERIFY(process->waitForFinished(30000));
        QVERIFY(process->exitStatus() == QProcess::CrashExit || process->exitCode() != 0);
    } else {
        run = zarvoth(setUpArguments());
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(said), run.err);
    }
    QVERIFY(!fresh.exists(StateFile));
    QCOMPARE(fresh.records().size(), 1u);
    QCOMPARE(desktop_->keyringBytes(), keyring);
    desktop_->setPerson(SignInDesktop::Person::SignsIn);
}

void TestBrowserSignIn::withoutAKeyringEachSyncSignsIn()
{
    DataFolder bare;
    writtenFolders_ << bare.path();
    bare.writeRecords(recordsNamed({"Flo"}));
    const int browsed = int(desktop_->browsed().size());
    const Run setUp = zarvoth(setUpArguments(), false);
    QVERIFY2(setUp.status == 0, setUp.err.constData());
    QVERIFY2(setUp.out.contains("The sign-in cannot be kept: no keyring took it, so each sync "
                                "signs in again through the browser."),
             setUp.out);
    const Run sync = zarvoth({QStringLiteral("--sync")}, false);
    QVERIFY2(sync.status == 0, sync.err.constData());
    QVERIFY(
        sync.out.contains("No keyring holds the sign-in: signing in again through the browser."));
    QCOMPARE(int(desktop_->browsed().size()), browsed + 2);
}

void TestBrowserSignIn::noTokenIsInAnyFileWritten()
{
    QStringList tokens = authorization_->tokens("issued");
    QVERIFY(tokens.size() > 4);
    tokens << QString::fromLatin1(ClientSecret);
    QStringList files = desktop_->filesOutsideTheKeyring();
    for (const QString& folder : writtenFolders_)
        files << filesBelow(folder);
    QVERIFY(!files.isEmpty());
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        for (const QString& token : tokens)
            QVERIFY2(!bytes.contains(token.toUtf8()), qPrintable(path));
    }
}

// A browser that never comes back: the sign-in ends at its limit (five minutes, here cut
// short), says so, and its listener on loopback is closed.
void TestBrowserSignIn::aSignInNobodyEndsIsGivenUp()
{
    const syncing::OAuthClient google{syncing::googleIssuer(), QStringLiteral("zarvoth-tests"), {}};
    syncing::BrowserSignIn signIn(google, [](const QUrl&) { return true; });
    signIn.setPatience(300);
    QUrl shown;
    std::optional<syncing::SignInOutcome> outcome;
    signIn.start([&](const QUrl& address) { shown = address; },
                 [&](syncing::SignInOutcome ended) { outcome = std::move(ended); });
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 10000);
    QVERIFY(!outcome->tokens);
    QVERIFY2(outcome->error.starts_with("no sign-in came back from the browser within"),
             outcome->error.c_str());
    const QUrl redirect(QUrlQuery(shown).queryItemValue(QStringLiteral("redirect_uri"),
                                                        QUrl::FullyDecoded));
    QCOMPARE(redirect.host(), QStringLiteral("127.0.0.1"));
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, quint16(redirect.port()));
    QVERIFY(!late.waitForConnected(2000));
}

// The password's way through the same real keyring: kept by the set-up, found by each sync
// without being asked for, in no file written.
void TestBrowserSignIn::aPasswordIsKeptInTheKeyring()
{
    DataFolder own;
    writtenFolders_ << own.path();
    own.writeRecords(recordsNamed({"Gil"}));
    const CardDavServer::Options& account = xandikos_->options();
    const Run setUp = zarvoth({QStringLiteral("--sync-setup"), xandikos_->rootUrl().toString(),
                               QStringLiteral("--user"), account.user,
                               QStringLiteral("--password-stdin")},
                              true, account.password.toUtf8() + '\n');
    QVERIFY2(setUp.status == 0, setUp.err.constData());
    QVERIFY2(setUp.out.contains("The password is kept in the desktop's keyring."), setUp.out);
    const Run sync = zarvoth({QStringLiteral("--sync")});
    QVERIFY2(sync.status == 0, sync.err.constData());
    QVERIFY2(sync.out.contains("out"), sync.out);
    const QStringList written = filesBelow(own.path()) + desktop_->filesOutsideTheKeyring();
    for (const QString& path : written) {
        QFile file(path);
        QVERIFY(!file.open(QIODevice::ReadOnly) ||
                !file.readAll().contains(account.password.toUtf8()));
    }
}

QTEST_GUILESS_MAIN(TestBrowserSignIn)
#include "tst_browser_sign_in.moc"

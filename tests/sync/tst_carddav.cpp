#include "support/carddav_server.h"
#include "support/dav_front.h"
#include "support/demanding_front.h"
#include "support/scripted_http_server.h"
#include "support/slow_carddav_front.h"
#include "support/stalled_listener.h"
#include "sync/carddav/carddav_client.h"
#include "sync/carddav/digest_login.h"
#include "sync/carddav/put_answer.h"
#include "sync/carddav/registrable_domain.h"
#include "sync/carddav/request_pace.h"
#include "sync/carddav/server_login.h"
#include "sync/carddav/server_traits.h"
#include "sync/carddav/server_wait.h"
#include "sync/carddav/service_lookup.h"
#include "sync/carddav/url_policy.h"

#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace carddav;
using Kind = CardDavServer::Kind;
Q_DECLARE_METATYPE(CardDavServer::Kind)
Q_DECLARE_METATYPE(DavError::Kind)
Q_DECLARE_METATYPE(std::vector<carddav::ServiceRecord>)

namespace {

// Runs one operation to its end on the event loop, and checks that it called back exactly
// once and never from within the call that started it.
template <typename T, typename Start> DavResult<T> await(Start start)
{
    struct Outcome {
        std::optional<DavResult<T>> result;
        int calls = 0;
        QEventLoop loop;
    };
    auto outcome = std::make_shared<Outcome>();
    start([outcome](DavResult<T> result) {
        ++outcome->calls;
        outcome->result = std::move(result);
        outcome->loop.quit();
    });
    if (outcome->calls != 0)
        throw std::logic_error("called back from within the call");
    QTimer::singleShot(60000, &outcome->loop, &QEventLoop::quit);
    outcome->loop.exec();
    QTest::qWait(20);
    if (outcome->calls != 1)
        throw std::logic_error("called back " + std::to_string(outcome->calls) + " times");
    return std::move(*outcome->result);
}

template <typename T> T ok(DavResult<T> result)
{
    if (auto* error = std::get_if<DavError>(&result))
        throw std::runtime_error("unexpected failure: " + error->message);
    return std::move(std::get<T>(result));
}

template <typename T> DavError failed(DavResult<T> result)
{
    if (!std::holds_alternative<DavError>(result))
        throw std::runtime_error("succeeded where it should have failed");
    return std::get<DavError>(result);
}

std::string card(const std::string& uid, const std::string& name)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nTEL:555 0101\r\nEND:VCARD\r\n";
}

const QByteArray Ms = R"(<d:multistatus xmlns:d="DAV:">)";
const QByteArray MsEnd = "</d:multistatus>";
QByteArray etagResponse(const QByteArray& href, const QByteArray& etag)
{
    return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop><d:getetag>" + etag +
           "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

} // namespace

class TestCardDav : public QObject {
    Q_OBJECT
private slots:
    void readsMultistatus_data();
    void readsMultistatus();
    void choosesCardVersion_data();
    void choosesCardVersion();
    void readsPutAnswers_data();
    void readsPutAnswers();
    void knowsServersByTheirHost_data();
    void knowsServersByTheirHost();
    void tellsLoopback_data();
    void tellsLoopback();
    void discovers_data();
    void discovers();
    void followsOnlyToTheSameOwner_data();
    void followsOnlyToTheSameOwner();
    void resolvesHrefs_data();
    void resolvesHrefs();
    void findsTheServiceOfAnAddress_data();
    void findsTheServiceOfAnAddress();
    void discoversThroughSparseAnswers();
    void followsAPartitionHost();
    void refusesAHomeOfAnotherOwner();
    void followsRedirectsWithTheWholeRequest_data();
    void followsRedirectsWithTheWholeRequest();
    void keepsCardsOnRealServers_data();
    void keepsCardsOnRealServers();
    void refusesWrongPassword();
    void refusesUntrustedCertificate();
    void refusesBeforeSending_data();
    void refusesBeforeSending();
    void failsClearlyOnBadAnswers_data();
    void failsClearlyOnBadAnswers();
    void connectingGivesUpAtTheTimeout();
    void pacesRequests_data();
    void pacesRequests();
    void waitsItsTurn_data();
    void waitsItsTurn();

    // The worked examples of the Digest login's definitions, to the last hex digit.
    void answersDigestExamples_data()
    {
        QTest::addColumn<QByteArray>("algorithm");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("realm");
        QTest::addColumn<QByteArray>("nonce");
        QTest::addColumn<QByteArray>("cnonce");
        QTest::addColumn<QByteArray>("response");
        const QByteArray realm = "http-auth@example.org";
        const QByteArray nonce = "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v";
        const QByteArray cnonce = "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ";
        QTest::newRow("RFC 7616, MD5") << QByteArray("MD5") << "Circle of Life" << realm << nonce
                                       << cnonce << QByteArray("8ca523f5e9506fed4657c9700eebdbec");
        QTest::newRow("RFC 7616, SHA-256")
            << QByteArray("SHA-256") << "Circle of Life" << realm << nonce << cnonce
            << QByteArray("753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1");
        QTest::newRow("RFC 2617, MD5")
            << QByteArray("MD5") << "Circle Of Life" << QByteArray("testrealm@host.com")
            << QByteArray("dcd98b7102dd2f0e8b11d0f600bfb0c093") << QByteArray("0a4f113b")
            << QByteArray("6629fae49393a05397450978507c4ef1");
    }
    void answersDigestExamples()
    {
        QFETCH(QByteArray, algorithm);
        QFETCH(QString, password);
        QFETCH(QByteArray, realm);
        QFETCH(QByteArray, nonce);
        QFETCH(QByteArray, cnonce);
        QFETCH(QByteArray, response);
        const DigestChallenge challenge{realm, nonce, "opaque", algorithm, true, false};
        QCOMPARE(digestResponse(challenge, "Mufasa", password, "GET", "/dir/index.html", 1, cnonce),
                 response);
        const QByteArray header =
            digestAuthorization(challenge, "Mufasa", password, "GET", "/dir/index.html", 1, cnonce);
        QVERIFY2(header.contains("response=\"" + response + "\"") &&
                     header.contains("nc=00000001") && header.contains("qop=auth") &&
                     header.contains("opaque=\"opaque\"") && !header.contains("Circle"),
                 header.constData());
    }

    // What a login does after a 401: send again, and with which login, or take the refusal.
    void answersChallenges_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("sentWithLogin");
        QTest::addColumn<bool>("sendsAgain");
        QTest::addColumn<QByteArray>("login"); // how the next request's Authorization begins
        QTest::newRow("Basic asked for")
            << QByteArray(R"(Basic realm="r")") << false << true << QByteArray("Basic ");
        QTest::newRow("Basic refused")
            << QByteArray(R"(Basic realm="r")") << true << false << QByteArray();
        QTest::newRow("Digest before Basic")
            << QByteArray(R"(Basic realm="r", Digest realm="r", nonce="n", qop="auth")") << false
            << true << QByteArray("Digest ");
        QTest::newRow("SHA-256 before MD5")
            << QByteArray(R"(Digest realm="r", nonce="n", algorithm=SHA-256, qop="auth", )"
                          R"(Digest realm="r", nonce="n", algorithm=MD5, qop="auth")")
            << false << true << QByteArray("Digest ");
        QTest::newRow("Digest refused") << QByteArray(R"(Digest realm="r", nonce="n", qop="auth")")
                                        << true << false << QByteArray();
        QTest::newRow("a stale nonce: again with the new one")
            << QByteArray(R"(Digest realm="r", nonce="m", qop="auth", stale=true)") << true << true
            << QByteArray("Digest ");
        QTest::newRow("a login unknown here")
            << QByteArray("Bearer realm=\"r\"") << false << false << QByteArray();
        QTest::newRow("sabre/dav (Baïkal) writes no blanks")
            << QByteArray(R"(Digest realm="BaikalDAV",qop="auth",nonce="5f1,a=b",opaque="x")")
            << false << true << QByteArray("Digest ");
        QTest::newRow("a token68 scheme, then Basic")
            << QByteArray(R"(Negotiate abc==, Basic realm="x")") << false << true
            << QByteArray("Basic ");
        QTest::newRow("auth-int alone cannot be answered")
            << QByteArray(R"(Digest realm="r", nonce="n", qop="auth-int")") << false << false
            << QByteArray();
        QTest::newRow("an algorithm unknown here")
            << QByteArray(R"(Digest realm="r", nonce="n", algorithm=SHA-512-256)") << false << false
            << QByteArray();
    }
    void answersChallenges()
    {
        QFETCH(QByteArray, header);
        QFETCH(bool, sentWithLogin);
        QFETCH(bool, sendsAgain);
        QFETCH(QByteArray, login);
        const QUrl url(QStringLiteral("https://dav.example/a%20b/c.vcf?x=1"));
        ServerLogin logins({QStringLiteral("ann"), QStringLiteral("pässword")});
        QCOMPARE(logins.authorization("GET", url), QByteArray());
        QCOMPARE(logins.challenged(url, header, sentWithLogin), sendsAgain);
        const QByteArray first = logins.authorization("PUT", url);
        QVERIFY2(first.startsWith(login), first.constData());
        // Another server knows nothing of it.
        QCOMPARE(logins.authorization("GET", QUrl(QStringLiteral("https://other.example/"))),
                 QByteArray());
        if (login != "Digest ")
            return;
        QVERIFY(first.contains("uri=\"/a%20b/c.vcf?x=1\"") && first.contains("nc=00000001"));
        QVERIFY(first.contains(header.contains("SHA-256") ? "algorithm=SHA-256" : "algorithm=MD5"));
        QVERIFY(!header.contains("BaikalDAV") || first.contains("nonce=\"5f1,a=b\""));
        QVERIFY(logins.authorization("PUT", url).contains("nc=00000002"));
    }

    void readsRetryAfter_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("seconds"); // -1: none
        QTest::newRow("seconds") << QByteArray("120") << 120;
        QTest::newRow("now") << QByteArray(" 0 ") << 0;
        QTest::newRow("absent") << QByteArray() << -1;
        QTest::newRow("negative") << QByteArray("-5") << -1;
        QTest::newRow("nonsense") << QByteArray("soon") << -1;
        QTest::newRow("HTTP date") << QByteArray("Wed, 09 Dec 2026 21:01:30 GMT") << 90;
        QTest::newRow("HTTP date, the older form")
            << QByteArray("Wednesday, 09-Dec-26 21:01:30 GMT") << 90;
        QTest::newRow("HTTP date, asctime") << QByteArray("Wed Dec  9 21:01:30 2026") << 90;
        QTest::newRow("a date past") << QByteArray("Wed, 09 Dec 2026 20:00:00 GMT") << 0;
    }
    void readsRetryAfter()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, seconds);
        const QDateTime now(QDate(2026, 12, 9), QTime(21, 0), Qt::UTC);
        const auto asked = retryAfter(header, now);
        QCOMPARE(asked ? int(asked->count()) : -1, seconds);
    }

    void decidesWaits_data()
    {
        QTest::addColumn<int>("asked"); // Retry-After in seconds; -1: none
        QTest::addColumn<int>("triesSoFar");
        QTest::addColumn<int>("waitedMs");
        QTest::addColumn<int>("wait"); // -1: give up
        QTest::newRow("as told") << 120 << 0 << 0 << 120;
        QTest::newRow("told now: a moment") << 0 << 0 << 0 << 1;
        QTest::newRow("told again and again") << 1 << 9 << 9000 << 1;
        QTest::newRow("told more than is left") << 200 << 0 << 150000 << -1;
        QTest::newRow("told just what is left") << 150 << 0 << 150000 << 150;
        QTest::newRow("untold, the first time") << -1 << 0 << 0 << 1;
        QTest::newRow("untold, the second time") << -1 << 1 << 1000 << 2;
        QTest::newRow("untold, the fifth time") << -1 << 4 << 15000 << 16;
        QTest::newRow("untold, a sixth time: given up") << -1 << 5 << 31000 << -1;
        QTest::newRow("untold, the sync's wait spent") << -1 << 0 << 299500 << -1;
    }
    void decidesWaits()
    {
        QFETCH(int, asked);
        QFETCH(int, triesSoFar);
        QFETCH(int, waitedMs);
        QFETCH(int, wait);
        const WaitDecision decision =
            decideWait(asked < 0 ? std::nullopt : std::optional<seconds>(asked), triesSoFar,
                       milliseconds(waitedMs));
        QCOMPARE(decision.wait ? int(decision.wait->count()) : -1, wait);
        QCOMPARE(MostWaitingInAll, milliseconds(300000));
    }

    // Baïkal (sabre/dav) takes Digest only: the client answers its challenge with the
    // algorithm it names, and the password never crosses the wire.
    void logsInWithDigest_data()
    {
        QTest::addColumn<QByteArray>("algorithm");
        QTest::addColumn<int>("nonceUses");
        QTest::addColumn<bool>("rightPassword");
        QTest::newRow("MD5") << QByteArray("MD5") << 1000 << true;
        QTest::newRow("SHA-256") << QByteArray("SHA-256") << 1000 << true;
        QTest::newRow("nonces that go stale") << QByteArray("SHA-256") << 2 << true;
        QTest::newRow("a wrong password") << QByteArray("MD5") << 1000 << false;
    }
    void logsInWithDigest()
    {
        QFETCH(QByteArray, algorithm);
        QFETCH(int, nonceUses);
        QFETCH(bool, rightPassword);
        CardDavServer server(Kind::Radicale);
        const QString user = server.options().user;
        const QString password = server.options().password;
        DemandingFront front(server.port(), user, password);
        front.demandDigest(algorithm, nonceUses);
        CardDavClient client({user, rightPassword ? password : QStringLiteral("secreT")});
        const auto found = await<Discovery>(
            [&](auto done) { client.discover(front.url(server.rootUrl()), done); });
        if (!rightPassword) {
            QCOMPARE(failed(found).kind, DavError::Unauthorized);
            QCOMPARE(front.handedOn(), 0);
        } else {
            QCOMPARE(ok(found).books.size(), std::size_t(1));
            const QUrl book = front.url(server.bookUrl());
            for (const std::string nick : {"ann", "bob", "cy"})
                ok(await<PutOutcome>([&](auto done) {
                    client.putCard(book, nick + ".vcf", card(nick, nick), "", done);
                }));
            using Etags = std::map<std::string, std::string>;
            QCOMPARE(ok(await<Etags>([&](auto done) { client.listCards(book, done); })).size(),
                     std::size_t(3));
            // Asked once; from then on every request goes with the login at once, and only
            // a nonce gone stale is answered again.
            QCOMPARE(front.refusals(), 1 + (front.handedOn() - 1) / nonceUses);
        }
        const QByteArray basic = (user + ':' + password).toUtf8().toBase64();
        QVERIFY(!front.authorizations().isEmpty());
        for (const QByteArray& login : front.authorizations())
            QVERIFY2(login.startsWith("Digest ") &&
                         login.contains(("algorithm=" + algorithm + ",")) &&
                         !login.contains(password.toUtf8()) && !login.contains(basic) &&
                         !login.contains(password.toUtf8().toBase64()),
                     login.constData());
    }
};

void TestCardDav::readsMultistatus_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("expected"); // "href status etag | ..." + " token", or "throws"

    QTest::newRow("decoded href") << Ms + etagResponse("/a/b%20c%40d.vcf", "\"1\"") + MsEnd
                                  << "/a/b c@d.vcf 200 \"1\"";
    QTest::newRow("full url href")
        << Ms + etagResponse("https://h.example/a/x.vcf", "e") + MsEnd << "/a/x.vcf 200 e";
    QTest::newRow("removed since the token, and the token")
        << Ms +
               "<d:response><d:href>/a/gone.vcf</d:href><d:status>HTTP/1.1 404 Not "
               "Found</d:status></d:response><d:sync-token>http://t/5</d:sync-token>" +
               MsEnd
        << "/a/gone.vcf 404 - token http://t/5";
    QTest::newRow("properties not found are left out")
        << Ms +
               "<d:response><d:href>/a/x.vcf</d:href><d:propstat><d:prop><d:getetag/></d:prop>"
               "<d:status>HTTP/1.1 404 Not Found</d:status></d:propstat><d:propstat><d:prop>"
               "<d:getetag>e2</d:getetag></d:prop><d:status>HTTP/1.1 200 "
               "OK</d:status></d:propstat></d:response>" +
               MsEnd
        << "/a/x.vcf 200 e2";
    QTest::newRow("other namespaces are not DAV's")
        << R"(<multistatus xmlns="DAV:" xmlns:x="urn:x"><x:response><href>/no</href></x:response>)" +
               etagResponse("/yes", "e").replace("d:", "") + "</multistatus>"
        << "/yes 200 e";
    QTest::newRow("empty") << QByteArray() << "throws";
    QTest::newRow("truncated") << Ms + "<d:response><d:href>/a"
                               << "throws";
    QTest::newRow("an html page") << QByteArray("<html><body>Login</body></html>") << "throws";
    QTest::newRow("not xml") << QByteArray("Internal error\n") << "throws";
    QTest::newRow("a response without href")
        << Ms + "<d:response><d:status>HTTP/1.1 200 OK</d:status></d:response>" + MsEnd << "throws";
    QTest::newRow("entities")
        << "<!DOCTYPE m [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>" + Ms +
               etagResponse("/x", "&b;") + MsEnd
        << "throws";
    QTest::newRow("undeclared entity") << Ms + etagResponse("/x", "&b;") + MsEnd << "throws";
    QTest::newRow("two roots") << Ms + MsEnd + Ms + MsEnd << "throws";
    QTest::newRow("nested too deep")
        << Ms + QByteArray("<a>").repeated(200) + QByteArray("</a>").repeated(200) + MsEnd
        << "throws";
    QTest::newRow("over 64 MiB") << Ms + QByteArray(MaxAnswerBytes, ' ') + MsEnd << "throws";
}

void TestCardDav::readsMultistatus()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, expected);
    QString seen;
    try {
        const Multistatus multistatus = readMultistatus(xml);
        QStringList rows;
        for (const auto& response : multistatus.responses) {
            const auto etag = response.properties.find("getetag");
            rows << QString::fromStdString(response.href) + " " + QString::number(response.status) +
                        " " +
                        (etag == response.properties.end() ? "-"
                                                           : QString::fromStdString(etag->second));
        }
        seen = rows.join(" | ");
        if (!multistatus.syncToken.empty())
            seen += " token " + QString::fromStdString(multistatus.syncToken);
    } catch (const std::runtime_error& error) {
        QVERIFY(!std::string(error.what()).empty());
        seen = "throws";
    }
    QCOMPARE(seen, expected);
}

// The vCard version of new cards, from the book's supported-address-data.
void TestCardDav::choosesCardVersion_data()
{
    QTest::addColumn<QByteArray>("offered"); // inside supported-address-data
    QTest::addColumn<QString>("version");
    const QByteArray v3 = R"(<c:address-data-type content-type="text/vcard" version="3.0"/>)";
    const QByteArray v4 = R"(<c:address-data-type content-type="text/vcard" version="4.0"/>)";
    QTest::newRow("3.0 and 4.0") << v3 + v4 << "3.0";
    QTest::newRow("3.0 alone") << v3 << "3.0";
    QTest::newRow("4.0 alone") << v4 << "4.0";
    QTest::newRow("4.0 beside jCard")
        << v4 + R"(<c:address-data-type content-type="application/vcard+json" version="4.0"/>)"
        << "4.0";
    QTest::newRow("the defaults: text/vcard 3.0") << v4 + "<c:address-data-type/>"
                                                  << "3.0";
    QTest::newRow("none named") << QByteArray() << "3.0";
}

void TestCardDav::choosesCardVersion()
{
    QFETCH(QByteArray, offered);
    QFETCH(QString, version);
    const QByteArray xml =
        R"(<d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">)"
        "<d:response><d:href>/book/</d:href><d:propstat><d:prop>"
        "<c:supported-address-data>" +
        offered +
        "</c:supported-address-data></d:prop><d:status>HTTP/1.1 200 "
        "OK</d:status></d:propstat></d:response>" +
        MsEnd;
    const Multistatus read = readMultistatus(xml);
    QCOMPARE(read.responses.size(), 1u);
    QCOMPARE(QString::fromStdString(CardDavClient::cardVersionFor(read.responses[0].vcardVersions)),
             version);
}

// What a PUT's answer says of the card the server keeps: its ETag when strong, its href when
// the server chose another.
void TestCardDav::readsPutAnswers_data()
{
    QTest::addColumn<QByteArray>("etag");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QString>("expected"); // "etag href"
    QTest::newRow("strong ETag") << QByteArray("\"e1\"") << QByteArray() << "\"e1\" /book/a.vcf";
    // sabre/dav when it changed the card on its way in.
    QTest::newRow("no ETag") << QByteArray() << QByteArray() << " /book/a.vcf";
    QTest::newRow("weak ETag") << QByteArray("W/\"e1\"") << QByteArray() << " /book/a.vcf";
    // Google: a name of its own, without .vcf.
    QTest::newRow("relative Location")
        << QByteArray() << QByteArray("/book/c9%20x") << " /book/c9 x";
    QTest::newRow("absolute Location, same server")
        << QByteArray("\"e2\"") << QByteArray("http://127.0.0.1:8080/book/c9") << "\"e2\" /book/c9";
    QTest::newRow("Location on another server is not followed")
        << QByteArray() << QByteArray("http://192.0.2.7/book/c9") << " /book/a.vcf";
}

void TestCardDav::readsPutAnswers()
{
    QFETCH(QByteArray, etag);
    QFETCH(QByteArray, location);
    QFETCH(QString, expected);
    DavReply reply;
    reply.status = 201;
    reply.url = QUrl(QStringLiteral("http://127.0.0.1:8080/book/a.vcf"));
    reply.etag = etag;
    reply.location = location;
    const PutOutcome outcome = putOutcome(reply, "/book/a.vcf");
    QCOMPARE(QString::fromStdString(outcome.etag + " " + outcome.href), expected);
}

// Which servers get which care, by the book's host: Google's known, others from the user's
// lines.
void TestCardDav::knowsServersByTheirHost_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("book");
    QTest::addColumn<QString>("traits"); // if-match, depth-1, 3.0: each 0 or 1
    const QString google = QStringLiteral("https://www.googleapis.com/carddav/v1/principals/"
                                          "ann@gmail.com/lists/default/");
    QTest::newRow("Google") << "" << google << "111";
    QTest::newRow("Google, upper case")
        << ""
        << "https://WWW.GoogleAPIs.com/carddav/v1/principals/a/lists/default/"
        << "111";
    QTest::newRow("a look-alike of Google") << ""
                                            << "https://www.googleapis.com.example.org/book/"
                                            << "000";
    QTest::newRow("another Google host") << ""
                                         << "https://people.googleapis.com/book/"
                                         << "000";
    const QString mine = QStringLiteral("dav.example.org if-match-unenforced  # our old server\n");
    QTest::newRow("the user's line") << mine << "https://dav.example.org/book/"
                                     << "100";
    QTest::newRow("a note only") << "# dav.example.org vcard-3-only\n"
                                 << "https://dav.example.org/book/"
                                 << "000";
    QTest::newRow("another host") << mine << "https://example.org/book/"
                                  << "000";
    const QString ports = QStringLiteral("127.0.0.1 vcard-3-only\n127.0.0.1:8443\t"
                                         "sync-collection-depth-1 unknown-trait\n");
    QTest::newRow("the port named wins") << ports << "http://127.0.0.1:8443/b/"
                                         << "010";
    QTest::newRow("other ports: the host's line") << ports << "http://127.0.0.1:8444/b/"
                                                  << "001";
    QTest::newRow("the scheme's port") << "dav.example.org:443 if-match-unenforced"
                                       << "https://dav.example.org/b/"
                                       << "100";
}

void TestCardDav::knowsServersByTheirHost()
{
    QFETCH(QString, lines);
    QFETCH(QString, book);
    QFETCH(QString, traits);
    const ServerTraits known =
        lines.isEmpty() ? serverTraits(QUrl(book)) : traitsIn(lines, QUrl(book));
    QCOMPARE(QString::number(known.ifMatchUnenforced) +
                 QString::number(known.syncCollectionDepthOne) + QString::number(known.onlyVCard3),
             traits);
}

void TestCardDav::tellsLoopback_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("loopback");
    for (const char* host : {"127.0.0.1", "127.8.9.10", "::1", "localhost", "LocalHost"})
        QTest::newRow(host) << host << true;
    for (const char* host :
         {"128.0.0.1", "192.168.1.2", "::2", "localhost.example.com", "example.com", "0.0.0.0"})
        QTest::newRow(host) << host << false;
}

void TestCardDav::tellsLoopback()
{
    QFETCH(QString, host);
    QFETCH(bool, loopback);
    QCOMPARE(isLoopbackHost(host), loopback);
}

void TestCardDav::discovers_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("start"); // root, home, principal or book
    for (const auto& [kind, name] :
         {std::pair{Kind::Radicale, "Radicale"}, std::pair{Kind::Xandikos, "Xandikos"}})
        for (const char* start : {"root", "home", "book"})
            QTest::newRow(QByteArray(name) + " from the " + start) << kind << start;
}

void TestCardDav::discovers()
{
    QFETCH(Kind, kind);
    QFETCH(QString, start);
    CardDavServer server(kind);
    const QUrl from = start == "root"   ? server.rootUrl()
                      : start == "home" ? server.homeUrl()
                                        : server.bookUrl();
    CardDavClient client({server.options().user, server.options().password});
    const Discovery found = ok(await<Discovery>([&](auto done) { client.discover(from, done); }));
    QCOMPARE(found.books.size(), 1u);
    QCOMPARE(found.books[0].url, server.bookUrl());
    QCOMPARE(found.books[0].pathName, lastPathPart(server.bookUrl()));
    QVERIFY(!found.books[0].displayName.isEmpty());
    QCOMPARE(found.home, server.homeUrl());
}

void TestCardDav::followsOnlyToTheSameOwner_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("followed");
    const auto row = [](const char* name, const char* from, const char* to, bool followed) {
        QTest::newRow(name) << from << to << followed;
    };
    row("iCloud's partition host", "https://contacts.icloud.com/",
        "https://p42-contacts.icloud.com/1/carddavhome/", true);
    row("the same host, another port", "https://dav.example.org/",
        "https://DAV.Example.org:8443/x/", true);
    row("a sibling under co.uk", "https://a.example.co.uk/", "https://b.example.co.uk/", true);
    row("a name in Unicode", "https://dav.b\u00fccher.de/", "https://home.b\u00fccher.de/", true);
    row("loopback to loopback", "http://127.0.0.1:8080/", "http://127.0.0.2:9090/", true);
    row("loopback by name and number", "http://localhost/", "http://[::1]/", true);
    row("two owners", "https://example.org/", "https://example.net/", false);
    row("two owners under co.uk", "https://example.co.uk/", "https://other.co.uk/", false);
    row("from a public suffix", "https://co.uk/", "https://example.co.uk/", false);
    row("a private suffix", "https://alice.github.io/", "https://bob.github.io/", false);
    row("plain http of one owner", "http://contacts.icloud.com/", "http://p42-contacts.icloud.com/",
        false);
    row("https to http", "https://contacts.icloud.com/", "http://p42-contacts.icloud.com/", false);
    row("two addresses", "https://192.0.2.7/", "https://192.0.2.8/", false);
    row("loopback to elsewhere", "http://127.0.0.1/", "http://192.0.2.7/", false);
    row("elsewhere to loopback", "https://example.org/", "https://127.0.0.1/", false);
}

void TestCardDav::followsOnlyToTheSameOwner()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, followed);
    const std::optional<DavError> refusal = refusalToFollow(QUrl(from), QUrl(to));
    QCOMPARE(!refusal, followed);
    if (refusal) {
        // The user is told both hosts: where the password stays, and where it would have gone.
        const QString message = QString::fromStdString(refusal->message);
        QCOMPARE(refusal->kind, DavError::Insecure);
        QVERIFY2(message.contains(QUrl(from).host()) && message.contains(QUrl(to).host()),
                 refusal->message.c_str());
    }
}

void TestCardDav::resolvesHrefs_data()
{
    QTest::addColumn<QString>("answer"); // the URL of the answer that carried the href
    QTest::addColumn<QString>("href");   // as the server wrote it
    QTest::addColumn<QString>("url");
    const char* principal = "https://contacts.icloud.com/123/principal/";
    QTest::newRow("absolute path") << principal << "/123/carddavhome/"
                                   << "https://contacts.icloud.com/123/carddavhome/";
    QTest::newRow("relative path") << principal << "card%20home/"
                                   << "https://contacts.icloud.com/123/principal/card%20home/";
    QTest::newRow("full URL on another host")
        << principal << "https://p42-contacts.icloud.com:443/123/carddavhome/"
        << "https://p42-contacts.icloud.com:443/123/carddavhome/";
    QTest::newRow("with blanks around") << "http://127.0.0.1:5232/"
                                        << "\n  /alice/ \n"
                                        << "http://127.0.0.1:5232/alice/";
}

void TestCardDav::resolvesHrefs()
{
    QFETCH(QString, answer);
    QFETCH(QString, href);
    QFETCH(QString, url);
    QCOMPARE(resolvedHref(QUrl(answer), href.toStdString()).toString(QUrl::FullyEncoded), url);
}

void TestCardDav::findsTheServiceOfAnAddress_data()
{
    using Records = std::vector<ServiceRecord>;
    QTest::addColumn<Records>("records");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("url"); // none: the domain's own root is asked
    const ServiceRecord fastmail{"carddav.fastmail.com.", 443, 0, 1};
    QTest::newRow("no record") << Records{} << QStringList{} << "";
    QTest::newRow("no such service") << Records{{".", 0, 0, 0}} << QStringList{} << "";
    QTest::newRow("a record, no path")
        << Records{fastmail} << QStringList{} << "https://carddav.fastmail.com/";
    QTest::newRow("the path the text gives")
        << Records{{"dav.example.org", 8443, 0, 0}} << QStringList{"v=1", "path=/dav/ann/"}
        << "https://dav.example.org:8443/dav/ann/";
    QTest::newRow("the first priority, then the weight")
        << Records{{"backup.example.org", 443, 10, 90},
                   {"light.example.org", 443, 0, 5},
                   {"main.example.org", 443, 0, 50}}
        << QStringList{} << "https://main.example.org/";
}

void TestCardDav::findsTheServiceOfAnAddress()
{
    QFETCH(std::vector<ServiceRecord>, records);
    QFETCH(QStringList, texts);
    QFETCH(QString, url);
    const std::optional<QUrl> found = serviceAddress(records, texts);
    QCOMPARE(found ? found->toString() : QString(), url);
}

namespace {

// Puts `url` in place of the href the principal names its address-book home with.
QByteArray homeMovedTo(QByteArray body, const QUrl& url)
{
    static const QRegularExpression home(
        R"((addressbook-home-set[^>]*>\s*<(?:\w+:)?href>)[^<]*(<))");
    return QString::fromUtf8(body)
        .replace(home, QStringLiteral("\\1") + url.toString() + QStringLiteral("\\2"))
        .toUtf8();
}

} // namespace

void TestCardDav::discoversThroughSparseAnswers()
{
    // As hosted services answer: no /.well-known/carddav (404), properties the server lacks in
    // a 404 propstat, a principal that names no home, a listing that names the collection
    // itself, a book without a display name.
    const auto propstat = [](const QByteArray& properties, const QByteArray& status) {
        return "<d:propstat><d:prop>" + properties + "</d:prop><d:status>HTTP/1.1 " + status +
               "</d:status></d:propstat>";
    };
    const QByteArray lacked =
        propstat(R"(<c:addressbook-home-set/><d:displayname/>)", "404 Not Found");
    const QByteArray open =
        R"(<d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">)";
    const auto multistatus = [&](const QByteArray& responses) {
        return ScriptedHttpServer::answer("207 Multi-Status", open + responses + MsEnd);
    };
    ScriptedHttpServer scripted({
        ScriptedHttpServer::answer("404 Not Found"),
        multistatus("<d:response><d:href>/</d:href>" +
                    propstat("<d:current-user-principal><d:href>/p/</d:href>"
                             "</d:current-user-principal>",
                             "200 OK") +
                    lacked + "</d:response>"),
        multistatus("<d:response><d:href>/p/</d:href>" +
                    propstat("<d:resourcetype><d:principal/></d:resourcetype>", "200 OK") + lacked +
                    "</d:response>"),
        multistatus(
            "<d:response><d:href>/</d:href>" +
            propstat("<d:resourcetype><d:collection/></d:resourcetype>", "200 OK") +
            "</d:response><d:response><d:href>/book/</d:href>" +
            propstat("<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>", "200 OK") +
            lacked + "</d:response>"),
    });
    const QUrl root(QStringLiteral("http://127.0.0.1:%1/").arg(scripted.port()));
    CardDavClient client({"alice", "secret"});
    const Discovery found = ok(await<Discovery>([&](auto done) { client.discover(root, done); }));
    QCOMPARE(found.books.size(), 1u);
    QCOMPARE(found.books[0].url, root.resolved(QUrl(QStringLiteral("/book/"))));
    QCOMPARE(found.books[0].displayName, QStringLiteral("book"));
    QCOMPARE(scripted.requests(), 4);
}

void TestCardDav::followsAPartitionHost()
{
    // iCloud: the user types contacts.icloud.com, whose principal names the address-book home
    // as an absolute URL on a partition host of its own (pNN-contacts.icloud.com), and which
    // answers OPTIONS with 404. Here 127.0.0.2 is the partition host, loopback as the first.
    CardDavServer server(Kind::Radicale);
    DavFront partition(server.rootUrl(), QHostAddress(QStringLiteral("127.0.0.2")));
    DavFront front(server.rootUrl());
    const QUrl home = partition.url(QStringLiteral("/alice/"));
    front.answerItself([](const DavFront::Request& request) -> std::optional<QByteArray> {
        if (request.method == "OPTIONS")
            return ScriptedHttpServer::answer("404 Not Found");
        return std::nullopt;
    });
    front.rewrite([home](const DavFront::Request&, QByteArray body) {
        return homeMovedTo(std::move(body), home);
    });

    CardDavClient client({server.options().user, server.options().password});
    const Discovery found =
        ok(await<Discovery>([&](auto done) { client.discover(front.url(), done); }));
    QCOMPARE(found.home, home);
    QCOMPARE(found.books.size(), 1u);
    QCOMPARE(found.books[0].url, partition.url(QStringLiteral("/alice/contacts/")));

    // The book's URL carries its host: the cards are kept there.
    ok(await<PutOutcome>([&](auto done) {
        client.putCard(found.books[0].url, "p.vcf", card("p", "Pat"), "", done);
    }));
    const auto cards = ok(await<std::map<std::string, std::string>>(
        [&](auto done) { client.listCards(found.books[0].url, done); }));
    QCOMPARE(cards.size(), 1u);
    QVERIFY(partition.seen().contains("PUT /alice/contacts/p.vcf Depth - login yes body yes"));
    for (const QByteArray& request : front.seen())
        QVERIFY2(!request.contains("/alice/contacts/"), request.constData());
}

void TestCardDav::refusesAHomeOfAnotherOwner()
{
    // A principal that names its home on a host of another owner: the password is not sent
    // there, and the user is told both hosts.
    CardDavServer server(Kind::Radicale);
    DavFront front(server.rootUrl());
    front.rewrite([](const DavFront::Request&, QByteArray body) {
        return homeMovedTo(std::move(body), QUrl(QStringLiteral("http://dav.example.net/alice/")));
    });
    CardDavClient client({server.options().user, server.options().password});
    const DavError error =
        failed(await<Discovery>([&](auto done) { client.discover(front.url(), done); }));
    QCOMPARE(error.kind, DavError::Insecure);
    const QString message = QString::fromStdString(error.message);
    QVERIFY2(message.contains("dav.example.net") && message.contains("127.0.0.1"),
             error.message.c_str());
}

void TestCardDav::followsRedirectsWithTheWholeRequest_data()
{
    QTest::addColumn<QByteArray>("status");
    // Baïkal answers its /.well-known/carddav with a 308; others use 301, 302 or 307.
    for (const char* status :
         {"301 Moved Permanently", "302 Found", "307 Temporary Redirect", "308 Permanent Redirect"})
        QTest::newRow(status) << QByteArray(status);
}

void TestCardDav::followsRedirectsWithTheWholeRequest()
{
    QFETCH(QByteArray, status);
    CardDavServer server(Kind::Radicale);
    DavFront front(server.rootUrl());
    front.answerItself([status](const DavFront::Request& request) -> std::optional<QByteArray> {
        if (request.path == "/.well-known/carddav")
            return ScriptedHttpServer::answer(status, {}, "Location: /alice/\r\n");
        return std::nullopt;
    });
    CardDavClient client({server.options().user, server.options().password});
    const Discovery found =
        ok(await<Discovery>([&](auto done) { client.discover(front.url(), done); }));
    QCOMPARE(found.books.size(), 1u);
    QCOMPARE(found.books[0].url, front.url(QStringLiteral("/alice/contacts/")));
    // The same PROPFIND, with its body and its Depth, went on to the new address, and the login
    // with it once the server asked for one (no login goes before a server asks).
    const QList<QByteArray> seen = front.seen();
    QCOMPARE(seen.value(0), "PROPFIND /.well-known/carddav Depth 0 login no body yes");
    QCOMPARE(seen.value(1), "PROPFIND /alice/ Depth 0 login no body yes");
    QCOMPARE(seen.value(2), "PROPFIND /alice/ Depth 0 login yes body yes");
}

void TestCardDav::keepsCardsOnRealServers_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("Radicale") << Kind::Radicale;
    QTest::newRow("Xandikos") << Kind::Xandikos;
}

void TestCardDav::keepsCardsOnRealServers()
{
    QFETCH(Kind, kind);
    CardDavServer server(kind);
    CardDavClient client({server.options().user, server.options().password});
    using Etags = std::map<std::string, std::string>;

    const AddressBookInfo made = ok(await<AddressBookInfo>(
        [&](auto done) { client.createBook(server.homeUrl(), "Family & Friends", done); }));
    QCOMPARE(made.url, server.homeUrl().resolved(QUrl("family-friends/")));
    const QUrl book = made.url;
    const auto found =
        ok(await<Discovery>([&](auto done) { client.discover(server.homeUrl(), done); }));
    QCOMPARE(found.books.size(), 2u);
    QVERIFY(ok(await<bool>([&](auto done) { client.supportsSyncCollection(book, done); })));
    const std::string start =
        ok(await<Changes>([&](auto done) { client.changesSince(book, "", done); })).newToken;

    // Uploads side by side, each new one with If-None-Match: *; a name needing encoding.
    std::vector<std::string> hrefs;
    for (int i = 0; i < 205; ++i)
        hrefs.push_back(CardDavClient::hrefForUid(book, i == 0 ? "a b@c" : std::to_string(i)));
    QCOMPARE(QString::fromStdString(hrefs[0]), book.path() + "a%20b%40c.vcf");
    auto uploads = std::make_shared<int>(0);
    std::vector<DavError> uploadErrors;
    for (std::size_t i = 0; i < hrefs.size(); ++i)
        client.putCard(book, hrefs[i], card(std::to_string(i), "Ann"), "", [&](auto result) {
            ++*uploads;
            if (auto* error = std::get_if<DavError>(&result))
                uploadErrors.push_back(*error);
        });
    QTRY_COMPARE_WITH_TIMEOUT(*uploads, 205, 120000);
    QVERIFY(uploadErrors.empty());

    Etags etags = ok(await<Etags>([&](auto done) { client.listCards(book, done); }));
    QCOMPARE(etags.size(), 205u);
    QVERIFY(etags.count(hrefs[0]));
    QCOMPARE(failed(await<PutOutcome>([&](auto done) {
                 client.putCard(book, hrefs[0], card("0", "Bob"), "", done);
             })).kind,
             DavError::PreconditionFailed);
    QCOMPARE(failed(await<PutOutcome>([&](auto done) {
                 client.putCard(book, hrefs[0], card("0", "Bob"), "\"stale\"", done);
             })).kind,
             DavError::PreconditionFailed);
    const PutOutcome updated = ok(await<PutOutcome>([&](auto done) {
        client.putCard(book, hrefs[0], card("0", "Bob"), etags[hrefs[0]], done);
    }));
    QVERIFY(updated.etag.empty() || updated.etag != etags[hrefs[0]]);

    const Changes since =
        ok(await<Changes>([&](auto done) { client.changesSince(book, start, done); }));
    QCOMPARE(since.changed.size(), 205u);
    QVERIFY(since.newToken != start);
    ok(await<std::monostate>(
        [&](auto done) { client.deleteCard(book, hrefs[1], etags[hrefs[1]], done); }));
    ok(await<std::monostate>([&](auto done) { client.deleteCard(book, hrefs[1], "", done); }));
    const Changes after =
        ok(await<Changes>([&](auto done) { client.changesSince(book, since.newToken, done); }));
    QVERIFY(after.changed.empty());
    QCOMPARE(after.removed, std::vector<std::string>{hrefs[1]});

    // Over one batch, with a card gone meanwhile.
    const auto fetched = ok(
        await<std::vector<FetchedCard>>([&](auto done) { client.fetchCards(book, hrefs, done); }));
    QCOMPARE(fetched.size(), 204u);
    const auto first = std::find_if(fetched.begin(), fetched.end(),
                                    [&](const FetchedCard& c) { return c.href == hrefs[0]; });
    QVERIFY(first != fetched.end());
    QVERIFY(first->text.find("FN:Bob") != std::string::npos);
    QVERIFY(!first->etag.empty());

    // A card kept under a name without ".vcf" (as Google names them; Xandikos then gives its
    // text to a GET alone) is fetched all the same, never taken for one gone.
    const std::string bare = book.path().toStdString() + "c9f2";
    ok(await<PutOutcome>(
        [&](auto done) { client.putCard(book, bare, card("bare", "Cy"), "", done); }));
    const auto alone = ok(await<std::vector<FetchedCard>>([&](auto done) {
        client.fetchCards(book, {bare, hrefs[1]}, done);
    }));
    QCOMPARE(alone.size(), 1u);
    QVERIFY(alone[0].href == bare && alone[0].text.find("FN:Cy") != std::string::npos);
    QVERIFY(!alone[0].etag.empty());

    if (kind == Kind::Radicale) { // Xandikos 0.2.8 fails with 500 on a token it never gave
        const DavError stale = failed(await<Changes>(
            [&](auto done) { client.changesSince(book, "http://stale.example/9", done); }));
        QCOMPARE(stale.kind, DavError::PreconditionFailed);
    }
}

void TestCardDav::refusesWrongPassword()
{
    CardDavServer server(Kind::Radicale);
    CardDavClient client({server.options().user, "wrong"});
    const DavError error =
        failed(await<Discovery>([&](auto done) { client.discover(server.rootUrl(), done); }));
    QCOMPARE(error.kind, DavError::Unauthorized);
    QVERIFY(QString::fromStdString(error.message).contains("user name or password"));
    QCOMPARE(failed(await<PutOutcome>([&](auto done) {
                 client.putCard(server.bookUrl(), "x.vcf", card("x", "X"), "", done);
             })).kind,
             DavError::Unauthorized);
}

void TestCardDav::refusesUntrustedCertificate()
{
    CardDavServer::Options options;
    options.tls = true;
    CardDavServer server(Kind::Radicale, options);
    CardDavClient client({options.user, options.password});
    const DavError error =
        failed(await<Discovery>([&](auto done) { client.discover(server.bookUrl(), done); }));
    QCOMPARE(error.kind, DavError::Certificate);
    QVERIFY2(QString::fromStdString(error.message).contains("not trusted"), error.message.c_str());
}

void TestCardDav::refusesBeforeSending_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("http elsewhere") << "http://192.0.2.7/dav/";
    QTest::newRow("http by name") << "http://dav.example.com/";
    QTest::newRow("http to another local-looking name") << "http://localhost.example.com/";
    QTest::newRow("not http") << "ftp://127.0.0.1/";
    QTest::newRow("no host") << "https:///dav/";
}

void TestCardDav::refusesBeforeSending()
{
    QFETCH(QString, url);
    CardDavClient client({"alice", "secret"});
    QElapsedTimer clock;
    clock.start();
    const DavError error =
        failed(await<Discovery>([&](auto done) { client.discover(QUrl(url), done); }));
    QCOMPARE(error.kind, DavError::Insecure);
    // No name was looked up and no connection tried: the refusal is immediate.
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(failed(await<std::monostate>([&](auto done) {
                 client.deleteCard(QUrl(url), "x.vcf", "", done);
             })).kind,
             DavError::Insecure);
}

void TestCardDav::failsClearlyOnBadAnswers_data()
{
    QTest::addColumn<QList<QByteArray>>("answers"); // none at all: nothing listens
    QTest::addColumn<QString>("operation");
    QTest::addColumn<DavError::Kind>("kind");
    QTest::addColumn<QString>("says");
    const auto status = [](const QByteArray& line, const QByteArray& body = {},
                           const QByteArray& headers = {}) {
        return QList<QByteArray>{ScriptedHttpServer::answer(line, body, headers)};
    };
    QTest::newRow("nothing listens")
        << QList<QByteArray>{} << "list" << DavError::Unreachable << "refused";
    QTest::newRow("hangs: the answer never begins")
        << QList<QByteArray>{QByteArray()} << "list" << DavError::Timeout
        << "did not answer for 1 s";
    QTest::newRow("the answer begins, then stops")
        << QList<QByteArray>{"HTTP/1.1 207 Multi-Status\r\nContent-Length: 900\r\n\r\n" + Ms}
        << "list" << DavError::Timeout << "did not answer for 1 s";
    QTest::newRow("401") << status("401 Unauthorized") << "discover" << DavError::Unauthorized
                         << "password";
    QTest::newRow("403") << status("403 Forbidden") << "list" << DavError::Forbidden << "403";
    QTest::newRow("404") << status("404 Not Found") << "list" << DavError::NotFound
                         << "not on the server";
    // Xandikos lists a book it no longer has as the book alone, gone, under an href of its own
    // making: no empty book.
    QTest::newRow("a listing of the book gone")
        << status("207 Multi-Status",
                  Ms +
                      "<d:response><d:href>http%3A//127.0.0.1/book/</d:href>"
                      "<d:status>HTTP/1.1 404 Not Found</d:status></d:response>" +
                      MsEnd)
        << "list" << DavError::NotFound << "not on the server";
    QTest::newRow("410") << status("410 Gone") << "changes" << DavError::NotFound << "410";
    QTest::newRow("412 on put") << status("412 Precondition Failed") << "put"
                                << DavError::PreconditionFailed << "changed on the server";
    QTest::newRow("503, and no time to wait")
        << status("503 Service Unavailable") << "put" << DavError::ServerError
        << "the server is busy: it asked to wait longer than a sync waits, 0 s in all (HTTP 503 "
           "Service Unavailable)";
    QTest::newRow("a web page") << status("200 OK", "<html>Hello</html>") << "list"
                                << DavError::BadAnswer << "multistatus";
    QTest::newRow("malformed") << status("207 Multi-Status", Ms + "<d:response>") << "list"
                               << DavError::BadAnswer << "XML";
    QTest::newRow("a DTD") << status("207 Multi-Status",
                                     "<!DOCTYPE x [<!ENTITY a 'b'>]>" + Ms + MsEnd)
                           << "list" << DavError::BadAnswer << "DTD";
    QTest::newRow("no sync token") << status("207 Multi-Status", Ms + MsEnd) << "changes"
                                   << DavError::BadAnswer << "sync token";
    QTest::newRow("token no longer known")
        << status("403 Forbidden", R"(<error xmlns="DAV:"><valid-sync-token/></error>)")
        << "changes" << DavError::PreconditionFailed << "token";
    QTest::newRow("redirect to another host")
        << status("301 Moved", {}, "Location: http://192.0.2.7/dav/\r\n") << "list"
        << DavError::Insecure << "192.0.2.7";
    QTest::newRow("redirect to https")
        << status("302 Found", {}, "Location: https://127.0.0.1/dav/\r\n") << "put"
        << DavError::Insecure << "scheme";
    QTest::newRow("redirect loop") << status("307 Again", {}, "Location: /book/\r\n") << "list"
                                   << DavError::BadAnswer << "loop";
}

void TestCardDav::failsClearlyOnBadAnswers()
{
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QString, operation);
    QFETCH(DavError::Kind, kind);
    QFETCH(QString, says);
    std::unique_ptr<ScriptedHttpServer> scripted;
    int port = freeLoopbackPort();
    if (!answers.isEmpty()) {
        scripted = std::make_unique<ScriptedHttpServer>(answers);
        port = scripted->port();
    }
    const QUrl book(QStringLiteral("http://127.0.0.1:%1/book/").arg(port));
    CardDavClient client({"alice", "secret"});
    client.setTimeout(300);
    // A silence before the answer begins is waited for longer than one within it.
    client.setAnswerWait(1000);
    client.setMostWaiting(0);
    DavError error{};
    if (operation == "discover")
        error = failed(await<Discovery>([&](auto done) { client.discover(book, done); }));
    else if (operation == "list")
        error = failed(await<std::map<std::string, std::string>>(
            [&](auto done) { client.listCards(book, done); }));
    else if (operation == "changes")
        error = failed(await<Changes>([&](auto done) { client.changesSince(book, "t1", done); }));
    else
        error = failed(await<PutOutcome>(
            [&](auto done) { client.putCard(book, "x.vcf", card("x", "X"), "\"1\"", done); }));
    QCOMPARE(error.kind, kind);
    const QString message = QString::fromStdString(error.message);
    QVERIFY2(message.contains(says) && !message.contains('\n') && !message.endsWith('.'),
             error.message.c_str());
}

// The long wait is for a server that has the request and works on it; one that never takes the
// connection is given up at the timeout.
void TestCardDav::connectingGivesUpAtTheTimeout()
{
    StalledListener silent;
    CardDavClient client({"alice", "secret"});
    client.setTimeout(300);
    client.setAnswerWait(60 * 1000);
    QElapsedTimer clock;
    clock.start();
    const DavError error = failed(await<std::map<std::string, std::string>>([&](auto done) {
        client.listCards(QUrl(QStringLiteral("http://127.0.0.1:%1/book/").arg(silent.port())),
                         done);
    }));
    QCOMPARE(error.kind, DavError::Timeout);
    QVERIFY2(clock.elapsed() < 5000, QByteArray::number(clock.elapsed()));
    QVERIFY2(error.message.find("did not answer for 1 s") != std::string::npos,
             error.message.c_str());
}

void TestCardDav::pacesRequests_data()
{
    // How long each answer took, with a timeout of 1000 ms, and the requests let go at once
    // after it.
    QTest::addColumn<QList<int>>("answersMs");
    QTest::addColumn<QList<int>>("atOnce");
    QTest::newRow("quick answers: one more each, up to six")
        << QList<int>{0, 10, 100, 50, 50, 50, 50} << QList<int>{2, 3, 4, 5, 6, 6, 6};
    QTest::newRow("a slow answer at first: one at a time") << QList<int>{5000} << QList<int>{1};
    QTest::newRow("a slow answer among quick ones: back to one")
        << QList<int>{10, 10, 101, 50} << QList<int>{2, 3, 1, 2};
}

void TestCardDav::pacesRequests()
{
    QFETCH(QList<int>, answersMs);
    QFETCH(QList<int>, atOnce);
    RequestPace pace;
    QList<int> seen;
    for (const int ms : answersMs) {
        pace.answered(std::chrono::milliseconds(ms), std::chrono::milliseconds(1000));
        seen << int(pace.atOnce());
    }
    QCOMPARE(seen, atOnce);
}

void TestCardDav::waitsItsTurn_data()
{
    QTest::addColumn<int>("answered"); // multigets answered before the server hangs; -1: all
    QTest::newRow("slow multigets, each in its turn") << -1;
    QTest::newRow("the server hangs: the requests behind end with it") << 2;
}

// Seven multigets of 150 ms each at a server that answers one at a time, and a timeout of
// 400 ms: six sent at once, once the server answered quickly, wait up to 900 ms for their
// answer; the server never keeps one waiting 400 ms.
void TestCardDav::waitsItsTurn()
{
    QFETCH(int, answered);
    const int cards = 7 * int(CardDavClient::MultigetBatch);
    SlowCardDavFront front(cards);
    front.setMultigetMs(150);
    front.cutOffAfter(answered);
    std::vector<std::string> hrefs;
    for (int card = 1; card <= cards; ++card)
        hrefs.push_back(front.href(card));
    CardDavClient client({"alice", "secret"});
    client.setTimeout(400);
    client.setAnswerWait(400);
    // Quick answers first, as a sync's listing is: six requests may then go at once.
    for (int quick = 0; quick < 5; ++quick)
        ok(await<Changes>([&](auto done) { client.changesSince(front.bookUrl(), "", done); }));
    const auto result = await<std::vector<FetchedCard>>(
        [&](auto done) { client.fetchCards(front.bookUrl(), hrefs, done); });
    if (answered >= 0) {
        QCOMPARE(failed(result).kind, DavError::Timeout);
        // Long enough for those behind it to time out in turn, were they left to, and for
        // those not yet sent to go.
        const int sent = front.multigets();
        QTest::qWait(4 * 400);
        QCOMPARE(front.multigets(), sent);
        return;
    }
    QCOMPARE(ok(result).size(), hrefs.size());
    QCOMPARE(front.multigets(), 7);
    // Slow answers: once the first came, each request went alone.
    QCOMPARE(front.crowdedArrivals(), 0);
}

QTEST_GUILESS_MAIN(TestCardDav)
#include "tst_carddav.moc"

// The decisions of a sign-in through the browser, without a network: PKCE, where a provider's
// metadata is, what the browser brings back, what the token endpoint's answers mean.
#include "sync/oauth/authorization_request.h"
#include "sync/oauth/google_account.h"
#include "sync/oauth/oauth_client.h"
#include "sync/oauth/pkce.h"
#include "sync/oauth/provider_metadata.h"
#include "sync/oauth/token_answer.h"
#include "sync/setup/set_up_state.h"

#include <QTest>
#include <QUrlQuery>

using namespace syncing;

class TestOAuthRules : public QObject {
    Q_OBJECT

private slots:
    void challengeIsS256OfTheVerifier_data();
    void challengeIsS256OfTheVerifier();
    void randomWordsAreUrlSafeAndFresh();
    void metadataIsLookedForWhereBothStandardsPutIt_data();
    void metadataIsLookedForWhereBothStandardsPutIt();
    void metadataNamesTheEndpoints_data();
    void metadataNamesTheEndpoints();
    void googleIsKnown_data();
    void googleIsKnown();
    void aNewSignInHasTheClientsSecret_data();
    void aNewSignInHasTheClientsSecret();
    void googleAccountsAsTyped_data();
    void googleAccountsAsTyped();
    void authorizationAddressCarriesTheFlow_data();
    void authorizationAddressCarriesTheFlow();
    void redirectCountsOnlyWithItsOwnState_data();
    void redirectCountsOnlyWithItsOwnState();
    void tokenAnswersAreRead_data();
    void tokenAnswersAreRead();
    void formsAreEncoded();
    void keptSignInSurvivesTheKeyring_data();
    void keptSignInSurvivesTheKeyring();
};

void TestOAuthRules::challengeIsS256OfTheVerifier_data()
{
    QTest::addColumn<QByteArray>("verifier");
    QTest::addColumn<QByteArray>("challenge");
    // The worked example of PKCE's own appendix B.
    QTest::newRow("appendix B") << QByteArray("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")
                                << QByteArray("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    // SHA-256 of the 43 characters of 'a': its digest holds bytes that base64 writes as '+'
    // and '/' in its plain alphabet.
    QTest::newRow("url-safe alphabet")
        << QByteArray(43, 'a')
        << QCryptographicHash::hash(QByteArray(43, 'a'), QCryptographicHash::Sha256)
               .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

void TestOAuthRules::challengeIsS256OfTheVerifier()
{
    QFETCH(QByteArray, verifier);
    QFETCH(QByteArray, challenge);
    QCOMPARE(s256Challenge(verifier), challenge);
    QVERIFY(!challenge.contains('=') && !challenge.contains('+') && !challenge.contains('/'));
}

void TestOAuthRules::randomWordsAreUrlSafeAndFresh()
{
    const QByteArray verifier = randomWord();
    // PKCE wants 43 to 128 characters of its unreserved set.
    QCOMPARE(verifier.size(), 43);
    for (char c : verifier)
        QVERIFY2(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_',
                 verifier.constData());
    QVERIFY(randomWord() != verifier);
    QCOMPARE(randomWord(16).size(), 22);
}

void TestOAuthRules::metadataIsLookedForWhereBothStandardsPutIt_data()
{
    QTest::addColumn<QString>("issuer");
    QTest::addColumn<QString>("oauth");
    QTest::addColumn<QString>("openId");
    QTest::newRow("host alone")
        << "https://login.example.org"
        << "https://login.example.org/.well-known/oauth-authorization-server"
        << "https://login.example.org/.well-known/openid-configuration";
    QTest::newRow("with a path")
        << "https://login.example.org/realms/home/"
        << "https://login.example.org/.well-known/oauth-authorization-server/realms/home"
        << "https://login.example.org/realms/home/.well-known/openid-configuration";
    QTest::newRow("loopback with a port")
        << "http://127.0.0.1:8080"
        << "http://127.0.0.1:8080/.well-known/oauth-authorization-server"
        << "http://127.0.0.1:8080/.well-known/openid-configuration";
}

void TestOAuthRules::metadataIsLookedForWhereBothStandardsPutIt()
{
    QFETCH(QString, issuer);
    QFETCH(QString, oauth);
    QFETCH(QString, openId);
    const std::vector<QUrl> addresses = metadataAddresses(QUrl(issuer));
    QCOMPARE(addresses.size(), 2u);
    QCOMPARE(addresses[0].toString(), oauth);
    QCOMPARE(addresses[1].toString(), openId);
}

void TestOAuthRules::metadataNamesTheEndpoints_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("revocation");
    const QByteArray both = R"("authorization_endpoint":"https://a.example/auth",)"
                            R"("token_endpoint":"https://a.example/token")";
    QTest::newRow("with revocation")
        << "{" + both + R"(,"revocation_endpoint":"https://a.example/revoke"})" << true
        << "https://a.example/revoke";
    QTest::newRow("without revocation") << "{" + both + "}" << true << "";
    QTest::newRow("no token endpoint")
        << QByteArray(R"({"authorization_endpoint":"https://a.example/auth"})") << false << "";
    QTest::newRow("relative endpoint")
        << QByteArray(R"({"authorization_endpoint":"/auth","token_endpoint":"/token"})") << false
        << "";
    QTest::newRow("an HTML page") << QByteArray("<html>not found</html>") << false << "";
    QTest::newRow("an array") << QByteArray("[1]") << false << "";
}

void TestOAuthRules::metadataNamesTheEndpoints()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, read);
    QFETCH(QString, revocation);
    const std::optional<OAuthEndpoints> endpoints = readMetadata(json);
    QCOMPARE(endpoints.has_value(), read);
    if (read) {
        QCOMPARE(endpoints->token.toString(), QStringLiteral("https://a.example/token"));
        QCOMPARE(endpoints->revocation.toString(), revocation);
    }
}

void TestOAuthRules::googleIsKnown_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("google");
    QTest::newRow("the host alone") << "https://www.googleapis.com/" << true;
    QTest::newRow("its well-known address")
        << "https://www.googleapis.com/.well-known/carddav" << true;
    QTest::newRow("upper case") << "https://WWW.GoogleAPIs.com/" << true;
    QTest::newRow("a look-alike") << "https://www.googleapis.com.example.org/" << false;
    QTest::newRow("a suffix look-alike") << "https://evilgoogleapis.com/" << false;
    QTest::newRow("another server") << "https://dav.example.org/" << false;
}

void TestOAuthRules::googleIsKnown()
{
    QFETCH(QString, server);
    QFETCH(bool, google);
    QCOMPARE(isGoogleServer(QUrl(server)), google);
    const std::optional<OAuthEndpoints> known = knownEndpoints(googleIssuer());
    QVERIFY(known);
    QCOMPARE(known->scope, QStringLiteral("https://www.googleapis.com/auth/carddav"));
    QCOMPARE(known->token.scheme(), QStringLiteral("https"));
    QVERIFY(!known->revocation.isEmpty());
    QVERIFY(!knownEndpoints(QUrl(QStringLiteral("https://login.example.org"))));
}

// Without a keyring a sync signs in anew with the client the set-up remembered, which it wrote
// down without its secret: the packager's client has its own back, another Google client's is
// asked for, a client of another server needs none.
void TestOAuthRules::aNewSignInHasTheClientsSecret_data()
{
    QTest::addColumn<QString>("issuer");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("secret"); // what the remembered client comes back with
    QTest::addColumn<bool>("asked");
    const QString google = googleIssuer().toString();
    QTest::newRow("the packager's Google client") << google << "packaged" << "built in" << false;
    QTest::newRow("a Google client of the user's own") << google << "own" << "" << true;
    QTest::newRow("another server's client, named as the packager's")
        << "https://login.example.org" << "packaged" << "" << false;
}

void TestOAuthRules::aNewSignInHasTheClientsSecret()
{
    QFETCH(QString, issuer);
    QFETCH(QString, id);
    QFETCH(QString, secret);
    QFETCH(bool, asked);
    SyncState state;
    state.signInIssuer = issuer.toStdString();
    state.signInClient = id.toStdString();
    const OAuthClient builtIn{googleIssuer(), QStringLiteral("packaged"), QStringLiteral("built in")};
    const std::optional<OAuthClient> client = rememberedSignIn(state, builtIn);
    QVERIFY(client);
    QCOMPARE(client->id, id);
    QCOMPARE(client->secret, secret);
    QCOMPARE(needsSecretAsked(*client), asked);
    QVERIFY(!rememberedSignIn(SyncState{}, builtIn));
}

void TestOAuthRules::googleAccountsAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("google");
    QTest::addColumn<QString>("start");
    const QString wellKnown = QStringLiteral("https://www.googleapis.com/.well-known/carddav");
    QTest::newRow("the service's host")
        << "www.googleapis.com" << true << "https://www.googleapis.com/";
    QTest::newRow("its address") << "https://www.googleapis.com/carddav/v1/" << true
                                 << "https://www.googleapis.com/carddav/v1/";
    QTest::newRow("a Gmail address") << " Ann@GMail.com " << true << wellKnown;
    QTest::newRow("a Googlemail address") << "ann@googlemail.com" << true << wellKnown;
    QTest::newRow("a look-alike mail domain") << "ann@gmail.com.example.org" << false << "";
    QTest::newRow("Gmail's web address") << "https://gmail.com/" << false << "";
    QTest::newRow("another mail address") << "ann@example.org" << false << "";
    QTest::newRow("nothing typed") << "" << false << "";
}

void TestOAuthRules::googleAccountsAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(bool, google);
    QFETCH(QString, start);
    QCOMPARE(isGoogleAccount(typed), google);
    if (google)
        QCOMPARE(googleAccountStart(typed).toString(), start);
}

void TestOAuthRules::authorizationAddressCarriesTheFlow_data()
{
    QTest::addColumn<bool>("google");
    QTest::newRow("google") << true;
    QTest::newRow("another server") << false;
}

void TestOAuthRules::authorizationAddressCarriesTheFlow()
{
    QFETCH(bool, google);
    OAuthEndpoints endpoints =
        google ? *knownEndpoints(googleIssuer())
               : *readMetadata(R"({"authorization_endpoint":"https://a.example/auth?tenant=x",)"
                               R"("token_endpoint":"https://a.example/token"})");
    const OAuthClient client{googleIssuer(), QStringLiteral("id+1&x"), QStringLiteral("secret")};
    const QUrl address =
        authorizationAddress(endpoints, client, QUrl(QStringLiteral("http://127.0.0.1:4711/")),
                             "st-1", s256Challenge("v"));
    const QUrlQuery query(address);
    QCOMPARE(query.queryItemValue("response_type"), QStringLiteral("code"));
    QCOMPARE(query.queryItemValue("client_id", QUrl::FullyDecoded), QStringLiteral("id+1&x"));
    QCOMPARE(query.queryItemValue("redirect_uri", QUrl::FullyDecoded),
             QStringLiteral("http://127.0.0.1:4711/"));
    QCOMPARE(query.queryItemValue("state"), QStringLiteral("st-1"));
    QCOMPARE(query.queryItemValue("code_challenge"), QString::fromLatin1(s256Challenge("v")));
    QCOMPARE(query.queryItemValue("code_challenge_method"), QStringLiteral("S256"));
    // The secret never goes to the browser.
    QVERIFY(!address.toString().contains(QLatin1String("secret")));
    QCOMPARE(query.hasQueryItem("access_type"), google);
    QCOMPARE(query.hasQueryItem("scope"), google);
    if (!google)
        QCOMPARE(query.queryItemValue("tenant"), QStringLiteral("x"));
}

void TestOAuthRules::redirectCountsOnlyWithItsOwnState_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("error");
    QTest::newRow("the code") << "http://127.0.0.1:1/?code=4%2F0Ab&state=s1"
                              << "4/0Ab"
                              << "";
    QTest::newRow("another state") << "http://127.0.0.1:1/?code=c&state=s2"
                                   << ""
                                   << "state does not match";
    QTest::newRow("no state") << "http://127.0.0.1:1/?code=c"
                              << ""
                              << "state does not match";
    QTest::newRow("refused by the person") << "http://127.0.0.1:1/?error=access_denied&state=s1"
                                           << ""
                                           << "the sign-in was refused (access_denied)";
    QTest::newRow("refused, said why")
        << "http://127.0.0.1:1/?error=invalid_scope&error_description=no+such+scope&state=s1"
        << ""
        << "(invalid_scope: no such scope)";
    QTest::newRow("a refusal with another state")
        << "http://127.0.0.1:1/?error=access_denied&state=s2"
        << ""
        << "state does not match";
    QTest::newRow("no code") << "http://127.0.0.1:1/?state=s1"
                             << ""
                             << "without a sign-in code";
}

void TestOAuthRules::redirectCountsOnlyWithItsOwnState()
{
    QFETCH(QString, target);
    QFETCH(QString, code);
    QFETCH(QString, error);
    const RedirectOutcome outcome = readRedirect(QUrl(target), "s1");
    QCOMPARE(outcome.code.value_or(QString()), code);
    QVERIFY2(QString::fromStdString(outcome.error).contains(error), outcome.error.c_str());
    QCOMPARE(outcome.error.empty(), error.isEmpty());
    const QByteArray page = redirectPage(outcome);
    QVERIFY(page.startsWith(code.isEmpty() ? "HTTP/1.1 400 " : "HTTP/1.1 200 "));
    QVERIFY(page.contains("You may close this page."));
}

void TestOAuthRules::tokenAnswersAreRead_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("access");
    QTest::addColumn<QString>("refresh");
    QTest::addColumn<int>("lifeSeconds");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a sign-in")
        << 200
        << QByteArray(R"({"access_token":"a1","token_type":"Bearer","expires_in":3599,)"
                      R"("refresh_token":"r1","scope":"x"})")
        << "a1"
        << "r1" << 3569 << false;
    QTest::newRow("a renewal keeps no refresh token")
        << 200 << QByteArray(R"({"access_token":"a2","token_type":"bearer","expires_in":3600})")
        << "a2"
        << "" << 3570 << false;
    QTest::newRow("a short life is cut by a quarter")
        << 200 << QByteArray(R"({"access_token":"a3","token_type":"Bearer","expires_in":8})")
        << "a3"
        << "" << 6 << false;
    QTest::newRow("no stated life: an hour")
        << 200 << QByteArray(R"({"access_token":"a4","token_type":"Bearer"})") << "a4"
        << "" << 3570 << false;
    QTest::newRow("access withdrawn")
        << 400
        << QByteArray(R"({"error":"invalid_grant","error_description":"Token has been )"
                      R"(expired or revoked."})")
        << ""
        << "" << 0 << true;
    QTest::newRow("the server failing") << 503 << QByteArray("busy") << ""
                                        << "" << 0 << false;
    QTest::newRow("a client not known") << 401 << QByteArray(R"({"error":"invalid_client"})") << ""
                                        << "" << 0 << false;
    QTest::newRow("not a bearer token")
        << 200 << QByteArray(R"({"access_token":"m","token_type":"mac"})") << ""
        << "" << 0 << false;
}

void TestOAuthRules::tokenAnswersAreRead()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, access);
    QFETCH(QString, refresh);
    QFETCH(int, lifeSeconds);
    QFETCH(bool, refused);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const TokenAnswer answer = readTokenAnswer(status, body, now);
    QCOMPARE(answer.refused, refused);
    QCOMPARE(answer.tokens.has_value(), !access.isEmpty());
    QCOMPARE(answer.error.empty(), !access.isEmpty());
    if (!answer.tokens) {
        QVERIFY(answer.error.find("HTTP") != std::string::npos ||
                answer.error.find("bearer") != std::string::npos);
        return;
    }
    QCOMPARE(answer.tokens->access, access);
    QCOMPARE(answer.tokens->refresh, refresh);
    QCOMPARE(now.secsTo(answer.tokens->expires), lifeSeconds);
}

void TestOAuthRules::formsAreEncoded()
{
    const OAuthClient withSecret{googleIssuer(), QStringLiteral("c 1"), QStringLiteral("s&2")};
    const QUrlQuery exchange(QString::fromLatin1(codeExchangeForm(
        withSecret, QStringLiteral("4/x+y"), QUrl(QStringLiteral("http://127.0.0.1:9/")), "v")));
    QCOMPARE(exchange.queryItemValue("grant_type"), QStringLiteral("authorization_code"));
    QCOMPARE(exchange.queryItemValue("code", QUrl::FullyDecoded), QStringLiteral("4/x+y"));
    QCOMPARE(exchange.queryItemValue("code_verifier"), QStringLiteral("v"));
    QCOMPARE(exchange.queryItemValue("redirect_uri", QUrl::FullyDecoded),
             QStringLiteral("http://127.0.0.1:9/"));
    QCOMPARE(exchange.queryItemValue("client_secret", QUrl::FullyDecoded), QStringLiteral("s&2"));
    const OAuthClient withoutSecret{googleIssuer(), QStringLiteral("c"), {}};
    const QByteArray refresh = refreshForm(withoutSecret, QStringLiteral("r/1"));
    QCOMPARE(refresh, QByteArray("grant_type=refresh_token&refresh_token=r%2F1&client_id=c"));
    QCOMPARE(revocationForm(withoutSecret, QStringLiteral("r")), QByteArray("token=r&client_id=c"));
}

void TestOAuthRules::keptSignInSurvivesTheKeyring_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("read");
    const KeptSignIn kept{{googleIssuer(), QStringLiteral("id"), QStringLiteral("s\"\\")},
                          QStringLiteral("1//0g")};
    QTest::newRow("as kept") << keptSignInText(kept) << true;
    QTest::newRow("a password, not a sign-in") << "hunter2" << false;
    QTest::newRow("no refresh token")
        << R"({"issuer":"https://accounts.google.com","client_id":"id"})" << false;
}

void TestOAuthRules::keptSignInSurvivesTheKeyring()
{
    QFETCH(QString, text);
    QFETCH(bool, read);
    const std::optional<KeptSignIn> kept = readKeptSignIn(text);
    QCOMPARE(kept.has_value(), read);
    if (!read)
        return;
    QCOMPARE(kept->client.issuer, googleIssuer());
    QCOMPARE(kept->client.secret, QStringLiteral("s\"\\"));
    QCOMPARE(kept->refreshToken, QStringLiteral("1//0g"));
}

QTEST_GUILESS_MAIN(TestOAuthRules)
#include "tst_oauth_rules.moc"

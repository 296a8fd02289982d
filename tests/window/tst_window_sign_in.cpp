// Signing in through the browser from the window's set-up dialog, end to end: a real OAuth 2.0
// authorization server, Xandikos behind a front that takes only its bearer tokens, and the
// desktop's real keyring. The test runs itself again in a SignInDesktop (sign_in_world.h), with
// a keyring and without; Qt's desktop services hand the program's links to that desktop's
// browser, which follows the redirects as a browser does.
#include "store/file_system.h"
#include "support/carddav_server.h"
#include "support/sign_in_world.h"
#include "support/window_fixture.h"
#include "sync/carddav/carddav_client.h"
#include "sync/state/state_file.h"
#include "sync/sync_module.h"
#include "sync/sync_module_loader.h"
#include "window/sync/sync_setup_dialog.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

namespace {

constexpr int signInMs = 60000;
const QString StateFile = QString::fromLatin1(syncing::StateFileName);

// The SignInDesktop's own files: where its browser notes what it was given, what the person at
// it does, the keyring.
QString desktopFile(const QString& name)
{
    return qEnvironmentVariable("BROWSER").section(u'/', 0, -3) + u'/' + name;
}

QByteArray bytesBelow(const QString& folder)
{
    QByteArray bytes;
    for (const QString& path : filesBelow(folder)) {
        QFile file(path);
        bytes += file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return bytes;
}

// The desktop's handler of web links: its browser.
class Desktop : public QObject {
    Q_OBJECT
public:
    Desktop() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~Desktop() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
    void setPerson(const QByteArray& does)
    {
        QFile file(desktopFile(QStringLiteral("person")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(does) == does.size());
    }
    QStringList browsed() const
    {
        QFile file(desktopFile(QStringLiteral("browsed")));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }
    QByteArray keyring() const { return bytesBelow(desktopFile(QStringLiteral("data/keyrings"))); }

public slots:
    void open(const QUrl& address)
    {
        QProcess::startDetached(qEnvironmentVariable("BROWSER"),
                                {QString::fromLatin1(address.toEncoded())});
    }
};

bool somethingListensAt(const QUrl& address)
{
    QTcpSocket socket;
    socket.connectToHost(address.host(), quint16(address.port()));
    return socket.waitForConnected(2000);
}

// Puts a card on the server as another client would, or (with an empty nick) counts its cards.
int cardsOnServer(const CardDavServer& server, const std::string& put = {})
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    std::optional<int> answer;
    if (!put.empty())
        client.putCard(server.bookUrl(), put + ".vcf",
                       "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + put + "\r\nFN:" + put + "\r\nN:;" +
                           put + ";;;\r\nNICKNAME:" + put + "\r\nTEL:5550100\r\nEND:VCARD\r\n",
                       "", [&](auto) { answer = 0; });
    else
        client.listCards(server.bookUrl(),
                         [&](auto listed) { answer = int(std::get<0>(listed).size()); });
    for (int waited = 0; !answer && waited < signInMs; waited += 10)
        QTest::qWait(10);
    return answer.value_or(-1);
}

QString progressOf(const SyncSetUpDialog& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("LblSyncProgress"))->text();
}

} // namespace

class TestWindowSignIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void aGoogleAccountSignsInInsteadOfAPassword_data();
    void aGoogleAccountSignsInInsteadOfAPassword();
    void signInThroughTheDialogThenSyncBothWays();
    void failedSignInsKeepNothing_data();
    void failedSignInsKeepNothing();
    // Run where no keyring answers.
    void withoutAKeyringTheWindowKeepsTheSignIn();

private:
    // The dialog filled for the test's server and its authorization server, then Sign In
    // pressed; `waitToEnd` waits for the browser.
    void signIn(SyncSetUpDialog& dialog, bool waitToEnd = true);

    std::unique_ptr<CardDavServer> xandikos_;
    std::unique_ptr<AuthorizationServer> authorization_;
    std::unique_ptr<BearerFront> front_;
    std::unique_ptr<Desktop> desktop_;
};

void TestWindowSignIn::initTestCase()
{
    hidePlatformNotes();
    xandikos_ = std::make_unique<CardDavServer>(CardDavServer::Kind::Xandikos);
    authorization_ = std::make_unique<AuthorizationServer>();
    front_ = std::make_unique<BearerFront>(xandikos_->rootUrl(), authorization_->introspection());
    desktop_ = std::make_unique<Desktop>();
}

void TestWindowSignIn::signIn(SyncSetUpDialog& dialog, bool waitToEnd)
{
    dialog.show();
    dialog.server->setText(front_->rootUrl().toString());
    dialog.user->setText(QStringLiteral("ann@example.org"));
    // Google's own sign-in, pointed at the test's authorization server.
    dialog.googleButton->click();
    dialog.issuer->setText(authorization_->issuer().toString());
    dialog.clientId->setText(QStringLiteral("zarvoth-tests"));
    dialog.clientSecret->setText(QStringLiteral("secret-for-the-keyring"));
    dialog.signInButton->click();
    QVERIFY(dialog.waitingForBrowser());
    QVERIFY(progressOf(dialog).startsWith(QLatin1String("Waiting for the browser")));
    // The window goes on meanwhile: the wait is on its event loop.
    if (waitToEnd)
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.waitingForBrowser(), signInMs);
}

void TestWindowSignIn::aGoogleAccountSignsInInsteadOfAPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("signsIn");
    QTest::newRow("Google's CardDAV service") << "www.googleapis.com" << true;
    QTest::newRow("a Gmail address") << "ann@gmail.com" << true;
    QTest::newRow("another mail address") << "ann@example.org" << false;
    QTest::newRow("another server") << "https://dav.example.org/" << false;
}

void TestWindowSignIn::aGoogleAccountSignsInInsteadOfAPassword()
{
    QFETCH(QString, typed);
    QFETCH(bool, signsIn);
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    dialog.show();
    dialog.server->setText(typed);
    QCOMPARE(dialog.passwordBox->isVisible(), !signsIn);
    QCOMPARE(dialog.googleButton->isVisible(), !signsIn);
    // No client is built into the tests' program: the person names theirs, its secret masked.
    QCOMPARE(dialog.signInButton->isVisible() && dialog.clientId->isVisible(), signsIn);
    QCOMPARE(dialog.clientSecret->echoMode(), QLineEdit::Password);
    // The keyboard goes from the address to the user name, the password or the client, ...
    QList<QWidget*> order;
    for (QWidget* at = dialog.server; order.size() < 4; at = at->nextInFocusChain())
        if ((at->focusPolicy() & Qt::TabFocus) && at->isVisible())
            order << at;
    QCOMPARE(order.mid(0, 3), QList<QWidget*>({dialog.server, dialog.user,
                                               signsIn ? dialog.clientId : dialog.passwordBox}));
    // ... and, for any other server, on to the buttons.
    QCOMPARE(qobject_cast<QDialogButtonBox*>(order[3]->parentWidget()) != nullptr, !signsIn);
}

void TestWindowSignIn::signInThroughTheDialogThenSyncBothWays()
{
    cardsOnServer(*xandikos_, "Bob");
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    fx.start();
    desktop_->setPerson("signs-in");
    fx.dialogs->setUpScript = [&](SyncSetUpDialog& dialog) {
        [&] {
            signIn(dialog);
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("LblSignedInAs"))->text(),
                     QStringLiteral("Signed in as ann@example.org"));
            dialog.okButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(dialog.result() == SyncSetUpDialog::SetUp, signInMs);
        }();
        return dialog.result();
    };
    fx.window().MnuSyncSetUp->trigger();
    // The first sync, as after a password set-up: Ann goes up, Bob comes down.
    QTRY_VERIFY_WITH_TIMEOUT(fx.folder.records().size() == 2, signInMs);
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), signInMs);
    QCOMPARE(cardsOnServer(*xandikos_), 2);
    QCOMPARE(fx.dialogs->messages, QStringList());
    // The set-up remembers the client, never its secret nor a token.
    const QByteArray state = fx.folder.bytes(StateFile);
    QVERIFY(state.contains("zarvoth-tests") && !state.contains("secret-for-the-keyring"));
    for (const QString& token : authorization_->tokens("issued"))
        QVERIFY(!state.contains(token.toUtf8()));
    // Sync Now signs in with what the keyring kept, without the browser.
    cardsOnServer(*xandikos_, "Cid");
    fx.window().MnuSyncNow->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fx.folder.records().size() == 3, signInMs);
    QCOMPARE(desktop_->browsed().size(), 1);

    // Stop Syncing gives the sign-in back: the set-up forgotten, the token revoked at the
    // authorization server, and nothing left in the keyring for Sync Now to find.
    const qsizetype revoked = authorization_->tokens("revoked").size();
    fx.dialogs->setUpScript = [&](SyncSetUpDialog& dialog) {
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("BtnStopSyncing"))->click();
        return dialog.result();
    };
    fx.window().MnuSyncSetUp->trigger();
    QVERIFY(!fx.folder.exists(StateFile));
    QTRY_VERIFY_WITH_TIMEOUT(authorization_->tokens("revoked").size() > revoked, signInMs);
    QVERIFY(authorization_->tokens("issued").contains(authorization_->tokens("revoked").back()));
    std::optional<std::optional<syncing::KeptSignIn>> kept;
    syncing::loadSyncModule().module->findSignIn(
        QStringLiteral("ann@example.org"), front_->rootUrl().host(),
        [&](std::optional<syncing::KeptSignIn> found) { kept = std::move(found); });
    QTRY_VERIFY_WITH_TIMEOUT(kept.has_value(), signInMs);
    QVERIFY(!kept->has_value());
}

void TestWindowSignIn::failedSignInsKeepNothing_data()
{
    QTest::addColumn<QByteArray>("person");
    QTest::addColumn<QByteArray>("serverCommand");
    QTest::addColumn<QString>("said");
    QTest::newRow("Cancel while waiting")
        << QByteArray("away") << QByteArray() << "The sign-in was cancelled; nothing was kept.";
    QTest::newRow("another sign-in's state")
        << QByteArray("other-state") << QByteArray()
        << "Not signed in: the browser came back from another sign-in than this one";
    QTest::newRow("the code refused") << QByteArray("signs-in") << QByteArray("refuse-code")
                                      << "Not signed in: the sign-in server refused (HTTP 400";
}

void TestWindowSignIn::failedSignInsKeepNothing()
{
    QFETCH(QByteArray, person);
    QFETCH(QByteArray, serverCommand);
    QFETCH(QString, said);
    DataFolder folder;
    const QByteArray keyring = desktop_->keyring();
    const qsizetype browsed = desktop_->browsed().size();
    desktop_->setPerson(person);
    if (!serverCommand.isEmpty())
        authorization_->command(serverCommand);
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    signIn(dialog, false);
    QTRY_VERIFY_WITH_TIMEOUT(desktop_->browsed().size() == browsed + 1, signInMs);
    const QUrl listener(QUrlQuery(QUrl(desktop_->browsed().back()))
                            .queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
    if (person == "away")
        QTest::keyClick(&dialog, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.waitingForBrowser(), signInMs);
    // One line in the dialog, which stays as it was, and the listener is closed.
    QVERIFY2(progressOf(dialog).startsWith(said), qPrintable(progressOf(dialog)));
    QVERIFY(dialog.isVisible() && dialog.signInButton->isEnabled() && dialog.okButton->isEnabled());
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("LblSignedInAs"))->isVisible());
    QVERIFY(!somethingListensAt(listener));
    QVERIFY(!folder.exists(StateFile));
    QCOMPARE(desktop_->keyring(), keyring);
    // The dialog signs in again, OK as well as Sign In.
    desktop_->setPerson("signs-in");
    dialog.okButton->click();
    QVERIFY(dialog.waitingForBrowser());
    QTRY_VERIFY_WITH_TIMEOUT(
        dialog.findChild<QLabel*>(QStringLiteral("LblSignedInAs"))->isVisible(), signInMs);
}

// As with a password no keyring took: set up, and the window syncs with the sign-in until it
// closes, never writing it anywhere and never opening the browser again.
void TestWindowSignIn::withoutAKeyringTheWindowKeepsTheSignIn()
{
    cardsOnServer(*xandikos_, "Bob");
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    fx.start();
    desktop_->setPerson("signs-in");
    const qsizetype browsedBefore = desktop_->browsed().size();
    fx.dialogs->setUpScript = [&](SyncSetUpDialog& dialog) {
        [&] {
            signIn(dialog);
            dialog.okButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(
                progressOf(dialog).startsWith(QLatin1String(
                    "Sync is set up, but no keyring on this desktop took the sign-in")),
                signInMs);
            QCOMPARE(dialog.result(), 0);
            QVERIFY(!dialog.signInButton->isEnabled());
            dialog.okButton->click();
        }();
        return dialog.result();
    };
    fx.window().MnuSyncSetUp->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fx.folder.records().size() == 2, signInMs);
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), signInMs);
    cardsOnServer(*xandikos_, "Cid");
    fx.window().MnuSyncNow->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fx.folder.records().size() == 3, signInMs);
    QCOMPARE(fx.dialogs->messages, QStringList());
    QCOMPARE(desktop_->browsed().size(), browsedBefore + 1);
    const QByteArray state = fx.folder.bytes(StateFile);
    QVERIFY(state.contains("zarvoth-tests"));
    for (const QString& token : authorization_->tokens("issued"))
        QVERIFY(!state.contains(token.toUtf8()));
}

// The test again in a SignInDesktop: each function but the last inside a session bus whose
// keyring is unlocked, the last where no keyring answers.
int runInOwnDesktop(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    qputenv("ZARVOTH_TEST_DESKTOP", "1");
    SignInDesktop desktop;
    QStringList functions;
    const QMetaObject& meta = TestWindowSignIn::staticMetaObject;
    for (int i = meta.methodOffset() + 1; i < meta.methodCount(); ++i)
        if (!meta.method(i).name().endsWith("_data"))
            functions << QString::fromLatin1(meta.method(i).name());
    int status = 0;
    for (const bool withKeyring : {true, false}) {
        const QStringList run = withKeyring ? functions.mid(0, functions.size() - 1)
                                            : functions.mid(functions.size() - 1);
        std::unique_ptr<QProcess> test(desktop.start(QCoreApplication::applicationFilePath(), run,
                                                     withKeyring, QDir::currentPath()));
        test->waitForFinished(-1);
        QFile out;
        if (out.open(stdout, QIODevice::WriteOnly))
            out.write(test->readAllStandardOutput() + test->readAllStandardError());
        status |= test->exitStatus() == QProcess::NormalExit ? test->exitCode() : 1;
    }
    return status;
}

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("ZARVOTH_TEST_DESKTOP"))
        return runInOwnDesktop(argc, argv);
    // The desktop has no display: the window is drawn off screen, as in the other tests.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestWindowSignIn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_sign_in.moc"

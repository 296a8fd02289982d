// Signing in through the browser from the window's set-up dialog, end to end: a real OAuth 2.0
// authorization server, Xandikos behind a front that takes only its bearer tokens, and the
// desktop's real keyring in a session bus of the test's own (the test runs itself again inside
// one). The test is the desktop: Qt's desktop services hand its http links to the desktop's
// browser, which follows the redirects as a browser does. Nothing in the program knows it.
#include "store/file_system.h"
#include "support/carddav_server.h"
#include "support/sign_in_world.h"
#include "support/window_fixture.h"
#include "sync/carddav/carddav_client.h"
#include "sync/oauth/provider_metadata.h"
#include "sync/setup/set_up_state.h"
#include "sync/state/state_file.h"
#include "window/sync/sync_setup_dialog.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QProcess>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

#include <memory>

namespace {

constexpr int signInMs = 60000;
const QString StateFile = QString::fromLatin1(syncing::StateFileName);

// The desktop's browser, as SignInDesktop made it: $BROWSER, beside the file saying what the
// person at it does.
class DesktopBrowser : public QObject {
    Q_OBJECT
public:
    DesktopBrowser()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~DesktopBrowser() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    void setPerson(const QByteArray& does)
    {
        QFile file(root() + QStringLiteral("/person"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(does);
    }
    QStringList browsed() const
    {
        QFile file(root() + QStringLiteral("/browsed"));
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }
    QByteArray keyringBytes() const
    {
        QByteArray bytes;
        for (const QString& path : filesBelow(root() + QStringLiteral("/data/keyrings"))) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll();
        }
        return bytes;
    }

public slots:
    void open(const QUrl& address)
    {
        QProcess::startDetached(qEnvironmentVariable("BROWSER"),
                                {QString::fromLatin1(address.toEncoded())});
    }

private:
    static QString root()
    {
        return QFileInfo(qEnvironmentVariable("BROWSER")).dir().path() + QStringLiteral("/..");
    }
};

// The last address the browser was sent to: the sign-in page, whose redirect_uri is the
// program's listener.
QUrl listenerOf(const QString& signInPage)
{
    return QUrl(QUrlQuery(QUrl(signInPage))
                    .queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded));
}

bool somethingListensAt(const QUrl& address)
{
    QTcpSocket socket;
    socket.connectToHost(address.host(), quint16(address.port()));
    return socket.waitForConnected(2000);
}

int cardsOnServer(const CardDavServer& server)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    std::optional<std::size_t> count;
    client.listCards(server.bookUrl(),
                     [&](carddav::DavResult<std::map<std::string, std::string>> listed) {
                         count = std::get<0>(listed).size();
                     });
    for (int waited = 0; !count && waited < signInMs; waited += 10)
        QTest::qWait(10);
    return count ? int(*count) : -1;
}

void putCardOnServer(const CardDavServer& server, const std::string& nick)
{
    carddav::CardDavClient client({server.options().user, server.options().password});
    const std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + nick + "\r\nFN:" + nick +
                             "\r\nN:;" + nick + ";;;\r\nNICKNAME:" + nick +
                             "\r\nTEL:5550100\r\nEND:VCARD\r\n";
    bool put = false;
    client.putCard(server.bookUrl(), nick + ".vcf", text, "",
                   [&](carddav::DavResult<carddav::PutOutcome>) { put = true; });
    QTRY_VERIFY_WITH_TIMEOUT(put, signInMs);
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
    void cancelWhileWaitingKeepsNothing();
    void aRefusedSignInIsOneLine_data();
    void aRefusedSignInIsOneLine();
    // Run in a session bus where no keyring answers.
    void withoutAKeyringNothingIsSetUp();

private:
    // The dialog filled for the test's server, signing in with its authorization server.
    void fillForTestServer(SyncSetUpDialog& dialog);
    void signIn(SyncSetUpDialog& dialog);

    std::unique_ptr<CardDavServer> xandikos_;
    std::unique_ptr<AuthorizationServer> authorization_;
    std::unique_ptr<BearerFront> front_;
    std::unique_ptr<DesktopBrowser> browser_;
};

void TestWindowSignIn::initTestCase()
{
    hidePlatformNotes();
    xandikos_ = std::make_unique<CardDavServer>(CardDavServer::Kind::Xandikos);
    authorization_ = std::make_unique<AuthorizationServer>();
    front_ = std::make_unique<BearerFront>(xandikos_->rootUrl(), authorization_->introspection());
    browser_ = std::make_unique<DesktopBrowser>();
}

void TestWindowSignIn::fillForTestServer(SyncSetUpDialog& dialog)
{
    dialog.show();
    dialog.server->setText(front_->rootUrl().toString());
    dialog.user->setText(QStringLiteral("ann@example.org"));
    // The front takes the tokens of the test's own authorization server, named as the server
    // a Google account signs in with would be.
    dialog.googleButton->click();
    QVERIFY(!dialog.issuer->isHidden());
    dialog.issuer->setText(authorization_->issuer().toString());
    dialog.clientId->setText(QStringLiteral("zarvoth-tests"));
}

void TestWindowSignIn::signIn(SyncSetUpDialog& dialog)
{
    dialog.signInButton->click();
    QVERIFY(dialog.waitingForBrowser());
    QVERIFY2(progressOf(dialog).contains(QLatin1String("Waiting for the browser")),
             qPrintable(progressOf(dialog)));
    // The window goes on meanwhile: the wait is on its event loop.
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.waitingForBrowser(), signInMs);
}

void TestWindowSignIn::aGoogleAccountSignsInInsteadOfAPassword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("signsIn");
    QTest::newRow("Google's CardDAV service") << "https://www.googleapis.com/" << true;
    QTest::newRow("its host alone") << "www.googleapis.com" << true;
    QTest::newRow("a Gmail address") << "ann@gmail.com" << true;
    QTest::newRow("a Googlemail address") << "ann@googlemail.com" << true;
    QTest::newRow("another mail address") << "ann@example.org" << false;
    QTest::newRow("another server") << "https://dav.example.org/" << false;
}

void TestWindowSignIn::aGoogleAccountSignsInInsteadOfAPassword()
{
    QFETCH(QString, typed);
    QFETCH(bool, signsIn);
    WindowFixture fx;
    fx.start();
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    dialog.show();
    const QList<QWidget*> before = {dialog.server, dialog.user, dialog.passwordBox};
    dialog.server->setText(typed);
    QCOMPARE(dialog.signsIn(), signsIn);
    QCOMPARE(dialog.passwordBox->isVisible(), !signsIn);
    QCOMPARE(dialog.signInButton->isVisible(), signsIn);
    // No client is built into the tests' program: the person names theirs, its secret masked.
    QCOMPARE(dialog.clientId->isVisible(), signsIn);
    QCOMPARE(dialog.clientSecret->echoMode(), QLineEdit::Password);
    QVERIFY(!dialog.issuer->isVisible());
    QCOMPARE(dialog.googleButton->isVisible(), !signsIn);
    // Any other server keeps the dialog's keyboard order: address, user, password, then the
    // buttons.
    QList<QWidget*> order = {dialog.server};
    for (QWidget* at = dialog.server->nextInFocusChain(); order.size() < 4 && at != dialog.server;
         at = at->nextInFocusChain())
        if ((at->focusPolicy() & Qt::TabFocus) && at->isVisible() && at->isEnabled())
            order << at;
    if (!signsIn) {
        QCOMPARE(order.mid(0, 3), before);
        QVERIFY(qobject_cast<QDialogButtonBox*>(order.back()->parentWidget()));
    } else {
        // OK before a sign-in signs in, and says what the client lacks.
        dialog.user->setText(QStringLiteral("ann@gmail.com"));
        dialog.okButton->click();
        QVERIFY(!dialog.waitingForBrowser());
        auto* note = dialog.findChild<QLabel*>(QStringLiteral("TxtSyncClientIdNote"));
        QVERIFY2(note->isVisible() && note->text().contains(QLatin1String("Desktop app")),
                 qPrintable(note->text()));
        QCOMPARE(browser_->browsed().size(), 0);
    }
}

void TestWindowSignIn::signInThroughTheDialogThenSyncBothWays()
{
    putCardOnServer(*xandikos_, "Bob");
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    fx.start();
    browser_->setPerson("signs-in");
    fx.dialogs->setUpScript = [&](SyncSetUpDialog& dialog) {
        [&] {
            fillForTestServer(dialog);
            signIn(dialog);
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("LblSignedInAs"))->text(),
                     QStringLiteral("Signed in as ann@example.org"));
            dialog.okButton->click();
            QTRY_VERIFY_WITH_TIMEOUT(dialog.result() == SyncSetUpDialog::SetUp, signInMs);
        }();
        return dialog.result();
    };
    fx.window().MnuSyncSetUp->trigger();
    QCOMPARE(browser_->browsed().size(), 1);
    // The first sync, as after a password set-up: Ann goes up, Bob comes down.
    QTRY_VERIFY_WITH_TIMEOUT(fx.folder.records().size() == 2, signInMs);
    QTRY_VERIFY_WITH_TIMEOUT(fx.window().MnuSyncNow->isEnabled(), signInMs);
    QCOMPARE(cardsOnServer(*xandikos_), 2);
    QCOMPARE(fx.dialogs->messages, QStringList());
    // The set-up remembers the client, never a token; the keyring keeps the sign-in.
    const QByteArray state = fx.folder.bytes(StateFile);
    QVERIFY(state.contains("zarvoth-tests"));
    for (const QString& token : authorization_->tokens("issued"))
        QVERIFY(!state.contains(token.toUtf8()));

    // Sync Now later signs in with the keyring's sign-in, without the browser.
    putCardOnServer(*xandikos_, "Cid");
    fx.window().MnuSyncNow->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fx.folder.records().size() == 3, signInMs);
    QCOMPARE(browser_->browsed().size(), 1);
    QCOMPARE(fx.dialogs->passwordPrompts, QStringList());
}

void TestWindowSignIn::cancelWhileWaitingKeepsNothing()
{
    WindowFixture fx;
    fx.start();
    const QByteArray keyring = browser_->keyringBytes();
    const qsizetype browsed = browser_->browsed().size();
    browser_->setPerson("away");
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    fillForTestServer(dialog);
    dialog.signInButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(browser_->browsed().size() == browsed + 1, signInMs);
    const QUrl listener = listenerOf(browser_->browsed().back());
    QVERIFY(somethingListensAt(listener));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.waitingForBrowser());
    QVERIFY(dialog.isVisible());
    QVERIFY(progressOf(dialog).contains(QLatin1String("cancelled")));
    QVERIFY(!somethingListensAt(listener));
    QVERIFY(!fx.folder.exists(StateFile));
    QCOMPARE(browser_->keyringBytes(), keyring);

    // The dialog is as before the sign-in, and signs in again.
    QVERIFY(dialog.signInButton->isEnabled() && dialog.okButton->isEnabled());
    browser_->setPerson("signs-in");
    signIn(dialog);
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("LblSignedInAs"))->isVisible());
}

void TestWindowSignIn::aRefusedSignInIsOneLine_data()
{
    QTest::addColumn<QByteArray>("person");
    QTest::addColumn<QByteArray>("serverCommand");
    QTest::addColumn<QString>("said");
    QTest::newRow("another sign-in's state")
        << QByteArray("other-state") << QByteArray()
        << "Not signed in: the browser came back from another sign-in than this one";
    QTest::newRow("the code refused") << QByteArray("signs-in") << QByteArray("refuse-code")
                                      << "Not signed in: the sign-in server refused (HTTP 400";
}

void TestWindowSignIn::aRefusedSignInIsOneLine()
{
    QFETCH(QByteArray, person);
    QFETCH(QByteArray, serverCommand);
    QFETCH(QString, said);
    WindowFixture fx;
    fx.start();
    const QByteArray keyring = browser_->keyringBytes();
    browser_->setPerson(person);
    if (!serverCommand.isEmpty())
        authorization_->command(serverCommand);
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    fillForTestServer(dialog);
    signIn(dialog);
    QVERIFY2(progressOf(dialog).startsWith(said), qPrintable(progressOf(dialog)));
    QVERIFY(!progressOf(dialog).contains(u'\n'));
    QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("LblSignedInAs"))->isVisible());
    // OK then signs in again rather than set anything up.
    browser_->setPerson("away");
    dialog.okButton->click();
    QVERIFY(dialog.waitingForBrowser());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.waitingForBrowser());
    QCOMPARE(dialog.result(), 0);
    QVERIFY(!fx.folder.exists(StateFile));
    QCOMPARE(browser_->keyringBytes(), keyring);
}

void TestWindowSignIn::withoutAKeyringNothingIsSetUp()
{
    WindowFixture fx;
    fx.start();
    browser_->setPerson("signs-in");
    SyncSetUpDialog dialog(store::posixFileSystem(), QUrl(), QString());
    fillForTestServer(dialog);
    signIn(dialog);
    dialog.okButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(progressOf(dialog).contains(QLatin1String("keyring")), signInMs);
    QCOMPARE(progressOf(dialog),
             QStringLiteral("No keyring on this desktop took the sign-in, so Zarvoth could not "
                            "keep it to sync with: nothing was set up."));
    QCOMPARE(dialog.result(), 0);
    QVERIFY(!fx.folder.exists(StateFile));
    QVERIFY(dialog.okButton->isEnabled());
}

namespace {

// The test's slots that need the keyring, and the one that needs none.
QStringList testFunctions(bool withKeyring)
{
    QStringList names;
    const QMetaObject& meta = TestWindowSignIn::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QString name = QString::fromLatin1(meta.method(i).name());
        if (name.endsWith(QLatin1String("_data")) || name == QLatin1String("initTestCase"))
            continue;
        if ((name == QLatin1String("withoutAKeyringNothingIsSetUp")) != withKeyring)
            names << name;
    }
    return names;
}

// The test again in a desktop of its own (SignInDesktop): once inside a session bus whose
// keyring is unlocked, once where no keyring answers.
int runInOwnDesktop(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    qputenv("ZARVOTH_TEST_DESKTOP", "1");
    SignInDesktop desktop;
    int status = 0;
    for (const bool withKeyring : {true, false}) {
        const QStringList arguments = application.arguments().mid(1).isEmpty()
                                          ? testFunctions(withKeyring)
                                          : application.arguments().mid(1);
        std::unique_ptr<QProcess> run(desktop.start(QCoreApplication::applicationFilePath(),
                                                    arguments, withKeyring, QDir::currentPath()));
        run->closeWriteChannel();
        run->waitForFinished(-1);
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        out.write(run->readAllStandardOutput() + run->readAllStandardError());
        status |= run->exitStatus() == QProcess::NormalExit ? run->exitCode() : 1;
        if (!application.arguments().mid(1).isEmpty())
            break;
    }
    return status;
}

} // namespace

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

// `zarvoth --sync-setup ann@example.org` finds the address book through the name service, as
// a user's own domain publishes it: the SRV record _carddavs._tcp, the TXT record's path=, else
// the domain's /.well-known/carddav over https.
//
// The program has no switch for tests: the test runs in a network and mount namespace of its
// own (unshare), where the loopback interface is the whole network, /etc/resolv.conf is bound
// over with one naming dnsmasq on 127.0.0.1, and /etc/ssl/certs with a folder that trusts only
// a scratch authority, which signed Radicale's certificate for the names the records give. So
// the https the records promise is checked as it is against any real service, and nothing
// can reach another machine.
#include "support/carddav_server.h"
#include "support/data_folder.h"
#include "sync/state/state_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

const char* const InOwnNamespace = "ZARVOTH_TEST_IN_OWN_NETWORK";
const QString User = QStringLiteral("ann@example.org");

void run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error(program.toStdString() + " " + arguments.join(u' ').toStdString() +
                                 " failed: " + process.readAll().toStdString());
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

class TestMailAddress : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void setsUpFromAnAddress_data();
    void setsUpFromAnAddress();

private:
    void makeCertificates();
    void startNameServer();

    QTemporaryDir scratch_;
    std::unique_ptr<CardDavServer> server_;
    std::unique_ptr<QProcess> nameServer_;
};

void TestMailAddress::initTestCase()
{
    QVERIFY(scratch_.isValid());
    run(QStringLiteral("ip"), {"link", "set", "lo", "up"});
    makeCertificates();
    write(scratch_.filePath("resolv.conf"), "nameserver 127.0.0.1\n");
    run(QStringLiteral("mount"), {"--bind", scratch_.filePath("resolv.conf"), "/etc/resolv.conf"});
    run(QStringLiteral("mount"), {"--bind", scratch_.filePath("certs"), "/etc/ssl/certs"});
    CardDavServer::Options options;
    options.user = User;
    options.tls = true;
    options.certificate = scratch_.filePath("server.pem");
    options.key = scratch_.filePath("server.key");
    options.port = 443;
    server_ = std::make_unique<CardDavServer>(CardDavServer::Kind::Radicale, options);
    startNameServer();
}

void TestMailAddress::cleanupTestCase()
{
    // Ended by its own process id.
    if (nameServer_) {
        nameServer_->terminate();
        nameServer_->waitForFinished(5000);
    }
    server_.reset();
}

void TestMailAddress::makeCertificates()
{
    const QString openssl = QStringLiteral("openssl");
    const auto at = [this](const char* name) { return scratch_.filePath(QLatin1String(name)); };
    run(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", at("ca.key"), "-out",
                  at("ca.pem"), "-days", "2", "-subj", "/CN=Zarvoth scratch authority", "-addext",
                  "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"});
    run(openssl, {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("server.key"), "-out",
                  at("server.csr"), "-subj", "/CN=dav.example.org"});
    write(at("names.ext"), "subjectAltName=DNS:dav.example.org,DNS:dav.example.net,"
                           "DNS:example.edu\nbasicConstraints=CA:FALSE\n");
    run(openssl,
        {"x509", "-req", "-in", at("server.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
         "-CAcreateserial", "-out", at("server.pem"), "-days", "2", "-extfile", at("names.ext")});
    // The folder the system's trust is read from: the bundle and the hashed name OpenSSL
    // looks a certificate's issuer up by.
    QVERIFY(QDir().mkpath(at("certs")));
    QVERIFY(QFile::copy(at("ca.pem"), at("certs/ca-certificates.crt")));
    QVERIFY(QFile::copy(at("ca.pem"), at("certs/scratch-authority.pem")));
    run(openssl, {"rehash", at("certs")});
}

void TestMailAddress::startNameServer()
{
    const QString port = QStringLiteral("443");
    nameServer_ = std::make_unique<QProcess>();
    nameServer_->setProcessChannelMode(QProcess::MergedChannels);
    // It stays the user it was started as (root only inside the namespace, with no groups to
    // change to).
    nameServer_->start(
        QStandardPaths::findExecutable(QStringLiteral("dnsmasq"), {"/usr/sbin", "/sbin"}),
        {"--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
         "--listen-address=127.0.0.1", "--bind-interfaces", "--user=", "--group=", "--pid-file=",
         "--local=/example.org/", "--local=/example.com/", "--local=/example.edu/",
         // example.org: its service on a host of its own, and the user's home as the path.
         "--srv-host=_carddavs._tcp.example.org,dav.example.org," + port + ",0,1",
         "--txt-record=_carddavs._tcp.example.org,path=/" + User + "/",
         // example.com: its service with another owner, whom the password is not given.
         "--srv-host=_carddavs._tcp.example.com,dav.example.net," + port + ",0,1",
         // example.edu: no records, the service at the domain's own well-known address.
         "--host-record=dav.example.org,127.0.0.1", "--host-record=dav.example.net,127.0.0.1",
         "--host-record=example.edu,127.0.0.1"});
    QVERIFY(nameServer_->waitForStarted(10000));
    // Ready once it answers a question of its own.
    for (int tries = 0; tries < 100; ++tries) {
        if (nameServer_->state() != QProcess::Running)
            QFAIL(nameServer_->readAll().constData());
        QThread::msleep(50);
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, 53);
        if (probe.waitForConnected(200))
            return;
    }
    QFAIL("dnsmasq did not start listening");
}

void TestMailAddress::setsUpFromAnAddress_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // what standard output says, or standard error
    QTest::newRow("SRV and TXT records") << QStringList{"--sync-setup", User} << 0
                                         << "Sync is set up with the address book \"Contacts\" at "
                                            "https://dav.example.org/ann@example.org/contacts/.";
    QTest::newRow("no records: the domain's well-known address")
        << QStringList{"--sync-setup", "ann@example.edu", "--user", User} << 0
        << "Sync is set up with the address book \"Contacts\" at "
           "https://example.edu/ann@example.org/contacts/.";
    QTest::newRow("a service with another owner")
        << QStringList{"--sync-setup", "ann@example.com", "--user", User} << 1
        << "zarvoth: the server sent us on to https://dav.example.net/, "
           "another server; not followed, so that the password stays with example.com";
}

void TestMailAddress::setsUpFromAnAddress()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);
    DataFolder folder;
    QProcess zarvoth;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    zarvoth.setProcessEnvironment(environment);
    zarvoth.start(QStringLiteral(ZARVOTH_BINARY), arguments << "--password-stdin");
    zarvoth.write("secret\n");
    zarvoth.closeWriteChannel();
    QVERIFY(zarvoth.waitForFinished(60000));
    const QString out = QString::fromUtf8(zarvoth.readAllStandardOutput());
    const QString err = QString::fromUtf8(zarvoth.readAllStandardError());
    QVERIFY2(zarvoth.exitCode() == status, qPrintable(out + err));
    QVERIFY2((status == 0 ? out : err).split(u'\n').contains(says), qPrintable(out + err));
    QCOMPARE(folder.exists(QString::fromLatin1(syncing::StateFileName)), status == 0);
}

// The test enters its own network and mount namespace before anything else runs, then goes on
// as any test.
int main(int argc, char** argv)
{
    if (!std::getenv(InOwnNamespace)) {
        setenv(InOwnNamespace, "1", 1);
        std::vector<char*> arguments = {
            const_cast<char*>("unshare"), const_cast<char*>("--map-root-user"),
            const_cast<char*>("--net"), const_cast<char*>("--mount"), const_cast<char*>("--")};
        for (int i = 0; i < argc; ++i)
            arguments.push_back(argv[i]);
        arguments.push_back(nullptr);
        execvp("unshare", arguments.data());
        perror("unshare");
        return 1;
    }
    QCoreApplication application(argc, argv);
    TestMailAddress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mail_address.moc"

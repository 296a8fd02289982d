#include "support/carddav_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <stdexcept>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QString executable(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        throw std::runtime_error(name.toStdString() + " is not installed");
    return found;
}

// A self-signed certificate for 127.0.0.1, made by openssl, that no system trusts.
void makeCertificate(const QString& certificate, const QString& key)
{
    QProcess openssl;
    openssl.start(executable(QStringLiteral("openssl")),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   key, QStringLiteral("-out"), certificate, QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        throw std::runtime_error("openssl could not make a certificate: " +
                                 openssl.readAllStandardError().toStdString());
}

} // namespace

int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free port on 127.0.0.1");
    return probe.serverPort();
}

CardDavServer::CardDavServer(Kind kind) : CardDavServer(kind, Options{}) {}

CardDavServer::CardDavServer(Kind kind, Options options) : kind_(kind), options_(std::move(options))
{
    if (!dir_.isValid())
        throw std::runtime_error("no scratch folder for the server");
    // Another program may take the free port between the probe and the server's start.
    for (int attempt = 0;; ++attempt) {
        port_ = options_.port != 0 ? options_.port : freeLoopbackPort();
        try {
            kind_ == Kind::Radicale ? startRadicale() : startXandikos();
            return;
        } catch (const std::exception&) {
            stop();
            if (attempt == 2)
                throw;
        }
    }
}

CardDavServer::~CardDavServer()
{
    stop();
}

QString CardDavServer::scratch(const QString& name) const
{
    return dir_.filePath(name);
}

QString CardDavServer::storagePath() const
{
    return scratch(QStringLiteral("storage"));
}

QUrl CardDavServer::rootUrl() const
{
    return url(QStringLiteral("/"));
}

QUrl CardDavServer::url(const QString& path) const
{
    QUrl url;
    url.setScheme(options_.tls ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port_);
    url.setPath(path);
    return url;
}

QUrl CardDavServer::homeUrl() const
{
    return url(kind_ == Kind::Radicale ? QLatin1Char('/') + options_.user + QLatin1Char('/')
                                       : QStringLiteral("/user/contacts/"));
}

QUrl CardDavServer::bookUrl() const
{
    return kind_ == Kind::Radicale ? homeUrl().resolved(QUrl(QStringLiteral("contacts/")))
                                   : homeUrl().resolved(QUrl(QStringLiteral("addressbook/")));
}

void CardDavServer::startRadicale()
{
    writeRights(true);
    const QString users = scratch(QStringLiteral("users"));
    writeFile(users, (options_.user + QLatin1Char(':') + options_.password + '\n').toUtf8());
    if (!options_.noBook) {
        const QString book =
            storagePath() + QStringLiteral("/collection-root/") + options_.user + "/contacts";
        QDir().mkpath(book);
        writeFile(book + QStringLiteral("/.Radicale.props"),
                  R"({"D:displayname": "Contacts", "tag": "VADDRESSBOOK"})");
    }
    // Every setting is given, so that the machine's /etc/radicale/config changes nothing.
    QStringList arguments = {QStringLiteral("--server-hosts"),
                             QStringLiteral("127.0.0.1:%1").arg(port_),
                             QStringLiteral("--storage-filesystem-folder"),
                             storagePath(),
                             QStringLiteral("--auth-type"),
                             QStringLiteral("htpasswd"),
                             QStringLiteral("--auth-htpasswd-filename"),
                             users,
                             QStringLiteral("--auth-htpasswd-encryption"),
                             QStringLiteral("plain"),
                             QStringLiteral("--auth-delay"),
                             QStringLiteral("0"),
                             QStringLiteral("--rights-type"),
                             QStringLiteral("from_file"),
                             QStringLiteral("--rights-file"),
                             scratch(QStringLiteral("rights")),
                             QStringLiteral("--logging-level"),
                             QStringLiteral("warning")};
    if (options_.tls) {
        QString certificate = options_.certificate;
        QString key = options_.key;
        if (certificate.isEmpty()) {
            certificate = scratch(QStringLiteral("cert.pem"));
            key = scratch(QStringLiteral("key.pem"));
            makeCertificate(certificate, key);
        }
        arguments << QStringLiteral("--server-ssl") << QStringLiteral("True")
                  << QStringLiteral("--server-certificate") << certificate
                  << QStringLiteral("--server-key") << key;
    } else {
        arguments << QStringLiteral("--server-ssl") << QStringLiteral("False");
    }
    launch(executable(QStringLiteral("radicale")), arguments);
}

void CardDavServer::writeRights(bool booksWritable)
{
    writeFile(scratch(QStringLiteral("rights")),
              QByteArray("[root]\nuser: .+\ncollection:\npermissions: R\n"
                         "[home]\nuser: .+\ncollection: {user}\npermissions: RW\n"
                         "[books]\nuser: .+\ncollection: {user}/[^/]+\npermissions: ") +
                  (booksWritable ? "rw\n" : "r\n"));
}

void CardDavServer::refuseWrites()
{
    if (kind_ != Kind::Radicale)
        throw std::runtime_error("only Radicale is told to refuse writes");
    writeRights(false);
}

void CardDavServer::startXandikos()
{
    if (options_.tls)
        throw std::runtime_error("Xandikos serves no HTTPS");
    launch(executable(QStringLiteral("xandikos")),
           {QStringLiteral("-d"), storagePath(), QStringLiteral("-l"), QStringLiteral("127.0.0.1"),
            QStringLiteral("-p"), QString::number(port_), QStringLiteral("--defaults")});
}

void CardDavServer::launch(const QString& program, const QStringList& arguments)
{
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(program, arguments);
    if (!process_->waitForStarted(10000))
        throw std::runtime_error("cannot start " + program.toStdString());
    waitUntilListening();
}

void CardDavServer::waitUntilListening()
{
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (process_->state() != QProcess::Running)
            throw std::runtime_error("the server ended at once: " +
                                     process_->readAll().toStdString());
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        if (probe.waitForConnected(500))
            return;
        QThread::msleep(50);
    }
    throw std::runtime_error("the server did not answer within 30 s: " +
                             process_->readAll().toStdString());
}

void CardDavServer::stop()
{
    if (!process_)
        return;
    // terminate() and kill() signal the server's own process id, nothing else.
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
    process_.reset();
}

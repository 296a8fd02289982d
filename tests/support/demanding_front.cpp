#include "support/demanding_front.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>

#include <memory>

namespace {

std::map<QByteArray, QByteArray> loginParams(const QByteArray& authorization)
{
    static const QRegularExpression param(
        QStringLiteral(R"re(([A-Za-z]+)=(?:"((?:[^"\\]|\\.)*)"|([^,\s]*)))re"));
    std::map<QByteArray, QByteArray> params;
    for (auto match = param.globalMatch(QString::fromUtf8(authorization)); match.hasNext();) {
        const auto found = match.next();
        params[found.captured(1).toLower().toUtf8()] =
            (found.captured(2).isNull() ? found.captured(3) : found.captured(2)).toUtf8();
    }
    return params;
}

QByteArray hexHash(const QByteArray& algorithm, const QByteArray& text)
{
    return QCryptographicHash::hash(text, algorithm == "SHA-256" ? QCryptographicHash::Sha256
                                                                 : QCryptographicHash::Md5)
        .toHex();
}

QByteArray freshNonce()
{
    static int made = 0;
    return QByteArray::number(++made) + "-" +
           QByteArray::number(QRandomGenerator::global()->generate64(), 16);
}

} // namespace

DemandingFront::DemandingFront(int backendPort, QString user, QString password)
    : backendPort_(backendPort), user_(std::move(user)), password_(std::move(password))
{
    serveOn(*this, QHostAddress::LocalHost, [this](QTcpSocket* socket) { read(socket); });
}

QUrl DemandingFront::url(const QUrl& behind) const
{
    QUrl front = behind;
    front.setPort(serverPort());
    return front;
}

void DemandingFront::demandDigest(const QByteArray& algorithm, int nonceUses)
{
    digestAlgorithm_ = algorithm;
    nonceUses_ = nonceUses;
    nonce_ = freshNonce();
    nonceUsed_ = 0;
}

void DemandingFront::read(QTcpSocket* socket)
{
    for (const Request& request : wholeRequests(socket))
        arrived(socket, request);
}

void DemandingFront::arrived(QTcpSocket* socket, const Request& request)
{
    if (const QByteArray login = request.header("Authorization"); !login.isEmpty())
        authorizations_ << login;
    if (!answersFirst_.isEmpty()) {
        socket->write(answersFirst_.takeFirst());
        return;
    }
    bool stale = false;
    if (!digestAlgorithm_.isEmpty() && !loginTaken(request, stale)) {
        ++refusals_;
        const QByteArray body = "login required";
        socket->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: " + challenge(stale) +
                      "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        return;
    }
    handOn(socket, request);
}

bool DemandingFront::loginTaken(const Request& request, bool& stale)
{
    const QByteArray login = request.header("Authorization");
    if (!login.startsWith("Digest "))
        return false;
    auto params = loginParams(login.mid(7));
    if (params["nonce"] != nonce_) {
        stale = true;
        return false;
    }
    const QByteArray& algorithm = digestAlgorithm_;
    const QByteArray secret =
        hexHash(algorithm, user_.toUtf8() + ":Zarvoth front:" + password_.toUtf8());
    const QByteArray expected =
        hexHash(algorithm, secret + ':' + nonce_ + ':' + params["nc"] + ':' + params["cnonce"] +
                               ":auth:" + hexHash(algorithm, request.method + ':' + request.path));
    if (params["username"] != user_.toUtf8() || params["uri"] != request.path ||
        params["qop"] != "auth" || params["response"] != expected || params["opaque"] != "op4que")
        return false;
    if (++nonceUsed_ >= nonceUses_) {
        nonce_ = freshNonce();
        nonceUsed_ = 0;
    }
    return true;
}

QByteArray DemandingFront::challenge(bool stale) const
{
    // As sabre/dav writes it: no blank after the commas.
    return "Digest realm=\"Zarvoth front\",qop=\"auth\",nonce=\"" + nonce_ +
           "\",opaque=\"op4que\",algorithm=" + digestAlgorithm_ + (stale ? ",stale=true" : "");
}

void DemandingFront::handOn(QPointer<QTcpSocket> client, const Request& request)
{
    ++handedOn_;
    QByteArray wire = request.method + ' ' + request.path + " HTTP/1.1\r\n";
    for (const auto& [name, value] : request.headers)
        if (!QList<QByteArray>{"authorization", "connection", "host"}.contains(name.toLower()))
            wire += name + ": " + value + "\r\n";
    wire += "Host: 127.0.0.1:" + QByteArray::number(backendPort_) + "\r\n";
    wire += "Authorization: Basic " + (user_ + ':' + password_).toUtf8().toBase64() + "\r\n";
    wire += "Connection: close\r\n\r\n" + request.body;

    auto* server = new QTcpSocket(this);
    auto answer = std::make_shared<QByteArray>();
    const bool hold = request.body.contains("sync-collection") && holdListingsMs_ > 0;
    const auto deliver = [this, client, answer, hold] {
        const auto write = [client, answer] {
            if (client)
                client->write(*answer);
        };
        if (hold)
            QTimer::singleShot(holdListingsMs_, Qt::PreciseTimer, this, write);
        else
            write();
    };
    connect(server, &QTcpSocket::readyRead, server,
            [server, answer] { *answer += server->readAll(); });
    connect(server, &QTcpSocket::disconnected, server, [server, answer, deliver] {
        *answer += server->readAll();
        deliver();
        server->deleteLater();
    });
    connect(server, &QTcpSocket::connected, server, [server, wire] { server->write(wire); });
    server->connectToHost(QHostAddress::LocalHost, quint16(backendPort_));
}

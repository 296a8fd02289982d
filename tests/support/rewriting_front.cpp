#include "support/rewriting_front.h"

#include "support/http_request_reader.h"

#include <QNetworkReply>
#include <QPointer>


namespace {

// Headers that belong to one connection, or that the front sets itself.
bool isHopHeader(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    return lower == "host" || lower == "content-length" || lower == "connection" ||
           lower == "keep-alive" || lower == "transfer-encoding" || lower == "accept-encoding" ||
           lower == "content-encoding";
}

QByteArray find(const QList<QPair<QByteArray, QByteArray>>& headers, const QByteArray& name)
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

} // namespace

QByteArray RewritingFront::Exchange::requestHeader(const QByteArray& name) const
{
    return find(requestHeaders, name);
}

QByteArray RewritingFront::Exchange::header(const QByteArray& name) const
{
    return find(headers, name);
}

void RewritingFront::Exchange::setHeader(const QByteArray& name, const QByteArray& value)
{
    removeHeader(name);
    headers.append({name, value});
}

void RewritingFront::Exchange::removeHeader(const QByteArray& name)
{
    headers.removeIf(
        [&](const auto& header) { return header.first.compare(name, Qt::CaseInsensitive) == 0; });
}

RewritingFront::RewritingFront(const QUrl& server) : server_(server)
{
    serveOn(*this, QHostAddress::LocalHost, [this](QTcpSocket* socket) { read(socket); });
}

QUrl RewritingFront::url(const QUrl& onServer) const
{
    QUrl url = onServer;
    url.setPort(serverPort());
    return url;
}

void RewritingFront::answer(Exchange& exchange, int status, const QByteArray& reason,
                            const QByteArray& body)
{
    exchange.status = status;
    exchange.reason = reason;
    exchange.headers = {{"Content-Type", "application/xml; charset=utf-8"}};
    exchange.body = body;
}

void RewritingFront::read(QTcpSocket* socket)
{
    // Requests are read whole; each is answered in its turn, as one connection must.
    for (HttpRequest& request : wholeRequests(socket)) {
        Exchange exchange;
        exchange.method = std::move(request.method);
        exchange.path = std::move(request.path);
        exchange.requestHeaders = std::move(request.headers);
        exchange.requestBody = std::move(request.body);
        if (before_)
            before_(exchange);
        if (exchange.status != 0)
            reply(socket, std::move(exchange));
        else
            forward(socket, std::move(exchange));
    }
}

void RewritingFront::forward(QTcpSocket* socket, Exchange exchange)
{
    QUrl target = server_;
    target.setPath(QUrl::fromPercentEncoding(exchange.path.split('?').value(0)));
    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : exchange.requestHeaders)
        if (!isHopHeader(name))
            request.setRawHeader(name, value);
    QNetworkReply* sent =
        network_.sendCustomRequest(request, exchange.method, exchange.requestBody);
    QPointer<QTcpSocket> guarded(socket);
    connect(sent, &QNetworkReply::finished, this,
            [this, sent, guarded, exchange = std::move(exchange)]() mutable {
                sent->deleteLater();
                exchange.status = sent->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                exchange.reason =
                    sent->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
                for (const auto& header : sent->rawHeaderPairs())
                    if (!isHopHeader(header.first))
                        exchange.headers.append(header);
                exchange.body = sent->readAll();
                if (exchange.status == 0)
                    answer(exchange, 502, "Bad Gateway");
                if (after_)
                    after_(exchange);
                if (guarded)
                    reply(guarded, std::move(exchange));
            });
}

void RewritingFront::reply(QTcpSocket* socket, Exchange exchange)
{
    QByteArray raw =
        "HTTP/1.1 " + QByteArray::number(exchange.status) + " " + exchange.reason + "\r\n";
    for (const auto& [name, value] : exchange.headers)
        raw += name + ": " + value + "\r\n";
    raw +=
        "Content-Length: " + QByteArray::number(exchange.body.size()) + "\r\n\r\n" + exchange.body;
    socket->write(raw);
    exchanges_.append(std::move(exchange));
}

#include "support/slow_carddav_front.h"

#include "support/http_request_reader.h"

#include <QRegularExpression>


namespace {

QByteArray httpAnswer(const QByteArray& status, const QByteArray& body = {})
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/xml; charset=utf-8\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray xmlEscaped(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped().toUtf8();
}

const QByteArray multistatusStart =
    R"(<?xml version="1.0" encoding="utf-8"?><d:multistatus xmlns:d="DAV:" )"
    R"(xmlns:c="urn:ietf:params:xml:ns:carddav">)";

QByteArray response(const std::string& href, const QByteArray& properties)
{
    return "<d:response><d:href>" + xmlEscaped(href) + "</d:href><d:propstat><d:prop>" +
           properties + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

} // namespace

SlowCardDavFront::SlowCardDavFront(int cards)
{
    for (int card = 1; card <= cards; ++card)
        setCard(card, 0);
    serveOn(*this, QHostAddress::LocalHost, [this](QTcpSocket* socket) { read(socket); });
}

QUrl SlowCardDavFront::bookUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/book/").arg(serverPort()));
}

std::string SlowCardDavFront::href(int card) const
{
    const std::string number = std::to_string(card);
    return "/book/card" + std::string(4 - std::min<std::size_t>(4, number.size()), '0') + number +
           ".vcf";
}

void SlowCardDavFront::setCard(int card, int version)
{
    const std::string number = std::to_string(5550000 + version * 10000 + card);
    const std::string name = href(card).substr(6, 8);
    cards_[href(card)] = {"\"v" + std::to_string(++versions_) + "\"",
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:front-" + std::to_string(card) +
                              "\r\nNICKNAME:" + name + "\r\nFN:" + name + " Front\r\nN:Front;" +
                              name + ";;;\r\nTEL:" + number + "\r\nEND:VCARD\r\n",
                          number};
}

void SlowCardDavFront::change(const std::string& href)
{
    setCard(std::stoi(href.substr(10, 4)), 1);
}

std::string SlowCardDavFront::number(const std::string& href) const
{
    return cards_.at(href).number;
}

void SlowCardDavFront::cutOffAfter(int multigets, const QByteArray& status)
{
    answersLeft_ = multigets;
    cutStatus_ = status;
}

void SlowCardDavFront::resume()
{
    answersLeft_ = -1;
    cutStatus_.clear();
    queue_.clear();
    busy_ = false;
    hrefsAsked_ = multigetsSeen_ = multigetsAnswered_ = crowdedArrivals_ = 0;
}

void SlowCardDavFront::read(QTcpSocket* socket)
{
    // Requests are read whole (keep-alive may bring several) before each is queued.
    for (HttpRequest& request : wholeRequests(socket))
        arrived({socket, std::move(request.body)});
}

void SlowCardDavFront::arrived(Request request)
{
    if (multigetsAnswered_ > 0 && (busy_ || !queue_.isEmpty()))
        ++crowdedArrivals_;
    if (request.body.contains("addressbook-multiget")) {
        ++multigetsSeen_;
        hrefsAsked_ += int(request.body.count("<d:href>"));
    }
    queue_.append(std::move(request));
    if (!busy_)
        serveNext();
}

void SlowCardDavFront::serveNext()
{
    while (!queue_.isEmpty()) {
        const Request request = queue_.takeFirst();
        if (!request.socket)
            continue; // the client gave up on it
        if (answersLeft_ == 0 && cutStatus_.isEmpty()) {
            busy_ = true; // and stays so: nothing is answered any more
            return;
        }
        if (answersLeft_ == 0) {
            request.socket->write(httpAnswer(cutStatus_));
            continue;
        }
        const bool isMultiget = request.body.contains("addressbook-multiget");
        busy_ = true;
        QTimer::singleShot(isMultiget ? multigetMs_ : 0, this, [this, request, isMultiget] {
            if (request.socket)
                request.socket->write(answer(request.body));
            if (isMultiget) {
                ++multigetsAnswered_;
                if (answersLeft_ > 0)
                    --answersLeft_;
            }
            busy_ = false;
            serveNext();
        });
        return;
    }
}

QByteArray SlowCardDavFront::answer(const QByteArray& body)
{
    if (body.contains("sync-collection"))
        return httpAnswer("207 Multi-Status", listing());
    if (body.contains("addressbook-multiget"))
        return httpAnswer("207 Multi-Status", multiget(body));
    return httpAnswer("404 Not Found");
}

QByteArray SlowCardDavFront::listing() const
{
    QByteArray xml = multistatusStart;
    for (const auto& [href, card] : cards_)
        xml += response(href, "<d:getetag>" + xmlEscaped(card.etag) + "</d:getetag>");
    return xml + "<d:sync-token>http://front/sync/" + QByteArray::number(versions_) +
           "</d:sync-token></d:multistatus>";
}

QByteArray SlowCardDavFront::multiget(const QByteArray& body)
{
    static const QRegularExpression hrefs(QStringLiteral("<d:href>([^<]*)</d:href>"));
    QByteArray xml = multistatusStart;
    for (auto match = hrefs.globalMatch(QString::fromUtf8(body)); match.hasNext();) {
        const std::string href =
            QUrl::fromPercentEncoding(match.next().captured(1).toUtf8()).toStdString();
        const auto card = cards_.find(href);
        if (card == cards_.end())
            continue;
        xml += response(href, "<d:getetag>" + xmlEscaped(card->second.etag) +
                                  "</d:getetag><c:address-data>" + xmlEscaped(card->second.text) +
                                  "</c:address-data>");
    }
    return xml + "</d:multistatus>";
}

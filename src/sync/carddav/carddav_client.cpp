#include "sync/carddav/carddav_client.h"

#include "sync/carddav/dav_bodies.h"
#include "sync/carddav/discovery.h"
#include "sync/carddav/etag_recheck.h"
#include "sync/carddav/multistatus_request.h"
#include "sync/carddav/put_answer.h"
#include "sync/carddav/url_policy.h"

#include <algorithm>
#include <optional>

namespace carddav {
namespace {

const QByteArray VCardType = "text/vcard; charset=utf-8";

QString cardName(const std::string& href)
{
    return QStringLiteral("the card ") + QString::fromStdString(href);
}

bool isCard(const MultistatusResponse& response, const QUrl& book)
{
    return !hasType(response, "collection") &&
           urlForPath(book, response.href).path() != asCollection(book).path();
}

// A server may list a book it no longer has as the book alone, gone (Xandikos does, naming it
// by an href of its own making): that is no empty book, whose cards a sync would take for
// deleted. A listing names only what is there, so nothing but gone resources is such an answer.
std::optional<DavError> bookGone(const Multistatus& listing)
{
    if (listing.responses.empty())
        return std::nullopt;
    for (const MultistatusResponse& response : listing.responses) {
        if (!response.statusOfItsOwn || (response.status != 404 && response.status != 410))
            return std::nullopt;
    }
    return statusError(listing.responses.front().status, QStringLiteral("the address book"));
}

// A slug for a new book's path: "Work Contacts" -> "work-contacts".
QString pathNameFor(const QString& displayName)
{
    QString slug;
    for (const QChar ch : displayName.toLower()) {
        if ((ch >= u'a' && ch <= u'z') || (ch >= u'0' && ch <= u'9'))
            slug += ch;
        else if (!slug.isEmpty() && !slug.endsWith(QLatin1Char('-')))
            slug += QLatin1Char('-');
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    return slug.isEmpty() ? QStringLiteral("contacts") : slug;
}

// Whether the server's refusal of a sync-collection says the token is too old to use.
bool isStaleToken(const DavReply& reply)
{
    return reply.status == 409 || reply.status == 412 ||
           ((reply.status == 403 || reply.status == 400) &&
            reply.body.contains("valid-sync-token"));
}

// Gathers the answers of requests sent side by side, and calls back once: with the first
// error, or with everything when the last answer is in.
template <typename T> struct Gathering {
    std::function<void(DavResult<T>)> done;
    T collected{};
    std::size_t waiting = 0;
    bool failed = false;

    void fail(const DavError& error)
    {
        if (!failed) {
            failed = true;
            done(error);
        }
    }
    void arrived()
    {
        if (--waiting == 0 && !failed)
            done(std::move(collected));
    }
};

// One card fetched by GET into a gathering of fetched cards; one gone is left out.
void getCard(DavTransport& transport, const QUrl& url, const std::string& href,
             const std::shared_ptr<Gathering<std::vector<FetchedCard>>>& gathering)
{
    transport.send({"GET", url}, [href, gathering](DavResult<DavReply> result) {
        if (auto* error = std::get_if<DavError>(&result))
            return gathering->fail(*error);
        const DavReply& reply = std::get<DavReply>(result);
        if (reply.status / 100 == 2)
            gathering->collected.push_back(
                {href, reply.etag.trimmed().toStdString(), reply.body.toStdString()});
        else if (reply.status != 404 && reply.status != 410)
            return gathering->fail(statusError(reply.status, cardName(href), reply.reason));
        gathering->arrived();
    });
}

} // namespace

CardDavClient::CardDavClient(Credentials credentials, QObject* parent)
    : QObject(parent), transport_(std::make_unique<DavTransport>(std::move(credentials)))
{
}

CardDavClient::~CardDavClient() = default;

void CardDavClient::setTimeout(int milliseconds)
{
    transport_->setTimeout(milliseconds);
}

void CardDavClient::setAnswerWait(int milliseconds)
{
    transport_->setAnswerWait(milliseconds);
}

void CardDavClient::setMostWaiting(int milliseconds)
{
    transport_->setMostWaiting(milliseconds);
}

void CardDavClient::setWaitNotice(std::function<void(const std::string&)> notice)
{
    transport_->setWaitNotice(std::move(notice));
}

void CardDavClient::discover(const QUrl& start, std::function<void(DavResult<Discovery>)> done)
{
    discoverBooks(*transport_, start, std::move(done));
}

void CardDavClient::createBook(const QUrl& home, const QString& displayName,
                               std::function<void(DavResult<AddressBookInfo>)> done)
{
    struct Attempt : std::enable_shared_from_this<Attempt> {
        DavTransport& transport;
        QUrl home;
        QString displayName;
        std::function<void(DavResult<AddressBookInfo>)> done;

        Attempt(DavTransport& transport, QUrl home, QString displayName,
                std::function<void(DavResult<AddressBookInfo>)> done)
            : transport(transport), home(std::move(home)), displayName(std::move(displayName)),
              done(std::move(done))
        {
        }

        void make(int number)
        {
            QString name = pathNameFor(displayName);
            if (number > 1)
                name += QLatin1Char('-') + QString::number(number);
            const QUrl url = asCollection(home).resolved(QUrl(name + QLatin1Char('/')));
            DavRequest request{"MKCOL", url, bodies::makeAddressBook(displayName),
                               "application/xml; charset=utf-8"};
            transport.send(std::move(request), [self = shared_from_this(), url, number,
                                                name](DavResult<DavReply> result) {
                if (auto* error = std::get_if<DavError>(&result))
                    return self->done(*error);
                const DavReply& reply = std::get<DavReply>(result);
                if (reply.status == 201 || reply.status == 200)
                    return self->done(AddressBookInfo{url, self->displayName, name});
                // 405: something is at that path already; try the next name.
                if (reply.status == 405 && number < 20)
                    return self->make(number + 1);
                self->done(statusError(reply.status, QStringLiteral("the new address book"),
                                       reply.reason));
            });
        }
    };
    std::make_shared<Attempt>(*transport_, home, displayName, std::move(done))->make(1);
}

void CardDavClient::supportsSyncCollection(const QUrl& book,
                                           std::function<void(DavResult<bool>)> done)
{
    requestMultistatus(
        *transport_, propfind(asCollection(book), 0, bodies::supportedReports()),
        QStringLiteral("the address book"),
        [book, done = std::move(done)](DavResult<MultistatusAnswer> result) {
            if (auto* error = std::get_if<DavError>(&result))
                return done(*error);
            const auto& answer = std::get<MultistatusAnswer>(result);
            const MultistatusResponse* here = responseFor(answer.multistatus, answer.url);
            if (!here)
                return done(false);
            const auto& reports = here->supportedReports;
            done(std::find(reports.begin(), reports.end(), "sync-collection") != reports.end());
        });
}

std::string CardDavClient::cardVersionFor(const std::vector<std::string>& offered)
{
    const bool only4 = !offered.empty() &&
                       std::all_of(offered.begin(), offered.end(),
                                   [](const std::string& version) { return version == "4.0"; });
    return only4 ? "4.0" : "3.0";
}

void CardDavClient::cardVersion(const QUrl& book, std::function<void(DavResult<std::string>)> done)
{
    requestMultistatus(
        *transport_, propfind(asCollection(book), 0, bodies::addressDataTypes()),
        QStringLiteral("the address book"),
        [done = std::move(done)](DavResult<MultistatusAnswer> result) {
            if (auto* error = std::get_if<DavError>(&result))
                return done(*error);
            const auto& answer = std::get<MultistatusAnswer>(result);
            const MultistatusResponse* here = responseFor(answer.multistatus, answer.url);
            done(cardVersionFor(here ? here->vcardVersions : std::vector<std::string>{}));
        });
}

void CardDavClient::changesSince(const QUrl& book, const std::string& token,
                                 std::function<void(DavResult<Changes>)> done)
{
    const int depth = traitsOf(book).syncCollectionDepthOne ? 1 : 0;
    DavRequest request = report(asCollection(book), depth, bodies::syncCollection(token));
    transport_->send(std::move(request), [this, book, token, done = std::move(done)](
                                             DavResult<DavReply> result) mutable {
        if (auto* error = std::get_if<DavError>(&result))
            return done(*error);
        const DavReply& reply = std::get<DavReply>(result);
        if (isStaleToken(reply))
            return done(DavError{DavError::PreconditionFailed,
                                 "the server no longer knows the last sync's token; every card "
                                 "is compared instead",
                                 reply.status});
        if (reply.status / 100 == 2 && reply.status != 207)
            return done(notWebDav(reply));
        if (reply.status != 207)
            return done(
                statusError(reply.status, QStringLiteral("the address book"), reply.reason));
        Multistatus multistatus;
        try {
            multistatus = readMultistatus(reply.body);
        } catch (const std::runtime_error& error) {
            return done(badAnswer(error.what()));
        }
        Changes changes;
        changes.newToken = multistatus.syncToken;
        bool truncated = false;
        for (const MultistatusResponse& response : multistatus.responses) {
            if (!isCard(response, reply.url)) {
                // The book itself with 507: more changes than one answer holds.
                truncated = truncated || response.status == 507;
                continue;
            }
            const auto etag = response.properties.find("getetag");
            if (response.status == 404 || response.status == 410)
                changes.removed.push_back(response.href);
            else if (etag != response.properties.end())
                changes.changed[response.href] = etag->second;
        }
        if (changes.newToken.empty())
            return done(badAnswer("the server's sync-collection answer holds no sync token"));
        if (!truncated)
            return done(std::move(changes));
        // A server that cuts its answer short without moving its token on would be asked
        // the same forever; the caller lists the book instead.
        if (changes.newToken == token)
            return done(badAnswer("the server cut its list of changes short without going on"));
        // Ask again from where this answer stopped, and add the rest.
        changesSince(
            book, changes.newToken,
            [first = std::move(changes), done = std::move(done)](DavResult<Changes> rest) mutable {
                if (auto* error = std::get_if<DavError>(&rest))
                    return done(*error);
                Changes& more = std::get<Changes>(rest);
                for (const std::string& href : more.removed)
                    first.changed.erase(href);
                for (const auto& [href, etag] : more.changed)
                    std::erase(first.removed, href);
                first.changed.merge(more.changed);
                first.removed.insert(first.removed.end(), more.removed.begin(), more.removed.end());
                first.newToken = more.newToken;
                done(std::move(first));
            });
    });
}

void CardDavClient::listCards(
    const QUrl& book, std::function<void(DavResult<std::map<std::string, std::string>>)> done)
{
    listBook(book, [done = std::move(done)](DavResult<Changes> result) {
        if (auto* error = std::get_if<DavError>(&result))
            return done(*error);
        done(std::move(std::get<Changes>(result).changed));
    });
}

void CardDavClient::listBook(const QUrl& book, std::function<void(DavResult<Changes>)> done)
{
    requestMultistatus(
        *transport_, propfind(asCollection(book), 1, bodies::etags()),
        QStringLiteral("the address book"),
        [done = std::move(done)](DavResult<MultistatusAnswer> result) {
            if (auto* error = std::get_if<DavError>(&result))
                return done(*error);
            const auto& answer = std::get<MultistatusAnswer>(result);
            if (const auto gone = bookGone(answer.multistatus))
                return done(*gone);
            Changes listing;
            for (const MultistatusResponse& response : answer.multistatus.responses) {
                const auto etag = response.properties.find("getetag");
                if (isCard(response, answer.url) && etag != response.properties.end())
                    listing.changed[response.href] = etag->second;
            }
            if (const MultistatusResponse* here = responseFor(answer.multistatus, answer.url)) {
                const auto token = here->properties.find("sync-token");
                if (token != here->properties.end())
                    listing.newToken =
                        QByteArray::fromStdString(token->second).trimmed().toStdString();
            }
            done(std::move(listing));
        });
}

void CardDavClient::fetchCards(const QUrl& book, const std::vector<std::string>& hrefs,
                               std::function<void(DavResult<std::vector<FetchedCard>>)> done)
{
    if (hrefs.empty()) {
        // Still on the event loop, as every answer is.
        QMetaObject::invokeMethod(
            this, [done = std::move(done)] { done(std::vector<FetchedCard>{}); },
            Qt::QueuedConnection);
        return;
    }
    auto gathering = std::make_shared<Gathering<std::vector<FetchedCard>>>();
    gathering->done = std::move(done);
    gathering->waiting = (hrefs.size() + MultigetBatch - 1) / MultigetBatch;
    for (std::size_t first = 0; first < hrefs.size(); first += MultigetBatch) {
        std::vector<QUrl> batch;
        for (std::size_t i = first; i < std::min(hrefs.size(), first + MultigetBatch); ++i)
            batch.push_back(urlForPath(book, hrefs[i]));
        requestMultistatus(
            *transport_, report(asCollection(book), 0, bodies::multiget(batch)),
            QStringLiteral("the address book"),
            [&transport = *transport_, book, gathering](DavResult<MultistatusAnswer> result) {
                if (auto* error = std::get_if<DavError>(&result))
                    return gathering->fail(*error);
                std::vector<std::string> textless;
                for (const auto& response :
                     std::get<MultistatusAnswer>(result).multistatus.responses) {
                    if (response.status / 100 != 2)
                        continue; // gone since it was listed
                    const auto text = response.properties.find("address-data");
                    // There, but without its text (Xandikos, for a card whose name does not
                    // end in .vcf): no reason to take it for deleted.
                    if (text == response.properties.end()) {
                        textless.push_back(response.href);
                        continue;
                    }
                    const auto etag = response.properties.find("getetag");
                    gathering->collected.push_back(
                        {response.href, etag == response.properties.end() ? "" : etag->second,
                         text->second});
                }
                gathering->waiting += textless.size();
                for (const std::string& href : textless)
                    getCard(transport, urlForPath(book, href), href, gathering);
                gathering->arrived();
            });
    }
}

void CardDavClient::putCard(const QUrl& book, const std::string& href, const std::string& text,
                            const std::string& ifMatch,
                            std::function<void(DavResult<PutOutcome>)> done)
{
    if (ifMatch.empty() || !traitsOf(book).ifMatchUnenforced)
        return sendPut(book, href, text, ifMatch, std::move(done));
    // Put blindly, the update would overwrite what was changed on the server since; a card
    // gone meanwhile is no more to be updated than one changed.
    const QUrl card = urlForPath(book, href);
    whenEtagStill(*transport_, card, ifMatch,
                  [this, book, href, text, ifMatch, card,
                   done = std::move(done)](std::optional<DavError> refusal) mutable {
                      if (!refusal)
                          return sendPut(book, href, text, ifMatch, std::move(done));
                      done(refusal->kind == DavError::NotFound ? changedSince(card) : *refusal);
                  });
}

void CardDavClient::sendPut(const QUrl& book, const std::string& href, const std::string& text,
                            const std::string& ifMatch,
                            std::function<void(DavResult<PutOutcome>)> done)
{
    DavRequest request{"PUT", urlForPath(book, href), QByteArray::fromStdString(text), VCardType};
    if (ifMatch.empty())
        request.headers.emplace_back("If-None-Match", "*");
    else
        request.headers.emplace_back("If-Match", QByteArray::fromStdString(ifMatch));
    transport_->send(std::move(request),
                     [href, done = std::move(done)](DavResult<DavReply> result) {
                         if (auto* error = std::get_if<DavError>(&result))
                             return done(*error);
                         const DavReply& reply = std::get<DavReply>(result);
                         if (reply.status / 100 != 2)
                             return done(statusError(reply.status, cardName(href), reply.reason));
                         done(putOutcome(reply, href));
                     });
}

void CardDavClient::deleteCard(const QUrl& book, const std::string& href, const std::string& etag,
                               std::function<void(DavResult<std::monostate>)> done)
{
    if (etag.empty() || !traitsOf(book).ifMatchUnenforced)
        return sendDelete(book, href, etag, std::move(done));
    // A card changed on the server since is not deleted unseen; one already gone is deleted.
    whenEtagStill(
        *transport_, urlForPath(book, href), etag,
        [this, book, href, etag, done = std::move(done)](std::optional<DavError> refusal) mutable {
            if (!refusal || refusal->kind == DavError::NotFound)
                return sendDelete(book, href, etag, std::move(done));
            done(*refusal);
        });
}

void CardDavClient::sendDelete(const QUrl& book, const std::string& href, const std::string& etag,
                               std::function<void(DavResult<std::monostate>)> done)
{
    DavRequest request{"DELETE", urlForPath(book, href)};
    if (!etag.empty())
        request.headers.emplace_back("If-Match", QByteArray::fromStdString(etag));
    transport_->send(std::move(request),
                     [href, done = std::move(done)](DavResult<DavReply> result) {
                         if (auto* error = std::get_if<DavError>(&result))
                             return done(*error);
                         const DavReply& reply = std::get<DavReply>(result);
                         if (reply.status / 100 == 2 || reply.status == 404 || reply.status == 410)
                             return done(std::monostate{});
                         done(statusError(reply.status, cardName(href), reply.reason));
                     });
}

std::string CardDavClient::hrefForUid(const QUrl& book, const std::string& uid)
{
    const QByteArray name = QUrl::toPercentEncoding(QString::fromStdString(uid)) + ".vcf";
    return (asCollection(book).path(QUrl::FullyDecoded) + QString::fromUtf8(name)).toStdString();
}

const ServerTraits& CardDavClient::traitsOf(const QUrl& book)
{
    const QString server = book.host().toLower() + u':' + QString::number(book.port(-1));
    const auto known = traits_.find(server);
    if (known != traits_.end())
        return known->second;
    return traits_.emplace(server, serverTraits(book)).first->second;
}

} // namespace carddav

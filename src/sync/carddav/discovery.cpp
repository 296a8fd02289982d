#include "sync/carddav/discovery.h"

#include "sync/carddav/dav_bodies.h"
#include "sync/carddav/multistatus_request.h"
#include "sync/carddav/url_policy.h"

namespace carddav {
namespace {

bool isServerRoot(const QUrl& url)
{
    return url.path().isEmpty() || url.path() == QLatin1String("/");
}

// Whether a failed look at /.well-known/carddav leaves the start URL worth asking: a server
// without the well-known address is no reason to stop, a wrong password or no server is.
bool worthGoingOn(const DavError& error)
{
    return error.kind == DavError::NotFound || error.kind == DavError::BadAnswer ||
           error.kind == DavError::Forbidden ||
           (error.kind == DavError::ServerError && error.httpStatus < 500);
}

QUrl parentCollection(const QUrl& url)
{
    QString path = url.path(QUrl::FullyDecoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    QUrl parent = url;
    parent.setPath(path.left(path.lastIndexOf(QLatin1Char('/')) + 1), QUrl::DecodedMode);
    return parent;
}

AddressBookInfo bookAt(const QUrl& url, const MultistatusResponse& response)
{
    AddressBookInfo book;
    book.url = asCollection(url);
    book.pathName = lastPathPart(book.url);
    const auto name = response.properties.find("displayname");
    book.displayName = name != response.properties.end() && !name->second.empty()
                           ? QString::fromStdString(name->second).trimmed()
                           : book.pathName;
    return book;
}

class Discoverer : public std::enable_shared_from_this<Discoverer> {
public:
    Discoverer(DavTransport& transport, QUrl start, std::function<void(DavResult<Discovery>)> done)
        : transport_(transport), start_(std::move(start)), done_(std::move(done))
    {
    }

    void run()
    {
        if (isServerRoot(start_))
            lookAtWellKnown();
        else
            lookAt(start_);
    }

private:
    void lookAtWellKnown()
    {
        const QUrl wellKnown = start_.resolved(QUrl(QStringLiteral("/.well-known/carddav")));
        requestMultistatus(transport_, propfind(wellKnown, 0, bodies::discoveryProperties()),
                           QStringLiteral("the server's CardDAV address"),
                           [self = shared_from_this()](DavResult<MultistatusAnswer> result) {
                               if (auto* error = std::get_if<DavError>(&result)) {
                                   if (!worthGoingOn(*error))
                                       return self->done_(*error);
                                   return self->lookAt(self->start_);
                               }
                               self->examine(std::get<MultistatusAnswer>(result));
                           });
    }

    void lookAt(const QUrl& url)
    {
        requestMultistatus(transport_, propfind(url, 0, bodies::discoveryProperties()),
                           QStringLiteral("the address ") + url.toString(QUrl::RemoveUserInfo),
                           [self = shared_from_this()](DavResult<MultistatusAnswer> result) {
                               if (auto* error = std::get_if<DavError>(&result))
                                   return self->done_(*error);
                               self->examine(std::get<MultistatusAnswer>(result));
                           });
    }

    // What the URL turned out to be: the book itself, a principal or home, or a page that
    // names the user's principal.
    void examine(const MultistatusAnswer& answer)
    {
        const MultistatusResponse* here = responseFor(answer.multistatus, answer.url);
        if (!here && !answer.multistatus.responses.empty())
            here = &answer.multistatus.responses.front();
        if (!here)
            return done_(badAnswer("the server said nothing about " + where(answer.url)));
        if (hasType(*here, "addressbook"))
            return done_(Discovery{{bookAt(answer.url, *here)}, parentCollection(answer.url)});
        if (const auto homes = hrefs(*here, "addressbook-home-set"); !homes.empty())
            return listHome(answer.url, resolvedHref(answer.url, homes.front()));
        if (const auto principals = hrefs(*here, "current-user-principal"); !principals.empty())
            return askPrincipal(answer.url, resolvedHref(answer.url, principals.front()));
        if (hasType(*here, "collection"))
            return listHome(answer.url, answer.url);
        done_(badAnswer("no address book was found at " + where(answer.url)));
    }

    // The principal and the home may be on another host of the same service; the password goes
    // there only under the rule redirects obey.
    bool mayGoOn(const QUrl& from, const QUrl& to)
    {
        if (auto refusal = refusalToFollow(from, to)) {
            done_(*refusal);
            return false;
        }
        return true;
    }

    void askPrincipal(const QUrl& fallbackHome, const QUrl& principal)
    {
        if (!mayGoOn(fallbackHome, principal))
            return;
        requestMultistatus(
            transport_, propfind(principal, 0, bodies::homeSetProperty()),
            QStringLiteral("the user's principal"),
            [self = shared_from_this(), fallbackHome](DavResult<MultistatusAnswer> result) {
                if (auto* error = std::get_if<DavError>(&result))
                    return self->done_(*error);
                self->homeNamed(std::get<MultistatusAnswer>(result), fallbackHome);
            });
    }

    // A principal may answer with only some of the properties asked for.
    void homeNamed(const MultistatusAnswer& answer, const QUrl& fallbackHome)
    {
        const MultistatusResponse* here = responseFor(answer.multistatus, answer.url);
        const auto homes = here ? hrefs(*here, "addressbook-home-set") : std::vector<std::string>{};
        // A server that names no home may keep the books right where we looked.
        if (homes.empty())
            return listHome(fallbackHome, fallbackHome);
        listHome(answer.url, resolvedHref(answer.url, homes.front()));
    }

    void listHome(const QUrl& namedAt, const QUrl& home)
    {
        if (!mayGoOn(namedAt, home))
            return;
        requestMultistatus(transport_,
                           propfind(asCollection(home), 1, bodies::collectionProperties()),
                           QStringLiteral("the user's address books"),
                           [self = shared_from_this()](DavResult<MultistatusAnswer> result) {
                               if (auto* error = std::get_if<DavError>(&result))
                                   return self->done_(*error);
                               self->collectBooks(std::get<MultistatusAnswer>(result));
                           });
    }

    void collectBooks(const MultistatusAnswer& answer)
    {
        Discovery found;
        found.home = asCollection(answer.url);
        for (const MultistatusResponse& response : answer.multistatus.responses) {
            if (!hasType(response, "addressbook") ||
                (response.status / 100 != 2 && response.status != 0))
                continue;
            const QUrl book = resolvedHref(answer.url, response.writtenHref);
            // A book the listing places on a host of another owner is not offered.
            if (!refusalToFollow(answer.url, book))
                found.books.push_back(bookAt(book, response));
        }
        done_(std::move(found));
    }

    static std::vector<std::string> hrefs(const MultistatusResponse& response, const char* name)
    {
        const auto found = response.hrefProperties.find(name);
        return found == response.hrefProperties.end() ? std::vector<std::string>{} : found->second;
    }

    static std::string where(const QUrl& url)
    {
        return url.toString(QUrl::RemoveUserInfo).toStdString();
    }

    DavTransport& transport_;
    QUrl start_;
    std::function<void(DavResult<Discovery>)> done_;
};

} // namespace

void discoverBooks(DavTransport& transport, const QUrl& start,
                   std::function<void(DavResult<Discovery>)> done)
{
    std::make_shared<Discoverer>(transport, start, std::move(done))->run();
}

} // namespace carddav

#pragma once

#include "sync/carddav/address_book_info.h"
#include "sync/carddav/dav_error.h"
#include "sync/carddav/dav_transport.h"
#include "sync/carddav/multistatus.h"
#include "sync/carddav/server_traits.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// Talking to a CardDAV server over HTTP(S): finding the address book, listing and fetching
// cards, putting and deleting them. It knows nothing of records. Every operation runs on the
// event loop and ends by calling its callback once, on the event loop; nothing blocks. A
// client destroyed while operations run ends them without calling back.
//
// Cards are named by hrefs: paths as the server gives them, percent-decoded (see
// readMultistatus); a path without a leading '/' is taken relative to the book.
namespace carddav {

struct Discovery {
    std::vector<AddressBookInfo> books;
    // Where a new address book would be made (the addressbook-home-set); empty when the
    // server named none.
    QUrl home;
};

// What changed since a sync token (sync-collection), or every card when the token is empty.
struct Changes {
    std::string newToken;
    std::map<std::string, std::string> changed; // href -> ETag, new or changed cards
    std::vector<std::string> removed;           // hrefs
};

struct FetchedCard {
    std::string href;
    std::string etag;
    std::string text;
};

struct PutOutcome {
    // Empty when the server sent no ETag with its answer, or a weak one: either way the card
    // it keeps may not be byte for byte what was sent.
    std::string etag;
    // Where the server stored the card: the href it was put to, or the one its Location
    // names when it chose a name of its own.
    std::string href;
};

class CardDavClient : public QObject {
    Q_OBJECT
public:
    explicit CardDavClient(Credentials credentials, QObject* parent = nullptr);
    ~CardDavClient() override;

    // No progress for this long ends a request with DavError::Timeout (30 s unless set).
    void setTimeout(int milliseconds);
    // A request sent whole waits this long for its answer to begin (10 min unless set).
    void setAnswerWait(int milliseconds);
    // The servers' requests to wait (429, 503) are waited for this long in all (5 min unless
    // set); a server that asks for more ends the operation.
    void setMostWaiting(int milliseconds);
    // Told, in one line, when the server asked to wait and when it is still working on an
    // answer.
    void setWaitNotice(std::function<void(const std::string&)> notice);

    // From the address book itself, the user's home, or the server alone (through
    // /.well-known/carddav, current-user-principal and addressbook-home-set). Checks the
    // password on the way: a wrong one ends in Unauthorized.
    void discover(const QUrl& start, std::function<void(DavResult<Discovery>)> done);

    // Makes an address book named displayName under home (extended MKCOL), at a path made
    // from the name ("Contacts" -> contacts/, or contacts-2/ when that is taken).
    void createBook(const QUrl& home, const QString& displayName,
                    std::function<void(DavResult<AddressBookInfo>)> done);

    // Whether the book offers sync-collection; NotFound when it is gone.
    void supportsSyncCollection(const QUrl& book, std::function<void(DavResult<bool>)> done);

    // The vCard version new cards are written in for this book: "4.0" when its
    // supported-address-data offers vCard 4.0 and no other, else "3.0".
    void cardVersion(const QUrl& book, std::function<void(DavResult<std::string>)> done);
    static std::string cardVersionFor(const std::vector<std::string>& offered);

    // sync-collection since `token` (empty: the first). A token the server no longer knows
    // (valid-sync-token, or 409/412) ends in PreconditionFailed, whatever status the server
    // chose (httpStatus keeps it); the caller then lists all cards.
    void changesSince(const QUrl& book, const std::string& token,
                      std::function<void(DavResult<Changes>)> done);

    // Every card of the book with its ETag (PROPFIND, depth 1): href -> ETag.
    void listCards(const QUrl& book,
                   std::function<void(DavResult<std::map<std::string, std::string>>)> done);
    // The same listing as changes since nothing, with the book's sync-token when it has one:
    // a server that takes no sync-collection from the start (Google's) gives its first token
    // only so.
    void listBook(const QUrl& book, std::function<void(DavResult<Changes>)> done);

    // The cards named, by addressbook-multiget in batches sent side by side. A card that is
    // gone meanwhile is simply not in the result.
    void fetchCards(const QUrl& book, const std::vector<std::string>& hrefs,
                    std::function<void(DavResult<std::vector<FetchedCard>>)> done);

    // PUT with If-Match: ifMatch, or If-None-Match: * when ifMatch is empty. Several may run
    // at once; they share the kept-alive connections. Where the server takes any If-Match,
    // the card's ETag is read first, and a card changed since ends in PreconditionFailed.
    void putCard(const QUrl& book, const std::string& href, const std::string& text,
                 const std::string& ifMatch, std::function<void(DavResult<PutOutcome>)> done);

    // DELETE with If-Match: etag (none when empty), the ETag read first as for putCard. A card
    // already gone counts as deleted.
    void deleteCard(const QUrl& book, const std::string& href, const std::string& etag,
                    std::function<void(DavResult<std::monostate>)> done);

    // The href for a new card with this UID in this book: the book's path, the UID
    // percent-encoded, ".vcf".
    static std::string hrefForUid(const QUrl& book, const std::string& uid);

    // What the server of `book` is known to do differently (see server_traits.h).
    const ServerTraits& traitsOf(const QUrl& book);

    // How many hrefs one addressbook-multiget asks for: few enough that a slow server answers
    // well within the timeout (Xandikos takes a twentieth of a second or more over each card of
    // a book of thousands), and that a sync cut off loses little of what it fetched.
    static constexpr std::size_t MultigetBatch = 100;

private:
    void sendPut(const QUrl& book, const std::string& href, const std::string& text,
                 const std::string& ifMatch, std::function<void(DavResult<PutOutcome>)> done);
    void sendDelete(const QUrl& book, const std::string& href, const std::string& etag,
                    std::function<void(DavResult<std::monostate>)> done);

    std::unique_ptr<DavTransport> transport_;
    std::map<QString, ServerTraits> traits_;
};

} // namespace carddav

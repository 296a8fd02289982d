#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class QNetworkAccessManager;

// Talking to a CardDAV server over HTTP(S): finding the address book, listing and fetching
// cards, putting and deleting them. It knows nothing of records. Every operation runs on the
// event loop and ends by calling its callback once, on the event loop; nothing blocks.
namespace syncing {

// Why an operation failed, told to the user in one line (`message`, English, no trailing
// period, naming the server's answer where there was one).
struct DavError {
    enum Kind {
        Unreachable,        // no connection (refused, no route, name not found)
        Timeout,            // no progress for the timeout (30 s)
        Insecure,           // http:// to anything but a loopback address; a redirect elsewhere
        Certificate,        // the server's certificate does not check out
        Unauthorized,       // 401: the user name or password
        Forbidden,          // 403
        NotFound,           // 404, 410: the address book (or card) is gone
        PreconditionFailed, // 412: If-Match / If-None-Match did not hold
        ServerError,        // 5xx, or any other status the operation does not expect
        BadAnswer,          // malformed or oversized XML, no address book where one should be
    };
    Kind kind;
    std::string message;
    int httpStatus = 0;
};

template <typename T> using DavResult = std::variant<T, DavError>;

struct AddressBookInfo {
    QUrl url;
    QString displayName;
    // The last part of the path, for --book.
    QString pathName;
};

struct Discovery {
    std::vector<AddressBookInfo> books;
    // Where a new address book would be made (the addressbook-home-set).
    QUrl home;
};

// What changed since a sync token (sync-collection, RFC 6578), or every card when the token
// is empty.
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
    // Empty when the server sent no ETag with its answer.
    std::string etag;
};

struct Credentials {
    QString user;
    QString password;
};

class CardDavClient : public QObject {
    Q_OBJECT
public:
    explicit CardDavClient(Credentials credentials, QObject* parent = nullptr);
    ~CardDavClient() override;

    // No progress for this long ends a request with DavError::Timeout.
    void setTimeout(int milliseconds);

    // From the address book itself, the user's home, or the server alone (through
    // /.well-known/carddav, current-user-principal and addressbook-home-set). Checks the
    // password on the way: a wrong one ends in Unauthorized.
    void discover(const QUrl& start, std::function<void(DavResult<Discovery>)> done);

    // Makes an address book named displayName under home (extended MKCOL).
    void createBook(const QUrl& home, const QString& displayName,
                    std::function<void(DavResult<AddressBookInfo>)> done);

    // Whether the book offers sync-collection; NotFound when it is gone.
    void supportsSyncCollection(const QUrl& book, std::function<void(DavResult<bool>)> done);

    // sync-collection since `token` (empty: the first). A token the server no longer knows
    // ends in DavError with kind PreconditionFailed or httpStatus 403/409 as the server
    // says; the caller then lists all cards.
    void changesSince(const QUrl& book, const std::string& token,
                      std::function<void(DavResult<Changes>)> done);

    // Every card of the book with its ETag (PROPFIND, depth 1).
    void listCards(const QUrl& book,
                   std::function<void(DavResult<std::map<std::string, std::string>>)> done);

    // The cards named, by addressbook-multiget in batches. A card that is gone meanwhile is
    // simply not in the result.
    void fetchCards(const QUrl& book, const std::vector<std::string>& hrefs,
                    std::function<void(DavResult<std::vector<FetchedCard>>)> done);

    // PUT with If-Match: ifMatch, or If-None-Match: * when ifMatch is empty.
    void putCard(const QUrl& book, const std::string& href, const std::string& text,
                 const std::string& ifMatch, std::function<void(DavResult<PutOutcome>)> done);

    // DELETE with If-Match: etag (none when empty). A card already gone counts as deleted.
    void deleteCard(const QUrl& book, const std::string& href, const std::string& etag,
                    std::function<void(DavResult<std::monostate>)> done);

    // A path the server names a card by, for a new card with this UID, in this book.
    static std::string hrefForUid(const QUrl& book, const std::string& uid);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The multistatus reader, plain and fuzzed on its own: every response's href (percent-
// decoded path), status and the properties asked for. Throws std::runtime_error on XML that
// is malformed or larger than it should be.
struct MultistatusResponse {
    std::string href;
    int status = 0; // of the response, or of its propstat with the properties
    std::map<std::string, std::string> properties; // "getetag", "address-data", "displayname", ...
    std::vector<std::string> resourceTypes;        // "collection", "addressbook", ...
    std::vector<std::string> hrefProperties;       // current-user-principal / home-set hrefs
};
struct Multistatus {
    std::vector<MultistatusResponse> responses;
    std::string syncToken;
};
Multistatus readMultistatus(const QByteArray& xml);

} // namespace syncing

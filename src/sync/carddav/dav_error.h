#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <variant>

namespace carddav {

// Why an operation failed, told to the user in one line (`message`, English, no trailing
// period, naming the server's answer where there was one).
struct DavError {
    enum Kind {
        Unreachable,        // no connection (refused, no route, name not found, cut off)
        Timeout,            // no progress for the timeout (30 s)
        Insecure,           // http:// to anything but a loopback address; a redirect elsewhere
        Certificate,        // the server's certificate does not check out
        Unauthorized,       // 401: the user name or password
        Forbidden,          // 403
        NotFound,           // 404, 410: the address book (or card) is gone
        PreconditionFailed, // 412: If-Match / If-None-Match did not hold; a sync token the
                            // server no longer knows
        ServerError,        // 5xx, or any other status the operation does not expect
        BadAnswer,          // malformed or oversized XML, no address book where one should be
    };
    Kind kind;
    std::string message;
    int httpStatus = 0;
};

template <typename T> using DavResult = std::variant<T, DavError>;

// The error for an HTTP status the operation did not expect; `what` names what was asked for
// ("the address book", "the card /alice/contacts/x.vcf") and `reason` is the server's own
// reason phrase, if any.
DavError statusError(int status, const QString& what, const QByteArray& reason = {});

// The server's answer could not be read as what the operation asked for.
DavError badAnswer(const std::string& why);

} // namespace carddav

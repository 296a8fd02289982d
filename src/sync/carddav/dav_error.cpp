#include "sync/carddav/dav_error.h"

namespace carddav {
namespace {

std::string statusText(int status, const QByteArray& reason)
{
    std::string text = "HTTP " + std::to_string(status);
    if (!reason.trimmed().isEmpty())
        text += " " + reason.trimmed().toStdString();
    return text;
}

} // namespace

DavError statusError(int status, const QString& what, const QByteArray& reason)
{
    const std::string answer = " (the server answered " + statusText(status, reason) + ")";
    const std::string subject = what.toStdString();
    switch (status) {
    case 401:
        return {DavError::Unauthorized,
                "the server did not accept the user name or password" + answer, status};
    case 403:
        return {DavError::Forbidden, "the server does not allow access to " + subject + answer,
                status};
    case 404:
    case 410:
        return {DavError::NotFound, subject + " is not on the server" + answer, status};
    case 412:
        return {DavError::PreconditionFailed,
                subject + " was changed on the server meanwhile" + answer, status};
    default:
        if (status >= 500)
            return {DavError::ServerError, "the server failed on " + subject + answer, status};
        return {DavError::ServerError,
                "the server gave an unexpected answer for " + subject + answer, status};
    }
}

DavError badAnswer(const std::string& why)
{
    return {DavError::BadAnswer, why, 0};
}

} // namespace carddav

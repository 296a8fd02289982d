#include "sync/carddav/multistatus_request.h"

#include <algorithm>
#include <stdexcept>

namespace carddav {
namespace {

const QByteArray XmlType = "application/xml; charset=utf-8";

DavRequest xmlRequest(const QByteArray& method, const QUrl& url, int depth, QByteArray body)
{
    return {method, url, std::move(body), XmlType, {{"Depth", QByteArray::number(depth)}}};
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

DavError notWebDav(const DavReply& reply)
{
    return badAnswer(reply.url.toString(QUrl::RemoveUserInfo).toStdString() +
                     " answered with HTTP " + std::to_string(reply.status) +
                     " and no WebDAV multistatus: it does not look like a CardDAV address");
}

DavRequest propfind(const QUrl& url, int depth, QByteArray body)
{
    return xmlRequest("PROPFIND", url, depth, std::move(body));
}

DavRequest report(const QUrl& url, int depth, QByteArray body)
{
    return xmlRequest("REPORT", url, depth, std::move(body));
}

void requestMultistatus(DavTransport& transport, DavRequest request, const QString& what,
                        std::function<void(DavResult<MultistatusAnswer>)> done)
{
    transport.send(std::move(request), [what, done = std::move(done)](DavResult<DavReply> result) {
        if (auto* error = std::get_if<DavError>(&result))
            return done(*error);
        const DavReply& reply = std::get<DavReply>(result);
        if (reply.status / 100 == 2 && reply.status != 207)
            return done(notWebDav(reply));
        if (reply.status != 207)
            return done(statusError(reply.status, what, reply.reason));
        try {
            done(MultistatusAnswer{readMultistatus(reply.body), reply.url});
        } catch (const std::runtime_error& error) {
            done(badAnswer(error.what()));
        }
    });
}

const MultistatusResponse* responseFor(const Multistatus& multistatus, const QUrl& url)
{
    const std::string path = withoutTrailingSlash(url.path(QUrl::FullyDecoded).toStdString());
    const auto found = std::find_if(multistatus.responses.begin(), multistatus.responses.end(),
                                    [&](const MultistatusResponse& response) {
                                        return withoutTrailingSlash(response.href) == path;
                                    });
    return found == multistatus.responses.end() ? nullptr : &*found;
}

bool hasType(const MultistatusResponse& response, const char* type)
{
    return std::find(response.resourceTypes.begin(), response.resourceTypes.end(), type) !=
           response.resourceTypes.end();
}

} // namespace carddav

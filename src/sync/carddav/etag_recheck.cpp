#include "sync/carddav/etag_recheck.h"

#include "sync/carddav/multistatus_request.h"

namespace carddav {
namespace {

QByteArray etagOnly()
{
    return R"(<?xml version="1.0" encoding="utf-8"?>)"
           "\n"
           R"(<d:propfind xmlns:d="DAV:"><d:prop><d:getetag/></d:prop></d:propfind>)"
           "\n";
}

} // namespace

DavError changedSince(const QUrl& card)
{
    return {DavError::PreconditionFailed,
            "the card " + card.path().toStdString() +
                " changed on the server since it was read; the next sync takes the change in",
            412};
}

void whenEtagStill(DavTransport& transport, const QUrl& card, const std::string& remembered,
                   std::function<void(std::optional<DavError>)> then)
{
    requestMultistatus(
        transport, propfind(card, 0, etagOnly()), QStringLiteral("the card ") + card.path(),
        [card, remembered, then = std::move(then)](DavResult<MultistatusAnswer> result) {
            if (auto* error = std::get_if<DavError>(&result))
                return then(*error);
            const auto& answer = std::get<MultistatusAnswer>(result);
            const MultistatusResponse* here = responseFor(answer.multistatus, answer.url);
            if (!here && answer.multistatus.responses.size() == 1)
                here = &answer.multistatus.responses.front();
            if (!here)
                return then(changedSince(card));
            const auto etag = here->properties.find("getetag");
            if (etag == here->properties.end() || etag->second != remembered)
                return then(changedSince(card));
            then(std::nullopt);
        });
}

} // namespace carddav

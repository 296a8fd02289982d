#pragma once

#include <QByteArray>

#include <map>
#include <string>
#include <vector>

// The multistatus reader, plain and fuzzed on its own: what a WebDAV server answers to a
// PROPFIND or a REPORT, one response per resource.
namespace carddav {

// Answers larger than this are refused rather than held in memory.
inline constexpr qsizetype MaxAnswerBytes = 64 * 1024 * 1024;

struct MultistatusResponse {
    // The resource's path, percent-decoded; a full URL is cut to its path.
    std::string href;
    // The same href as the server wrote it (a path or a full URL, percent-encoded): a
    // collection named on another host is found by it.
    std::string writtenHref;
    // The response's own status (a card removed since a sync token: 404), else the status of
    // the propstat that holds the properties read; 0 when the server gave none.
    int status = 0;
    // The status is the response's own, not a propstat's: the resource itself is so.
    bool statusOfItsOwn = false;
    // Text properties by local name: "getetag", "address-data", "displayname", "sync-token".
    // Only properties the server found (a 2xx propstat) are kept.
    std::map<std::string, std::string> properties;
    // The local names inside resourcetype: "collection", "addressbook", ...
    std::vector<std::string> resourceTypes;
    // The reports inside supported-report-set: "sync-collection", "addressbook-multiget", ...
    std::vector<std::string> supportedReports;
    // The vCard versions inside supported-address-data: "3.0", "4.0", ...
    std::vector<std::string> vcardVersions;
    // Properties that name resources: "current-user-principal", "addressbook-home-set" ->
    // their hrefs as the server wrote them (a principal's home may be on another host).
    std::map<std::string, std::vector<std::string>> hrefProperties;
};

struct Multistatus {
    std::vector<MultistatusResponse> responses;
    // The sync-token of a sync-collection answer, empty otherwise.
    std::string syncToken;
};

// Throws std::runtime_error with a one-line reason on XML that is malformed, declares a DTD
// or entities, is not a DAV: multistatus, or is larger than MaxAnswerBytes.
Multistatus readMultistatus(const QByteArray& xml);

// "HTTP/1.1 404 Not Found" -> 404; 0 when it does not read as a status line.
int statusFromLine(const QString& line);

// A href as a server writes it (percent-encoded path or full URL) -> the decoded path.
std::string decodedHrefPath(const QString& href);

} // namespace carddav

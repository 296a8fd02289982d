#pragma once

#include <QByteArray>
#include <QDateTime>

#include <chrono>
#include <optional>
#include <string>

// When a server asks the client to come back later (429 Too Many Requests, 503 Service
// Unavailable): how long to wait before asking again, or whether to give up. Plain functions,
// no network, no clock of their own.
namespace carddav {

using std::chrono::milliseconds;
using std::chrono::seconds;

// The most one sync waits for its servers in all, unless set otherwise.
constexpr milliseconds MostWaitingInAll = std::chrono::minutes(5);
// Without Retry-After a request is asked again this many times, after 1, 2, 4, ... s.
constexpr int MostTriesUntold = 5;

// The wait a Retry-After header asks for: seconds, or an HTTP date (as of `now`, none when
// past). None when the header is absent or unreadable.
std::optional<seconds> retryAfter(const QByteArray& header, const QDateTime& now);

struct WaitDecision {
    // How long to wait before asking again; nothing: give up.
    std::optional<seconds> wait;
};

// `asked`: what the server's Retry-After asked for; `triesSoFar`: how often this request was
// already asked again; `waitedInAll`: what the sync waited so far, of `mostInAll`.
WaitDecision decideWait(std::optional<seconds> asked, int triesSoFar, milliseconds waitedInAll,
                        milliseconds mostInAll = MostWaitingInAll);

// The statuses by which a server asks to be asked again later.
bool asksToWait(int status);

// "30 s", "2 min", "1 min 30 s".
std::string durationText(milliseconds duration);
// The lines the command prints and the window's status bar shows while a sync waits.
std::string askedToWaitText(milliseconds wait);
std::string stillWorkingText(milliseconds working);

} // namespace carddav

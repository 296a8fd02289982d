#pragma once

#include <chrono>
#include <cstddef>

namespace carddav {

// How many requests go to one server at once. Qt keeps six connections open to a server, and
// a server that answers quickly serves six side by side well. A server slow to answer most
// often serves one request at a time, or shares its one thread among them (Xandikos does):
// requests beside the one it works on only wait there, or slow it down, so that none of them
// moves for longer than the timeout allows, and a sync cut off leaves the server working
// through them for no one. So a server is never sent more than it has shown it answers
// quickly: one request at first, one more beside it after each quick answer, up to six, and
// back to one after an answer that took the server more than a tenth of the stall timeout.
class RequestPace {
public:
    static constexpr std::size_t MostAtOnce = 6;

    std::size_t atOnce() const { return atOnce_; }

    // `took`: from the moment the server's turn came to the request until its answer ended.
    void answered(std::chrono::milliseconds took, std::chrono::milliseconds timeout)
    {
        if (took * 10 > timeout)
            atOnce_ = 1;
        else if (atOnce_ < MostAtOnce)
            ++atOnce_;
    }

private:
    std::size_t atOnce_ = 1;
};

} // namespace carddav

#pragma once

#include <chrono>
#include <cstddef>

namespace carddav {

// How many requests go to one server at once. Qt keeps six connections open to a server, and
// a server that answers quickly serves six side by side well. A server slow to answer is most
// often one that serves a request at a time (a single-threaded server, such as Xandikos's,
// answers them one after the other): requests beside the one it works on only queue there, and
// a sync cut off leaves it working through them for no one. So an answer that took the server
// more than a tenth of the stall timeout puts the requests to one at a time, and each quicker
// answer lets one more go beside it, back up to six.
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
    std::size_t atOnce_ = MostAtOnce;
};

} // namespace carddav

#include "support/stalled_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

StalledListener::StalledListener()
{
    listening_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    // A backlog of 0 holds one connection; the fillers take it, and the rest wait in vain.
    if (listening_ < 0 || ::bind(listening_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listening_, 0) != 0 ||
        ::getsockname(listening_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no stalled listener on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    for (int& filler : fillers_) {
        filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const sockaddr_in to = loopback(port_);
        ::connect(filler, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
}

StalledListener::~StalledListener()
{
    for (const int filler : fillers_)
        if (filler >= 0)
            ::close(filler);
    if (listening_ >= 0)
        ::close(listening_);
}

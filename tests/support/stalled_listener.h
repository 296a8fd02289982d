#pragma once

// A port on 127.0.0.1 where connecting never completes: the socket listens but never accepts,
// and its queue of accepted connections is kept full, so the system drops every further
// connection attempt unanswered, as a host gone silent does.
class StalledListener {
public:
    StalledListener();
    ~StalledListener();
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;

    int port() const { return port_; }

private:
    int listening_ = -1;
    int port_ = 0;
    int fillers_[4] = {-1, -1, -1, -1};
};

#pragma once

#include "sync/oauth/authorization_request.h"

#include <QTcpServer>
#include <QUrl>

#include <functional>

// Where the browser comes back to: a listener on 127.0.0.1 on a port the system picks, which
// only this machine can reach. The first request for its address is the sign-in's answer; it
// is told to the browser as a short page. Anything else (the browser's icon) is answered 404.
namespace syncing {

class RedirectListener : public QTcpServer {
    Q_OBJECT
public:
    // `readAnswer` turns the address the browser asked for into the outcome its page tells.
    explicit RedirectListener(std::function<RedirectOutcome(const QUrl&)> readAnswer,
                              QObject* parent = nullptr);

    // False when no port could be had.
    bool open();
    // http://127.0.0.1:PORT/
    QUrl address() const;

private:
    void serve(QTcpSocket* socket);

    std::function<RedirectOutcome(const QUrl&)> readAnswer_;
    bool answered_ = false;
};

} // namespace syncing

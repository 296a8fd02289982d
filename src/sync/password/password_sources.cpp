#include "sync/password/password_sources.h"

#include "sync/password/keyring.h"
#include "sync/password/netrc.h"
#include "sync/password/terminal_prompt.h"

namespace syncing {

void findPassword(const QString& user, const QUrl& server,
                  std::function<void(PasswordSearch)> done)
{
    readFromKeyring(keyringKey(user, server.host()), [user, server, done](
                                                          std::optional<QString> kept) {
        PasswordSearch search;
        if (kept) {
            search.password = kept;
            search.fromKeyring = true;
            return done(search);
        }
        const NetrcLookup netrc = lookUpNetrc(server.host().toStdString(), user.toStdString());
        if (!netrc.refusal.empty())
            search.remarks.push_back(netrc.refusal);
        if (netrc.password) {
            search.password = QString::fromStdString(*netrc.password);
            return done(search);
        }
        const std::optional<std::string> typed = askOnTerminal(
            "Password for " + user.toStdString() + " at " + server.host().toStdString() + ": ");
        if (typed)
            search.password = QString::fromStdString(*typed);
        done(search);
    });
}

} // namespace syncing

#include "sync/password/password_sources.h"

#include "sync/password/keyring.h"
#include "sync/password/netrc.h"
#include "sync/password/terminal_prompt.h"

namespace syncing {

std::optional<QString> askAtTerminal(const QString& prompt)
{
    const std::optional<std::string> typed = askOnTerminal(prompt.toStdString());
    if (!typed)
        return std::nullopt;
    return QString::fromStdString(*typed);
}

void findPassword(const QString& user, const QUrl& server, std::function<void(PasswordSearch)> done,
                  PasswordQuestion ask)
{
    readFromKeyring(keyringKey(user, server.host()), [user, server, done,
                                                      ask](std::optional<QString> kept) {
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
        search.password = ask(QStringLiteral("Password for %1 at %2: ").arg(user, server.host()));
        done(search);
    });
}

} // namespace syncing

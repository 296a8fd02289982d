#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Where a sync's password comes from, in this order: the desktop's keyring, ~/.netrc, the
// person at the terminal. It is never taken from the command line and never written by the
// program into a plain file.
namespace syncing {

struct PasswordSearch {
    std::optional<QString> password;
    bool fromKeyring = false;
    // Why a source was passed over, for the user (a ~/.netrc others may read, say).
    std::vector<std::string> remarks;
};

// Asks the person for the password with this prompt; nothing when they cannot be or are not
// asked.
using PasswordQuestion = std::function<std::optional<QString>(const QString& prompt)>;

// The terminal without echo, for the commands.
std::optional<QString> askAtTerminal(const QString& prompt);

// Calls `done` once, on the event loop. The person is asked last, through `ask`.
void findPassword(const QString& user, const QUrl& server, std::function<void(PasswordSearch)> done,
                  PasswordQuestion ask = askAtTerminal);

} // namespace syncing

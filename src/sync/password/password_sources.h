#pragma once

#include "sync/password/password_search.h"

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

// The terminal without echo, for the commands.
std::optional<QString> askAtTerminal(const QString& prompt);

// Calls `done` once, on the event loop. The person is asked last, through `ask`.
void findPassword(const QString& user, const QUrl& server, std::function<void(PasswordSearch)> done,
                  PasswordQuestion ask = askAtTerminal);

} // namespace syncing

#pragma once

#include "sync/password/password_search.h"

#include <QString>

#include <functional>
#include <optional>

// The desktop's keyring (Secret Service or KWallet). A desktop without one (a server, CI, a
// bare window manager) must never make a sync wait: whatever has not answered within the
// time given counts as no keyring.
namespace syncing {

// The keyring's entry for an account: one password per user on one server.
QString keyringKey(const QString& user, const QString& host);

// Calls `done` once, on the event loop: the password, or nothing when the keyring holds none,
// is locked, refused or did not answer in time.
void readFromKeyring(const QString& key, std::function<void(std::optional<QString>)> done,
                     int patienceMs = keyringPatienceMs);

// Calls `done` once with whether the keyring took the password.
void storeInKeyring(const QString& key, const QString& password, std::function<void(bool)> done,
                    int patienceMs = keyringPatienceMs);

// Forgets the account's password; nothing is waited for longer than the patience.
void removeFromKeyring(const QString& key, std::function<void()> done,
                       int patienceMs = keyringPatienceMs);

} // namespace syncing

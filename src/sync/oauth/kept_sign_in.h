#pragma once

#include "sync/oauth/oauth_client.h"

#include <QString>

#include <functional>
#include <optional>

// A signed-in account's refresh token in the desktop's keyring, beside the passwords; never in
// a plain file.
namespace syncing {

void keepSignIn(const QString& user, const QString& host, const KeptSignIn& kept,
                std::function<void(bool kept)> done);

// Nothing when no keyring holds one (or none answered in time).
void findKeptSignIn(const QString& user, const QString& host,
                    std::function<void(std::optional<KeptSignIn>)> done);

// Takes the sign-in out of the keyring, then gives its refresh token back to the provider where
// it has a revocation endpoint. The entry is gone whether or not the provider answers.
void forgetSignIn(const QString& user, const QString& host, std::function<void()> done);

// Gives a refresh token back.
void revokeSignIn(const KeptSignIn& kept, std::function<void()> done);

} // namespace syncing

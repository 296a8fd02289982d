#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What a search for a sync's password found, and how the person is asked for it.
namespace syncing {

// The desktop's keyring is given this long to answer; one that has not counts as none.
inline constexpr int keyringPatienceMs = 2000;

struct PasswordSearch {
    std::optional<QString> password;
    bool fromKeyring = false;
    // Why a source was passed over, for the user (a ~/.netrc others may read, say).
    std::vector<std::string> remarks;
};

// Asks the person for the password with this prompt; nothing when they cannot be or are not
// asked.
using PasswordQuestion = std::function<std::optional<QString>(const QString& prompt)>;

} // namespace syncing

#pragma once

#include <optional>
#include <string>
#include <string_view>

// ~/.netrc, the file curl, wget and git read passwords from.
namespace syncing {

// The password of `login` on `host`: a "machine" entry for the host whose login is the user
// (or which names no login), else the "default" entry. Tokens are separated by blanks, tabs
// and line breaks; "macdef" blocks are passed over; a quoted token may hold blanks.
std::optional<std::string> netrcPassword(std::string_view text, std::string_view host,
                                         std::string_view login);

struct NetrcLookup {
    std::optional<std::string> password;
    // Set when the file is there but was not used: it may be read by others, or not at all.
    std::string refusal;
};

// Reads the file at `path` (by default ~/.netrc). A file that group or others may read is
// refused, as curl's and ftp's own rules have it: the password in it is no longer secret.
NetrcLookup lookUpNetrc(const std::string& host, const std::string& login,
                        std::string path = {});

} // namespace syncing

#include "sync/password/netrc.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace syncing {
namespace {

bool isSeparator(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

// The tokens of the file, a quoted one with its quotes and backslash escapes removed; the
// lines of a macro definition (up to an empty line) are left out.
std::vector<std::string> tokensOf(std::string_view text)
{
    std::vector<std::string> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        if (isSeparator(text[at])) {
            ++at;
            continue;
        }
        std::string token;
        if (text[at] == '"') {
            for (++at; at < text.size() && text[at] != '"'; ++at) {
                if (text[at] == '\\' && at + 1 < text.size())
                    ++at;
                token += text[at];
            }
            ++at;
        } else {
            while (at < text.size() && !isSeparator(text[at]))
                token += text[at++];
        }
        if (token == "macdef") {
            const std::size_t end = text.find("\n\n", at);
            at = end == std::string_view::npos ? text.size() : end + 2;
            continue;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

struct Entry {
    bool isDefault = false;
    std::string machine, login;
    std::optional<std::string> password;
};

std::vector<Entry> entriesOf(const std::vector<std::string>& tokens)
{
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        const bool hasValue = i + 1 < tokens.size();
        if (token == "default") {
            entries.push_back({true, {}, {}, {}});
        } else if (token == "machine" && hasValue) {
            entries.push_back({false, tokens[++i], {}, {}});
        } else if (!entries.empty() && hasValue && token == "login") {
            entries.back().login = tokens[++i];
        } else if (!entries.empty() && hasValue && token == "password") {
            entries.back().password = tokens[++i];
        } else if (hasValue && token == "account") {
            ++i;
        }
    }
    return entries;
}

} // namespace

std::optional<std::string> netrcPassword(std::string_view text, std::string_view host,
                                         std::string_view login)
{
    const std::vector<Entry> entries = entriesOf(tokensOf(text));
    const auto fits = [&](const Entry& entry) {
        return entry.password && (entry.login.empty() || entry.login == login);
    };
    for (const Entry& entry : entries)
        if (!entry.isDefault && entry.machine == host && fits(entry))
            return entry.password;
    for (const Entry& entry : entries)
        if (entry.isDefault && fits(entry))
            return entry.password;
    return std::nullopt;
}

NetrcLookup lookUpNetrc(const std::string& host, const std::string& login, std::string path)
{
    if (path.empty()) {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return {};
        path = std::string(home) + "/.netrc";
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    if (status.st_mode & (S_IRWXG | S_IRWXO))
        return {std::nullopt, path + " was not used: others may read it (chmod 600 " + path +
                                  " makes it yours alone)"};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {std::nullopt, path + " could not be read: " + std::strerror(errno)};
    std::ostringstream text;
    text << file.rdbuf();
    return {netrcPassword(text.str(), host, login), {}};
}

} // namespace syncing

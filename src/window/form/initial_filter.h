#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Whether a stored nickname is filed under a letter: the first character of the trimmed
// nickname equals the letter, or the letter in lower case. The nickname's own character is
// not converted, so the tab "A" takes "Ace" and "ant" and nothing else.
class InitialFilter {
public:
    explicit InitialFilter(const QString& letter);

    bool matches(std::string_view storedNick) const;

private:
    std::optional<std::string> letter_;
    std::optional<std::string> lowerLetter_;
};

#pragma once

// What every contact an import takes must obey, whatever the bytes it came from: the rules of
// a stored contact.
#include "store/contact_record.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

inline void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

template <std::size_t Width> bool hasNoControls(const store::FixedText<Width>& field)
{
    for (char ch : field.text()) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

// A nickname that is not blank and is unique, also against the stored ones (`taken`); a phone
// number; only blank-padded text without control characters; RecordNo left to whoever appends.
inline void checkRules(const std::vector<store::ContactRecord>& records,
                       std::set<std::string> taken)
{
    for (const store::ContactRecord& record : records) {
        require(!record.Nick.trimmed().empty(), "a nickname");
        require(taken.emplace(record.Nick.trimmed()).second, "a unique nickname");
        require(!record.Phone.trimmed().empty(), "a phone number");
        require(hasNoControls(record.Nick) && hasNoControls(record.FullName) &&
                    hasNoControls(record.FamilyName) && hasNoControls(record.City) &&
                    hasNoControls(record.Phone) && hasNoControls(record.StdCode) &&
                    hasNoControls(record.Prefix),
                "no control characters");
        require(record.RecordNo == 0, "RecordNo left to whoever appends");
    }
}

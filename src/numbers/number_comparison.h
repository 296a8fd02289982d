#pragma once

#include "store/contact_record.h"

#include <string>
#include <string_view>

// Telephone numbers compared as numbers, however they are written: "+49 30 1234567",
// "0049 30 1234567", "030 1234567" and "(030) 123-4567" are one number in Germany. One
// comparison serves wherever numbers meet: the import, the duplicates, a first sync's pairing.
namespace numbers {

class NumberComparison {
public:
    // `region`: the country of numbers written without a country code ("DE"), or empty for
    // none; a code the numbering plans do not know counts as none.
    explicit NumberComparison(std::string region);

    // What the numbers that are the same share, from a number as written (UTF-8): the number
    // in its international form, its extension behind it. Compared by their digits ("*" and
    // "#" counted) instead: a number without a country code where no country is known, a
    // short number (fewer than six digits without a country code: 112, an office extension),
    // and a text the numbering plans cannot read. Empty for a text without a digit.
    std::string key(std::string_view written) const;

    // Whether two written numbers are the same; a text without a digit is no number at all.
    bool same(std::string_view a, std::string_view b) const;

    const std::string& region() const { return region_; }

private:
    std::string region_;
};

// The comparison of this machine's locale (see localRegion), made once.
const NumberComparison& localNumbers();

// A contact's number as Dial dials it (UTF-8): the prefix and the STD code where their boxes
// are ticked, then the phone number. Empty when the phone field is blank.
std::string recordNumber(const store::ContactRecord& record);

} // namespace numbers

#pragma once

#include <optional>
#include <string>

// What the world's numbering plans tell of a number (libphonenumber). They live in a module of
// their own, libzarvoth-numbers.so, loaded the first time a number must be read by them: the
// library and its own (protobuf, abseil) cost every start of the program about ten
// milliseconds when linked.
namespace numbers {

class NumberingPlans {
public:
    virtual ~NumberingPlans() = default;

    // Whether the plans know the country ("DE").
    virtual bool knowsRegion(const std::string& region) const = 0;
    // The country's calling code ("49") and its trunk prefix ("0"; empty for none).
    virtual std::string countryCode(const std::string& region) const = 0;
    virtual std::string trunkPrefix(const std::string& region) const = 0;
    // The number as written (UTF-8), read as a number of `region` ("ZZ": its country code is
    // written), in its international form with ";ext=" and its extension behind it; nothing
    // when the plans cannot read it.
    virtual std::optional<std::string> internationalForm(const std::string& written,
                                                         const std::string& region) const = 0;
};

// The plans, loaded once; nothing when the module could not be loaded, and numbers are then
// compared by their digits.
const NumberingPlans* numberingPlans();

// The module's entry: a function of no arguments returning its NumberingPlans.
inline constexpr char NumberingPlansEntry[] = "zarvoth_numbering_plans";
using NumberingPlansEntryFunction = const NumberingPlans* (*)();

} // namespace numbers

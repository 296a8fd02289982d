#include "numbers/number_comparison.h"

#include "numbers/numbering_plans.h"
#include "numbers/quick_key.h"
#include "numbers/telephone_region.h"
#include "store/cp1252.h"

#include <map>
#include <mutex>
#include <optional>

namespace numbers {
namespace {

// Fewer digits than this, written without a country code, make a short number: an emergency
// or service number, or an extension, which is the same only as itself.
constexpr std::size_t shortest = 6;

bool isDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool isSeparator(char ch)
{
    return std::string_view(" \t-./()[]").find(ch) != std::string_view::npos;
}

// The digits, "*" and "#" of a written number, behind a "+" when it begins with one.
std::string dialledCharacters(std::string_view written)
{
    std::string out;
    for (char ch : written) {
        if (isDigit(ch) || ch == '*' || ch == '#')
            out.push_back(ch);
        else if (ch == '+' && out.empty())
            out = "+";
    }
    return out;
}

// The dialled characters when nothing but digits, separators and a leading "+" is written:
// two such numbers with the same digits are the same number, without reading them further.
std::optional<std::string> plainDigits(std::string_view written)
{
    std::string out;
    for (char ch : written) {
        if (isDigit(ch))
            out.push_back(ch);
        else if (ch == '+' && out.empty())
            out = "+";
        else if (!isSeparator(ch))
            return std::nullopt;
    }
    return out;
}

std::size_t digitCount(std::string_view text)
{
    std::size_t count = 0;
    for (char ch : text)
        count += isDigit(ch);
    return count;
}

bool isKnownRegion(const std::string& region)
{
    if (region.empty())
        return false;
    const NumberingPlans* plans = numberingPlans();
    return plans && plans->knowsRegion(region);
}

// "00" is the international call prefix of most of the world: where no country is known, a
// number that begins with it has its country code after it.
std::string withCountryCodeMarked(std::string_view written, const std::string& dialled)
{
    if (!dialled.starts_with("00"))
        return std::string(written);
    const auto first = written.find('0');
    return "+" + std::string(written.substr(written.find('0', first + 1) + 1));
}

} // namespace

NumberComparison::NumberComparison(std::string region)
    : region_(isKnownRegion(region) ? std::move(region) : std::string())
{
}

namespace {

// The country code and the trunk prefix of a country ("49", "0"), looked up once.
struct Prefixes {
    std::string countryCode;
    std::string trunk;
};

const Prefixes& prefixesOf(const std::string& region)
{
    static std::mutex guard;
    static std::map<std::string, Prefixes> known;
    const std::lock_guard lock(guard);
    const auto [found, fresh] = known.try_emplace(region);
    if (fresh) {
        // Asked only for a region the plans know, so they are there.
        const NumberingPlans& plans = *numberingPlans();
        found->second.countryCode = plans.countryCode(region);
        found->second.trunk = plans.trunkPrefix(region);
    }
    return found->second;
}

} // namespace

std::optional<std::string> quickKey(const NumberComparison& numbers, std::string_view written)
{
    const std::optional<std::string> plain = plainDigits(written);
    if (!plain || digitCount(*plain) == 0)
        return std::nullopt;
    if (plain->starts_with('+'))
        return plain->substr(1);
    // "00" is no trunk prefix, and where it is the country's international prefix, what follows
    // is read by the numbering plans.
    if (numbers.region().empty() || plain->starts_with("00") || plain->size() < shortest)
        return std::nullopt;
    const Prefixes& prefixes = prefixesOf(numbers.region());
    if (!prefixes.trunk.empty() && plain->starts_with(prefixes.trunk))
        return prefixes.countryCode + plain->substr(prefixes.trunk.size());
    return prefixes.countryCode + *plain;
}

std::string NumberComparison::key(std::string_view written) const
{
    const std::string dialled = dialledCharacters(written);
    if (digitCount(dialled) == 0)
        return {};
    const std::string byDigits = "digits " + dialled;
    const bool international = dialled.starts_with('+') || dialled.starts_with("00");
    if (!international && (region_.empty() || digitCount(dialled) < shortest))
        return byDigits;
    const NumberingPlans* plans = numberingPlans();
    if (!plans)
        return byDigits;
    const std::string text =
        region_.empty() ? withCountryCodeMarked(written, dialled) : std::string(written);
    return plans->internationalForm(text, region_.empty() ? "ZZ" : region_).value_or(byDigits);
}

bool NumberComparison::same(std::string_view a, std::string_view b) const
{
    const auto plainA = plainDigits(a);
    if (plainA && !plainA->empty() && plainA == plainDigits(b))
        return digitCount(*plainA) > 0;
    // Reading a number by the numbering plans takes tens of microseconds: most numbers that
    // are the same are told without it.
    if (const auto quickA = quickKey(*this, a); quickA && quickA == quickKey(*this, b))
        return true;
    const std::string keyA = key(a);
    return !keyA.empty() && keyA == key(b);
}

const NumberComparison& localNumbers()
{
    static const NumberComparison local(localRegion());
    return local;
}

namespace {

void appendUtf8(std::string& out, std::string_view bytes)
{
    for (char32_t ch : store::decode(bytes)) {
        if (ch < 0x80) {
            out.push_back(char(ch));
        } else if (ch < 0x800) {
            out.push_back(char(0xC0 | (ch >> 6)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        } else {
            out.push_back(char(0xE0 | (ch >> 12)));
            out.push_back(char(0x80 | ((ch >> 6) & 0x3F)));
            out.push_back(char(0x80 | (ch & 0x3F)));
        }
    }
}

} // namespace

std::string recordNumber(const store::ContactRecord& record)
{
    std::string number;
    if (record.Phone.trimmed().empty())
        return number;
    // A greyed box is no tick; each part goes in as its box shows it.
    if (record.UsePrefix == 1)
        appendUtf8(number, record.Prefix.text());
    if (record.UseStdCode == 1)
        appendUtf8(number, record.StdCode.text());
    appendUtf8(number, record.Phone.text());
    return number;
}

} // namespace numbers

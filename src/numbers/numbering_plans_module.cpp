#include "numbers/numbering_plans.h"

#include <phonenumbers/phonenumberutil.h>

#include <set>

namespace numbers {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

class LibPhoneNumberPlans final : public NumberingPlans {
public:
    bool knowsRegion(const std::string& region) const override
    {
        static const std::set<std::string> known = [] {
            std::set<std::string> regions;
            util().GetSupportedRegions(&regions);
            return regions;
        }();
        return known.contains(region);
    }

    std::string countryCode(const std::string& region) const override
    {
        return std::to_string(util().GetCountryCodeForRegion(region));
    }

    std::string trunkPrefix(const std::string& region) const override
    {
        std::string trunk;
        util().GetNddPrefixForRegion(region, true, &trunk);
        return trunk;
    }

    std::optional<std::string> internationalForm(const std::string& written,
                                                 const std::string& region) const override
    {
        PhoneNumber number;
        if (util().Parse(written, region, &number) != PhoneNumberUtil::NO_PARSING_ERROR)
            return std::nullopt;
        std::string form;
        util().Format(number, PhoneNumberUtil::E164, &form);
        if (number.has_extension() && !number.extension().empty())
            form += ";ext=" + number.extension();
        return form;
    }

private:
    static const PhoneNumberUtil& util() { return *PhoneNumberUtil::GetInstance(); }
};

} // namespace
} // namespace numbers

extern "C" __attribute__((visibility("default"))) const numbers::NumberingPlans*
zarvoth_numbering_plans()
{
    static const numbers::LibPhoneNumberPlans plans;
    return &plans;
}

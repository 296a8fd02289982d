#include "numbers/telephone_region.h"

#include <cstdlib>

namespace numbers {
namespace {

bool isUpperLetter(char ch)
{
    return ch >= 'A' && ch <= 'Z';
}

// "language_TERRITORY.codeset@modifier": the two capital letters after the underscore.
std::string territoryOf(std::string_view locale)
{
    const auto underscore = locale.find('_');
    if (underscore == std::string_view::npos)
        return {};
    const std::string_view rest = locale.substr(underscore + 1);
    if (rest.size() < 2 || !isUpperLetter(rest[0]) || !isUpperLetter(rest[1]))
        return {};
    if (rest.size() > 2 && rest[2] != '.' && rest[2] != '@')
        return {};
    return std::string(rest.substr(0, 2));
}

std::string_view variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

std::string regionOfLocales(std::string_view telephone, std::string_view all, std::string_view lang)
{
    // The first that is set decides, even when it names no country: LC_TELEPHONE=C.UTF-8
    // says that this machine's numbers are to be taken as they are written.
    for (std::string_view locale : {telephone, all, lang}) {
        if (!locale.empty())
            return territoryOf(locale);
    }
    return {};
}

std::string localRegion()
{
    return regionOfLocales(variable("LC_TELEPHONE"), variable("LC_ALL"), variable("LANG"));
}

} // namespace numbers

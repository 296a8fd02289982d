#pragma once

#include <string>
#include <string_view>

// The country a telephone number written without its country code belongs to.
namespace numbers {

// The territory of the first locale that is set, in this order: the telephone's own
// (LC_TELEPHONE), then the one that overrides all (LC_ALL), then the user's (LANG). "de_DE.UTF-8"
// is "DE"; a locale without a territory ("C.UTF-8", "POSIX", "de") gives the empty text: no
// country, and numbers without a country code are then compared by their digits.
std::string regionOfLocales(std::string_view telephone, std::string_view all,
                            std::string_view lang);

// The same from this process's environment.
std::string localRegion();

} // namespace numbers

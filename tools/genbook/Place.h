#pragma once

#include <string_view>

namespace tarvo::genbook {

// Where POP lines lie: a city of a country, with its region code (empty
// where the country has no regions) and its area code. The texts belong to
// whoever made the place.
struct Place {
    std::string_view regionCode;
    std::string_view city;
    std::string_view areaCode;
};

} // namespace tarvo::genbook

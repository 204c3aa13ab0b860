#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// One country of the telephony country list, as the list file holds it and
// as a country query answers it.
struct TelephonyCountry {
    std::uint32_t countryId = 0;
    std::uint32_t countryCode = 0;
    std::string name;
    std::string sameAreaRule;
    std::string longDistanceRule;
    std::string internationalRule;
    std::uint32_t nextCountryId = 0;
};

} // namespace tarvo

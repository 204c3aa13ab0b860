#pragma once

#include <string>

namespace tarvo {

// One country's dialing rules, carried as text and never interpreted here.
struct DialingRule {
    int CountryCode = 0;
    std::string SameAreaRule;
    std::string LongDistanceRule;
    std::string InternationalRule;
    // Rules from the telephony list carry the long-distance rule here.
    std::string FourthRule;
};

} // namespace tarvo

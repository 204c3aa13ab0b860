#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace tarvo {
class SelectionModel;
struct PopFilter;
} // namespace tarvo

namespace tarvo::cli {

class OptionSet;

// The window's filter as command-line values: the codes the tables carry.
struct FilterOptions {
    std::optional<std::string> country; // country code, column 0 of "country.txt"
    std::optional<std::string> state;   // region code, column 1 of "region.txt"
    std::optional<std::string> city;    // city name
    std::optional<std::string> areaCode;

    static constexpr const char* kCountryHelp = "Country code: the first column of country.txt, such as US";
    static constexpr const char* kStateHelp = "State (region) code: the second column of region.txt, such as CA";

    // --country, --state, --city and --area-code, bound to these values.
    void addOptions(OptionSet& options);
    // Whether any of the four was given.
    [[nodiscard]] bool given() const { return country || state || city || areaCode; }

    // Resolves the values against the tables; false (with a message on
    // `err`) when one names nothing there.
    bool resolve(const SelectionModel& model, PopFilter& filter, std::ostream& err) const;
};

} // namespace tarvo::cli

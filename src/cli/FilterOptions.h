#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace tarvo {
class SelectionModel;
struct PopFilter;
} // namespace tarvo

namespace tarvo::cli {

// The window's filter as command-line values: the codes the tables carry.
struct FilterOptions {
    std::optional<std::string> country; // country code, column 0 of "country.txt"
    std::optional<std::string> state;   // region code, column 1 of "region.txt"
    std::optional<std::string> city;    // city name
    std::optional<std::string> areaCode;

    // Resolves the values against the tables; false (with a message on
    // `err`) when one names nothing there.
    bool resolve(const SelectionModel& model, PopFilter& filter, std::ostream& err) const;
};

} // namespace tarvo::cli

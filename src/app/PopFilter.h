#pragma once

#include <string>

namespace tarvo {

class PopRecord;
struct CityEntry;
struct CountryEntry;
struct RegionEntry;

// The window's filter: each choice may be absent. The entries belong to the
// phonebook's location tables.
struct PopFilter {
    const CountryEntry* country = nullptr;
    const RegionEntry* region = nullptr;
    const CityEntry* city = nullptr;
    std::string areaCode; // empty: no area-code filter

    // Exact, case-sensitive comparisons; a POP without a region passes any
    // region choice of its country.
    [[nodiscard]] bool passes(const PopRecord& pop) const;
};

} // namespace tarvo

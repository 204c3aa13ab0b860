#pragma once

#include "dialing/TelephonyCountry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The country-list data file that stands in for the desktop's telephony
// country list: one line per country,
//   id,calling_code,"name","same-area","long-distance","international",next_id
// Quoted fields may hold commas ("00,EFG"); rule texts are kept byte for byte,
// leading blanks included. Lines whose identifier is not a decimal number
// (the column-name line among them) and lines without exactly seven fields
// are skipped. Entries keep the file's order; the first of two equal
// identifiers is the one found.
class CountryList final {
public:
    // The list in `path`; empty when the file cannot be opened.
    static std::optional<CountryList> load(const std::string& path);

    // Adds the country of one line (its line end may still be attached);
    // false when the line is not a country line.
    bool addLine(std::string_view line);

    [[nodiscard]] const std::vector<TelephonyCountry>& entries() const { return m_entries; }
    // The entry with identifier `countryId`, or nullptr.
    [[nodiscard]] const TelephonyCountry* find(std::uint32_t countryId) const;

private:
    std::vector<TelephonyCountry> m_entries;
};

} // namespace tarvo

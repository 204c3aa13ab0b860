#pragma once

#include "dialing/DialingRule.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarvo {

// The dialer's own dialing rules ("dr_country.txt" in its home), keyed by
// the telephony country identifier modulo 65536. Each line holds exactly
// seven comma-separated fields:
//   code,countryId,callingCode,sameArea,longDistance,international,fourth
// Lines with fewer or more fields and comment lines are skipped; a later
// line for the same key replaces the earlier one.
class DialerRuleTable final {
public:
    static constexpr int kFields = 7;

    DialerRuleTable() = default;

    // Reads `path` into the table; false (table unchanged) when the file
    // cannot be opened.
    bool load(const std::string& path);
    // Takes one line (its line end may still be attached); false when skipped.
    bool addLine(std::string_view line);

    // The rule for a telephony country identifier, or nullptr.
    [[nodiscard]] const DialingRule* find(std::int64_t countryId) const;
    [[nodiscard]] std::size_t size() const { return m_rules.size(); }
    [[nodiscard]] bool empty() const { return m_rules.empty(); }
    void clear() { m_rules.clear(); }

    // The map's key of an identifier: its low 16 bits, as the dialer keeps them.
    static std::uint16_t keyOf(std::int64_t countryId)
    {
        return static_cast<std::uint16_t>(static_cast<std::uint64_t>(countryId) & 0xFFFFu);
    }

private:
    std::unordered_map<std::uint16_t, DialingRule> m_rules;
};

} // namespace tarvo

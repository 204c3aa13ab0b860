#pragma once

#include "dialing/DialerRuleTable.h"
#include "dialing/DialingRule.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarvo {

class AtomicFile;
class CountryQuery;

// Produces "dr_country.txt" for the handheld while the country table loads:
// each country's rules come from the dialer's own table when it has them,
// else from the telephony country list. Lines are written
//   code,countryId,callingCode,sameArea,longDistance,international,fourth
// with CR LF ends and unquoted rules, so a rule holding a comma makes the
// line longer (the device's dialer reads it that way too).
class DialingRules final {
public:
    // The dialer's table in its folder, and the handheld's table the
    // program writes (normally in the current folder) under the same name.
    static constexpr std::string_view kFileName = "dr_country.txt";

    // `dialerHome`: where the dialer's "dr_country.txt" is read;
    // `outputPath`: the file written (normally "dr_country.txt" in the
    // current directory). Reading completes before the output is replaced,
    // so both may name the same file.
    DialingRules(std::string dialerHome, std::string outputPath, CountryQuery& query);
    DialingRules(const DialingRules&) = delete;
    DialingRules& operator=(const DialingRules&) = delete;
    ~DialingRules();

    // The handheld's table this object writes.
    [[nodiscard]] const std::string& outputPath() const { return m_outputPath; }

    // Reads the dialer's table into a fresh map (a missing file leaves it empty).
    void beginCountryLoad();
    // Starts the output; false leaves it off for this load.
    bool openOutput();
    [[nodiscard]] bool outputOpen() const;
    // Writes the line of one country of the country file, if a rule is found.
    void writeCountry(std::string_view code, int tapiCountryId);
    // Completes the output (replacing the file atomically) and drops the
    // map. A write that failed leaves the previous file in place.
    void endCountryLoad();
    // True with `rule` filled, or false when neither the map nor the
    // telephony list has it. Identifier 0 is no country: the telephony list
    // would answer it with its whole list, whose first country is not the
    // one asked for.
    [[nodiscard]] bool findRule(int countryId, DialingRule& rule);

    // Telephony API versions of the two queries.
    static constexpr std::uint32_t kRuleQueryVersion = 0x00010004;
    static constexpr std::uint32_t kFallbackQueryVersion = 0x00020000;
    static constexpr std::size_t kRuleQueryBuffer = 1000;
    static constexpr std::size_t kFallbackQueryBuffer = 512;

private:
    void writeLine(std::string_view code, int tapiCountryId, std::int64_t countryCode, const DialingRule& rule);

    std::string m_dialerHome;
    std::string m_outputPath;
    CountryQuery& m_query;
    DialerRuleTable m_table; // filled for one country-table load only
    std::unique_ptr<AtomicFile> m_output;
};

} // namespace tarvo

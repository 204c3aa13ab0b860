#pragma once

#include "dialing/DialingRule.h"
#include "support/FileHandle.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace tarvo {

class AtomicFile;
class CountryQuery;

// Produces "dr_country.txt" for the handheld while the country table loads:
// each country's rules come from the dialer's own table when it has them,
// else from the telephony country list.
class DialingRules final {
public:
    // `dialerHome`: where the dialer's "dr_country.txt" is read;
    // `outputPath`: the file written (normally "dr_country.txt" in the
    // current directory). Reading completes before the output is replaced,
    // so both may name the same file.
    DialingRules(std::string dialerHome, std::string outputPath, CountryQuery& query);
    DialingRules(const DialingRules&) = delete;
    DialingRules& operator=(const DialingRules&) = delete;
    ~DialingRules();

    // Reads the dialer's table into a fresh map (a missing file leaves it empty).
    void beginCountryLoad();
    // Starts the output; false leaves it off for this load.
    bool openOutput();
    // Writes the line of one country of the country file, if a rule is found.
    void writeCountry(std::string_view code, int tapiCountryId);
    // Completes the output (replacing the file atomically) and drops the map.
    void endCountryLoad();
    // 1 with `rule` filled, or 0 when neither the map nor the telephony list has it.
    int findRule(int countryId, DialingRule& rule);

private:
    std::string m_dialerHome;
    std::string m_outputPath;
    CountryQuery& m_query;
    std::map<std::uint16_t, DialingRule> m_table; // the DialerRuleTable of one load
    std::unique_ptr<AtomicFile> m_output;
};

} // namespace tarvo

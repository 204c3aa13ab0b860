#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvo {

class CityTable;
class CountryQuery;
class DialingRules;

// One country of "countryp.txt" or "country.txt".
struct CountryEntry {
    std::string code;      // the country as POPs name it in COUNTRY
    int tapiCountryId = 0; // the telephony country identifier
    std::string name;      // shown in the country choice
    int allCityOrder = -1; // 0 in the file is held as -1
    int hasPops = 1;       // non-zero when some POP lies in the country
};

// The countries, in file order. Loading also produces the handheld's
// dialing-rule table, one line per country as it is read.
class CountryTable final {
public:
    static constexpr unsigned kNameQueryApiVersion = 0x00010004;
    static constexpr std::size_t kNameQueryBufferSize = 1000;

    CountryTable() = default;
    CountryTable(const CountryTable&) = delete;
    CountryTable& operator=(const CountryTable&) = delete;
    ~CountryTable() = default;

    // Reads `enrichedPath` ("countryp.txt") when it opens and names a
    // country. Otherwise reads
    // `plainPath` ("country.txt"), marks which countries have cities, and
    // replaces `enrichedPath` with the result, named as the telephony list
    // names them where it can. False when neither file opens.
    [[nodiscard]] bool load(const std::string& enrichedPath, const std::string& plainPath, const CityTable& cities,
                           DialingRules& rules, CountryQuery& query);

    void clear() { m_entries.clear(); }

    // True when the last Load read the plain file and wrote the enriched one.
    [[nodiscard]] bool derived() const { return m_derived; }

    [[nodiscard]] std::size_t size() const { return m_entries.size(); }
    [[nodiscard]] bool empty() const { return m_entries.empty(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }
    const CountryEntry& operator[](std::size_t i) const { return m_entries[i]; }

private:
    bool read(const std::string& path, DialingRules& rules);
    void markCountriesWithCities(const CityTable& cities);
    bool writeEnriched(const std::string& path, CountryQuery& query);

    std::vector<CountryEntry> m_entries;
    bool m_derived = false;
};

} // namespace tarvo

#include "phonebook/CountryTable.h"

#include "dialing/CountryQuery.h"
#include "dialing/DialingRules.h"
#include "phonebook/CityTable.h"
#include "support/AtomicFile.h"
#include "support/LineReader.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <unordered_set>

namespace tarvo {

bool CountryTable::load(const std::string& enrichedPath, const std::string& plainPath, const CityTable& cities,
                       DialingRules& rules, CountryQuery& query)
{
    // The dialer's rule table is read completely before the output that
    // may be the same file is started.
    rules.beginCountryLoad();
    clear();
    m_derived = false;
    if (read(enrichedPath, rules)) {
        // A cache that names no country (empty, cut short, a folder, a line
        // of commas) is no cache: derived again, as if it were missing. The
        // rule output is started afresh by the next read.
        if (std::any_of(m_entries.begin(), m_entries.end(), [](const CountryEntry& c) { return !c.code.empty(); })) {
            rules.endCountryLoad();
            return true;
        }
        clear();
    }
    if (!read(plainPath, rules)) {
        rules.endCountryLoad();
        return false;
    }
    markCountriesWithCities(cities);
    m_derived = true;
    (void)writeEnriched(enrichedPath, query);
    rules.endCountryLoad();
    return true;
}

bool CountryTable::read(const std::string& path, DialingRules& rules)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    bool output = rules.openOutput();
    std::array<std::string_view, 5> fields{};
    std::string_view line;
    while (reader.next(line)) {
        if (comment(line))
            continue;
        int count = parseTokens(line, fields.data(), 5);
        if (count < 4)
            continue;
        CountryEntry& entry = m_entries.emplace_back();
        entry.code = fields[0];
        entry.tapiCountryId = toInt32(fields[1]);
        entry.name = fields[2];
        entry.allCityOrder = toInt32(fields[3]);
        if (entry.allCityOrder == 0)
            entry.allCityOrder = -1;
        entry.hasPops = count == 5 ? toInt32(fields[4]) : 1;
        if (output)
            rules.writeCountry(entry.code, entry.tapiCountryId);
    }
    return true;
}

void CountryTable::markCountriesWithCities(const CityTable& cities)
{
    std::unordered_set<std::string_view> withCities;
    std::string_view previous;
    for (const CityEntry& city : cities) {
        // Neighbouring cities mostly share their country.
        if (city.country == previous && !withCities.empty())
            continue;
        previous = city.country;
        withCities.insert(city.country);
    }
    for (CountryEntry& entry : m_entries)
        entry.hasPops = withCities.contains(entry.code) ? 1 : 0;
}

bool CountryTable::writeEnriched(const std::string& path, CountryQuery& query)
{
    if (m_entries.empty())
        return false;
    AtomicFile file(path);
    if (!file.open())
        return false;
    std::string text;
    auto appendNumber = [&text](int value) {
        char digits[16];
        auto result = std::to_chars(digits, digits + sizeof digits, value);
        text.append(digits, result.ptr);
    };
    for (CountryEntry& entry : m_entries) {
        // The system's own name of the country replaces the file's, in the
        // table as in the file, whenever the telephony list knows it.
        if (auto info = query.query(static_cast<std::uint32_t>(entry.tapiCountryId), kNameQueryApiVersion,
                                    kNameQueryBufferSize))
            entry.name = info->name;
        text.append(entry.code).append(",");
        appendNumber(entry.tapiCountryId);
        text.append(",\"").append(entry.name).append("\",");
        appendNumber(entry.allCityOrder);
        text.append(",");
        appendNumber(entry.hasPops);
        text.append("\r\n");
    }
    return file.write(text) && file.commit();
}

} // namespace tarvo

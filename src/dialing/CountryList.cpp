#include "dialing/CountryList.h"

#include "support/LineReader.h"
#include "support/Tokenizer.h"

#include <limits>

namespace tarvo {

namespace {

constexpr int kFields = 7;

// A whole field of decimal digits that fits 32 bits; anything else is not a number.
std::optional<std::uint32_t> parseNumber(std::string_view text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

std::optional<CountryList> CountryList::load(const std::string& path)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return std::nullopt;
    CountryList list;
    std::string_view line;
    while (reader.next(line))
        list.addLine(line);
    if (reader.failed())
        return std::nullopt;
    return list;
}

bool CountryList::addLine(std::string_view line)
{
    if (comment(line))
        return false;
    // One more than needed, so a line with extra fields is seen and refused.
    std::string_view fields[kFields + 1];
    if (parseTokens(line, fields, kFields + 1) != kFields)
        return false;
    std::optional<std::uint32_t> id = parseNumber(fields[0]);
    std::optional<std::uint32_t> code = parseNumber(fields[1]);
    std::optional<std::uint32_t> next = parseNumber(fields[6]);
    // Identifier 0 asks for the whole list, so no country can carry it.
    if (!id || *id == 0 || !code || !next)
        return false;
    TelephonyCountry entry;
    entry.countryId = *id;
    entry.countryCode = *code;
    entry.name = fields[2];
    entry.sameAreaRule = fields[3];
    entry.longDistanceRule = fields[4];
    entry.internationalRule = fields[5];
    entry.nextCountryId = *next;
    m_entries.push_back(std::move(entry));
    return true;
}

const TelephonyCountry* CountryList::find(std::uint32_t countryId) const
{
    for (const TelephonyCountry& entry : m_entries) {
        if (entry.countryId == countryId)
            return &entry;
    }
    return nullptr;
}

} // namespace tarvo

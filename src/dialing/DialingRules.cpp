#include "dialing/DialingRules.h"

#include "dialing/CountryQuery.h"
#include "support/AtomicFile.h"
#include "support/PathJoin.h"

#include <cstdint>
#include <string>

namespace tarvo {

namespace {

// Texts end at a NUL, as they would when printed with %s.
std::string_view untilNul(std::string_view text)
{
    std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

} // namespace

DialingRules::DialingRules(std::string dialerHome, std::string outputPath, CountryQuery& query)
    : m_dialerHome(std::move(dialerHome)), m_outputPath(std::move(outputPath)), m_query(query)
{
}

DialingRules::~DialingRules() = default;

void DialingRules::beginCountryLoad()
{
    m_table.clear();
    m_output.reset();
    // Read whole now: the output may be this very file, and it is only
    // replaced when the load ends.
    m_table.load(joinPath(m_dialerHome, kFileName));
}

bool DialingRules::openOutput()
{
    m_output = std::make_unique<AtomicFile>(m_outputPath);
    if (!m_output->open()) {
        m_output.reset();
        return false;
    }
    return true;
}

bool DialingRules::outputOpen() const
{
    return m_output && m_output->isOpen();
}

void DialingRules::endCountryLoad()
{
    if (outputOpen())
        (void)m_output->commit();
    m_output.reset();
    m_table.clear();
}

bool DialingRules::findRule(int countryId, DialingRule& rule)
{
    if (const DialingRule* known = m_table.find(countryId)) {
        rule = *known;
        return true;
    }
    if (countryId == 0)
        return false;
    std::optional<TelephonyCountry> info =
        m_query.query(static_cast<std::uint32_t>(countryId), kRuleQueryVersion, kRuleQueryBuffer);
    if (!info)
        return false;
    rule.CountryCode = static_cast<int>(info->countryCode);
    rule.SameAreaRule = std::move(info->sameAreaRule);
    rule.LongDistanceRule = std::move(info->longDistanceRule);
    rule.InternationalRule = std::move(info->internationalRule);
    rule.FourthRule = rule.LongDistanceRule;
    return true;
}

void DialingRules::writeCountry(std::string_view code, int tapiCountryId)
{
    if (!outputOpen())
        return;
    DialingRule rule;
    if (findRule(tapiCountryId, rule)) {
        writeLine(code, tapiCountryId, rule.CountryCode, rule);
        return;
    }
    if (tapiCountryId == 0)
        return;
    std::optional<TelephonyCountry> info = m_query.query(static_cast<std::uint32_t>(tapiCountryId),
                                                    kFallbackQueryVersion, kFallbackQueryBuffer, true);
    if (!info)
        return;
    rule.SameAreaRule = std::move(info->sameAreaRule);
    rule.LongDistanceRule = std::move(info->longDistanceRule);
    rule.InternationalRule = std::move(info->internationalRule);
    rule.FourthRule = rule.LongDistanceRule;
    // The entry's code is an unsigned 32-bit member printed as a signed long.
    writeLine(code, tapiCountryId, static_cast<std::int32_t>(info->countryCode), rule);
}

void DialingRules::writeLine(std::string_view code, int tapiCountryId, std::int64_t countryCode,
                             const DialingRule& rule)
{
    std::string line;
    line.reserve(64 + code.size() + rule.SameAreaRule.size() + rule.LongDistanceRule.size()
                 + rule.InternationalRule.size() + rule.FourthRule.size());
    line += untilNul(code);
    line += ',';
    line += std::to_string(tapiCountryId);
    line += ',';
    line += std::to_string(countryCode);
    for (const std::string* text :
         {&rule.SameAreaRule, &rule.LongDistanceRule, &rule.InternationalRule, &rule.FourthRule}) {
        line += ',';
        line += untilNul(*text);
    }
    line += "\r\n";
    m_output->write(line);
}

} // namespace tarvo

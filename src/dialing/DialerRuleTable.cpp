#include "dialing/DialerRuleTable.h"

#include "support/LineReader.h"
#include "support/Tokenizer.h"

namespace tarvo {

bool DialerRuleTable::load(const std::string& path)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    std::string_view line;
    while (reader.next(line))
        addLine(line);
    return true;
}

bool DialerRuleTable::addLine(std::string_view line)
{
    if (comment(line))
        return false;
    // Asked for seven, the tokenizer would fold an eighth field into the
    // seventh; asking for one more lets such a line be seen and skipped.
    std::string_view fields[kFields + 1];
    if (parseTokens(line, fields, kFields + 1) != kFields)
        return false;
    DialingRule rule;
    rule.CountryCode = toInt32(fields[2]);
    rule.SameAreaRule = fields[3];
    rule.LongDistanceRule = fields[4];
    rule.InternationalRule = fields[5];
    rule.FourthRule = fields[6];
    m_rules.insert_or_assign(keyOf(toInt32(fields[1])), std::move(rule));
    return true;
}

const DialingRule* DialerRuleTable::find(std::int64_t countryId) const
{
    auto it = m_rules.find(keyOf(countryId));
    return it == m_rules.end() ? nullptr : &it->second;
}

} // namespace tarvo

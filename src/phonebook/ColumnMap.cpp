#include "phonebook/ColumnMap.h"

#include "support/Tokenizer.h"

namespace tarvo {

void ColumnMap::reset()
{
    for (std::size_t i = 0; i < m_position.size(); ++i)
        m_position[i] = static_cast<int>(i);
}

bool ColumnMap::applyHeader(std::string_view line)
{
    if (!line.starts_with("#HDR"))
        return false;
    // "#HDR" and one separator; a bare "#HDR" line names nothing.
    std::string_view names = line.size() > 5 ? line.substr(5) : std::string_view{};
    std::array<std::string_view, kPopColumnCount> fields{};
    int count = parseTokens(names, fields.data(), kPopColumnCount);
    for (int pos = 0; pos < count; ++pos) {
        if (auto column = findColumn(fields[static_cast<std::size_t>(pos)]))
            m_position[static_cast<std::size_t>(*column)] = pos;
    }
    return true;
}

bool ColumnMap::isIdentity() const
{
    for (std::size_t i = 0; i < m_position.size(); ++i)
        if (m_position[i] != static_cast<int>(i))
            return false;
    return true;
}

} // namespace tarvo

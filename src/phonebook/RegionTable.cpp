#include "phonebook/RegionTable.h"

#include "support/LineReader.h"
#include "support/Tokenizer.h"

#include <array>

namespace tarvo {

void RegionTable::clear()
{
    m_byCode.clear();
    m_entries.clear();
}

bool RegionTable::load(const std::string& path)
{
    clear();
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    std::array<std::string_view, 4> fields{};
    std::string_view line;
    while (reader.next(line)) {
        if (comment(line) || parseTokens(line, fields.data(), 4) < 4)
            continue;
        m_entries.push_back({std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                             std::string(fields[3])});
    }
    // Keys view the entries' own text, so the index is built once they no
    // longer move; emplace keeps the first of equal codes.
    m_byCode.reserve(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_byCode.emplace(m_entries[i].regionCode, i);
    return true;
}

const RegionEntry* RegionTable::find(std::string_view regionCode) const
{
    auto it = m_byCode.find(regionCode);
    return it == m_byCode.end() ? nullptr : &m_entries[it->second];
}

} // namespace tarvo

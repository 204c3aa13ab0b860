#pragma once

#include "phonebook/PopColumn.h"
#include "support/RecordingFrontEnd.h"

#include <array>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace tarvo::test {

// One POP line in canonical column order with plausible values; `set`
// overrides single columns.
class PopLine {
public:
    PopLine(std::string country, std::string region, std::string city, std::string pop)
    {
        m_fields = {"", "", "", "408", "5550100", "", "", "", "", "127", "0", "2359", "0", "0",
                    "0.05", "56000", "0", "1", "1", "0", "", "0", "8005550199", "", "0", "10", "MODEM", "B1"};
        set(PopColumn::COUNTRY, std::move(country));
        set(PopColumn::REGION, std::move(region));
        set(PopColumn::CITY, std::move(city));
        set(PopColumn::POP, std::move(pop));
    }
    PopLine& set(PopColumn column, std::string value)
    {
        m_fields[static_cast<std::size_t>(column)] = std::move(value);
        return *this;
    }
    const std::string& get(PopColumn column) const { return m_fields[static_cast<std::size_t>(column)]; }
    // The fields joined by commas, without a line end.
    std::string str() const
    {
        std::string line;
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (i > 0)
                line += ',';
            line += m_fields[i];
        }
        return line;
    }

private:
    std::array<std::string, kPopColumnCount> m_fields;
};

// A POP file: the version line and the given lines, CR LF ends.
inline std::string PopFile(std::initializer_list<std::string> lines, const std::string& version = "#VER 1")
{
    std::string text = version + "\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace tarvo::test

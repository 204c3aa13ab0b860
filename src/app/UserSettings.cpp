#include "app/UserSettings.h"

#include "support/Tokenizer.h"

#include <cstdio>

namespace tarvo {

namespace {
constexpr const char* kSection = "Main";
}

void UserSettings::load()
{
    std::string widths = m_file.ReadString(kSection, "ColWidth", "112,100,0,0");
    std::string_view fields[4];
    if (ParseTokens(widths, fields, 4) == 4) {
        for (std::size_t i = 0; i < 4; ++i)
            m_colWidth[i] = toInt32(fields[i]);
    } else {
        m_colWidth = {0, 0, 0, 0};
    }
    m_country = m_file.ReadString(kSection, "Country", "");
    m_region = m_file.ReadString(kSection, "Region", "");
    m_city = m_file.ReadString(kSection, "City", "");
    m_areaCode = m_file.ReadString(kSection, "AreaCode", "");
}

bool UserSettings::save() const
{
    char widths[64];
    std::snprintf(widths, sizeof widths, "%d,%d,%d,%d", m_colWidth[0], m_colWidth[1], m_colWidth[2], m_colWidth[3]);
    // Every value is tried, whatever happened to the one before.
    bool saved = m_file.WriteString(kSection, "Country", m_country);
    saved = m_file.WriteString(kSection, "Region", m_region) && saved;
    saved = m_file.WriteString(kSection, "City", m_city) && saved;
    saved = m_file.WriteString(kSection, "AreaCode", m_areaCode) && saved;
    return m_file.WriteString(kSection, "ColWidth", widths) && saved;
}

void UserSettings::storeColumnWidths(bool showPrice, const std::array<int, 4>& listWidths)
{
    std::size_t count = showPrice ? 4 : 3;
    for (std::size_t i = 0; i < count; ++i)
        m_colWidth[i] = listWidths[i];
}

} // namespace tarvo

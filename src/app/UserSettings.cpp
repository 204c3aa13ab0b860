#include "app/UserSettings.h"

#include "support/Tokenizer.h"

#include <cstdio>

namespace tarvo {

namespace {
constexpr const char* kSection = "Main";
}

void UserSettings::load()
{
    std::string widths;
    ReadString(kSection, "ColWidth", "112,100,0,0", widths);
    std::string_view fields[4];
    if (ParseTokens(widths, fields, 4) == 4) {
        for (std::size_t i = 0; i < 4; ++i)
            m_colWidth[i] = ToInt32(fields[i]);
    } else {
        m_colWidth = {0, 0, 0, 0};
    }
    ReadString(kSection, "Country", "", m_country);
    ReadString(kSection, "Region", "", m_region);
    ReadString(kSection, "City", "", m_city);
    ReadString(kSection, "AreaCode", "", m_areaCode);
}

void UserSettings::save() const
{
    (void)WriteString(kSection, "Country", m_country);
    (void)WriteString(kSection, "Region", m_region);
    (void)WriteString(kSection, "City", m_city);
    (void)WriteString(kSection, "AreaCode", m_areaCode);
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", m_colWidth[0], m_colWidth[1], m_colWidth[2], m_colWidth[3]);
    (void)WriteString(kSection, "ColWidth", text);
}

void UserSettings::storeColumnWidths(bool showPrice, const std::array<int, 4>& listWidths)
{
    std::size_t count = showPrice ? 4 : 3;
    for (std::size_t i = 0; i < count; ++i)
        m_colWidth[i] = listWidths[i];
}

} // namespace tarvo

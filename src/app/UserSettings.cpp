#include "app/UserSettings.h"

#include "support/Tokenizer.h"

#include <cstdio>

namespace tarvo {

namespace {

constexpr const char* kSection = "Main";
constexpr const char* kWindowKey = "Window";
constexpr const char* kMaximizedKey = "Maximized";
constexpr const char* kSplitterKey = "Splitter";
constexpr const char* kHandheldWidthKey = "HandheldColWidth";
constexpr const char* kLastCountryKey = "LastCountry";
constexpr const char* kLastRegionKey = "LastRegion";
constexpr const char* kLastCityKey = "LastCity";
constexpr const char* kLastCityRegionKey = "LastCityRegion";
// No value reads as this: a line break never survives a read.
constexpr const char* kAbsent = "\n";
// More parts than any layout has: a longer list is no list of ours.
constexpr int kMaxNumbers = 8;

std::vector<int> readNumbers(const IniFile& file, const char* key)
{
    const std::string text = file.readString(kSection, key, "");
    std::string_view fields[kMaxNumbers + 1];
    const int count = parseTokens(text, fields, kMaxNumbers + 1);
    if (count <= 0 || count > kMaxNumbers)
        return {};
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers.push_back(toInt32(fields[i]));
    return numbers;
}

std::string joinNumbers(const std::vector<int>& numbers)
{
    std::string text;
    for (int n : numbers) {
        if (!text.empty())
            text += ',';
        text += std::to_string(n);
    }
    return text;
}

} // namespace

void UserSettings::load()
{
    std::string widths = m_file.readString(kSection, "ColWidth", "112,100,0,0");
    std::string_view fields[4];
    if (parseTokens(widths, fields, 4) == 4) {
        for (std::size_t i = 0; i < 4; ++i)
            m_colWidth[i] = toInt32(fields[i]);
    } else {
        m_colWidth = {0, 0, 0, 0};
    }
    m_country = m_file.readString(kSection, "Country", "");
    m_region = m_file.readString(kSection, "Region", "");
    m_city = m_file.readString(kSection, "City", "");
    m_areaCode = m_file.readString(kSection, "AreaCode", "");

    bool anyLast = false;
    const auto readLast = [&](const char* key) {
        std::string value = m_file.readString(kSection, key, kAbsent);
        if (value == kAbsent)
            return std::string();
        anyLast = true;
        return value;
    };
    m_lastFilter = {readLast(kLastCountryKey), readLast(kLastRegionKey), readLast(kLastCityKey),
                    readLast(kLastCityRegionKey)};
    m_hasLastFilter = anyLast;

    m_layout.frame = readNumbers(m_file, kWindowKey);
    m_layout.maximized = m_file.readInt(kSection, kMaximizedKey, "0") != 0;
    m_layout.splitter = readNumbers(m_file, kSplitterKey);
    m_layout.handheldColumns = readNumbers(m_file, kHandheldWidthKey);
    m_hasLayout = !m_layout.frame.empty() || !m_layout.splitter.empty() || !m_layout.handheldColumns.empty();
}

bool UserSettings::save() const
{
    char widths[64];
    std::snprintf(widths, sizeof widths, "%d,%d,%d,%d", m_colWidth[0], m_colWidth[1], m_colWidth[2], m_colWidth[3]);
    // A text the file holds as it was read needs no writing, and writing
    // it would drop its quotes or blanks, or cut a value longer than a read
    // takes.
    const auto writeBack = [this](const char* key, const std::string& value) {
        return m_file.readString(kSection, key, kAbsent) == value || m_file.writeString(kSection, key, value);
    };
    // Every value is tried, whatever happened to the one before.
    bool saved = writeBack("Country", m_country);
    saved = writeBack("Region", m_region) && saved;
    saved = writeBack("City", m_city) && saved;
    saved = writeBack("AreaCode", m_areaCode) && saved;
    if (m_hasLastFilter) {
        saved = m_file.writeString(kSection, kLastCountryKey, m_lastFilter.country) && saved;
        saved = m_file.writeString(kSection, kLastRegionKey, m_lastFilter.region) && saved;
        saved = m_file.writeString(kSection, kLastCityKey, m_lastFilter.city) && saved;
        saved = m_file.writeString(kSection, kLastCityRegionKey, m_lastFilter.cityRegion) && saved;
    }
    if (m_hasLayout) {
        saved = m_file.writeString(kSection, kWindowKey, joinNumbers(m_layout.frame)) && saved;
        saved = m_file.writeString(kSection, kMaximizedKey, m_layout.maximized ? "1" : "0") && saved;
        saved = m_file.writeString(kSection, kSplitterKey, joinNumbers(m_layout.splitter)) && saved;
        saved = m_file.writeString(kSection, kHandheldWidthKey, joinNumbers(m_layout.handheldColumns)) && saved;
    }
    return m_file.writeString(kSection, "ColWidth", widths) && saved;
}

void UserSettings::setWindowLayout(WindowLayout layout)
{
    m_layout = std::move(layout);
    m_hasLayout = true;
}

void UserSettings::rememberFilter(LastFilter filter)
{
    m_lastFilter = std::move(filter);
    m_hasLastFilter = true;
}

void UserSettings::storeColumnWidths(bool showPrice, const std::array<int, 4>& listWidths)
{
    std::size_t count = showPrice ? 4 : 3;
    for (std::size_t i = 0; i < count; ++i)
        m_colWidth[i] = listWidths[i];
}

} // namespace tarvo

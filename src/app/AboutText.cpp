#include "app/AboutText.h"

#include "support/LocalTime.h"
#include "support/NativePath.h"
#include "support/PathJoin.h"
#include "text/TagExpander.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace tarvo {

namespace {

std::string tagValue(const TagExpander& tags, std::string_view name)
{
    std::string value;
    (void)tags.getValue(name, value);
    return value;
}

} // namespace

std::string AboutText::phonebookDateText(std::time_t modified)
{
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (!toLocalTime(modified, local))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "Phonebook updated %s %s %02d %02d:%02d:%02d %04d\n",
                  kDays[static_cast<std::size_t>(local.tm_wday % 7)], kMonths[static_cast<std::size_t>(local.tm_mon % 12)],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    return text;
}

AboutText::AboutText(const TagExpander& tags, const std::string& dialerHome)
{
    char line[256];
    std::snprintf(line, sizeof line, "%s  [Build %d]", tagValue(tags, "<Version>").c_str(), kBuildNumber);
    m_version = line;
    std::snprintf(line, sizeof line, "Profile %s Phonebook %s", tagValue(tags, "<ProfileID>").c_str(),
                  tagValue(tags, "<PhonebookID>").c_str());
    m_profile = line;
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(nativePath(joinPath(dialerHome, "pbook.txt")), error);
    if (!error)
        m_phonebook = phonebookDateText(std::chrono::system_clock::to_time_t(
            std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                std::chrono::file_clock::to_sys(modified))));
}

} // namespace tarvo

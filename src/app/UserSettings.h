#pragma once

#include "text/IniFile.h"

#include <array>
#include <string>
#include <vector>

namespace tarvo {

// Section [Main] of "synuser.ini": the list column widths and the filter
// texts, read at start and written back at shutdown.
//
// The four texts "Country", "Region", "City" and "AreaCode" pass through
// unchanged: whatever wrote them (another version of the program, a person,
// an installer) finds them as it left them. The window's last choice lives
// under keys of its own (LastFilter).
class UserSettings final {
public:
    // The window's last choice of the filter: "LastCountry" (a country
    // code), "LastRegion" (a region code), "LastCity" and "LastCityRegion"
    // (a city name and its region's code: one name can be a city in two
    // regions); "" for none. Written only once read or set.
    struct LastFilter {
        std::string country;
        std::string region;
        std::string city;
        std::string cityRegion;

        bool operator==(const LastFilter&) const = default;
    };

    // What the window remembers beside the defined keys, in the same
    // section: "Window" (x,y,width,height, without the frame), "Maximized" (0/1),
    // "Splitter" (the sizes of the splitter's parts) and "HandheldColWidth"
    // (the Handheld list's two columns). A list is empty when its key is
    // absent or unreadable. Nothing of it is written until it was read or
    // set, so a file only the command line ever used stays as it was.
    struct WindowLayout {
        std::vector<int> frame;
        bool maximized = false;
        std::vector<int> splitter;
        std::vector<int> handheldColumns;
    };

    static constexpr const char* kDefaultFile = "synuser.ini";

    explicit UserSettings(std::string_view name = kDefaultFile) : m_file(name) {}

    // A name holding ':' (or an absolute one) is kept; any other is joined
    // to the current directory of this moment.
    void setSettingsFile(std::string_view name) { m_file.setPath(name); }
    const std::string& settingsFile() const { return m_file.path(); }

    void load();
    // Writes the four texts and "ColWidth" back; safe to call twice. False
    // when a value could not be written (the program goes on regardless).
    // A text the file still holds as read is left as it stands, quotes and
    // blanks included.
    bool save() const;

    // Leaving the window stores the Main list's widths: four with the
    // price column shown, else three (the fourth keeps its value as read).
    // A column the list does not have counts as width 0.
    void storeColumnWidths(bool showPrice, const std::array<int, 4>& listWidths);

    const std::array<int, 4>& colWidth() const { return m_colWidth; }
    const WindowLayout& windowLayout() const { return m_layout; }
    void setWindowLayout(WindowLayout layout);
    const LastFilter& lastFilter() const { return m_lastFilter; }
    void rememberFilter(LastFilter filter);
    // The defined texts as read.
    const std::string& country() const { return m_country; }
    const std::string& region() const { return m_region; }
    const std::string& city() const { return m_city; }
    const std::string& areaCode() const { return m_areaCode; }
    // Names the agreement file and is the "<Language>" tag's value; nothing
    // in the program fills it.
    const std::string& language() const { return m_language; }

private:
    IniFile m_file;
    std::array<int, 4> m_colWidth{};
    WindowLayout m_layout;
    bool m_hasLayout = false;
    LastFilter m_lastFilter;
    bool m_hasLastFilter = false;
    std::string m_country;
    std::string m_region;
    std::string m_city;
    std::string m_areaCode;
    std::string m_language;
};

} // namespace tarvo

#pragma once

#include "BuildInfo.h"

#include <ctime>
#include <string>

namespace tarvo {

class TagExpander;

// The About window's three lines and its notice, the same in every window.
// They are made when the window is created, not when it is shown.
class AboutText final {
public:
    static constexpr const char* kCaption = "Tarvo Windows CE Synchronizer";
    // The build number of the project version, as `tarvo-sync --version` shows it.
    static constexpr int kBuildNumber = build::kBuildNumber;
    static constexpr const char* kNotice = "Chooses access numbers for the TarvoConnect dialer on a Windows CE handheld.";

    // "<Version>  [Build 15]" and "Profile <ProfileID> Phonebook <PhonebookID>"
    // from the tags; the phonebook line from the date of "pbook.txt" in the
    // dialer's folder, empty when that file cannot be examined. Texts in
    // the desktop's ANSI code page, as the tags are.
    AboutText(const TagExpander& tags, const std::string& dialerHome);

    const std::string& versionLine() const { return m_version; }
    const std::string& profileLine() const { return m_profile; }
    const std::string& phonebookLine() const { return m_phonebook; }

    // "Phonebook updated " and the moment in the 24-character layout
    // ("Sun Dec 06 19:48:22 2026") with a line feed; English names whatever
    // the locale, as the text is fixed.
    static std::string phonebookDateText(std::time_t modified);

private:
    std::string m_version;
    std::string m_profile;
    std::string m_phonebook;
};

} // namespace tarvo

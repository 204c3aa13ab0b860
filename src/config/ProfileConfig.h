#pragma once

#include "config/AuthHeaderBuilder.h"
#include "support/ProgramTitle.h"
#include "text/IniFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The customer profile's settings ("synconfig.ini" or the file named by
// "-c"): identity numbers, the handheld limit, customer-POP order, the
// window title and the two phonebook-server sets with their credentials.
// Read once by `load`; never written.
class ProfileConfig final : public IniFile {
public:
    static constexpr std::string_view kDefaultFile = "synconfig.ini";
    static constexpr std::string_view kDefaultAppName = kProgramTitle;

    ProfileConfig();
    ProfileConfig(const ProfileConfig&) = delete;
    ProfileConfig& operator=(const ProfileConfig&) = delete;

    // A name holding ':' (or an absolute one) is kept; any other is joined
    // to the current directory of this moment.
    void setSettingsFile(std::string_view name);
    const std::string& settingsFile() const { return path(); }

    // Reads every field; a missing file, section or key gives its default.
    // Starts from the defaults, so loading again does not add to the lists.
    void load();

    int maxPops() const { return m_maxPops; }
    int customerId() const { return m_customerId; }
    int profileId() const { return m_profileId; }
    int phonebookId() const { return m_phonebookId; }
    const std::vector<std::string>& profileServers() const { return m_profileServers; }
    int pbServer() const { return m_pbServer; }
    // -1: customer POPs sort first; +1: last.
    int popSortOrder() const { return m_popSortOrder; }
    bool showPrice() const { return m_showPrice; }

    // The window title. With a "&#NNN;" reference in it: decoded, as ANSI
    // bytes (characters the code page lacks become '?'); without: as read.
    const std::string& appName() const { return m_appName; }
    // The decoded title as UTF-8, for the windows and the command line.
    const std::string& appNameUtf8() const { return m_appNameUtf8; }
    // The decoded title in the OEM (console) code page; as read when it
    // holds no reference. Kept for callers that need those bytes; it is no
    // text to show as ANSI.
    const std::string& appNameOem() const { return m_appNameOem; }

    // Credentials exactly as stored (enciphered).
    const std::string& profileUserId() const { return m_profileUserId; }
    const std::string& profilePassword() const { return m_profilePassword; }
    const std::string& globalUserId() const { return m_globalUserId; }
    const std::string& globalPassword() const { return m_globalPassword; }
    // "Authorization: Basic ..." lines; empty when a set has no usable
    // credentials.
    const std::string& globalAuthHeader() const { return m_globalAuthHeader; }
    const std::string& profileAuthHeader() const { return m_profileAuthHeader; }
    const std::vector<std::string>& globalServers() const { return m_globalServers; }

private:
    void setAppName(std::string raw);

    int m_maxPops = 0;
    int m_customerId = 0;
    int m_profileId = 0;
    int m_phonebookId = 0;
    std::vector<std::string> m_profileServers;
    int m_pbServer = 3;
    int m_popSortOrder = -1;
    bool m_showPrice = true;
    std::string m_appName{kDefaultAppName};
    std::string m_appNameUtf8{kDefaultAppName};
    std::string m_appNameOem{kDefaultAppName};
    std::string m_profileUserId;
    std::string m_profilePassword;
    std::string m_globalAuthHeader;
    std::string m_profileAuthHeader;
    std::vector<std::string> m_globalServers;
    std::string m_globalUserId;
    std::string m_globalPassword;
};

} // namespace tarvo

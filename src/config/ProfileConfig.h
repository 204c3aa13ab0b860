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
class ProfileConfig final {
public:
    static constexpr std::string_view kDefaultFile = "synconfig.ini";
    static constexpr std::string_view kDefaultAppName = kProgramTitle;

    ProfileConfig();
    ProfileConfig(const ProfileConfig&) = delete;
    ProfileConfig& operator=(const ProfileConfig&) = delete;

    // A name holding ':' (or an absolute one) is kept; any other is joined
    // to the current directory of this moment.
    void setSettingsFile(std::string_view name) { m_file.setPath(name); }
    const std::string& settingsFile() const { return m_file.path(); }

    // Reads every field; a missing file, section or key gives its default.
    // Starts from the defaults, so loading again does not add to the lists.
    void load();

    int maxPops() const { return m_maxPops; }
    int customerId() const { return m_customerId; }
    int profileId() const { return m_profileId; }
    int phonebookId() const { return m_phonebookId; }
    const std::vector<std::string>& profileServers() const { return m_profileSet.servers; }
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
    const std::string& profileUserId() const { return m_profileSet.userId; }
    const std::string& profilePassword() const { return m_profileSet.password; }
    const std::string& globalUserId() const { return m_globalSet.userId; }
    const std::string& globalPassword() const { return m_globalSet.password; }
    // "Authorization: Basic ..." lines; empty when a set has no usable
    // credentials.
    const std::string& globalAuthHeader() const { return m_globalSet.authHeader; }
    const std::string& profileAuthHeader() const { return m_profileSet.authHeader; }
    const std::vector<std::string>& globalServers() const { return m_globalSet.servers; }

private:
    // One set of phonebook servers: the addresses, the credentials as stored
    // and the authorization line built from them.
    struct ServerSet {
        std::vector<std::string> servers;
        std::string userId;
        std::string password;
        std::string authHeader;
    };

    // The set kept in `section` ([Profile] or [Tarvo]): both hold it under
    // the same keys.
    ServerSet loadServerSet(std::string_view section) const;
    void setAppName(std::string raw);

    IniFile m_file;
    int m_maxPops = 0;
    int m_customerId = 0;
    int m_profileId = 0;
    int m_phonebookId = 0;
    ServerSet m_profileSet;
    ServerSet m_globalSet;
    int m_pbServer = 3;
    int m_popSortOrder = -1;
    bool m_showPrice = true;
    std::string m_appName{kDefaultAppName};
    std::string m_appNameUtf8{kDefaultAppName};
    std::string m_appNameOem{kDefaultAppName};
};

} // namespace tarvo

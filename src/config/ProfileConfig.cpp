#include "config/ProfileConfig.h"

#include "config/AppNameDecoder.h"
#include "text/CodePage.h"

namespace tarvo {

namespace {

constexpr std::string_view kProfile = "Profile";
constexpr std::string_view kTarvo = "Tarvo";
constexpr std::string_view kServerKeys = "PhonebookURL%d";

} // namespace

ProfileConfig::ProfileConfig() : IniFile(kDefaultFile) {}

void ProfileConfig::setSettingsFile(std::string_view name)
{
    SetPath(name);
}

void ProfileConfig::load()
{
    const AuthHeaderBuilder auth;

    ReadInt(kProfile, "CustomerID", "0", m_customerId);
    ReadInt(kProfile, "ProfileID", "0", m_profileId);
    ReadInt(kProfile, "MaxPops", "0", m_maxPops);

    m_profileServers.clear();
    ReadList(kProfile, kServerKeys, m_profileServers);

    ReadString(kProfile, "PhonebookUserID", "", m_profileUserId);
    ReadString(kProfile, "PhonebookPassword", "", m_profilePassword);
    m_profileAuthHeader.clear();
    static_cast<void>(auth.build(m_profileUserId, m_profilePassword, m_profileAuthHeader));

    ReadInt(kProfile, "PBServer", "3", m_pbServer);

    std::string sortFlag;
    ReadString(kProfile, "CustomerPopSortFlag", "first", sortFlag);
    m_popSortOrder = !sortFlag.empty() && (sortFlag[0] == 'F' || sortFlag[0] == 'f' || sortFlag[0] == '0') ? -1 : +1;

    std::string appName;
    ReadString(kProfile, "AppName", kDefaultAppName, appName);
    setAppName(std::move(appName));

    int showPrice = 1;
    ReadBool(kProfile, "ShowPrice", 1, showPrice);
    m_showPrice = showPrice != 0;

    ReadInt(kProfile, "PhonebookID", "0", m_phonebookId);

    m_globalServers.clear();
    ReadList(kTarvo, kServerKeys, m_globalServers);

    ReadString(kTarvo, "PhonebookUserID", "", m_globalUserId);
    ReadString(kTarvo, "PhonebookPassword", "", m_globalPassword);
    m_globalAuthHeader.clear();
    static_cast<void>(auth.build(m_globalUserId, m_globalPassword, m_globalAuthHeader));
}

void ProfileConfig::setAppName(std::string raw)
{
    DecodedAppName decoded = decodeAppName(raw, CodePage::ansi());
    if (!decoded.sawReference) {
        m_appNameUtf8 = CodePage::ansiToUtf8(raw);
        m_appNameOem = raw;
        m_appName = std::move(raw);
        return;
    }
    m_appNameUtf8 = CodePage::utf16ToUtf8(decoded.text);
    m_appNameOem = CodePage::oem().fromUtf16(decoded.text);
    m_appName = CodePage::ansi().fromUtf16(decoded.text);
}

} // namespace tarvo

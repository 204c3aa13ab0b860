#include "config/ProfileConfig.h"

#include "config/AppNameDecoder.h"
#include "text/CodePage.h"

namespace tarvo {

namespace {

constexpr std::string_view kProfile = "Profile";
constexpr std::string_view kTarvo = "Tarvo";
constexpr std::string_view kServerKeys = "PhonebookURL%d";

} // namespace

ProfileConfig::ProfileConfig() : m_file(kDefaultFile) {}

ProfileConfig::ServerSet ProfileConfig::loadServerSet(std::string_view section) const
{
    ServerSet set;
    set.servers = m_file.readList(section, kServerKeys);
    set.userId = m_file.readString(section, "PhonebookUserID", "");
    set.password = m_file.readString(section, "PhonebookPassword", "");
    // Credentials that cannot be used leave the set without a header.
    static_cast<void>(AuthHeaderBuilder().build(set.userId, set.password, set.authHeader));
    return set;
}

void ProfileConfig::load()
{
    m_customerId = m_file.readInt(kProfile, "CustomerID", "0");
    m_profileId = m_file.readInt(kProfile, "ProfileID", "0");
    m_maxPops = m_file.readInt(kProfile, "MaxPops", "0");
    m_profileSet = loadServerSet(kProfile);
    m_pbServer = m_file.readInt(kProfile, "PBServer", "3");

    std::string sortFlag = m_file.readString(kProfile, "CustomerPopSortFlag", "first");
    m_popSortOrder = !sortFlag.empty() && (sortFlag[0] == 'F' || sortFlag[0] == 'f' || sortFlag[0] == '0') ? -1 : +1;

    setAppName(m_file.readString(kProfile, "AppName", kDefaultAppName));
    m_showPrice = m_file.readBool(kProfile, "ShowPrice", true);
    m_phonebookId = m_file.readInt(kProfile, "PhonebookID", "0");
    m_globalSet = loadServerSet(kTarvo);
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

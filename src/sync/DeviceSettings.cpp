#include "sync/DeviceSettings.h"

#include "ceproto/Utf16Le.h"
#include "support/AtomicFile.h"
#include "support/FrontEnd.h"
#include "text/CodePage.h"
#include "text/IniFile.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarvo {

namespace {

using Setting = DeviceSettings::Setting;

constexpr std::string_view kConfig = "Software\\Tarvo\\TarvoDialer\\config.ini";
constexpr std::string_view kUserPref = "Software\\Tarvo\\TarvoDialer\\userpref.ini";
constexpr std::string_view kRasPref = "Software\\Tarvo\\TarvoDialer\\raspref.ini";

constexpr Setting kProfile[] = {
    {"CustomerID", "0"},
    {"ProfileID", "0"},
    {"AllowSavePassword", "yes"},
    {"IdleTimeout", "0,0,0"},
    {"IdleTimeOutChangeable", "yes"},
    {"ConnectionTimeout", "0,0"},
    {"DialTimeoutSettable", "no"},
    {"CachePassword", "yes"},
    {"DialerVersionNo", "1.0"},
    {"DialTimeout", "120"},
    {"HideDomain", "no"},
};

constexpr Setting kActions[] = {
    {"Action2", ""}, {"Action3", ""}, {"Action4", ""}, {"Action5", ""}, {"Action6", ""},
};

// Only the first server address goes to the device; "_NO_MORE_" ends the
// dialer's numbered list when there is none.
constexpr Setting kTarvo[] = {
    {"PhonebookURL1", "_NO_MORE_"},
    {"PhonebookUserid", ""},
    {"PhonebookPassword", ""},
    {"SupportEmail", ""},
};

constexpr Setting kLogin[] = {
    {"SavePassword", "no"},
};

constexpr Setting kConnect[] = {
    {"UseIdleTimeout", "no"},
    {"IdleTimeout", "60"},
    {"DialTimeout", "120"},
    {"DeviceType", "MODEM"},
};

constexpr Setting kPrefix[] = {
    {"TonePulse", "0"},
    {"FromCountryCode", "US"},
    {"FromAreaCode", ""},
};

constexpr Setting kMain[] = {
    {"MediaType", "0"},
    {"ColWidth", "80,80,0,0"},
    {"Language", "English"},
};

constexpr Setting kDomain[] = {
    {"UseNTDomain", "no"},
    {"NTDomain", ""},
};

constexpr Setting kRas[] = {
    {"FlagNetworkLogon", "no"},
    {"FlagSwCompression", "yes"},
    {"FlagRequireEncryptedPw", "no"},
    {"FlagRequireMsEncryptedPw", "no"},
    {"FlagRequireDataEncryption", "no"},
    {"FlagSpecificIpAddr", "no"},
    {"FlagSpecificNameServers", "no"},
    {"FlagIpHeaderCompression", "yes"},
    {"FlagRemoteDefaultGateway", "yes"},
    {"FlagDisableLcpExtensions", "yes"},
    {"FlagTerminalBeforeDial", "no"},
    {"FlagTerminalAfterDial", "no"},
    {"FlagUseLogonCredentials", "no"},
    {"IpAddr", "0.0.0.0"},
    {"IpAddrDns", "0.0.0.0"},
    {"IpAddrDnsAlt", "0.0.0.0"},
    {"IpAddrWins", "0.0.0.0"},
    {"IpAddrWinsAlt", "0.0.0.0"},
    {"FrameSize", "0"},
    {"FlagNetBEUI", "no"},
    {"FlagIpx", "no"},
    {"FlagIp", "yes"},
    {"FlagFramingProtocolPpp", "yes"},
    {"FlagFramingProtocolSlip", "no"},
    {"FlagFramingProtocolRas", "no"},
};

// No group answers 7: the Main key reports 8, and the two raspref.ini keys
// follow on from there.
constexpr DeviceSettings::Group kGroups[] = {
    {kConfig, "\\Profile", "Profile", 1, kProfile, {}},
    {kConfig, "\\Actions", "Actions", 2, kActions, {}},
    {kConfig, "\\Tarvo", "Tarvo", 3, kTarvo, {}},
    {kUserPref, "\\Login", "Login", 4, kLogin, {}},
    {kUserPref, "\\Connect", "Connect", 5, kConnect, {}},
    {kUserPref, "\\Prefix", "Prefix", 6, kPrefix, {}},
    {kUserPref, "\\Main", "Main", 8, kMain, {}},
    {kRasPref, "\\Tarvo", "rasTarvo", 9, kRas, {}},
    {kRasPref, "\\Customer", "Customer", 10, kDomain, kRas},
};

// An open device key, closed when the group is done or left.
class KeyGuard final {
public:
    explicit KeyGuard(DeviceTransport& transport) : m_transport(transport) {}
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;
    ~KeyGuard() { close(); }

    bool open(const DeviceSettings::Group& group)
    {
        close();
        std::string path(group.basePath);
        path += group.suffix;
        DeviceHandle key = kNoDeviceHandle;
        if (m_transport.regCreateKey(CodePage::ansi().toUtf16(path), key) != 0)
            return false;
        m_key = key;
        return true;
    }
    // False when closing reported an error: the key's values may not have
    // been kept.
    bool close()
    {
        if (m_key == kNoDeviceHandle)
            return true;
        return m_transport.regCloseKey(std::exchange(m_key, kNoDeviceHandle)) == 0;
    }
    DeviceHandle get() const { return m_key; }

private:
    DeviceTransport& m_transport;
    DeviceHandle m_key = kNoDeviceHandle;
};

} // namespace

std::span<const DeviceSettings::Group> DeviceSettings::groups()
{
    return kGroups;
}

DeviceSettings::DeviceSettings(DeviceTransport& transport, FrontEnd& frontEnd, std::string caption,
                               std::string settingsFile)
    : m_transport(transport), m_frontEnd(frontEnd), m_caption(std::move(caption)), m_settingsFile(std::move(settingsFile))
{
}

int DeviceSettings::transfer()
{
    // Bound now, so the file is taken from the current directory of the
    // synchronization.
    IniFile source(m_settingsFile);
    std::string content;
    if (!readWholeFile(source.path(), content)) {
        m_frontEnd.messageBox(std::string(kNoSettingsFile), m_caption, MessageIcon::Warning, MessageButtons::Ok);
        return 0;
    }

    KeyGuard key(m_transport);
    if (!key.open(kGroups[0]))
        return kGroups[0].code;

    const std::string marker = source.readString(kMarkerSection, kMarkerKey, "0");
    if (!marker.empty() && marker.front() == '1')
        return 0;

    int failedGroup = 0;
    std::string value;
    for (std::size_t g = 0; g < std::size(kGroups); ++g) {
        const Group& group = kGroups[g];
        if (g > 0 && !key.open(group))
            return group.code;
        bool groupWritten = true;
        for (std::span<const Setting> settings : {group.first, group.second}) {
            for (const Setting& setting : settings) {
                value = source.readString(group.section, setting.name, setting.defaultValue, kValueBuffer);
                if (!setDeviceValue(key.get(), setting.name, value))
                    groupWritten = false;
            }
        }
        if (!key.close())
            groupWritten = false;
        if (!groupWritten && failedGroup == 0)
            failedGroup = group.code;
    }
    // A value that did not reach the device fails the transfer, and the
    // next synchronization tries it again: only a complete transfer is
    // marked as done. A marker that cannot be written only means the next
    // synchronization transfers the settings again.
    if (failedGroup != 0)
        return failedGroup;
    (void)source.writeString(kMarkerSection, kMarkerKey, "1");
    return 0;
}

bool DeviceSettings::setDeviceValue(DeviceHandle key, std::string_view name, std::string_view value)
{
    const std::vector<std::uint8_t> data = Utf16Le::withNul(CodePage::ansi().toUtf16(value));
    std::int32_t result = m_transport.regSetStringValue(key, CodePage::ansi().toUtf16(name), data.data(),
                                                        static_cast<std::uint32_t>(data.size()));
    if (result == 0)
        return true;
    m_frontEnd.messageBox(std::string(kValueError), m_caption, MessageIcon::None, MessageButtons::Ok);
    return false;
}

} // namespace tarvo

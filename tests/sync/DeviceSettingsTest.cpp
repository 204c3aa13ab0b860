#include "sync/DeviceSettings.h"

#include "device/DeviceLink.h"
#include "device/FolderDevice.h"
#include "fixtures/FakeTransport.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "text/CodePage.h"
#include "text/RegistryFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

constexpr const char* kCaption = "Tarvo Windows CE Synchronizer";
// A settings file that is there but sets nothing: every value's default.
constexpr const char* kNoValues = "; the dialer's settings for the handheld\r\n";

struct Expected {
    std::string key;
    std::string name;
    std::string value;
};

// The full list a transfer of defaults writes, spelled out independently of
// the code's tables.
std::vector<Expected> defaults()
{
    const std::string config = "Software\\Tarvo\\TarvoDialer\\config.ini";
    const std::string user = "Software\\Tarvo\\TarvoDialer\\userpref.ini";
    const std::string ras = "Software\\Tarvo\\TarvoDialer\\raspref.ini";
    std::vector<Expected> list;
    auto add = [&list](const std::string& key, std::initializer_list<std::pair<const char*, const char*>> values) {
        for (auto [name, value] : values)
            list.push_back({key, name, value});
    };
    add(config + "\\Profile", {{"CustomerID", "0"}, {"ProfileID", "0"}, {"AllowSavePassword", "yes"},
                               {"IdleTimeout", "0,0,0"}, {"IdleTimeOutChangeable", "yes"},
                               {"ConnectionTimeout", "0,0"}, {"DialTimeoutSettable", "no"},
                               {"CachePassword", "yes"}, {"DialerVersionNo", "1.0"}, {"DialTimeout", "120"},
                               {"HideDomain", "no"}});
    add(config + "\\Actions", {{"Action2", ""}, {"Action3", ""}, {"Action4", ""}, {"Action5", ""}, {"Action6", ""}});
    add(config + "\\Tarvo", {{"PhonebookURL1", "_NO_MORE_"}, {"PhonebookUserid", ""}, {"PhonebookPassword", ""},
                             {"SupportEmail", ""}});
    add(user + "\\Login", {{"SavePassword", "no"}});
    add(user + "\\Connect", {{"UseIdleTimeout", "no"}, {"IdleTimeout", "60"}, {"DialTimeout", "120"},
                             {"DeviceType", "MODEM"}});
    add(user + "\\Prefix", {{"TonePulse", "0"}, {"FromCountryCode", "US"}, {"FromAreaCode", ""}});
    add(user + "\\Main", {{"MediaType", "0"}, {"ColWidth", "80,80,0,0"}, {"Language", "English"}});
    const std::initializer_list<std::pair<const char*, const char*>> rasValues = {
        {"FlagNetworkLogon", "no"}, {"FlagSwCompression", "yes"}, {"FlagRequireEncryptedPw", "no"},
        {"FlagRequireMsEncryptedPw", "no"}, {"FlagRequireDataEncryption", "no"}, {"FlagSpecificIpAddr", "no"},
        {"FlagSpecificNameServers", "no"}, {"FlagIpHeaderCompression", "yes"}, {"FlagRemoteDefaultGateway", "yes"},
        {"FlagDisableLcpExtensions", "yes"}, {"FlagTerminalBeforeDial", "no"}, {"FlagTerminalAfterDial", "no"},
        {"FlagUseLogonCredentials", "no"}, {"IpAddr", "0.0.0.0"}, {"IpAddrDns", "0.0.0.0"},
        {"IpAddrDnsAlt", "0.0.0.0"}, {"IpAddrWins", "0.0.0.0"}, {"IpAddrWinsAlt", "0.0.0.0"}, {"FrameSize", "0"},
        {"FlagNetBEUI", "no"}, {"FlagIpx", "no"}, {"FlagIp", "yes"}, {"FlagFramingProtocolPpp", "yes"},
        {"FlagFramingProtocolSlip", "no"}, {"FlagFramingProtocolRas", "no"}};
    add(ras + "\\Tarvo", rasValues);
    add(ras + "\\Customer", {{"UseNTDomain", "no"}, {"NTDomain", ""}});
    add(ras + "\\Customer", rasValues);
    return list;
}

std::string utf8(const std::u16string& text)
{
    return CodePage::utf16ToUtf8(text);
}

// A written value's data as text, after checking it is UTF-16LE with the
// NUL counted in its size.
std::string dataText(const FakeTransport::ValueWrite& write)
{
    const auto& d = write.data;
    EXPECT_TRUE(d.size() >= 2 && d.size() % 2 == 0 && d[d.size() - 1] == 0 && d[d.size() - 2] == 0)
        << utf8(write.name);
    std::u16string units;
    for (std::size_t i = 0; i + 2 < d.size(); i += 2)
        units.push_back(static_cast<char16_t>(d[i] | d[i + 1] << 8));
    return utf8(units);
}

struct SettingsTest : ::testing::Test {
    TempDir dir;
    FakeTransport device;
    RecordingFrontEnd ui;
    DeviceSettings settings{device, ui, kCaption, dir.file("cereg.ini")};

    SettingsTest()
    {
        device.connected = true;
        dir.write("cereg.ini", kNoValues);
    }
    std::string marker() const
    {
        std::string text = dir.read("cereg.ini");
        auto at = text.find("SetupReg=");
        return at == std::string::npos ? std::string("<none>") : text.substr(at + 9, 1);
    }
};

} // namespace

TEST_F(SettingsTest, fullTransferWritesEveryValueInOrderThenSetsTheMarker)
{
    ASSERT_EQ(settings.transfer(), 0);
    const std::vector<Expected> expected = defaults();
    ASSERT_EQ(expected.size(), 83u);
    ASSERT_EQ(device.values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(utf8(device.values[i].key), expected[i].key) << i;
        EXPECT_EQ(utf8(device.values[i].name), expected[i].name) << i;
        EXPECT_EQ(dataText(device.values[i]), expected[i].value) << expected[i].name;
        EXPECT_EQ(device.values[i].data.size(), 2 * (expected[i].value.size() + 1)) << expected[i].name;
    }
    EXPECT_EQ(device.keysCreated.size(), 9u);
    EXPECT_EQ(device.openHandles(), 0u);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(dir.read("cereg.ini"), std::string(kNoValues) + "[SetupReg]\r\nSetupReg=1\r\n");

    // The next synchronization opens the Profile key and writes nothing.
    device.values.clear();
    device.keysCreated.clear();
    ASSERT_EQ(settings.transfer(), 0);
    EXPECT_EQ(device.keysCreated, std::vector<std::u16string>{u"Software\\Tarvo\\TarvoDialer\\config.ini\\Profile"});
    EXPECT_TRUE(device.values.empty());
    EXPECT_EQ(device.openHandles(), 0u);
}

TEST_F(SettingsTest, onlyTheMarkersFirstCharacterCounts)
{
    for (const char* text : {"1", "10", "1abc"}) {
        dir.write("cereg.ini", std::string("[SetupReg]\r\nSetupReg=") + text + "\r\n");
        device.values.clear();
        ASSERT_EQ(settings.transfer(), 0);
        EXPECT_TRUE(device.values.empty()) << text;
    }
    for (const char* text : {"0", "", "yes", " 01"}) {
        dir.write("cereg.ini", std::string("[SetupReg]\r\nSetupReg=") + text + "\r\n");
        device.values.clear();
        ASSERT_EQ(settings.transfer(), 0);
        EXPECT_EQ(device.values.size(), 83u) << text;
        EXPECT_EQ(marker(), "1") << text;
    }
}

TEST_F(SettingsTest, sourceValuesAreCopiedAsTheyStand)
{
    dir.write("cereg.ini", "[Profile]\r\nDialTimeoutSettable=yes\r\nHideDomain=\r\n"
                           "[Connect]\r\nIdleTimeout=15\r\n"
                           "[Tarvo]\r\nPhonebookURL2=http://second/\r\nPhonebookUserid=caf\xE9\r\n"
                           "[rasTarvo]\r\nIpAddr=10.0.0.1\r\n"
                           "[Customer]\r\nNTDomain=CORP\r\n"
                           "[Main]\r\nLanguage=" + std::string(1500, 'L') + "\r\n");
    ASSERT_EQ(settings.transfer(), 0);
    auto find = [this](const std::string& keySuffix, const std::string& name) {
        for (const auto& write : device.values) {
            std::string key = utf8(write.key);
            if (key.size() >= keySuffix.size() && key.compare(key.size() - keySuffix.size(), keySuffix.size(), keySuffix) == 0 &&
                utf8(write.name) == name)
                return dataText(write);
        }
        return std::string("<absent>");
    };
    EXPECT_EQ(find("config.ini\\Profile", "DialTimeoutSettable"), "yes");
    EXPECT_EQ(find("config.ini\\Profile", "DialTimeout"), "120");
    EXPECT_EQ(find("config.ini\\Profile", "HideDomain"), ""); // present but empty: not the default
    EXPECT_EQ(find("config.ini\\Profile", "IdleTimeout"), "0,0,0");
    EXPECT_EQ(find("userpref.ini\\Connect", "IdleTimeout"), "15");
    EXPECT_EQ(find("config.ini\\Tarvo", "PhonebookURL1"), "_NO_MORE_");
    EXPECT_EQ(find("config.ini\\Tarvo", "PhonebookUserid"), "caf\xC3\xA9");
    EXPECT_EQ(find("raspref.ini\\Tarvo", "IpAddr"), "10.0.0.1");
    EXPECT_EQ(find("raspref.ini\\Customer", "IpAddr"), "0.0.0.0");
    EXPECT_EQ(find("raspref.ini\\Customer", "NTDomain"), "CORP");
    EXPECT_EQ(find("userpref.ini\\Main", "Language"), std::string(1023, 'L'));
}

TEST_F(SettingsTest, aKeyThatCannotBeCreatedStopsTheTransferWithItsGroupsCode)
{
    const std::vector<int> codes{1, 2, 3, 4, 5, 6, 8, 9, 10};
    // Values written before the failing group: the sums of the group sizes.
    const std::vector<std::size_t> before{0, 11, 16, 20, 21, 25, 28, 31, 56};
    auto groups = DeviceSettings::groups();
    ASSERT_EQ(groups.size(), codes.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        FakeTransport failing;
        failing.connected = true;
        std::string path = std::string(groups[g].basePath) + std::string(groups[g].suffix);
        failing.failingKeys.insert(CodePage::utf8ToUtf16(path));
        DeviceSettings transfer(failing, ui, kCaption, dir.file("cereg.ini"));
        EXPECT_EQ(transfer.transfer(), codes[g]) << path;
        EXPECT_EQ(failing.values.size(), before[g]) << path;
        EXPECT_EQ(failing.keysCreated.size(), g) << path;
        EXPECT_EQ(failing.openHandles(), 0u) << path;
        EXPECT_EQ(marker(), "<none>") << path;
    }

    // The Profile key fails whatever the marker says.
    dir.write("cereg.ini", "[SetupReg]\r\nSetupReg=1\r\n");
    device.failingKeys.insert(u"Software\\Tarvo\\TarvoDialer\\config.ini\\Profile");
    EXPECT_EQ(settings.transfer(), 1);
}

TEST_F(SettingsTest, failedValuesAreReportedOneByOneAndFailTheTransfer)
{
    device.failValues = true;
    ASSERT_EQ(settings.transfer(), 1) << "the Profile key's values were the first not to reach the device";
    ASSERT_EQ(ui.boxes.size(), 83u);
    EXPECT_EQ(ui.boxes[0].text, "Error Setting a value in ce registry for TarvoDialer.");
    EXPECT_EQ(ui.boxes[0].caption, kCaption);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(device.keysCreated.size(), 9u);
    EXPECT_EQ(marker(), "<none>");

    // Once the device takes the values, the transfer completes and is marked.
    device.failValues = false;
    ASSERT_EQ(settings.transfer(), 0);
    EXPECT_EQ(device.values.size(), 83u);
    EXPECT_EQ(marker(), "1");
    EXPECT_FALSE(settings.setDeviceValue(kNoDeviceHandle, "Name", "value"));
}

TEST_F(SettingsTest, aKeyWhoseValuesWereNotKeptFailsTheTransfer)
{
    device.failKeyClose = true;
    ASSERT_EQ(settings.transfer(), 1);
    EXPECT_EQ(device.values.size(), 83u);
    EXPECT_EQ(marker(), "<none>");
    EXPECT_TRUE(ui.boxes.empty()) << "the caller words the failure";

    // Only one value of a later group fails: that group's code.
    device.failKeyClose = false;
    device.values.clear();
    device.failingValueNames.insert(u"Language");
    ASSERT_EQ(settings.transfer(), 8);
    EXPECT_EQ(device.values.size(), 82u);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Error Setting a value in ce registry for TarvoDialer."});
    EXPECT_EQ(marker(), "<none>");
}

TEST_F(SettingsTest, withoutAReadableSettingsFileNothingReachesTheDevice)
{
    std::filesystem::remove(dir.path() / "cereg.ini");
    ASSERT_EQ(settings.transfer(), 0);
    EXPECT_TRUE(device.keysCreated.empty());
    EXPECT_TRUE(device.values.empty());
    EXPECT_FALSE(dir.exists("cereg.ini")) << "no marker is written into a new file";
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text, "Unable to read ./cereg.ini, the dialer settings were not written to the CE registry.");
    EXPECT_EQ(ui.boxes[0].caption, kCaption);
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Warning);

    // A folder of that name, every time: nothing written, told once each time.
    std::filesystem::create_directory(dir.path() / "cereg.ini");
    ui.boxes.clear();
    ASSERT_EQ(settings.transfer(), 0);
    ASSERT_EQ(settings.transfer(), 0);
    EXPECT_TRUE(device.values.empty());
    EXPECT_EQ(ui.boxes.size(), 2U);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "cereg.ini"));
}

TEST_F(SettingsTest, transferIntoTheSimulatedHandheld)
{
    HandheldFolder handheld;
    handheld.knobs("FailRegistryKey=Software\\Tarvo\\TarvoDialer\\userpref.ini\\Main\r\n");
    FolderDevice folder(handheld.folder());
    DeviceLink link(folder, ui);
    ASSERT_EQ(link.connect(), SyncResult::Done);
    DeviceSettings transfer(folder, ui, kCaption, dir.file("cereg.ini"));
    EXPECT_EQ(transfer.transfer(), 8);
    EXPECT_EQ(folder.openHandles(), 0u);

    RegistryFile reg(handheld.root.file("registry.reg"));
    ASSERT_TRUE(reg.load());
    std::vector<std::string> names;
    ASSERT_TRUE(reg.enumSubkeys("HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\userpref.ini", names));
    EXPECT_EQ(names, (std::vector<std::string>{"Connect", "Login", "Prefix"}));
    EXPECT_FALSE(reg.keyExists("HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\raspref.ini"));
    EXPECT_EQ(marker(), "<none>");

    handheld.knobs("");
    link.disconnect();
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(transfer.transfer(), 0);
    link.disconnect();
    ASSERT_TRUE(reg.load());
    std::string value;
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\raspref.ini\\Customer",
                               "FlagFramingProtocolRas", value));
    EXPECT_EQ(value, "no");
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\config.ini\\Profile",
                               "IdleTimeOutChangeable", value));
    EXPECT_EQ(value, "yes");
    EXPECT_EQ(marker(), "1");
}

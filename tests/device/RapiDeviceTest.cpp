// The device link over RapiDevice, through the hub to the emulated handheld
// on loopback: files and registry in both command layouts, each fault of the
// emulator with its result, and nothing half-written left behind.
#include "ceproto/CeWin32.h"
#include "device/DeviceLink.h"
#include "device/RapiDevice.h"
#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/HubRunner.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using namespace test;

constexpr std::string_view kPhonebook = "\\Program Files\\Tarvo\\cepbook.txt";

std::string pattern(std::size_t size)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return data;
}

// A hub, one emulated handheld (started by `dock`) and the desktop's device
// link over RapiDevice.
struct RapiTest : ::testing::Test {
    HubRunner hub;
    HandheldFolder handheld;
    test::TempDir local;
    RapiDevice device{hub.socketPath()};
    test::RecordingFrontEnd ui;
    DeviceLink link{device, ui};
    std::unique_ptr<EmulatorRunner> emulator;

    RapiTest() { link.setConnectTimeout(5s); }

    void dock(const std::string& os, const std::function<void(ceemu::EmulatorOptions&)>& tweak = {})
    {
        ceemu::EmulatorOptions options;
        options.hub = hub.address();
        options.root = handheld.root.path();
        unsigned major = 0;
        unsigned minor = 0;
        ASSERT_EQ(std::sscanf(os.c_str(), "%u.%u", &major, &minor), 2);
        options.osMajor = major;
        options.osMinor = minor;
        if (tweak)
            tweak(options);
        emulator = std::make_unique<EmulatorRunner>(options);
        ASSERT_TRUE(hub.waitForKnown(1));
    }

    // The names in "\Program Files\Tarvo\" other than `expected`.
    std::set<std::string> strays(std::set<std::string> expected) const
    {
        std::set<std::string> names = handheld.files();
        for (const std::string& name : expected)
            names.erase(name);
        return names;
    }
};

struct RapiLayouts : RapiTest, ::testing::WithParamInterface<const char*> {};

TEST_P(RapiLayouts, copiesFilesBothWaysAndReplacesWhole)
{
    dock(GetParam());
    handheld.put("cepbook.txt", "the old phonebook");
    const std::string big = pattern(300 * 1024 + 17);
    local.write("cepbook.txt", big);

    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(device.layout(), std::string(GetParam()) == "4.20" ? RapiLayout::V1 : RapiLayout::V2);
    EXPECT_EQ(link.writeFile(local.file("cepbook.txt"), kPhonebook), SyncResult::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), big);
    local.write("empty.txt", "");
    EXPECT_EQ(link.writeFile(local.file("empty.txt"), "\\Program Files\\Tarvo\\ceregion.txt"), SyncResult::Done);
    EXPECT_EQ(link.writeFile(local.file("missing.txt"), kPhonebook), SyncResult::LocalMissing);
    EXPECT_EQ(link.writeFile(local.file("cepbook.txt"), "\\No Such Folder\\x.txt"), SyncResult::DeviceFileUnavailable);
    EXPECT_NE(device.fileAttributes(u"\\PROGRAM FILES\\tarvo\\CEPBOOK.TXT"), ce::kInvalidAttributes);
    EXPECT_EQ(device.fileAttributes(u"\\Program Files\\Tarvo\\cecity.txt"), ce::kInvalidAttributes);
    handheld.put("cecity.txt", "x");
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\cecity.txt"), SyncResult::Done);
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\cecity.txt"), SyncResult::Done);
    link.disconnect();
    EXPECT_EQ(strays({"cepbook.txt", "ceregion.txt"}), std::set<std::string>{});

    // Reading opens a session of its own.
    EXPECT_EQ(link.readFile(kPhonebook, local.file("back.txt")), SyncResult::Done);
    EXPECT_EQ(local.read("back.txt"), big);
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\ceregion.txt", local.file("empty-back.txt")), SyncResult::Done);
    EXPECT_EQ(local.read("empty-back.txt"), "");
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\nothing.txt", local.file("none.txt")),
              SyncResult::DeviceFileMissing);
    EXPECT_FALSE(local.exists("none.txt"));
    EXPECT_FALSE(device.connected());
}

TEST_P(RapiLayouts, registryKeysAreCreatedOpenedSetQueriedAndClosed)
{
    dock(GetParam());
    ASSERT_EQ(link.connect(), SyncResult::Done);
    const std::u16string path = u"Software\\Tarvo\\TarvoDialer\\config.ini\\Profile";
    DeviceHandle key = kNoDeviceHandle;
    ASSERT_EQ(device.regCreateKey(path, key), 0);
    const std::u16string text = u"Caf\u00e9 0,0";
    std::vector<std::uint8_t> data;
    for (char16_t c : text + u'\0') {
        data.push_back(static_cast<std::uint8_t>(c));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    EXPECT_EQ(device.regSetStringValue(key, u"IdleTimeout", data.data(), static_cast<std::uint32_t>(data.size())), 0);
    EXPECT_EQ(device.regCloseKey(key), 0);
    EXPECT_EQ(device.regCloseKey(key), ce::kErrorInvalidHandle);

    DeviceHandle again = kNoDeviceHandle;
    ASSERT_EQ(device.regOpenKey(u"SOFTWARE\\tarvo\\TarvoDialer\\config.ini\\Profile", again), 0);
    std::u16string value;
    EXPECT_EQ(device.regQueryString(again, u"idletimeout", value), 0);
    EXPECT_EQ(value, text);
    EXPECT_EQ(device.regQueryString(again, u"Missing", value), ce::kErrorFileNotFound);
    EXPECT_EQ(device.regCloseKey(again), 0);
    EXPECT_EQ(device.regOpenKey(u"Software\\Nobody", again), ce::kErrorFileNotFound);
    link.disconnect();
    EXPECT_NE(handheld.root.read("registry.reg")
                  .find("[HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\config.ini\\Profile]\r\n"
                        "\"IdleTimeout\"=\"Caf\xC3\xA9 0,0\""),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(OsVersions, RapiLayouts, ::testing::Values("4.20", "5.1", "6.0"));

TEST_F(RapiTest, aFailedCreateOrValueGivesThePlatformsResult)
{
    dock("5.2", [](ceemu::EmulatorOptions& o) {
        o.failCreate = "CEPBOOK.TXT";
        o.failValue = "DialTimeout";
        o.failKey = "Software\\Tarvo\\TarvoDialer\\userpref.ini\\Main";
    });
    handheld.put("cepbook.txt", "old");
    local.write("cepbook.txt", "new");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(local.file("cepbook.txt"), kPhonebook), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(handheld.get("cepbook.txt"), "old");
    DeviceHandle key = kNoDeviceHandle;
    EXPECT_EQ(device.regCreateKey(u"Software\\Tarvo\\TarvoDialer\\userpref.ini\\Main", key), ce::kErrorAccessDenied);
    ASSERT_EQ(device.regCreateKey(u"Software\\Tarvo\\TarvoDialer\\config.ini\\Profile", key), 0);
    const std::uint8_t one[] = {'1', 0, 0, 0};
    EXPECT_EQ(device.regSetStringValue(key, u"DialTimeout", one, 4), ce::kErrorAccessDenied);
    EXPECT_EQ(device.regSetStringValue(key, u"ProfileID", one, 4), 0);
    EXPECT_EQ(device.regCloseKey(key), 0);
    link.disconnect();
    EXPECT_EQ(strays({"cepbook.txt"}), std::set<std::string>{});
}

TEST_F(RapiTest, aHandheldThatVanishesMidCopyLeavesTheTargetWhole)
{
    dock("5.1", [](ceemu::EmulatorOptions& o) { o.dropAfterBytes = 200 * 1024; });
    handheld.put("cepbook.txt", "the old phonebook");
    local.write("cepbook.txt", pattern(1024 * 1024));
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(local.file("cepbook.txt"), kPhonebook), SyncResult::DeviceFileUnavailable);
    link.disconnect();
    EXPECT_EQ(emulator->waitForEnd(), ceemu::CeEmulator::End::Dropped);
    EXPECT_EQ(handheld.get("cepbook.txt"), "the old phonebook");
    // The handheld is gone from the hub: the next connection waits and fails.
    link.setConnectTimeout(300ms);
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(device.refusal(), RapiDevice::Refusal::NoDevice);
}

TEST_F(RapiTest, answersSlowerThanTheTimeoutFailTheCopyAndKeepTheTarget)
{
    dock("5.1", [](ceemu::EmulatorOptions& o) { o.slowAnswers = 400ms; });
    handheld.put("cepbook.txt", "the old phonebook");
    local.write("cepbook.txt", "new");
    device.setAnswerTimeout(100ms);
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(local.file("cepbook.txt"), kPhonebook), SyncResult::DeviceFileUnavailable);
    link.disconnect();
    EXPECT_EQ(handheld.get("cepbook.txt"), "the old phonebook");
}

TEST_F(RapiTest, aHandheldPasswordComesFromTheAskingProgram)
{
    dock("5.1", [](ceemu::EmulatorOptions& o) { o.password = "2468"; });
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(device.refusal(), RapiDevice::Refusal::PasswordRequired);
    device.setPassword("1111");
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(device.refusal(), RapiDevice::Refusal::PasswordRejected);
    device.setPassword("2468");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(device.deviceName(), "TarvoHandheld");
    link.disconnect();
}

TEST(RapiDevice, noHubFailsAtOnce)
{
    test::TempDir dir;
    RapiDevice device(dir.file("no-hub.sock"));
    test::RecordingFrontEnd ui;
    DeviceLink link(device, ui);
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(device.refusal(), RapiDevice::Refusal::NoHub);
    EXPECT_EQ(ui.pumps, 0);
}

} // namespace
} // namespace tarvo

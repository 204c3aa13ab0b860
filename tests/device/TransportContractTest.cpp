// What every transport does for the device link, one body each, run
// against the simulated handheld and against this platform's others
// (handhelds emulated in both command layouts through the hub on Linux, the
// stand-in rapi.dll on Windows): copies both ways, the registry, the
// faults a handheld answers with, a device's own rules for open files and
// renames, and the repair of an interrupted replacement.
#include "ceproto/CeWin32.h"
#include "device/DeviceLink.h"
#include "fixtures/HandheldUnderTest.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using namespace test;

constexpr const char* kPhonebook = "\\Program Files\\Tarvo\\cepbook.txt";
constexpr std::u16string_view kFolder = u"\\Program Files\\Tarvo\\";

std::string pattern(std::size_t size)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return data;
}

struct TransportContract : ::testing::TestWithParam<const char*> {
    HandheldUnderTest handheld{GetParam()};
    TempDir local;
    RecordingFrontEnd ui;
    std::unique_ptr<DeviceLink> link;

    void start(const HandheldUnderTest::Faults& faults = {})
    {
        handheld.start(faults);
        link = std::make_unique<DeviceLink>(handheld.transport(), ui);
        link->setConnectTimeout(5s);
    }
    DeviceTransport& device() { return handheld.transport(); }
    std::u16string at(std::u16string_view name) const { return std::u16string(kFolder) + std::u16string(name); }
};

TEST_P(TransportContract, copiesBothWaysReplacingWholeAndLeavingNothingElse)
{
    start();
    handheld.folder.put("CEPBOOK.TXT", "the old phonebook");
    const std::string big = pattern(300 * 1024 + 17);
    local.write("cepbook.txt", big);
    local.write("empty.txt", "");

    ASSERT_EQ(link->connect(), SyncResult::Done);
    EXPECT_EQ(link->writeFile(local.file("cepbook.txt"), kPhonebook), SyncResult::Done);
    EXPECT_EQ(link->writeFile(local.file("empty.txt"), "\\Program Files\\Tarvo\\ceregion.txt"), SyncResult::Done);
    EXPECT_EQ(link->writeFile(local.file("missing.txt"), kPhonebook), SyncResult::LocalMissing);
    // The device creates no folders for a new file, and nothing leaves it.
    EXPECT_EQ(link->writeFile(local.file("cepbook.txt"), "\\No Such Folder\\x.txt"), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link->writeFile(local.file("cepbook.txt"), "\\Program Files\\..\\..\\escape.txt"),
              SyncResult::DeviceFileUnavailable);
    std::uint32_t attributes = 0;
    EXPECT_EQ(device().fileAttributes(u"\\PROGRAM FILES\\tarvo\\cepbook.txt", attributes), 0);
    EXPECT_EQ(attributes, ce::kAttributeNormal);
    handheld.folder.put("cecity.txt", "x");
    EXPECT_EQ(link->deleteFile("\\Program Files\\Tarvo\\CECITY.TXT"), SyncResult::Done);
    EXPECT_EQ(device().findFile(at(u"cecity.txt")), ce::kErrorFileNotFound);
    EXPECT_EQ(device().findFile(u"\\No Such Folder\\x.txt"), ce::kErrorPathNotFound);
    link->disconnect();
    // Names match ignoring case; the file put in place has the name the
    // desktop gave, as a rename on the device gives it.
    EXPECT_EQ(handheld.folder.files(), (std::set<std::string>{"cepbook.txt", "ceregion.txt"}));
    EXPECT_TRUE(handheld.folder.get("cepbook.txt") == big);
    EXPECT_FALSE(handheld.folder.root.exists("escape.txt"));

    // Reading opens a session of its own.
    EXPECT_EQ(link->readFile(kPhonebook, local.file("back.txt")), SyncResult::Done);
    EXPECT_TRUE(local.read("back.txt") == big);
    EXPECT_EQ(link->readFile("\\Program Files\\Tarvo\\ceregion.txt", local.file("empty-back.txt")), SyncResult::Done);
    EXPECT_EQ(local.read("empty-back.txt"), "");
    EXPECT_EQ(link->readFile("\\Program Files\\Tarvo\\nothing.txt", local.file("none.txt")),
              SyncResult::DeviceFileMissing);
    EXPECT_FALSE(local.exists("none.txt"));
    // Outside a session the device does nothing.
    EXPECT_EQ(device().findFile(at(u"cepbook.txt")), ce::kErrorNotConnected);
}

TEST_P(TransportContract, registryKeysAreCreatedOpenedSetQueriedAndClosed)
{
    start();
    ASSERT_EQ(link->connect(), SyncResult::Done);
    const std::u16string path = u"Software\\Tarvo\\TarvoDialer\\config.ini\\Profile";
    DeviceHandle key = kNoDeviceHandle;
    ASSERT_EQ(device().regCreateKey(path, key), 0);
    const std::u16string text = u"Caf\u00e9 0,0";
    std::vector<std::uint8_t> data;
    for (char16_t c : text + u'\0') {
        data.push_back(static_cast<std::uint8_t>(c));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    EXPECT_EQ(device().regSetStringValue(key, u"IdleTimeout", data.data(), static_cast<std::uint32_t>(data.size())),
              0);
    EXPECT_EQ(device().regCloseKey(key), 0);
    EXPECT_EQ(device().regCloseKey(key), ce::kErrorInvalidHandle);

    DeviceHandle again = kNoDeviceHandle;
    ASSERT_EQ(device().regOpenKey(u"SOFTWARE\\tarvo\\TarvoDialer\\config.ini\\Profile", again), 0);
    std::u16string value;
    EXPECT_EQ(device().regQueryString(again, u"idletimeout", value), 0);
    EXPECT_EQ(value, text);
    EXPECT_EQ(device().regQueryString(again, u"Missing", value), ce::kErrorFileNotFound);
    EXPECT_EQ(device().regCloseKey(again), 0);
    EXPECT_EQ(device().regOpenKey(u"Software\\Nobody", again), ce::kErrorFileNotFound);
    link->disconnect();
    EXPECT_NE(handheld.folder.root.read("registry.reg")
                  .find("[HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\config.ini\\Profile]\r\n"
                        "\"IdleTimeout\"=\"Caf\xC3\xA9 0,0\""),
              std::string::npos);
}

TEST_P(TransportContract, whatTheHandheldRefusesLeavesItsFilesAsTheyWere)
{
    start({.failCreate = "cecountry.txt", .failWrite = "CEPBOOK.TXT", .failKey = "Software\\Tarvo\\Blocked",
           .failValue = "DialTimeout"});
    handheld.folder.put("cepbook.txt", "old");
    handheld.folder.put("cecountry.txt", "old countries");
    local.write("new.txt", pattern(100 * 1024));
    ASSERT_EQ(link->connect(), SyncResult::Done);
    // The partial file of a refused write is neither renamed nor left.
    EXPECT_EQ(link->writeFile(local.file("new.txt"), kPhonebook), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link->writeFile(local.file("new.txt"), "\\Program Files\\Tarvo\\cecountry.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link->writeFile(local.file("new.txt"), "\\Program Files\\Tarvo\\ceregion.txt"), SyncResult::Done);
    DeviceHandle key = kNoDeviceHandle;
    EXPECT_EQ(device().regCreateKey(u"Software\\Tarvo\\Blocked", key), ce::kErrorAccessDenied);
    ASSERT_EQ(device().regCreateKey(u"Software\\Tarvo\\Open", key), 0);
    const std::uint8_t one[] = {'1', 0, 0, 0};
    EXPECT_EQ(device().regSetStringValue(key, u"DialTimeout", one, 4), ce::kErrorAccessDenied);
    EXPECT_EQ(device().regSetStringValue(key, u"ProfileID", one, 4), 0);
    EXPECT_EQ(device().regCloseKey(key), 0);
    link->disconnect();
    EXPECT_EQ(handheld.folder.get("cepbook.txt"), "old");
    EXPECT_EQ(handheld.folder.get("cecountry.txt"), "old countries");
    EXPECT_EQ(handheld.folder.files(), (std::set<std::string>{"cecountry.txt", "cepbook.txt", "ceregion.txt"}));
}

TEST_P(TransportContract, anOpenFileIsNeitherDeletedNorRenamedAndARenameTakesNoName)
{
    start();
    handheld.folder.put("taken.txt", "taken");
    ASSERT_EQ(link->connect(), SyncResult::Done);
    DeviceHandle file = kNoDeviceHandle;
    ASSERT_EQ(device().createFile(at(u"open.txt"), DeviceOpen::WriteReplace, file), 0);
    EXPECT_EQ(device().deleteFile(at(u"open.txt")), ce::kErrorSharingViolation);
    EXPECT_EQ(device().moveFile(at(u"open.txt"), at(u"moved.txt")), ce::kErrorSharingViolation);
    DeviceHandle again = kNoDeviceHandle;
    EXPECT_EQ(device().createFile(at(u"open.txt"), DeviceOpen::WriteReplace, again), ce::kErrorSharingViolation);
    EXPECT_EQ(device().closeHandle(file), 0);
    EXPECT_EQ(device().moveFile(at(u"open.txt"), at(u"TAKEN.TXT")), ce::kErrorAlreadyExists);
    EXPECT_EQ(device().moveFile(at(u"open.txt"), at(u"moved.txt")), 0);
    EXPECT_EQ(device().createDirectory(at(u"Sub")), 0);
    EXPECT_EQ(device().createDirectory(at(u"sub")), ce::kErrorAlreadyExists);
    EXPECT_EQ(device().createDirectory(u"\\Nowhere\\Sub"), ce::kErrorPathNotFound);
    link->disconnect();
    EXPECT_EQ(handheld.folder.files(), (std::set<std::string>{"Sub", "moved.txt", "taken.txt"}));
}

TEST_P(TransportContract, aReplacementCutBetweenItsRenamesIsUndoneBeforeTheReadBack)
{
    start();
    handheld.folder.put("cepbook.txt.previous", "#VER 1 - merged\r\nP1\r\n");
    handheld.folder.put("cepbook.txt.partial", "#VER 1 - merged\r\nP2\r\n");
    link->setGuardedFiles({kPhonebook});
    EXPECT_EQ(link->readFile(kPhonebook, local.file("cepbook.txt")), SyncResult::Done);
    EXPECT_EQ(local.read("cepbook.txt"), "#VER 1 - merged\r\nP1\r\n");
    EXPECT_EQ(handheld.folder.files(), (std::set<std::string>{"cepbook.txt", "cepbook.txt.partial"}));
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportContract, ::testing::ValuesIn(HandheldUnderTest::kinds()),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

} // namespace
} // namespace tarvo

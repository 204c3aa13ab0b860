// The simulated handheld's own ways: its knobs, its file names on the
// desktop, and its registry file (what every transport does is in
// TransportContractTest).
#include "device/FolderDevice.h"

#include "ceproto/CeWin32.h"
#include "device/DeviceLink.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using namespace std::chrono_literals;
using namespace tarvo::test;

namespace {

constexpr const char* kPhonebook = "\\Program Files\\Tarvo\\cepbook.txt";

struct FolderDeviceTest : ::testing::Test {
    HandheldFolder handheld;
    const TempDir& root = handheld.root;
    TempDir desktop; // local files
    FolderDevice device{handheld.folder()};
    RecordingFrontEnd ui;
    DeviceLink link{device, ui};

    FolderDeviceTest() { link.setConnectTimeout(2s); }
    void knobs(const std::string& lines) { handheld.knobs(lines); }
};

} // namespace

TEST_F(FolderDeviceTest, slowHandheldConnectsWithinTheWait)
{
    knobs("StartDelayMs=150\r\n");
    EXPECT_EQ(link.connect(), SyncResult::Done);
    EXPECT_GT(ui.pumps, 0);
    EXPECT_TRUE(device.connected());
    link.disconnect();
    EXPECT_FALSE(device.sessionActive());
}

TEST_F(FolderDeviceTest, handheldsThatDoNotAnswerLeaveNoSession)
{
    link.setConnectTimeout(100ms);
    for (const char* setting : {"StartDelayMs=-1\r\n", "StartDelayMs=1000\r\n", "StartStatus=-2147467259\r\n",
                                "RefuseSession=yes\r\n"}) {
        knobs(setting);
        EXPECT_EQ(link.connect(), SyncResult::NoConnection) << setting;
        EXPECT_EQ(link.refusal(), SessionRefusal::NoDevice) << setting;
        EXPECT_FALSE(device.sessionActive()) << setting;
        EXPECT_FALSE(device.connected()) << setting;
    }

    // Without a folder nothing answers at all.
    FolderDevice absent((root.path() / "unplugged").string());
    DeviceLink absentLink(absent, ui);
    absentLink.setConnectTimeout(100ms);
    int pumpsBefore = ui.pumps;
    EXPECT_EQ(absentLink.connect(), SyncResult::NoConnection);
    EXPECT_GT(ui.pumps, pumpsBefore);
    EXPECT_FALSE(absent.sessionActive());

    FolderDevice none("");
    DeviceLink noneLink(none, ui);
    noneLink.setConnectTimeout(50ms);
    EXPECT_EQ(noneLink.connect(), SyncResult::NoConnection);
}

TEST_F(FolderDeviceTest, readKnobsAndFoldersFailTheCopy)
{
    handheld.put("cepbook.txt", "#VER 1 - merged\r\nPOP1\r\n");
    desktop.write("cepbook.txt", "untouched");
    // A folder of that name is found but cannot be read.
    std::filesystem::create_directory(handheld.tarvo() / "cecity.txt");
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cecity.txt", desktop.file("city.txt")),
              SyncResult::DeviceFileUnavailable);

    knobs("ReadLimitBytes=10\r\n");
    EXPECT_EQ(link.readFile(kPhonebook, desktop.file("cepbook.txt")), SyncResult::DeviceFileUnavailable);

    knobs("StartDelayMs=-1\r\n");
    link.setConnectTimeout(50ms);
    EXPECT_EQ(link.readFile(kPhonebook, desktop.file("cepbook.txt")), SyncResult::NoConnection);
    EXPECT_EQ(desktop.read("cepbook.txt"), "untouched");
    EXPECT_FALSE(device.sessionActive());
    EXPECT_EQ(device.openHandles(), 0u);
}

TEST_F(FolderDeviceTest, writeKnobsFailOnlyTheFilesTheyName)
{
    handheld.put("ceregion.txt", "old regions");
    desktop.write("big.txt", std::string(3 * 4096, 'x'));
    knobs("WriteLimitBytes=5000\r\nWriteLimitFile=CEREGION.TXT\r\nFailValueWrites=yes\r\n");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(desktop.file("big.txt"), "\\Program Files\\Tarvo\\ceregion.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(handheld.get("ceregion.txt"), "old regions");
    EXPECT_EQ(link.writeFile(desktop.file("big.txt"), kPhonebook), SyncResult::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), std::string(3 * 4096, 'x'));
    DeviceHandle key = kNoDeviceHandle;
    ASSERT_EQ(device.regCreateKey(u"Software\\Tarvo\\Open", key), 0);
    const std::uint8_t data[] = {'o', 0, 'k', 0, 0, 0};
    EXPECT_EQ(device.regSetStringValue(key, u"Any", data, sizeof data), ce::kErrorAccessDenied);
    EXPECT_EQ(device.regCloseKey(key), 0);
    EXPECT_EQ(device.openHandles(), 0u);
    link.disconnect();
    EXPECT_EQ(handheld.files(), (std::set<std::string>{"cepbook.txt", "ceregion.txt"}));
}

TEST_F(FolderDeviceTest, nonAsciiDevicePathsBecomeUtf8FileNames)
{
    desktop.write("local.txt", "data");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(desktop.file("local.txt"), "\\Program Files\\Tarvo\\caf\xE9.txt"), SyncResult::Done);
    EXPECT_EQ(handheld.get("caf\xC3\xA9.txt"), "data");
    // Upper-case É in the path finds the same file.
    EXPECT_EQ(link.writeFile(desktop.file("local.txt"), "\\Program Files\\Tarvo\\CAF\xC9.TXT"), SyncResult::Done);
    EXPECT_EQ(handheld.files().size(), 1u);
    // A folder is not deleted as a file.
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo"), SyncResult::Done);
    EXPECT_TRUE(root.exists("fs/Program Files/Tarvo"));
    link.disconnect();
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\caf\xE9.txt", desktop.file("back.txt")), SyncResult::Done);
    EXPECT_EQ(desktop.read("back.txt"), "data");
}

TEST_F(FolderDeviceTest, theRegistryFileIsReadAtEverySessionAndWhatAKilledSaveLeftGoes)
{
    root.write("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tarvo]\r\n"
                               "\"Kept\"=\"yes\"\r\n");
    root.write("registry.reg.tmpQwErTy", "half a registry");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_FALSE(root.exists("registry.reg.tmpQwErTy"));
    DeviceHandle key = kNoDeviceHandle;
    ASSERT_EQ(device.regOpenKey(u"software\\tarvo", key), 0);
    std::u16string value;
    EXPECT_EQ(device.regQueryString(key, u"KEPT", value), 0);
    EXPECT_EQ(value, u"yes");
    link.disconnect();
    // Outside a session the registry is out of reach.
    EXPECT_EQ(device.regCreateKey(u"Software\\Tarvo\\Open", key), ce::kErrorNotConnected);
}

TEST_F(FolderDeviceTest, aSessionComingUpLeavesAnotherProgramsReplacementInFlightAlone)
{
    // Another working folder replaces the phonebook of the same handheld,
    // and is between writing and renaming as this session comes up.
    handheld.put("cepbook.txt", "old");
    FolderDevice other(handheld.folder());
    DeviceLink otherLink(other, ui);
    ASSERT_EQ(otherLink.connect(), SyncResult::Done);
    DeviceHandle writing = kNoDeviceHandle;
    ASSERT_EQ(other.createFile(u"\\Program Files\\Tarvo\\cepbook.txt.partial", DeviceOpen::WriteReplace, writing), 0);
    const std::string book = "#VER 1 - merged\r\nUS,TX,Austin\r\n";
    std::uint32_t written = 0;
    ASSERT_EQ(other.writeFile(writing, book.data(), static_cast<std::uint32_t>(book.size()), written), 0);

    link.setGuardedFiles({kPhonebook});
    ASSERT_EQ(link.connect(), SyncResult::Done);
    link.disconnect();

    EXPECT_EQ(other.closeHandle(writing), 0);
    EXPECT_EQ(other.moveFile(u"\\Program Files\\Tarvo\\cepbook.txt", u"\\Program Files\\Tarvo\\cepbook.txt.previous"),
              0);
    EXPECT_EQ(other.moveFile(u"\\Program Files\\Tarvo\\cepbook.txt.partial", u"\\Program Files\\Tarvo\\cepbook.txt"),
              0);
    otherLink.disconnect();
    EXPECT_EQ(handheld.get("cepbook.txt"), book);
}

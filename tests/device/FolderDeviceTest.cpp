// The device link against the simulated handheld folder.
#include "device/FolderDevice.h"

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
    TempDir desktop;  // local files
    FolderDevice device{handheld.folder()};
    RecordingFrontEnd ui;
    DeviceLink link{device, ui};

    FolderDeviceTest() { link.setConnectTimeout(2s); }
    void knobs(const std::string& lines) { handheld.knobs(lines); }
    std::string onDevice(const std::string& name) const { return handheld.get(name); }
    bool existsOnDevice(const std::string& name) const { return handheld.has(name); }
    std::size_t entriesInTarvo() const { return handheld.files().size(); }
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

TEST_F(FolderDeviceTest, readFileResults)
{
    desktop.write("cepbook.txt", "untouched");
    EXPECT_EQ(link.readFile(kPhonebook, desktop.file("cepbook.txt")), SyncResult::DeviceFileMissing);
    EXPECT_EQ(desktop.read("cepbook.txt"), "untouched");

    handheld.put("cepbook.txt", "");
    EXPECT_EQ(link.readFile(kPhonebook, desktop.file("empty.txt")), SyncResult::Done);
    EXPECT_TRUE(desktop.exists("empty.txt"));
    EXPECT_EQ(desktop.read("empty.txt"), "");

    // Names on the device match ignoring case.
    handheld.put("cepbook.txt", "#VER 1 - merged\r\nPOP1\r\n");
    EXPECT_EQ(link.readFile("\\PROGRAM FILES\\tarvo\\CEPBOOK.TXT", desktop.file("cepbook.txt")), SyncResult::Done);
    EXPECT_EQ(desktop.read("cepbook.txt"), "#VER 1 - merged\r\nPOP1\r\n");

    // A folder of that name is found but cannot be read.
    std::filesystem::create_directory(handheld.tarvo() / "cecity.txt");
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cecity.txt", desktop.file("city.txt")),
              SyncResult::DeviceFileUnavailable);

    knobs("ReadLimitBytes=10\r\n");
    EXPECT_EQ(link.readFile(kPhonebook, desktop.file("cepbook.txt")), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(desktop.read("cepbook.txt"), "#VER 1 - merged\r\nPOP1\r\n");

    knobs("StartDelayMs=-1\r\n");
    link.setConnectTimeout(50ms);
    EXPECT_EQ(link.readFile(kPhonebook, desktop.file("cepbook.txt")), SyncResult::NoConnection);
    EXPECT_FALSE(device.sessionActive());
    EXPECT_EQ(device.openHandles(), 0u);
}

TEST_F(FolderDeviceTest, writeFileReplacesTheWholeFile)
{
    handheld.put("CEPBOOK.TXT", std::string(9000, 'o'));
    desktop.write("cepbook.txt", "new\r\n");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(desktop.file("cepbook.txt"), kPhonebook), SyncResult::Done);
    // The existing file keeps its spelling.
    EXPECT_EQ(onDevice("CEPBOOK.TXT"), "new\r\n");
    EXPECT_EQ(entriesInTarvo(), 1u);

    EXPECT_EQ(link.writeFile(desktop.file("missing.txt"), "\\Program Files\\Tarvo\\cecountry.txt"),
              SyncResult::LocalMissing);
    EXPECT_EQ(entriesInTarvo(), 1u);

    // The device creates no folders for a new file, and nothing leaves fs/.
    EXPECT_EQ(link.writeFile(desktop.file("cepbook.txt"), "\\Program Files\\Other\\cepbook.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link.writeFile(desktop.file("cepbook.txt"), "\\Program Files\\..\\..\\escape.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_FALSE(root.exists("escape.txt"));
    link.disconnect();

    // Outside a session the device does nothing.
    EXPECT_EQ(link.writeFile(desktop.file("cepbook.txt"), "\\Program Files\\Tarvo\\cecountry.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_FALSE(existsOnDevice("cecountry.txt"));
}

TEST_F(FolderDeviceTest, writeFailingPartWayKeepsThePreviousContent)
{
    handheld.put("cepbook.txt", "previous");
    handheld.put("ceregion.txt", "old regions");
    desktop.write("big.txt", std::string(3 * 4096, 'x'));
    knobs("WriteLimitBytes=5000\r\nWriteLimitFile=CEREGION.TXT\r\nFailCreateFile=cecountry.txt\r\n");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(desktop.file("big.txt"), "\\Program Files\\Tarvo\\ceregion.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(onDevice("ceregion.txt"), "old regions");
    EXPECT_EQ(link.writeFile(desktop.file("big.txt"), "\\Program Files\\Tarvo\\cecountry.txt"),
              SyncResult::DeviceFileUnavailable);
    EXPECT_FALSE(existsOnDevice("cecountry.txt"));
    // The limit is for the named file only.
    EXPECT_EQ(link.writeFile(desktop.file("big.txt"), kPhonebook), SyncResult::Done);
    EXPECT_EQ(onDevice("cepbook.txt"), std::string(3 * 4096, 'x'));
    EXPECT_EQ(entriesInTarvo(), 2u); // no temporary files left
    EXPECT_EQ(device.openHandles(), 0u);
    link.disconnect();
}

TEST_F(FolderDeviceTest, nonAsciiDevicePathsBecomeUtf8FileNames)
{
    desktop.write("local.txt", "data");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.writeFile(desktop.file("local.txt"), "\\Program Files\\Tarvo\\caf\xE9.txt"), SyncResult::Done);
    EXPECT_EQ(onDevice("caf\xC3\xA9.txt"), "data");
    // Upper-case É in the path finds the same file.
    EXPECT_EQ(link.writeFile(desktop.file("local.txt"), "\\Program Files\\Tarvo\\CAF\xC9.TXT"), SyncResult::Done);
    EXPECT_EQ(entriesInTarvo(), 1u);
    link.disconnect();
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\caf\xE9.txt", desktop.file("back.txt")), SyncResult::Done);
    EXPECT_EQ(desktop.read("back.txt"), "data");
}

TEST_F(FolderDeviceTest, deleteFileOfMissingFileReportsSuccess)
{
    handheld.put("cecity.txt", "x");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\CECITY.txt"), SyncResult::Done);
    EXPECT_FALSE(existsOnDevice("cecity.txt"));
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\cecity.txt"), SyncResult::Done);
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo"), SyncResult::Done);
    EXPECT_TRUE(root.exists("fs/Program Files/Tarvo"));
    link.disconnect();
}

TEST_F(FolderDeviceTest, registryChangesAreSavedAndKnobsFailThem)
{
    knobs("FailRegistryKey=software\\tarvo\\blocked\r\nFailValueName=Bad\r\n");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    DeviceHandle key = kNoDeviceHandle;
    ASSERT_EQ(device.regCreateKey(u"Software\\Tarvo\\Open", key), 0);
    const std::uint8_t data[] = {'o', 0, 'k', 0, 0xE9, 0, 0, 0};
    EXPECT_EQ(device.regSetStringValue(key, u"Good", data, sizeof data), 0);
    EXPECT_NE(device.regSetStringValue(key, u"BAD", data, sizeof data), 0);
    EXPECT_EQ(device.regCloseKey(key), 0);
    EXPECT_NE(device.regSetStringValue(key, u"Good", data, sizeof data), 0);

    DeviceHandle blocked = kNoDeviceHandle;
    EXPECT_NE(device.regCreateKey(u"Software\\Tarvo\\Blocked", blocked), 0);
    EXPECT_EQ(blocked, kNoDeviceHandle);
    link.disconnect();

    RegistryFile saved(root.file("registry.reg"));
    ASSERT_TRUE(saved.load());
    std::string value;
    ASSERT_TRUE(saved.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\Open", "Good", value));
    EXPECT_EQ(value, "ok\xC3\xA9");
    EXPECT_FALSE(saved.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\Open", "Bad", value));
    EXPECT_FALSE(saved.keyExists("HKEY_CURRENT_USER\\Software\\Tarvo\\Blocked"));

    // Outside a session the registry is out of reach.
    EXPECT_NE(device.regCreateKey(u"Software\\Tarvo\\Open", key), 0);
}

TEST_F(FolderDeviceTest, theFirstSessionRemovesWhatAKilledWriterLeft)
{
    handheld.put("cepbook.txt", "#VER 1 - merged\r\n");
    handheld.put("cepbook.txt.tmpAb12Cd", "half a phonebook");
    handheld.put("ceregion.txt.tmpZZZZZZ", "half a table");
    handheld.put("notes.tmp", "not a leftover");
    std::filesystem::create_directories(handheld.tarvo() / "Sub");
    root.write("fs/Program Files/Tarvo/Sub/x.txt.tmp000000", "deeper");
    root.write("registry.reg.tmpQwErTy", "half a registry");
    root.write("simulator.ini.tmpQwErTy", "not the device's to clean");

    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(handheld.files(), (std::set<std::string>{"Sub", "cepbook.txt", "notes.tmp"}));
    EXPECT_FALSE(root.exists("fs/Program Files/Tarvo/Sub/x.txt.tmp000000"));
    EXPECT_FALSE(root.exists("registry.reg.tmpQwErTy"));
    EXPECT_TRUE(root.exists("simulator.ini.tmpQwErTy"));
    link.disconnect();

    // Later sessions of the same program leave the folder alone.
    handheld.put("cecountry.txt.tmpAAAAAA", "another");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_TRUE(handheld.has("cecountry.txt.tmpAAAAAA"));
    link.disconnect();
}

TEST_F(FolderDeviceTest, aSessionComingUpSparesAnotherLiveSessionsFileInFlight)
{
    // Another working folder syncs the same handheld and is writing now.
    FolderDevice other(handheld.folder());
    DeviceLink otherLink(other, ui);
    otherLink.setConnectTimeout(2s);
    ASSERT_EQ(otherLink.connect(), SyncResult::Done);
    const DeviceHandle writing = other.createFile(u"\\Program Files\\Tarvo\\cepbook.txt", DeviceOpen::WriteReplace);
    ASSERT_NE(writing, kNoDeviceHandle);
    const std::string book = "#VER 1 - merged\r\nUS,TX,Austin\r\n";
    std::uint32_t written = 0;
    ASSERT_TRUE(other.writeFile(writing, book.data(), static_cast<std::uint32_t>(book.size()), written));

    // This session's start-up sweep runs meanwhile.
    ASSERT_EQ(link.connect(), SyncResult::Done);
    link.disconnect();

    EXPECT_TRUE(other.closeHandle(writing));
    otherLink.disconnect();
    EXPECT_EQ(onDevice("cepbook.txt"), book);
}

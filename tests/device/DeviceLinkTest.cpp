// The device link against a handheld that fails on demand: the bounded
// wait, the copies and their bounds, the replace policy and its repair.
#include "device/DeviceLink.h"

#include "fixtures/FakeTransport.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

using namespace tarvo;
using namespace std::chrono_literals;
using namespace tarvo::test;

namespace {

constexpr const char* kPhonebookPath = "\\Program Files\\Tarvo\\cepbook.txt";
const std::u16string kPhonebook = u"\\Program Files\\Tarvo\\cepbook.txt";
const std::u16string kPartial = kPhonebook + u".partial";
const std::u16string kPrevious = kPhonebook + u".previous";

struct LinkTest : ::testing::Test {
    FakeTransport device;
    RecordingFrontEnd ui;
    DeviceLink link{device, ui};
    TempDir dir;

    LinkTest() { link.setClock(device.clock()); }

    std::string pattern(std::size_t size) const
    {
        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            data[i] = static_cast<char>('a' + i * 7 % 26);
        return data;
    }
    std::size_t filesInDir() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
    }
    // The device's files other than the phonebook.
    std::set<std::u16string> others() const
    {
        std::set<std::u16string> names;
        for (const auto& [path, content] : device.files)
            if (path != kPhonebook)
                names.insert(path);
        return names;
    }
};

} // namespace

TEST_F(LinkTest, slowHandheldConnectsWhileEventsArePumped)
{
    device.answerAfterWaits = 40; // one second of 25 ms slices
    device.startStatus = 7; // any status that is not negative is a session
    EXPECT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(ui.pumps, 40);
    EXPECT_TRUE(device.connected);
    EXPECT_EQ(device.depth, 1);
    for (auto wait : device.waits)
        EXPECT_LE(wait, DeviceLink::kWaitSlice);
    link.disconnect();
    EXPECT_EQ(device.depth, 0);
}

TEST_F(LinkTest, silentHandheldGivesUpAfterTheTimeoutAndEndsTheSession)
{
    device.answerAfterWaits = -1;
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(link.refusal(), SessionRefusal::NoDevice);
    auto waited = std::accumulate(device.waits.begin(), device.waits.end(), 0ms);
    EXPECT_EQ(waited, DeviceLink::kConnectTimeout);
    EXPECT_EQ(ui.pumps, static_cast<int>(device.waits.size()));
    EXPECT_EQ(device.starts, 1);
    EXPECT_EQ(device.ends, 1);
    EXPECT_EQ(device.depth, 0);

    // A shortened timeout that is no multiple of the slice: the last wait
    // takes only what is left.
    FakeTransport quick;
    quick.answerAfterWaits = -1;
    DeviceLink shortLink(quick, ui);
    shortLink.setClock(quick.clock());
    shortLink.setConnectTimeout(60ms);
    EXPECT_EQ(shortLink.connect(), SyncResult::NoConnection);
    EXPECT_EQ(quick.waits, (std::vector<std::chrono::milliseconds>{25ms, 25ms, 10ms}));
}

TEST_F(LinkTest, timeLeftComesFromTheClockNotFromTheSlicesAsked)
{
    // Waits that overrun (the input queue woke them late) still end the
    // attempt after about five seconds.
    device.answerAfterWaits = -1;
    device.waitCost = 1200ms;
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(device.waits.size(), 5u);
    EXPECT_EQ(device.depth, 0);
}

TEST_F(LinkTest, aStartThatFailsSaysWhyAndLeavesNoSession)
{
    for (SessionRefusal why : {SessionRefusal::NoManager, SessionRefusal::Locked, SessionRefusal::PasswordRefused}) {
        device.refuseStart = why;
        EXPECT_EQ(link.connect(), SyncResult::NoConnection);
        EXPECT_EQ(link.refusal(), why);
        EXPECT_EQ(device.depth, 0);
    }
    device.refuseStart = SessionRefusal::None;
    link.setPassword("2468");
    EXPECT_EQ(device.password, "2468");
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_EQ(link.refusal(), SessionRefusal::None);
    link.disconnect();

    FakeTransport broken;
    broken.waitFails = true;
    DeviceLink brokenLink(broken, ui);
    EXPECT_EQ(brokenLink.connect(), SyncResult::NoConnection);
    EXPECT_EQ(broken.depth, 0);

    FakeTransport negative;
    negative.answerAfterWaits = 3;
    negative.startStatus = -1;
    DeviceLink negativeLink(negative, ui);
    negativeLink.setClock(negative.clock());
    EXPECT_EQ(negativeLink.connect(), SyncResult::NoConnection);
    EXPECT_EQ(negativeLink.refusal(), SessionRefusal::NoDevice);
    EXPECT_EQ(negative.depth, 0);
    EXPECT_FALSE(negative.connected);
}

TEST_F(LinkTest, readFileCopiesInBlocksInsideItsOwnSession)
{
    for (std::size_t size : {std::size_t{0}, std::size_t{4096}, std::size_t{3 * 4096 + 1}}) {
        device.files[kPhonebook] = pattern(size);
        device.readSizes.clear();
        EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::Done);
        EXPECT_EQ(dir.read("cepbook.txt"), device.files[kPhonebook]);
        EXPECT_EQ(device.readSizes.size(), size / 4096 + 2 - (size % 4096 == 0 ? 1 : 0));
        for (auto asked : device.readSizes)
            EXPECT_EQ(asked, 4096u);
    }
    EXPECT_EQ(device.depth, 0);
    EXPECT_EQ(device.starts, device.ends);
    EXPECT_EQ(device.openHandles(), 0u);
}

TEST_F(LinkTest, readFileFailuresLeaveTheLocalFileAlone)
{
    dir.write("cepbook.txt", "previous");
    device.files[kPhonebook] = pattern(10000);

    device.readFailsAfter = 5000;
    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::DeviceFileUnavailable);
    device.readFailsAfter = -1;

    device.unopenable.insert(kPhonebook);
    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::DeviceFileUnavailable);
    device.unopenable.clear();

    // Only "not found" answers mean there is no file: a search that the
    // link dropped, that got no answer, or that was denied is no answer.
    for (DeviceError error : {ce::kErrorGenFailure, ce::kErrorAccessDenied}) {
        device.findErrors[kPhonebook] = error;
        EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::DeviceFileUnavailable) << error;
    }
    for (DeviceError error : {ce::kErrorPathNotFound, ce::kErrorNoMoreFiles}) {
        device.findErrors[kPhonebook] = error;
        EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::DeviceFileMissing) << error;
    }
    device.findErrors.clear();
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\nothing.txt", dir.file("cepbook.txt")),
              SyncResult::DeviceFileMissing);

    // A copy is bounded in size and in time.
    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt"), 9999), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("whole.txt"), 10000), SyncResult::Done);
    device.readCost = 10s;
    link.setReadDeadline(25s);
    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::DeviceFileUnavailable);
    device.readCost = 0s;

    device.refuseStart = SessionRefusal::NoDevice;
    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("cepbook.txt")), SyncResult::NoConnection);
    device.refuseStart = SessionRefusal::None;

    EXPECT_EQ(dir.read("cepbook.txt"), "previous");
    EXPECT_EQ(filesInDir(), 2u); // and whole.txt: no temporary file left behind
    EXPECT_EQ(device.starts, device.ends);
    EXPECT_EQ(device.openHandles(), 0u);

    EXPECT_EQ(link.readFile(kPhonebookPath, dir.file("no/such/folder/cepbook.txt")), SyncResult::LocalUnwritable);
}

TEST_F(LinkTest, aWriteGoesToThePartialFileAndReplacesTheTargetInOrder)
{
    ASSERT_EQ(link.connect(), SyncResult::Done);
    device.files[kPhonebook] = "previous";
    device.files[kPrevious] = "left by an interrupted replacement";
    dir.write("cepbook.txt", "new");
    EXPECT_EQ(link.writeFile(dir.file("cepbook.txt"), kPhonebookPath), SyncResult::Done);
    EXPECT_EQ(device.files[kPhonebook], "new");
    EXPECT_EQ(others(), std::set<std::u16string>{});
    // A device's rename refuses an existing name: the old file steps aside
    // first, and goes only once the new one stands in its place.
    EXPECT_EQ(device.log, (std::vector<std::string>{
                              "create cepbook.txt.partial", "close cepbook.txt.partial", "find cepbook.txt",
                              "delete cepbook.txt.previous", "move cepbook.txt -> cepbook.txt.previous",
                              "move cepbook.txt.partial -> cepbook.txt", "delete cepbook.txt.previous"}));

    // A first copy has nothing to put aside.
    device.log.clear();
    EXPECT_EQ(link.writeFile(dir.file("cepbook.txt"), "\\Program Files\\Tarvo\\ceregion.txt"), SyncResult::Done);
    EXPECT_EQ(device.log, (std::vector<std::string>{"create ceregion.txt.partial", "close ceregion.txt.partial",
                                                    "find ceregion.txt",
                                                    "move ceregion.txt.partial -> ceregion.txt"}));
    link.disconnect();
}

TEST_F(LinkTest, writeFileFailuresKeepTheDeviceFileAndLeaveNothingBehind)
{
    ASSERT_EQ(link.connect(), SyncResult::Done);
    device.files[kPhonebook] = "previous";
    dir.write("cepbook.txt", pattern(10000));
    const std::string local = dir.file("cepbook.txt");
    const auto expectKept = [&](const char* what) {
        EXPECT_EQ(device.files[kPhonebook], "previous") << what;
        EXPECT_EQ(others(), std::set<std::u16string>{}) << what;
        EXPECT_EQ(device.openHandles(), 0u) << what;
    };

    // A write the handheld refuses: the part written is closed, then
    // deleted (a device refuses to delete an open file), never renamed.
    device.writeFailsAfter = 5000;
    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(std::vector<std::string>(device.log.end() - 2, device.log.end()),
              (std::vector<std::string>{"close cepbook.txt.partial", "delete cepbook.txt.partial"}));
    expectKept("refused write");
    device.writeFailsAfter = -1;
    device.shortWrites = true;
    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::DeviceFileUnavailable);
    expectKept("short write");
    device.shortWrites = false;
    device.closeFails = true;
    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::DeviceFileUnavailable);
    expectKept("refused close");
    device.closeFails = false;
    device.uncreatable.insert(kPartial);
    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::DeviceFileUnavailable);
    expectKept("refused create");
    device.uncreatable.clear();
    // The old file cannot step aside, or the new one cannot take its place:
    // the old one stays where it was.
    device.findErrors[kPhonebook] = ce::kErrorAccessDenied;
    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::DeviceFileUnavailable);
    expectKept("failed search");
    device.findErrors.clear();
    device.dropWhen = [](const std::string& call) { return call == "move cepbook.txt.partial -> cepbook.txt"; };
    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::DeviceFileUnavailable);
    device.dropWhen = nullptr;
    link.disconnect();
    // The link dropped in the window between the renames: the old file
    // waits as NAME.previous, and the next session puts it back first.
    EXPECT_EQ(device.files.count(kPhonebook), 0u);
    EXPECT_EQ(device.files[kPrevious], "previous");
    // Only a missing file is put back; a whole one keeps its place.
    const std::u16string countries = u"\\Program Files\\Tarvo\\cecountry.txt";
    device.files[countries] = "whole";
    device.files[countries + u".previous"] = "older";
    link.setGuardedFiles({kPhonebookPath, "\\Program Files\\Tarvo\\cecountry.txt"});
    ASSERT_EQ(link.connect(), SyncResult::Done);
    EXPECT_TRUE(link.deviceFileHasData(kPhonebookPath)); // the session's first look puts it back
    EXPECT_EQ(device.files[kPhonebook], "previous");
    EXPECT_EQ(device.files.count(kPrevious), 0u);
    EXPECT_EQ(device.files[countries], "whole");
    device.files.erase(countries);
    device.files.erase(countries + u".previous");
    device.files.erase(kPartial); // the dropped link could not remove it
    expectKept("dropped rename");

    // Neither a missing nor an unreadable local file reaches the device.
    device.log.clear();
    EXPECT_EQ(link.writeFile(dir.file("missing.txt"), kPhonebookPath), SyncResult::LocalMissing);
    std::filesystem::create_directory(dir.path() / "folder");
    EXPECT_EQ(link.writeFile(dir.file("folder"), kPhonebookPath), SyncResult::LocalUnreadable);
    EXPECT_TRUE(device.log.empty());

    EXPECT_EQ(link.writeFile(local, kPhonebookPath), SyncResult::Done);
    EXPECT_EQ(device.files[kPhonebook], pattern(10000));
    link.disconnect();
}

TEST_F(LinkTest, devicePathsAreConvertedFromAnsiAndBounded)
{
    ASSERT_EQ(link.connect(), SyncResult::Done);
    dir.write("local.txt", "x");
    EXPECT_EQ(link.writeFile(dir.file("local.txt"), "\\Program Files\\Tarvo\\Caf\xE9 \x80.txt"), SyncResult::Done);
    EXPECT_EQ(device.files.count(u"\\Program Files\\Tarvo\\Caf\u00E9 \u20AC.txt"), 1u);

    // 519 characters and the NUL fill the 520-unit buffer; one more does not fit.
    std::string longest = "\\" + std::string(518, 'p');
    EXPECT_EQ(link.writeFile(dir.file("local.txt"), longest), SyncResult::Done);
    device.log.clear();
    EXPECT_EQ(link.writeFile(dir.file("local.txt"), longest + "p"), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link.deleteFile(longest + "p"), SyncResult::Done);
    EXPECT_EQ(link.writeFile(dir.file("local.txt"), std::string("\\a\0b", 4)), SyncResult::DeviceFileUnavailable);
    EXPECT_TRUE(device.log.empty());
    link.disconnect();

    int startsBefore = device.starts;
    EXPECT_EQ(link.readFile(longest + "p", dir.file("out.txt")), SyncResult::DeviceFileMissing);
    EXPECT_EQ(device.starts, startsBefore);
}

TEST_F(LinkTest, deleteFileAlwaysReportsSuccess)
{
    ASSERT_EQ(link.connect(), SyncResult::Done);
    device.files[kPhonebook] = "x";
    EXPECT_EQ(link.deleteFile(kPhonebookPath), SyncResult::Done);
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\cecity.txt"), SyncResult::Done);
    EXPECT_TRUE(device.files.empty());
    EXPECT_EQ(device.log, (std::vector<std::string>{"delete cepbook.txt", "delete cecity.txt"}));
    link.disconnect();
}

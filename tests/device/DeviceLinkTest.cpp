// The device link against a handheld that fails on demand.
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

const std::u16string kPhonebook = u"\\Program Files\\Tarvo\\cepbook.txt";

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

TEST_F(LinkTest, refusedStartFailedWaitAndNegativeStatusAllFail)
{
    device.refuseStart = true;
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(device.ends, 0); // nothing was started, so nothing is ended

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
    EXPECT_EQ(negative.depth, 0);
    EXPECT_FALSE(negative.connected);
}

TEST_F(LinkTest, readFileCopiesInBlocksInsideItsOwnSession)
{
    for (std::size_t size : {std::size_t{0}, std::size_t{4096}, std::size_t{3 * 4096 + 1}}) {
        device.files[kPhonebook] = pattern(size);
        device.readSizes.clear();
        EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cepbook.txt", dir.file("cepbook.txt")), SyncResult::Done);
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
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cepbook.txt", dir.file("cepbook.txt")),
              SyncResult::DeviceFileUnavailable);
    device.readFailsAfter = -1;

    device.unopenable.insert(kPhonebook);
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cepbook.txt", dir.file("cepbook.txt")),
              SyncResult::DeviceFileUnavailable);
    device.unopenable.clear();

    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\nothing.txt", dir.file("cepbook.txt")),
              SyncResult::DeviceFileMissing);

    device.refuseStart = true;
    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cepbook.txt", dir.file("cepbook.txt")), SyncResult::NoConnection);
    device.refuseStart = false;

    EXPECT_EQ(dir.read("cepbook.txt"), "previous");
    EXPECT_EQ(filesInDir(), 1u); // no temporary file left behind
    EXPECT_EQ(device.starts, device.ends);
    EXPECT_EQ(device.openHandles(), 0u);

    EXPECT_EQ(link.readFile("\\Program Files\\Tarvo\\cepbook.txt", dir.file("no/such/folder/cepbook.txt")),
              SyncResult::LocalUnwritable);
}

TEST_F(LinkTest, writeFileFailuresKeepTheDeviceFile)
{
    ASSERT_EQ(link.connect(), SyncResult::Done);
    device.files[kPhonebook] = "previous";
    dir.write("cepbook.txt", pattern(10000));
    const std::string local = dir.file("cepbook.txt");

    device.writeFailsAfter = 5000;
    EXPECT_EQ(link.writeFile(local, "\\Program Files\\Tarvo\\cepbook.txt"), SyncResult::DeviceFileUnavailable);
    device.writeFailsAfter = -1;
    device.shortWrites = true;
    EXPECT_EQ(link.writeFile(local, "\\Program Files\\Tarvo\\cepbook.txt"), SyncResult::DeviceFileUnavailable);
    device.shortWrites = false;
    EXPECT_EQ(device.abandoned, 2);

    device.closeFails = true;
    EXPECT_EQ(link.writeFile(local, "\\Program Files\\Tarvo\\cepbook.txt"), SyncResult::DeviceFileUnavailable);
    device.closeFails = false;

    device.uncreatable.insert(kPhonebook);
    EXPECT_EQ(link.writeFile(local, "\\Program Files\\Tarvo\\cepbook.txt"), SyncResult::DeviceFileUnavailable);
    device.uncreatable.clear();
    EXPECT_EQ(device.files[kPhonebook], "previous");
    EXPECT_EQ(device.openHandles(), 0u);

    // Neither a missing nor an unreadable local file reaches the device.
    device.created.clear();
    EXPECT_EQ(link.writeFile(dir.file("missing.txt"), "\\Program Files\\Tarvo\\cepbook.txt"),
              SyncResult::LocalMissing);
    std::filesystem::create_directory(dir.path() / "folder");
    EXPECT_EQ(link.writeFile(dir.file("folder"), "\\Program Files\\Tarvo\\cepbook.txt"),
              SyncResult::LocalUnreadable);
    EXPECT_TRUE(device.created.empty());

    EXPECT_EQ(link.writeFile(local, "\\Program Files\\Tarvo\\cepbook.txt"), SyncResult::Done);
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
    device.created.clear();
    EXPECT_EQ(link.writeFile(dir.file("local.txt"), longest + "p"), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(link.deleteFile(longest + "p"), SyncResult::Done);
    EXPECT_EQ(link.writeFile(dir.file("local.txt"), std::string("\\a\0b", 4)), SyncResult::DeviceFileUnavailable);
    EXPECT_TRUE(device.created.empty());
    EXPECT_TRUE(device.deleted.empty());
    link.disconnect();

    int startsBefore = device.starts;
    EXPECT_EQ(link.readFile(longest + "p", dir.file("out.txt")), SyncResult::DeviceFileMissing);
    EXPECT_EQ(device.starts, startsBefore);
}

TEST_F(LinkTest, deleteFileAlwaysReportsSuccess)
{
    ASSERT_EQ(link.connect(), SyncResult::Done);
    device.files[kPhonebook] = "x";
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\cepbook.txt"), SyncResult::Done);
    EXPECT_EQ(link.deleteFile("\\Program Files\\Tarvo\\cecity.txt"), SyncResult::Done);
    EXPECT_TRUE(device.files.empty());
    EXPECT_EQ(device.deleted.size(), 2u);
    link.disconnect();
}

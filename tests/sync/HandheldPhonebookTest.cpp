// The handheld's phonebook: reading it back from the device and writing the
// merged file that a synchronization pushes.
#include "sync/HandheldPhonebook.h"

#include "device/DeviceLink.h"
#include "ceproto/CeWin32.h"
#include "device/FolderDevice.h"
#include "fixtures/FakeTransport.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/PopLine.h"
#include "fixtures/PopSelection.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/ScopedFileSizeLimit.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using namespace tarvo::test;
using namespace std::chrono_literals;

namespace {

std::string line(const std::string& id)
{
    return PopLine("US", "TX", "Austin", id).str();
}

std::string isdn(const std::string& id)
{
    return PopLine("US", "TX", "Austin", id).set(PopColumn::MEDIA, "ISDN").set(PopColumn::ISDN, "1").str();
}

// A master phonebook with one ISDN variant and a customer POP that shares a
// master POP's id.
struct ReadBackTest : ::testing::Test {
    TempDir desktop;
    HandheldFolder handheld;
    FolderDevice device{handheld.folder()};
    RecordingFrontEnd ui;
    DeviceLink link{device, ui};
    PopList pops;
    std::string local = desktop.file("cepbook.txt");

    ReadBackTest()
    {
        desktop.write("pbook.txt",
                      PopFile({line("P1"), line("P2"), isdn("P2"), line("P3"), line("P4"), line("P5")}));
        desktop.write("cbook.txt", PopFile({line("C1"), line("P3")}));
        EXPECT_EQ(pops.loadFile(PopList::Mode::ClearFirst, desktop.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
        EXPECT_EQ(pops.loadFile(PopList::Mode::Append, desktop.file("cbook.txt"), PopList::Source::Customer), PopFileStatus::Read);
        link.setConnectTimeout(2s);
    }
    ReadBackResult readBack() { return HandheldPhonebook::readFromDevice(SetOver(pops), link, local).result; }
    void unmarkAll() { unchooseAll(pops); }
};

using Ids = std::vector<std::string>;

} // namespace

TEST_F(ReadBackTest, marksEveryDevicePopWhateverTheOrderAndTheVariants)
{
    struct Case {
        const char* what;
        std::string file;
        Ids marked;
    };
    const Case cases[] = {
        {"master order, variant of the first POP", PopFile({line("P2"), isdn("P2"), line("P4"), line("P5")}),
         {"P2", "P4", "P5"}},
        {"reverse order", PopFile({line("P5"), line("P4"), line("P2"), isdn("P2"), line("P1")}),
         {"P1", "P2", "P4", "P5"}},
        {"POP the master no longer has", PopFile({line("P1"), line("PX"), line("P5")}), {"P1", "P5"}},
        // Only the master entry: customer POPs never go to the device.
        {"id shared with a customer POP, customer-only id", PopFile({line("C1"), line("P3")}), {"P3"}},
        {"short, long, blank and comment lines",
         PopFile({line("P1").substr(0, line("P1").rfind(',')), line("P4") + ",extra,fields", "", "; P5 note",
                  "#HDR POP"}),
         {"P4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unmarkAll();
        handheld.put("cepbook.txt", c.file);
        ASSERT_EQ(readBack(), ReadBackResult::Marked);
        EXPECT_EQ(selectedIds(pops), c.marked);
        EXPECT_EQ(desktop.read("cepbook.txt"), c.file);
    }
    EXPECT_FALSE(device.sessionActive());
}

TEST_F(ReadBackTest, theOutcomeCountsEveryPopTheHandheldNamesKnownOrNot)
{
    handheld.put("cepbook.txt", PopFile({line("P2"), isdn("P2"), line("C1"), line("GONE"), "; note"}));
    ReadBackOutcome outcome = HandheldPhonebook::readFromDevice(SetOver(pops), link, local);
    EXPECT_EQ(outcome.result, ReadBackResult::Marked);
    EXPECT_EQ(outcome.popsOnHandheld, 3U) << "P2 (with its variant), C1 and GONE";
    EXPECT_EQ(outcome.missingFromMaster, 2U);
    EXPECT_EQ(outcome.customerOnly, 1U) << "C1";
    EXPECT_EQ(selectedIds(pops), Ids{"P2"});

    handheld.knobs("ReadLimitBytes=10\r\n");
    outcome = HandheldPhonebook::readFromDevice(SetOver(pops), link, local);
    EXPECT_EQ(outcome.result, ReadBackResult::CopyFailed);
    EXPECT_EQ(outcome.popsOnHandheld, 0U) << "nothing was read";
}

TEST_F(ReadBackTest, idComesFromTheSixthFieldAndDeviceHeadersChangeNothing)
{
    // A master phonebook read under a header that puts the id fifth: the
    // device file is always in canonical order, so its id is still sixth.
    TempDir other;
    other.write("pbook.txt", "#VER 1\r\n#HDR COUNTRY,REGION,CITY,AREA_CODE,POP,PHONE_NUMBER\r\n"
                             "US,TX,Austin,408,Q1,5550101,,,,0,0,0,0,0,,0,0,0,0,0,,0,,,0,0,MODEM,B\r\n"
                             "US,TX,Austin,408,Q2,5550102,,,,0,0,0,0,0,,0,0,0,0,0,,0,,,0,0,MODEM,B\r\n");
    PopList permuted;
    ASSERT_EQ(permuted.loadFile(PopList::Mode::ClearFirst, other.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
    ASSERT_EQ(permuted.size(), 2U);
    ASSERT_EQ(permuted.begin()->pop(), "Q1");
    const auto before = permuted.columnMap().positions();

    // A header in the device file reaches no header check either. The last
    // line has Q1 where the master's header would look for the id.
    const std::string q1Fifth = PopLine("US", "TX", "Austin", "ZZ").set(PopColumn::PHONE_NUMBER, "Q1").str();
    handheld.put("cepbook.txt", PopFile({"#HDR BILL_CODE,MEDIA,POP", line("Q2"), q1Fifth}));
    ASSERT_EQ(HandheldPhonebook::readFromDevice(SetOver(permuted), link, local).result, ReadBackResult::Marked);
    EXPECT_EQ(selectedIds(permuted), Ids{"Q2"});
    EXPECT_EQ(permuted.columnMap().positions(), before);

    handheld.put("cepbook.txt", PopFile({"#HDR BILL_CODE,MEDIA,POP", line("P1")}));
    ASSERT_EQ(readBack(), ReadBackResult::Marked);
    EXPECT_EQ(selectedIds(pops), Ids{"P1"});
    EXPECT_TRUE(pops.columnMap().isIdentity());
}

TEST_F(ReadBackTest, fileThatIsNoPhonebookOrEmpty)
{
    handheld.put("cepbook.txt", line("P1") + "\r\n#VER 1\r\n" + line("P2") + "\r\n");
    EXPECT_EQ(readBack(), ReadBackResult::NotAPhonebook);
    EXPECT_TRUE(selectedIds(pops).empty());

    handheld.put("cepbook.txt", "");
    EXPECT_EQ(readBack(), ReadBackResult::Marked);
    EXPECT_TRUE(selectedIds(pops).empty());
    EXPECT_TRUE(desktop.exists("cepbook.txt"));
    EXPECT_EQ(desktop.read("cepbook.txt"), "");

    // The version line alone, with LF ends.
    handheld.put("cepbook.txt", "#VER 1 - merged\n" + line("P4") + "\n");
    EXPECT_EQ(readBack(), ReadBackResult::Marked);
    EXPECT_EQ(selectedIds(pops), Ids{"P4"});
}

TEST_F(ReadBackTest, noDeviceFileMarksNothingAndLeavesTheDesktopCopyAlone)
{
    EXPECT_EQ(readBack(), ReadBackResult::Marked);
    EXPECT_FALSE(desktop.exists("cepbook.txt"));
    EXPECT_TRUE(selectedIds(pops).empty());

    desktop.write("cepbook.txt", PopFile({line("P1")}));
    EXPECT_EQ(readBack(), ReadBackResult::Marked);
    EXPECT_EQ(desktop.read("cepbook.txt"), PopFile({line("P1")}));
    EXPECT_TRUE(selectedIds(pops).empty());
}

TEST_F(ReadBackTest, unreachableDeviceIsNoDevice)
{
    FolderDevice gone(desktop.file("no-such-handheld"));
    DeviceLink goneLink(gone, ui);
    goneLink.setConnectTimeout(60ms);
    EXPECT_EQ(HandheldPhonebook::readFromDevice(SetOver(pops), goneLink, local).result, ReadBackResult::NoDevice);
    EXPECT_FALSE(desktop.exists("cepbook.txt"));
    EXPECT_FALSE(gone.sessionActive());

    handheld.knobs("StartStatus=-1\r\n");
    EXPECT_EQ(readBack(), ReadBackResult::NoDevice);
}

TEST(ReadBackFaults, failedCopiesMarkNothingAndKeepTheDesktopCopy)
{
    TempDir desktop;
    desktop.write("pbook.txt", PopFile({line("P1"), line("P2")}));
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, desktop.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
    const std::u16string path = u"\\Program Files\\Tarvo\\cepbook.txt";
    const std::string old = PopFile({line("P2")});

    struct Case {
        const char* what;
        std::function<void(FakeTransport&)> arrange;
        std::string localPath;
        int maxPops = 0;
    };
    const Case cases[] = {
        {"read fails part-way", [](FakeTransport& d) { d.readFailsAfter = 20; }, desktop.file("cepbook.txt")},
        {"device file cannot be opened", [&](FakeTransport& d) { d.unopenable.insert(path); },
         desktop.file("cepbook.txt")},
        {"desktop copy cannot be created", [](FakeTransport&) {}, desktop.file("missing/cepbook.txt")},
        // Only "not found" says there is no phonebook.
        {"the search is denied", [&](FakeTransport& d) { d.findErrors[path] = ce::kErrorAccessDenied; },
         desktop.file("cepbook.txt")},
        {"the search is not answered", [&](FakeTransport& d) { d.findErrors[path] = ce::kErrorGenFailure; },
         desktop.file("cepbook.txt")},
        {"longer than a phonebook of the limit can be",
         [&](FakeTransport& d) { d.files[path] += std::string(HandheldPhonebook::readBackLimit(2), 'x'); },
         desktop.file("cepbook.txt"), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.write("cepbook.txt", old);
        FakeTransport device;
        device.files[path] = PopFile({line("P1"), line("P2")});
        c.arrange(device);
        RecordingFrontEnd ui;
        DeviceLink link(device, ui);
        link.setClock(device.clock());
        EXPECT_EQ(HandheldPhonebook::readFromDevice(SetOver(pops, c.maxPops), link, c.localPath).result,
                  ReadBackResult::CopyFailed);
        EXPECT_TRUE(selectedIds(pops).empty());
        EXPECT_EQ(desktop.read("cepbook.txt"), old);
        EXPECT_EQ(device.depth, 0);
    }
}

TEST(ReadBackFromFile, missingCopyIsCreatedEmptyUnreadableOneIsAnError)
{
    TempDir desktop;
    desktop.write("pbook.txt", PopFile({line("P1")}));
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, desktop.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);

    EXPECT_EQ(HandheldPhonebook::markFromFile(SetOver(pops), desktop.file("cepbook.txt")).result, ReadBackResult::Marked);
    EXPECT_TRUE(desktop.exists("cepbook.txt"));
    EXPECT_EQ(desktop.read("cepbook.txt"), "");

    EXPECT_EQ(HandheldPhonebook::markFromFile(SetOver(pops), desktop.file("missing/cepbook.txt")).result, ReadBackResult::NotAPhonebook);
    std::filesystem::create_directory(desktop.path() / "folder");
    EXPECT_EQ(HandheldPhonebook::markFromFile(SetOver(pops), desktop.file("folder")).result, ReadBackResult::NotAPhonebook);
    EXPECT_TRUE(std::filesystem::is_directory(desktop.path() / "folder"));
    EXPECT_TRUE(selectedIds(pops).empty());
}

namespace {

struct MergedTest : ::testing::Test {
    TempDir desktop;
    PopList pops;

    MergedTest()
    {
        const std::string p4 = PopLine("US", "TX", "Austin", "P4").set(PopColumn::USAGE_START, "7200").str();
        desktop.write("pbook.txt", PopFile({line("P1"), line("P2"), isdn("P2"), "#HDR ignored", line("P3"), p4}));
        desktop.write("cbook.txt", PopFile({line("C1")}));
        EXPECT_EQ(pops.loadFile(PopList::Mode::ClearFirst, desktop.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
        EXPECT_EQ(pops.loadFile(PopList::Mode::Append, desktop.file("cbook.txt"), PopList::Source::Customer), PopFileStatus::Read);
    }
};

} // namespace

TEST_F(MergedTest, holdsTheChosenMasterPopsWithTheirVariantsByteForByte)
{
    choose(pops, {"P2", "P4", "C1"});
    ASSERT_TRUE(HandheldPhonebook::writeMerged(SetOver(pops), desktop.file("cepbook.txt"), 1));
    const std::string p4 = PopLine("US", "TX", "Austin", "P4").set(PopColumn::USAGE_START, "2").str();
    EXPECT_EQ(desktop.read("cepbook.txt"),
              "#VER 1 - merged\r\n" + line("P2") + "\r\n" + isdn("P2") + "\r\n" + p4 + "\r\n");

    // The version is the caller's; an empty choice is the version line alone.
    unchooseAll(pops);
    ASSERT_TRUE(HandheldPhonebook::writeMerged(SetOver(pops), desktop.file("cepbook.txt"), 12));
    EXPECT_EQ(desktop.read("cepbook.txt"), "#VER 12 - merged\r\n");
}

TEST_F(MergedTest, fileThatCannotBeWrittenIsReportedAndTheOldOneKept)
{
    choose(pops, {"P1", "P2", "P3", "P4"});
    EXPECT_FALSE(HandheldPhonebook::writeMerged(SetOver(pops), desktop.file("missing/cepbook.txt"), 1));

    desktop.write("cepbook.txt", "#VER 1 - merged\r\nstale\r\n");
    {
        ScopedFileSizeLimit limit(64);
        EXPECT_FALSE(HandheldPhonebook::writeMerged(SetOver(pops), desktop.file("cepbook.txt"), 1));
    }
    EXPECT_EQ(desktop.read("cepbook.txt"), "#VER 1 - merged\r\nstale\r\n");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(desktop.path()))
        ++entries;
    EXPECT_EQ(entries, 3U); // pbook.txt, cbook.txt, cepbook.txt: no temporary file left
}

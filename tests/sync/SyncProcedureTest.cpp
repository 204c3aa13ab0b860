// The synchronization onto a simulated handheld: what reaches it, what the
// person is told, and where each failure stops.
#include "sync/SyncProcedure.h"

#include "phonebook/HandheldSet.h"

#include "config/ProfileConfig.h"
#include "device/DeviceLink.h"
#include "device/FolderDevice.h"
#include "dialing/CountryQuery.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/PopLine.h"
#include "fixtures/PopSelection.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/ScopedFileSizeLimit.h"
#include "phonebook/MasterPhonebook.h"
#include "sync/DeviceSettings.h"
#include "sync/HandheldPhonebook.h"
#include "text/RegistryFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using namespace tarvo::test;
using namespace std::chrono_literals;
using Result = SyncProcedure::Result;

namespace {

constexpr const char* kCaption = "Tarvo Windows CE Synchronizer";
const std::string kOldPhonebook = "#VER 1 - merged\r\nold\r\n";
const std::string kOldCities = "US,TX,Austin,Tex.\r\n";

std::string line(const std::string& id, const std::string& city = "Austin")
{
    return PopLine("US", "TX", city, id).str();
}

std::string isdn(const std::string& id)
{
    return PopLine("US", "TX", "Austin", id).set(PopColumn::MEDIA, "ISDN").set(PopColumn::ISDN, "1").str();
}

// The program's current folder with a dialer installation in "dialer/", and
// a handheld that already carries an older phonebook and a city table.
struct SyncTest : ::testing::Test {
    TempDir work;
    HandheldFolder handheld;
    FolderDevice device{handheld.folder()};
    RecordingFrontEnd ui;
    DeviceLink link{device, ui};
    ProfileConfig profile;
    PopList pops;

    SyncTest()
    {
        std::filesystem::create_directory(work.path() / "dialer");
        work.write("dialer/region.txt", "US,TX,Texas,Tex.\r\nUS,MA,Massachusetts,Mass.\r\n");
        work.write("dialer/country.txt", "US,1,United States,1\r\nDE,49,Germany,0\r\n");
        work.write("dialer/dr_areacode.txt", "US,408,1,G\r\n");
        work.write("dialer/pbook.txt", PopFile({line("P1"), line("P2"), isdn("P2"), line("P3"), line("P4", "Dallas"),
                                                line("P5", "Houston")}));
        work.write("dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
        work.write("cereg.ini", "[Profile]\r\nCustomerID=4711\r\n");
        EXPECT_EQ(pops.loadFile(PopList::Mode::ClearFirst, work.file("dialer/pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
        handheld.put("cepbook.txt", kOldPhonebook);
        handheld.put("cecity.txt", kOldCities);
        link.setConnectTimeout(2s);
    }

    Result sync(PopList& list, const ReadBackOutcome& handheldFound = {})
    {
        HandheldSet set(list, 0);
        set.setReadBack(handheldFound);
        SyncProcedure procedure(set, link, ui, profile,
                                {work.file("dialer"), work.file("cepbook.txt"), work.file("dr_country.txt"),
                                 work.file("cereg.ini")});
        return procedure.synchronize();
    }
    Result sync() { return sync(pops); }

    // Registry values on the handheld, of every group the transfer writes.
    int registryValues() const
    {
        RegistryFile registry(handheld.root.file("registry.reg"));
        EXPECT_TRUE(registry.load());
        int count = 0;
        std::string value;
        for (const DeviceSettings::Group& group : DeviceSettings::groups()) {
            std::string key = "HKEY_CURRENT_USER\\" + std::string(group.basePath) + std::string(group.suffix);
            for (auto settings : {group.first, group.second})
                for (const DeviceSettings::Setting& setting : settings)
                    count += registry.readString(key, setting.name, value) ? 1 : 0;
        }
        return count;
    }
    std::string profileValue(const std::string& name) const
    {
        RegistryFile registry(handheld.root.file("registry.reg"));
        std::string value;
        EXPECT_TRUE(registry.load());
        registry.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\config.ini\\Profile", name, value);
        return value;
    }
    bool markerSet() const
    {
        return work.exists("cereg.ini") && work.read("cereg.ini").find("SetupReg=1") != std::string::npos;
    }
    // After any run: the cursor is back, no session or handle is left open.
    void expectCleanEnd() const
    {
        EXPECT_FALSE(ui.unbalanced);
        EXPECT_EQ(ui.busyDepth, 0);
        EXPECT_FALSE(ui.boxShownBusy);
        EXPECT_FALSE(device.sessionActive());
        EXPECT_EQ(device.openHandles(), 0U);
    }
    void expectFailure(Result result, Result expected)
    {
        EXPECT_EQ(result, expected);
        ASSERT_EQ(ui.boxes.size(), 1U);
        EXPECT_EQ(ui.boxes[0].text, SyncProcedure::message(expected));
        EXPECT_EQ(ui.boxes[0].caption, kCaption);
        EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::Ok);
        // The status line keeps what was being done.
        EXPECT_EQ(ui.status, std::vector<std::string>{std::string(SyncProcedure::kStatusText)});
        expectCleanEnd();
    }
};

} // namespace

TEST_F(SyncTest, pushesEverythingWritesTheRegistryAndReportsSuccess)
{
    choose(pops, {"P5", "P2", "P1"});
    ASSERT_EQ(sync(), Result::Done);

    const std::string phonebook = "#VER 1 - merged\r\n" + line("P1") + "\r\n" + line("P2") + "\r\n" + isdn("P2") +
                                  "\r\n" + line("P5", "Houston") + "\r\n";
    EXPECT_EQ(work.read("cepbook.txt"), phonebook);
    EXPECT_EQ(handheld.get("cepbook.txt"), phonebook);
    EXPECT_EQ(handheld.get("cecountry.txt"), work.read("dialer/country.txt"));
    EXPECT_EQ(handheld.get("ceregion.txt"), work.read("dialer/region.txt"));
    EXPECT_EQ(handheld.get("cedr_areacode.txt"), work.read("dialer/dr_areacode.txt"));
    EXPECT_EQ(handheld.get("cedr_country.txt"), work.read("dr_country.txt"));
    EXPECT_EQ(handheld.files(), (std::set<std::string>{"cepbook.txt", "cecountry.txt", "ceregion.txt",
                                                       "cedr_areacode.txt", "cedr_country.txt"}));

    EXPECT_EQ(registryValues(), 83);
    EXPECT_EQ(profileValue("CustomerID"), "4711");
    EXPECT_TRUE(markerSet());

    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text, "Synchronization with CE device completed successfully.");
    EXPECT_EQ(ui.boxes[0].caption, kCaption);
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.status, (std::vector<std::string>{"Synchronizing with CE device. Please wait....", ""}));
    // Write, connect, the look at what the device holds, registry, five
    // pushes, delete: each behind the cursor.
    EXPECT_EQ(ui.busySpells, 10);
    expectCleanEnd();
}

TEST_F(SyncTest, emptyChoiceStillPushesTheVersionLineAndCaptionFollowsTheProfile)
{
    work.write("synconfig.ini", "[Profile]\r\nAppName=Caf&#233; Sync\r\n");
    profile.setSettingsFile(work.file("synconfig.ini"));
    profile.load();
    ASSERT_EQ(sync(), Result::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), "#VER 1 - merged\r\n");
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].caption, "Caf\xC3\xA9 Sync");

    // A second run finds the marker and leaves the registry alone.
    EXPECT_EQ(profileValue("CustomerID"), "4711");
    work.write("cereg.ini", "[Profile]\r\nCustomerID=1\r\n[SetupReg]\r\nSetupReg=1\r\n");
    ASSERT_EQ(sync(), Result::Done);
    EXPECT_EQ(profileValue("CustomerID"), "4711");
}

TEST_F(SyncTest, deviceThatDoesNotAnswerGetsNothing)
{
    handheld.knobs("StartDelayMs=-1\r\n");
    link.setConnectTimeout(60ms);
    choose(pops, {"P1"});
    expectFailure(sync(), Result::Connect);
    EXPECT_EQ(ui.boxes[0].text, "Unable to connect to the device, please check the connection.");
    EXPECT_EQ(handheld.files(), (std::set<std::string>{"cepbook.txt", "cecity.txt"}));
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_FALSE(handheld.root.exists("registry.reg"));
    EXPECT_FALSE(markerSet());
}

TEST_F(SyncTest, registryFailureStopsBeforeAnyFileIsPushed)
{
    for (const char* key : {"Software\\Tarvo\\TarvoDialer\\config.ini\\Profile",
                            "Software\\Tarvo\\TarvoDialer\\userpref.ini\\Main"}) {
        SCOPED_TRACE(key);
        ui.reset();
        handheld.knobs(std::string("FailRegistryKey=") + key + "\r\n");
        choose(pops, {"P1"});
        expectFailure(sync(), Result::Registry);
        EXPECT_EQ(ui.boxes[0].text, "Error occured while writing to CE registry");
        EXPECT_EQ(handheld.files(), (std::set<std::string>{"cepbook.txt", "cecity.txt"}));
        EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
        EXPECT_FALSE(markerSet());
    }
}

TEST_F(SyncTest, missingAreaCodeRulesStopAfterThePhonebookAndTables)
{
    std::filesystem::remove(work.path() / "dialer" / "dr_areacode.txt");
    choose(pops, {"P3"});
    expectFailure(sync(), Result::DialingRules);
    EXPECT_EQ(ui.boxes[0].text, "Error occured while synchronizing dialing rule file");
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.boxes[0].details,
              "The step that failed: copying dr_areacode.txt to \\Program Files\\Tarvo\\cedr_areacode.txt.\n"
              "Why: No such file or directory.\n"
              "Already on the handheld: cepbook.txt, cecountry.txt, ceregion.txt. The other files are as they were.");
    EXPECT_EQ(registryValues(), 83);
    EXPECT_TRUE(markerSet());
    EXPECT_EQ(handheld.get("cepbook.txt"), "#VER 1 - merged\r\n" + line("P3") + "\r\n");
    EXPECT_EQ(handheld.files(),
              (std::set<std::string>{"cepbook.txt", "cecountry.txt", "ceregion.txt", "cecity.txt"}));
    EXPECT_EQ(handheld.get("cecity.txt"), kOldCities);
}

TEST_F(SyncTest, eachPushThatFailsStopsWithItsMessage)
{
    // The pushes in the order they are made: the file on the handheld, where
    // the procedure stops when it cannot be created, and what is shown.
    struct Step {
        const char* file;
        Result result;
        const char* message;
    };
    const Step steps[] = {
        {"cepbook.txt", Result::Phonebook, "Error occured while synchronizing phonebook file"},
        {"cecountry.txt", Result::Country, "Error occured while synchronizing country file"},
        {"ceregion.txt", Result::Region, "Error occured while synchronizing region file"},
        {"cedr_areacode.txt", Result::DialingRules, "Error occured while synchronizing dialing rule file"},
        {"cedr_country.txt", Result::CountryRules, "Error occured while synchronizing country dialing rule file"},
    };
    for (std::size_t failing = 0; failing < std::size(steps); ++failing) {
        SCOPED_TRACE(steps[failing].file);
        std::filesystem::remove_all(handheld.tarvo());
        std::filesystem::create_directories(handheld.tarvo());
        handheld.put("cecity.txt", kOldCities);
        handheld.knobs(std::string("FailCreateFile=") + steps[failing].file + "\r\n");
        ui.reset();

        expectFailure(sync(), steps[failing].result);
        EXPECT_EQ(ui.boxes[0].text, steps[failing].message);
        // The handheld refused without a reason the system gave: none is made up.
        EXPECT_EQ(ui.boxes[0].details.find("Why:"), std::string::npos) << ui.boxes[0].details;
        // Every earlier push reached the handheld, no later one did, and the
        // old city table stays because the procedure stopped before it.
        std::set<std::string> expected{"cecity.txt"};
        for (std::size_t done = 0; done < failing; ++done)
            expected.insert(steps[done].file);
        EXPECT_EQ(handheld.files(), expected);
    }
}

TEST_F(SyncTest, copyFailingPartWayKeepsTheDeviceFile)
{
    // Larger than one 4096-byte block, so the device fails after data went out.
    std::string regions = work.read("dialer/region.txt");
    for (int i = 0; i < 300; ++i)
        regions += "US,R" + std::to_string(i) + ",Region,R\r\n";
    work.write("dialer/region.txt", regions);
    handheld.put("ceregion.txt", "US,TX,Texas,Tex.\r\n");
    handheld.knobs("WriteLimitFile=ceregion.txt\r\nWriteLimitBytes=4100\r\n");
    choose(pops, {"P1"});
    ASSERT_GT(work.read("dialer/region.txt").size(), 4100U);
    expectFailure(sync(), Result::Region);
    EXPECT_EQ(ui.boxes[0].text, "Error occured while synchronizing region file");
    EXPECT_EQ(handheld.get("ceregion.txt"), "US,TX,Texas,Tex.\r\n");
    EXPECT_FALSE(handheld.has("cedr_areacode.txt"));

    // The phonebook of the run above stays when the next one breaks off.
    const std::string previous = handheld.get("cepbook.txt");
    ui.reset();
    handheld.knobs("WriteLimitFile=cepbook.txt\r\nWriteLimitBytes=100\r\n");
    choose(pops, {"P1", "P2", "P3"});
    expectFailure(sync(), Result::Phonebook);
    EXPECT_EQ(handheld.get("cepbook.txt"), previous);
    EXPECT_NE(work.read("cepbook.txt"), previous);
}

TEST_F(SyncTest, phonebookThatCannotBeWrittenIsNotPushedStale)
{
    // An earlier run's file is still there; this run's cannot be written.
    const std::string stale = "#VER 1 - merged\r\n" + line("P4", "Dallas") + "\r\n";
    work.write("cepbook.txt", stale);
    choose(pops, {"P1", "P2", "P3"});
    Result result = Result::Done;
    {
        ScopedFileSizeLimit limit(64);
        result = sync();
    }
    expectFailure(result, Result::Phonebook);
    EXPECT_EQ(ui.boxes[0].text, "Error occured while synchronizing phonebook file");
    EXPECT_EQ(ui.boxes[0].details,
              "The step that failed: writing cepbook.txt on this computer.\nWhy: File too large.\n"
              "Nothing reached the handheld.");
    EXPECT_EQ(work.read("cepbook.txt"), stale);
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    // The device was not even asked.
    EXPECT_FALSE(handheld.root.exists("registry.reg"));
    EXPECT_EQ(ui.busySpells, 1);
}

TEST_F(SyncTest, roundTripMarksExactlyTheSyncedPops)
{
    work.write("countries.csv", "id,calling_code,name,same_area_rule,long_distance_rule,international_rule,next_id\n"
                                "1,1,\"United States of America\",G, 1FG,011EFG,0\n");
    work.write("dialer/dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
    CountryQuery query(work.file("countries.csv"));

    MasterPhonebook first(work.file("dialer"), ui, work.file("dr_country.txt"), query);
    HandheldSet firstSet(first.pops(), 0);
    first.setReadBack(HandheldPhonebook::readBackFor(link, firstSet, work.file("cepbook.txt")));
    MasterPhonebook::LoadResult loaded = first.load();
    ASSERT_TRUE(loaded.ok()) << loaded.errorText;
    EXPECT_TRUE(selectedIds(first.pops()).empty()); // the old device file names no POP
    choose(first.pops(), {"P5", "P2", "P1"});
    ASSERT_EQ(sync(first.pops()), Result::Done);
    const std::string pushed = handheld.get("cepbook.txt");

    MasterPhonebook second(work.file("dialer"), ui, work.file("dr_country.txt"), query);
    HandheldSet secondSet(second.pops(), 0);
    second.setReadBack(HandheldPhonebook::readBackFor(link, secondSet, work.file("cepbook.txt")));
    loaded = second.load();
    ASSERT_TRUE(loaded.ok()) << loaded.errorText;
    EXPECT_EQ(selectedIds(second.pops()), (std::vector<std::string>{"P1", "P2", "P5"}));

    // Synchronizing again without a change gives the same device file.
    ASSERT_EQ(sync(second.pops()), Result::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), pushed);
    EXPECT_EQ(handheld.get("cedr_country.txt"), work.read("dr_country.txt"));

    // A handheld that cannot be reached ends the load with its message.
    handheld.knobs("StartDelayMs=-1\r\n");
    link.setConnectTimeout(60ms);
    MasterPhonebook third(work.file("dialer"), ui, work.file("dr_country.txt"), query);
    HandheldSet thirdSet(third.pops(), 0);
    third.setReadBack(HandheldPhonebook::readBackFor(link, thirdSet, work.file("cepbook.txt")));
    loaded = third.load();
    EXPECT_EQ(loaded.status, MasterPhonebook::LoadStatus::NoDevice);
    EXPECT_EQ(loaded.errorText, "Unable to connect to the device, please check the connection.");
}

TEST_F(SyncTest, settingsThatDidNotAllReachTheDeviceFailTheSynchronization)
{
    // Every value refused: one message per value, then the registry's
    // failure, never the success message, and no file pushed.
    handheld.knobs("FailValueWrites=yes\r\n");
    choose(pops, {"P1"});
    EXPECT_EQ(sync(), Result::Registry);
    ASSERT_EQ(ui.boxes.size(), 84U);
    EXPECT_EQ(ui.boxes[0].text, "Error Setting a value in ce registry for TarvoDialer.");
    EXPECT_EQ(ui.boxes.back().text, "Error occured while writing to CE registry");
    EXPECT_EQ(handheld.files(), (std::set<std::string>{"cepbook.txt", "cecity.txt"}));
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_FALSE(markerSet());
    EXPECT_EQ(ui.busyDepth, 0);

    // The device's registry cannot be saved (a folder where its file goes).
    ui.reset();
    handheld.knobs("");
    std::filesystem::remove(handheld.root.path() / "registry.reg");
    std::filesystem::create_directory(handheld.root.path() / "registry.reg");
    expectFailure(sync(), Result::Registry);
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_FALSE(markerSet());
}

TEST_F(SyncTest, aHandheldPhonebookThatCouldNotBeReadIsReplacedOnlyWhenConfirmed)
{
    const std::string oldRegistry = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Keep]\r\n";
    handheld.root.write("registry.reg", oldRegistry);
    choose(pops, {"P1"});
    const ReadBackOutcome unread{ReadBackResult::CopyFailed};
    EXPECT_EQ(sync(pops, unread), Result::Declined);
    ASSERT_EQ(ui.boxes.size(), 1U);
    EXPECT_EQ(ui.boxes[0].text,
              "The phonebook on the CE device could not be read at start-up. Replace it with the POPs chosen here?");
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.boxes[0].caption, kCaption);
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_EQ(handheld.root.read("registry.reg"), oldRegistry);
    EXPECT_FALSE(markerSet());
    EXPECT_EQ(ui.status.back(), "") << "nothing is being done any more";
    expectCleanEnd();

    ui.reset();
    ui.yesNoAnswer = MessageAnswer::Yes;
    EXPECT_EQ(sync(pops, unread), Result::Done);
    EXPECT_EQ(ui.questions(), 1U);
    EXPECT_EQ(ui.boxes.back().text, "Synchronization with CE device completed successfully.");
    EXPECT_EQ(handheld.get("cepbook.txt"), "#VER 1 - merged\r\n" + line("P1") + "\r\n");
}

TEST_F(SyncTest, anEmptyMasterPhonebookEmptiesTheHandheldOnlyWhenConfirmed)
{
    PopList none;
    work.write("empty.txt", "");
    ASSERT_EQ(none.loadFile(PopList::Mode::ClearFirst, work.file("empty.txt"), PopList::Source::Master),
              PopFileStatus::Read);
    EXPECT_EQ(sync(none, {ReadBackResult::Marked, 67}), Result::Declined);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"The master phonebook holds no POPs, but the phonebook on the CE "
                                                   "device holds 67. Replace it with an empty phonebook?"});
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_FALSE(handheld.root.exists("registry.reg"));

    // A handheld that named no POP, or a choice emptied by hand, asks nothing.
    ui.reset();
    EXPECT_EQ(sync(none, {ReadBackResult::Marked, 0}), Result::Done);
    EXPECT_EQ(ui.questions(), 0U);
    ui.reset();
    EXPECT_EQ(sync(pops, {ReadBackResult::Marked, 3}), Result::Done);
    EXPECT_EQ(ui.questions(), 0U);
    EXPECT_EQ(handheld.get("cepbook.txt"), "#VER 1 - merged\r\n");
}

TEST_F(SyncTest, popsTheMasterNoLongerHoldsLeaveTheHandheldOnlyWhenConfirmed)
{
    // A master cut short: the handheld named 612 POPs, 600 of them unknown now.
    choose(pops, {"P1"});
    EXPECT_EQ(sync(pops, {ReadBackResult::Marked, 612, 600}), Result::Declined);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"600 POPs on the CE device are no longer in the master phonebook "
                                                   "and would be removed from it. Replace the phonebook on the CE "
                                                   "device?"});
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_FALSE(handheld.root.exists("registry.reg"));

    ui.reset();
    ui.yesNoAnswer = MessageAnswer::Yes;
    EXPECT_EQ(sync(pops, {ReadBackResult::Marked, 612, 600}), Result::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), "#VER 1 - merged\r\n" + line("P1") + "\r\n");
}

TEST_F(SyncTest, anEmptyTableReplacesTheHandheldsOnlyWhenConfirmed)
{
    handheld.put("ceregion.txt", "US,TX,Texas,Tex.\r\n");
    handheld.put("cedr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
    work.write("dialer/region.txt", "\r\n  \r\n");
    work.write("dr_country.txt", "");
    // A table the handheld does not have yet is no question.
    work.write("dialer/dr_areacode.txt", "");
    choose(pops, {"P1"});
    EXPECT_EQ(sync(), Result::Declined);
    ASSERT_EQ(ui.boxes.size(), 1U) << "the first No ends it";
    EXPECT_EQ(ui.boxes[0].text, "region.txt is empty. Replace ceregion.txt on the CE device with an empty file?");
    EXPECT_EQ(handheld.get("ceregion.txt"), "US,TX,Texas,Tex.\r\n");
    EXPECT_EQ(handheld.get("cepbook.txt"), kOldPhonebook);
    EXPECT_FALSE(handheld.root.exists("registry.reg")) << "asked before the settings went out";
    expectCleanEnd();

    ui.reset();
    ui.yesNoAnswer = MessageAnswer::Yes;
    EXPECT_EQ(sync(), Result::Done);
    EXPECT_EQ(ui.texts(),
              (std::vector<std::string>{
                  "region.txt is empty. Replace ceregion.txt on the CE device with an empty file?",
                  "dr_country.txt is empty. Replace cedr_country.txt on the CE device with an empty file?",
                  "Synchronization with CE device completed successfully."}));
    EXPECT_EQ(handheld.get("ceregion.txt"), "\r\n  \r\n");
    EXPECT_EQ(handheld.get("cedr_country.txt"), "");
    EXPECT_EQ(handheld.get("cedr_areacode.txt"), "");
}

// Every way found to lose the handheld's or the dialer's data, run through
// `tarvo-sync` in process: the fault is set up on a handheld that already
// carries a synchronized choice, the verb runs, and the test checks what the
// person is told, the exit code, and that every file on the handheld and in
// the dialer's folder is byte for byte what it was, or, where the run
// succeeds, the complete new version.
#include "app/WorkingFolderLock.h"
#include "fixtures/Gzip.h"
#include "fixtures/HeldFile.h"
#include "fixtures/PopLine.h"
#include "fixtures/ScopedFileSizeLimit.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

namespace fs = std::filesystem;

std::string pop(const char* country, const char* region, const char* city, const char* id, const char* area,
                const char* media = "MODEM")
{
    return PopLine(country, region, city, id).set(PopColumn::AREA_CODE, area).set(PopColumn::MEDIA, media).str();
}

const std::vector<std::string> kLines = {
    pop("US", "TX", "Austin", "US1", "512"), pop("US", "TX", "Austin", "US1", "512", "ISDN"),
    pop("US", "MA", "Boston", "US2", "617"), pop("US", "TX", "Dallas", "US3", "214"),
    pop("GB", "LND", "London", "GB1", "20")};

std::string phonebook(const std::string& lineEnd = "\r\n")
{
    std::string text = "#VER 1" + lineEnd;
    for (const std::string& line : kLines)
        text += line + lineEnd;
    return text;
}

constexpr const char* kDeviceSettings = "[Profile]\r\nCustomerID=4711\r\n";
constexpr const char* kSuccess = "Synchronization with CE device completed successfully.";
constexpr const char* kRegistryError = "Error occured while writing to CE registry";
constexpr const char* kDamaged = "ERROR: Compressed phonebook file is damaged";
constexpr const char* kAnsweredNo = "Answered No: run again with --force to answer Yes.";

// Every regular file under `root`, by its path below it.
using Files = std::map<std::string, std::string>;

void collect(const fs::path& root, const std::string& prefix, Files& files)
{
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_regular_file() || it->path().filename() == "simulator.ini")
            continue;
        files[prefix + fs::relative(it->path(), root).string()] = Workspace::read(it->path().string());
    }
}

// What the run may change: the handheld (its files and registry) and the
// dialer's folder.
Files snapshot(const Workspace& ws)
{
    Files files;
    collect(ws.handheldFolder().root.path(), "handheld/", files);
    collect(ws.dir().path() / "dialer", "dialer/", files);
    return files;
}

// What a run may do to the files.
enum class Outcome {
    Unchanged,     // every file as the fault left it
    AsBeforeFault, // as before the fault was set up: a broken cache derived again
    NewVersion,    // the synchronization went through: the handheld holds exactly what was pushed
};

struct Fault {
    const char* name;
    std::function<void(Workspace&)> setUp;
    std::vector<std::string> args;
    int code;
    std::vector<std::string> says;
    Outcome outcome;
    // Anything else the case needs to see afterwards.
    std::function<void(Workspace&, const CliRun&)> check;
};

// gtest names a failing case by this.
void PrintTo(const Fault& fault, std::ostream* os)
{
    *os << fault.name;
}

void setMarker(Workspace& ws, const char* value)
{
    ws.writeWork("cereg.ini", std::string(kDeviceSettings) + "[SetupReg]\r\nSetupReg=" + value + "\r\n");
}

std::string onHandheld(const Workspace& ws, const char* name)
{
    return Workspace::read(ws.handheld(name));
}

// The files the synchronization pushes are on the handheld, whole.
void expectPushed(const Workspace& ws)
{
    EXPECT_EQ(onHandheld(ws, "cepbook.txt"), Workspace::read(ws.work("cepbook.txt")));
    EXPECT_EQ(onHandheld(ws, "cecountry.txt"), Workspace::read(ws.dialer("country.txt")));
    EXPECT_EQ(onHandheld(ws, "ceregion.txt"), Workspace::read(ws.dialer("region.txt")));
    EXPECT_EQ(onHandheld(ws, "cedr_areacode.txt"), Workspace::read(ws.dialer("dr_areacode.txt")));
    EXPECT_EQ(onHandheld(ws, "cedr_country.txt"), Workspace::read(ws.work("dr_country.txt")));
    EXPECT_FALSE(onHandheld(ws, "cedr_country.txt").empty());
}

std::string merged(std::initializer_list<const char*> ids)
{
    std::string text = "#VER 1 - merged\r\n";
    for (const char* id : ids)
        for (const std::string& line : kLines)
            if (line.find(std::string(",") + id + ",") != std::string::npos)
                text += line + "\r\n";
    return text;
}

const char* const kStartupWarning = "An error occured while reading CE phonebook. The POPs on the device are not "
                                    "marked as chosen, and saving will ask before replacing them.";
const char* const kUnreadQuestion =
    "The phonebook on the CE device could not be read at start-up. Replace it with the POPs chosen here?";

const Fault kFaults[] = {
    {"readBackCutShortByTheHandheld", [](Workspace& ws) { ws.writeSimulator("ReadLimitBytes=100\r\n"); },
     {"sync", "--add", "US3"}, 1, {kStartupWarning, kUnreadQuestion, kAnsweredNo}, Outcome::Unchanged, nullptr},
    {"readBackCutShortButForced", [](Workspace& ws) { ws.writeSimulator("ReadLimitBytes=100\r\n"); },
     {"sync", "--add", "US3", "--force"}, 0, {kStartupWarning, kUnreadQuestion, "Answered Yes (--force).", kSuccess},
     Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) { EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US3"})); }},
    // How many POPs a handheld holds whose phonebook cannot be read is not
    // known, and not said to be none.
    {"statusOfAHandheldThatCannotBeRead", [](Workspace& ws) { ws.writeSimulator("ReadLimitBytes=100\r\n"); },
     {"status"}, 0, {kStartupWarning}, Outcome::Unchanged,
     [](Workspace&, const CliRun& run) { EXPECT_NE(run.out.find("pops_on_handheld: unknown\n"), std::string::npos); }},
    // The link dropped between the two renames of the last synchronization:
    // the old phonebook waits as cepbook.txt.previous, and a clean
    // synchronization keeps its POPs.
    {"aCutBetweenTheRenamesThenACleanSync",
     [](Workspace& ws) { fs::rename(ws.handheld("cepbook.txt"), ws.handheld("cepbook.txt.previous")); }, {"sync"}, 0,
     {kSuccess}, Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) {
         EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US1", "US2"}));
         EXPECT_FALSE(Workspace::exists(ws.handheld("cepbook.txt.previous")));
     }},
    {"readBackIntoAFullWorkingFolder", nullptr, {"sync", "--add", "US3"}, 1,
     {kStartupWarning, kUnreadQuestion, kAnsweredNo}, Outcome::Unchanged, nullptr},
    {"emptyMasterPhonebook", [](Workspace& ws) { ws.writeDialer("pbook.txt", ""); }, {"sync"}, 1,
     {"The master phonebook holds no POPs, but the phonebook on the CE device holds 2. Replace it with an empty "
      "phonebook?",
      kAnsweredNo},
     Outcome::Unchanged, nullptr},
    // A phonebook update retired US2, half of what the handheld holds: it
    // goes, as every synchronization drops what the master no longer has.
    {"oneRetiredPop",
     [](Workspace& ws) { ws.writeDialer("pbook.txt", "#VER 1\r\n" + kLines[0] + "\r\n" + kLines[1] + "\r\n"); },
     {"sync"}, 0, {kSuccess, "1 POP no longer in the master phonebook was taken off the handheld"},
     Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) { EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US1"})); }},
    // A master cut short, or with damaged ids, holds none of the handheld's
    // POPs: the handheld would lose them without a word.
    {"masterCutShort", [](Workspace& ws) { ws.writeDialer("pbook.txt", "#VER 1\r\n" + kLines[4] + "\r\n"); },
     {"sync"}, 1,
     {"2 POPs on the CE device are no longer in the master phonebook and would be removed from it. Replace the "
      "phonebook on the CE device?",
      kAnsweredNo},
     Outcome::Unchanged, nullptr},
    {"masterCutShortButForced",
     [](Workspace& ws) { ws.writeDialer("pbook.txt", "#VER 1\r\n" + kLines[4] + "\r\n"); },
     {"sync", "--force"}, 0,
     {"Answered Yes (--force).", kSuccess, "2 POPs no longer in the master phonebook were taken off the handheld"},
     Outcome::NewVersion, [](Workspace& ws, const CliRun&) { EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({})); }},
    {"removeById", nullptr, {"sync", "--remove", "US2"}, 0, {kSuccess}, Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) { EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US1"})); }},
    {"removeUnknownId", nullptr, {"sync", "--remove", "US2", "--remove", "US9"}, 2, {"Unknown POP: US9"},
     Outcome::Unchanged, nullptr},
    {"customerPopById", [](Workspace& ws) { ws.writeDialer("cbook.txt", "#VER 1\r\n" + kLines[3] + "\r\n" +
                                                               pop("US", "TX", "Austin", "CUS1", "512") + "\r\n"); },
     {"sync", "--add", "CUS1"}, 2, {"Customer POP, never written to the handheld: CUS1"}, Outcome::Unchanged, nullptr},
    // More ids than the handheld's limit of ten: refused before anything moves.
    {"moreIdsThanTheLimit", [](Workspace& ws) { ws.writeWork("synconfig.ini", "[Profile]\r\nMaxPops=3\r\n"); },
     {"sync", "--add", "US3", "--add", "GB1"}, 1,
     {"Limit Exceeded:\nYou are allowed 3 phonebook records on your device."}, Outcome::Unchanged, nullptr},
    {"emptyEnrichedCountryCache", [](Workspace& ws) { ws.writeDialer("countryp.txt", ""); }, {"countries"}, 0, {},
     Outcome::AsBeforeFault,
     [](Workspace&, const CliRun& run) { EXPECT_EQ(run.out, "GB\tUnited Kingdom\nUS\tUnited States of America\n"); }},
    {"enrichedCountryCacheOfCommas", [](Workspace& ws) { ws.writeDialer("countryp.txt", std::string(1000, ',')); },
     {"countries"}, 0, {}, Outcome::AsBeforeFault,
     [](Workspace&, const CliRun& run) { EXPECT_EQ(run.out, "GB\tUnited Kingdom\nUS\tUnited States of America\n"); }},
    {"enrichedCountryCacheIsAFolder",
     [](Workspace& ws) {
         fs::remove(ws.dialer("countryp.txt"));
         fs::create_directory(ws.dialer("countryp.txt"));
     },
     {"sync", "--add", "US3"}, 0, {kSuccess}, Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) {
         EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US1", "US2", "US3"}));
         EXPECT_NE(onHandheld(ws, "cedr_country.txt").find("US,1,1,G"), std::string::npos);
     }},
    {"emptyCityCache", [](Workspace& ws) { ws.writeDialer("city.txt", "\r\n"); }, {"cities", "--country", "US"}, 0, {},
     Outcome::AsBeforeFault,
     [](Workspace&, const CliRun& run) {
         EXPECT_EQ(run.out, "Austin\tTX\tAustin Tex.\nBoston\tMA\tBoston Mass.\nDallas\tTX\tDallas Tex.\n");
     }},
    {"emptyRegionTable", [](Workspace& ws) { ws.writeDialer("region.txt", ""); }, {"sync", "--add", "US3"}, 1,
     {"region.txt is empty. Replace ceregion.txt on the CE device with an empty file?", kAnsweredNo},
     Outcome::Unchanged, nullptr},
    {"emptyCountryTable", [](Workspace& ws) { ws.writeDialer("country.txt", "\r\n"); }, {"sync", "--add", "US3"}, 1,
     {"country.txt is empty. Replace cecountry.txt on the CE device with an empty file?", kAnsweredNo},
     Outcome::Unchanged, nullptr},
    {"emptyAreaCodeRules", [](Workspace& ws) { ws.writeDialer("dr_areacode.txt", ""); }, {"sync", "--add", "US3"}, 1,
     {"dr_areacode.txt is empty. Replace cedr_areacode.txt on the CE device with an empty file?", kAnsweredNo},
     Outcome::Unchanged, nullptr},
    {"truncatedCompressedPhonebook",
     [](Workspace& ws) {
         std::string packed = gzipped(phonebook());
         ws.writeDialer("pbook.txt", packed.substr(0, packed.size() - 12));
     },
     {"status"}, 1, {kDamaged, "Error: Unable to open: pbook.txt"}, Outcome::Unchanged,
     [](Workspace&, const CliRun&) {
         // And the next run says the same rather than that nothing can be renamed.
         CliRun again = tarvoSync({"status"});
         EXPECT_EQ(again.code, 1);
         EXPECT_NE(again.err.find(kDamaged), std::string::npos) << again.err;
     }},
    {"compressedPhonebookBomb",
     [](Workspace& ws) { ws.writeDialer("pbook.txt", gzipped("#VER 1\r\n" + std::string(8 << 20, 'x'))); },
     {"status"}, 1, {kDamaged, "Error: Unable to open: pbook.txt"}, Outcome::Unchanged, nullptr},
    {"textWhereACompressedPhonebookIsExpected",
     [](Workspace& ws) {
         ws.writeDialer("pbook.txt.gz", gzipped(phonebook()));
         ws.writeDialer("pbook.txt", "this is not a phonebook\r\n");
     },
     {"status"}, 1, {"Error: Unable to open: pbook.txt"}, Outcome::Unchanged, nullptr},
    {"handheldRegistryCannotBeSaved",
     [](Workspace& ws) {
         setMarker(ws, "0");
         fs::remove(ws.handheldFolder().root.file("registry.reg"));
         fs::create_directory(ws.handheldFolder().root.file("registry.reg"));
     },
     {"sync", "--add", "US3"}, 1, {kRegistryError}, Outcome::Unchanged, nullptr},
    {"everyRegistryValueRefused",
     [](Workspace& ws) {
         setMarker(ws, "0");
         ws.writeSimulator("FailValueWrites=yes\r\n");
     },
     {"sync", "--add", "US3"}, 1, {"Error Setting a value in ce registry for TarvoDialer.", kRegistryError},
     Outcome::Unchanged,
     [](Workspace& ws, const CliRun& run) {
         std::size_t count = 0;
         for (std::size_t at = run.err.find("Error Setting"); at != std::string::npos; at = run.err.find("Error Setting", at + 1))
             ++count;
         EXPECT_EQ(count, 83U);
         EXPECT_NE(Workspace::read(ws.work("cereg.ini")).find("SetupReg=0"), std::string::npos);
     }},
    {"noDeviceSettingsFile",
     [](Workspace& ws) { fs::remove(ws.work("cereg.ini")); },
     {"sync", "--add", "US3"}, 0,
     {"Unable to read ./cereg.ini, the dialer settings were not written to the CE registry.", kSuccess},
     Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) {
         EXPECT_FALSE(Workspace::exists(ws.work("cereg.ini")));
         EXPECT_NE(Workspace::read(ws.handheldFolder().root.file("registry.reg")).find("\"CustomerID\"=\"4711\""),
                   std::string::npos);
     }},
    {"deviceSettingsFileIsAFolder",
     [](Workspace& ws) {
         fs::remove(ws.work("cereg.ini"));
         fs::create_directory(ws.work("cereg.ini"));
     },
     {"sync", "--add", "US3"}, 0,
     {"Unable to read ./cereg.ini, the dialer settings were not written to the CE registry.", kSuccess},
     Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) {
         EXPECT_NE(Workspace::read(ws.handheldFolder().root.file("registry.reg")).find("\"CustomerID\"=\"4711\""),
                   std::string::npos);
     }},
    {"anotherCopyWorksInTheFolder", nullptr, {"sync", "--add-matching", "--country", "GB"}, 1,
     {"Another copy of the synchronizer is working in this folder, please wait until it has finished."},
     Outcome::Unchanged, nullptr},
    {"carriageReturnLineEnds", [](Workspace& ws) { ws.writeDialer("pbook.txt", phonebook("\r")); },
     {"sync", "--add", "US3"}, 0, {kSuccess}, Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) { EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US1", "US2", "US3"})); }},
    {"filterWithoutAddMatching", nullptr, {"sync", "--area-code", "617"}, 2, {"give --add-matching with them"},
     Outcome::Unchanged, nullptr},
    {"profileNamedButMissing", nullptr, {"-c", "/nonexistent.ini", "sync", "--add", "US3"}, 1,
     {"ERROR: Unable to open settings file /nonexistent.ini"}, Outcome::Unchanged, nullptr},
    {"userSettingsNamedButMissing", nullptr, {"-u", "nope.ini", "sync", "--add", "US3"}, 1,
     {"ERROR: Unable to open settings file nope.ini"}, Outcome::Unchanged, nullptr},
    {"negativeLimit",
     [](Workspace& ws) { ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Tarvo Dialer\r\nMaxPops=-5\r\n"); },
     {"sync", "--add", "GB1"}, 0, {kSuccess}, Outcome::NewVersion,
     [](Workspace& ws, const CliRun&) {
         EXPECT_EQ(onHandheld(ws, "cepbook.txt"), merged({"US1", "US2", "GB1"}));
         EXPECT_NE(tarvoSync({"status"}).out.find("handheld_limit: 1000\n"), std::string::npos);
     }},
    {"leftoversOfKilledRuns",
     [](Workspace& ws) {
         ws.writeWork("cepbook.txt.tmpAbCdEf", "half");
         ws.writeWork("dr_country.txt.tmp123456", "half");
         ws.writeDialer("city.txt.tmpQwErTy", "half");
         ws.writeDialer("pbook.txt.tmpZzZzZz", "half");
         ws.handheldFolder().root.write("registry.reg.tmpXxXxXx", "half");
     },
     {"status"}, 0, {}, Outcome::AsBeforeFault,
     [](Workspace& ws, const CliRun&) {
         EXPECT_FALSE(Workspace::exists(ws.work("cepbook.txt.tmpAbCdEf")));
         EXPECT_FALSE(Workspace::exists(ws.work("dr_country.txt.tmp123456")));
     }},
    {"updateInstallerAtWork", nullptr, {"sync", "--add", "US3"}, 1,
     {"The update installer is working (it holds _updatelist.txt), please try again when it has finished."},
     Outcome::Unchanged, nullptr},
};

class FaultMatrix : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override
    {
        m_ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\nUS,MA,Massachusetts,Mass.\r\nGB,LND,London,LDN\r\n");
        m_ws.writeDialer("country.txt", "US,1,United States,1\r\nGB,44,United Kingdom,1\r\n");
        m_ws.writeDialer("dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
        m_ws.writeDialer("dr_areacode.txt", "512,Austin\r\n617,Boston\r\n");
        m_ws.writeDialer("pbook.txt", phonebook());
        m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Tarvo Dialer\r\nMaxPops=10\r\n");
        m_ws.writeWork("synuser.ini", "[Main]\r\n");
        m_ws.writeWork("cereg.ini", kDeviceSettings);
        // The handheld already carries a choice, its tables and the settings.
        CliRun first = tarvoSync({"sync", "--add", "US1", "--add", "US2"});
        ASSERT_EQ(first.code, 0) << first.err;
        ASSERT_EQ(onHandheld(m_ws, "cepbook.txt"), merged({"US1", "US2"}));
    }

    Workspace m_ws;
};

} // namespace

TEST_P(FaultMatrix, nothingIsLostAndNoFailureIsReportedAsSuccess)
{
    const Fault& fault = GetParam();
    const Files beforeFault = snapshot(m_ws);
    if (fault.setUp)
        fault.setUp(m_ws);
    const Files afterFault = snapshot(m_ws);

    // Faults that must hold while the verb runs.
    std::optional<ScopedFileSizeLimit> fullDisk;
    std::unique_ptr<WorkingFolderLock> otherCopy;
    std::unique_ptr<HeldFile> installer;
    const std::string name = fault.name;
    if (name == "readBackIntoAFullWorkingFolder")
        fullDisk.emplace(200);
    if (name == "anotherCopyWorksInTheFolder") {
        otherCopy = std::make_unique<WorkingFolderLock>(m_ws.work("synchronizer.lock"));
        ASSERT_EQ(otherCopy->acquire(), WorkingFolderLock::State::Held);
    }
    if (name == "updateInstallerAtWork") {
        m_ws.writeWork("_updatelist.txt", "update/pbook.txt\r\n");
        installer = std::make_unique<HeldFile>(m_ws.work("_updatelist.txt"));
        ASSERT_TRUE(installer->held());
    }
    CliRun run = tarvoSync(fault.args);
    fullDisk.reset();
    otherCopy.reset();
    installer.reset();

    EXPECT_EQ(run.code, fault.code) << run.err;
    for (const std::string& text : fault.says)
        EXPECT_NE(run.err.find(text), std::string::npos) << "expected: " << text << "\nstderr:\n" << run.err;
    if (fault.code != 0) {
        EXPECT_EQ(run.err.find(kSuccess), std::string::npos) << "a failure reported as success:\n" << run.err;
    }

    switch (fault.outcome) {
    case Outcome::Unchanged:
        EXPECT_EQ(snapshot(m_ws), afterFault);
        break;
    case Outcome::AsBeforeFault:
        EXPECT_EQ(snapshot(m_ws), beforeFault);
        break;
    case Outcome::NewVersion: {
        expectPushed(m_ws);
        // The dialer's folder is the run's input: untouched.
        Files after = snapshot(m_ws);
        for (const auto& [path, content] : afterFault) {
            if (path.starts_with("dialer/")) {
                EXPECT_EQ(after[path], content) << path;
            }
        }
        break;
    }
    }
    if (fault.check)
        fault.check(m_ws, run);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultMatrix, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& param) { return std::string(param.param.name); });

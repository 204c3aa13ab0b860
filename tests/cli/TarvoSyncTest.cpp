#include "config/AuthHeaderBuilder.h"
#include "fixtures/HeldFile.h"
#include "fixtures/PopLine.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/WinePrefix.h"
#include "fixtures/Workspace.h"
#include "support/TarvoCipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace tarvo;
using namespace std::chrono_literals;
using namespace tarvo::test;

namespace {

std::string pop(const char* country, const char* region, const char* city, const char* id, const char* area,
                const char* media = "MODEM")
{
    return PopLine(country, region, city, id).set(PopColumn::AREA_CODE, area).set(PopColumn::MEDIA, media).str();
}

constexpr const char* kRegions = "US,TX,Texas,Tex.\r\nUS,MA,Massachusetts,Mass.\r\nGB,LND,London,LDN\r\n";
constexpr const char* kCountries = "US,1,United States,1\r\nGB,44,United Kingdom,1\r\n";
constexpr const char* kDialerRules = "US,1,1,G, 1FG,011EFG, 1FG\r\n";
constexpr const char* kAreaCodes = "512,Austin\r\n617,Boston\r\n";
constexpr const char* kDeviceSettings = "[Profile]\r\nCustomerID=4711\r\n";

class TarvoSyncTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.writeDialer("region.txt", kRegions);
        m_ws.writeDialer("country.txt", kCountries);
        m_ws.writeDialer("dr_country.txt", kDialerRules);
        m_ws.writeDialer("dr_areacode.txt", kAreaCodes);
        m_ws.writeDialer("pbook.txt",
                         PopFile({pop("US", "TX", "Austin", "US1", "512"), pop("US", "TX", "Austin", "US1", "512", "ISDN"),
                                  pop("US", "MA", "Boston", "US2", "617"), pop("US", "TX", "Dallas", "US3", "214"),
                                  pop("GB", "LND", "London", "GB1", "20")}));
        m_ws.writeDialer("cbook.txt", PopFile({pop("US", "TX", "Austin", "C1", "512")}));
        m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Tarvo &#68;ialer\r\nMaxPops=3\r\n");
        m_ws.writeWork("cereg.ini", kDeviceSettings);
    }

    Workspace m_ws;
};

} // namespace

TEST_F(TarvoSyncTest, syncPushesEveryFileAndTheSettingsByteForByte)
{
    CliRun run = tarvoSync({"sync", "--add", "US1", "--add", "US2"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("Synchronization with CE device completed successfully."), std::string::npos);

    // The entry, its ISDN variant, then the next chosen POP; customer POPs never.
    std::string book = Workspace::read(m_ws.handheld("cepbook.txt"));
    EXPECT_EQ(book.rfind("#VER 1 - merged\r\n", 0), 0U);
    EXPECT_EQ(std::count(book.begin(), book.end(), '\n'), 4);
    EXPECT_NE(book.find(",US1,"), std::string::npos);
    EXPECT_NE(book.find(",ISDN,"), std::string::npos);
    EXPECT_NE(book.find(",US2,"), std::string::npos);
    EXPECT_EQ(book.find(",C1,"), std::string::npos);
    EXPECT_EQ(book, Workspace::read(m_ws.work("cepbook.txt")));

    EXPECT_EQ(Workspace::read(m_ws.handheld("cecountry.txt")), kCountries);
    EXPECT_EQ(Workspace::read(m_ws.handheld("ceregion.txt")), kRegions);
    EXPECT_EQ(Workspace::read(m_ws.handheld("cedr_areacode.txt")), kAreaCodes);
    std::string rules = Workspace::read(m_ws.handheld("cedr_country.txt"));
    EXPECT_EQ(rules, Workspace::read(m_ws.work("dr_country.txt")));
    EXPECT_EQ(rules.rfind("US,1,1,G, 1FG,011EFG, 1FG\r\n", 0), 0U);
    EXPECT_FALSE(Workspace::exists(m_ws.handheld("cecity.txt")));

    std::string registry = Workspace::read(m_ws.handheldFolder().root.file("registry.reg"));
    EXPECT_NE(registry.find("[HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\config.ini\\Profile]"), std::string::npos);
    EXPECT_NE(registry.find("\"CustomerID\"=\"4711\""), std::string::npos);
    EXPECT_NE(registry.find("\"DialTimeout\"=\"120\""), std::string::npos);
    EXPECT_NE(registry.find("\"PhonebookURL1\"=\"_NO_MORE_\""), std::string::npos);
    EXPECT_EQ(Workspace::read(m_ws.work("cereg.ini")), std::string(kDeviceSettings) + "[SetupReg]\r\nSetupReg=1\r\n");

    // A later start reads the handheld back: the chosen POPs, variants and all.
    CliRun list = tarvoSync({"list", "--handheld", "--format", "tsv"});
    ASSERT_EQ(list.code, 0) << list.err;
    EXPECT_EQ(list.out, "pop\tcountry\tregion\tcity\tarea_code\tphone_number\ton_handheld\n"
                        "US1\tUS\tTX\tAustin\t512\t5550100\tyes\n"
                        "US2\tUS\tMA\tBoston\t617\t5550100\tyes\n");
}

TEST_F(TarvoSyncTest, listFollowsTheWindowsFilterAndSort)
{
    CliRun run = tarvoSync({"list", "--country", "US", "--state", "TX", "--format", "tsv", "--sort", "number"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "pop\tcountry\tregion\tcity\tarea_code\tphone_number\ton_handheld\n"
                       "US3\tUS\tTX\tDallas\t214\t5550100\tno\n"
                       "US1\tUS\tTX\tAustin\t512\t5550100\tno\n"
                       "C1\tUS\tTX\tAustin\t512\t5550100\tno\n"); // same number: list order

    CliRun cities = tarvoSync({"cities", "--country", "US"});
    EXPECT_EQ(cities.out, "Austin\tTX\tAustin Tex.\nBoston\tMA\tBoston Mass.\nDallas\tTX\tDallas Tex.\n");
    // Names come from the enriched country file, which takes the telephony list's names.
    EXPECT_EQ(tarvoSync({"countries"}).out, "GB\tUnited Kingdom\nUS\tUnited States of America\n");
    EXPECT_EQ(tarvoSync({"states", "--country", "US"}).out, "MA\tMassachusetts\nTX\tTexas\n");
}

TEST_F(TarvoSyncTest, statusReportsProfileAndCountsWithoutShowingCredentials)
{
    CliRun run = tarvoSync({"status"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("app_name: Tarvo Dialer\n"), std::string::npos);
    EXPECT_NE(run.out.find("pops_master: 4\n"), std::string::npos);
    EXPECT_NE(run.out.find("pops_customer: 1\n"), std::string::npos);
    EXPECT_NE(run.out.find("handheld_limit: 3\n"), std::string::npos);
    EXPECT_NE(run.out.find("profile_user_id: unset\n"), std::string::npos);
    EXPECT_NE(run.out.find("dialer_home: " + m_ws.dir().file("dialer") + "\n"), std::string::npos);
}

TEST_F(TarvoSyncTest, withNoRegistryFileTheDialerIsFoundInTheWinePrefix)
{
    // The dialer's folder as Wine's drive Z: shows it, in Wine's escapes.
    std::string windowsPath = "Z:";
    for (char c : m_ws.dir().file("dialer"))
        windowsPath += c == '/' ? std::string("\\\\") : std::string(1, c);
    WinePrefix prefix;
    prefix.writeSystemReg("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\TarvoConnect.exe] "
                          "1796723476\n#time=1dd86f9aabaa392\n\"Path\"=\"" + windowsPath + "\"\n");
    ScopedEnv unnamed("TARVO_REGISTRY", "");
    ScopedEnv config("XDG_CONFIG_HOME", m_ws.dir().file("config"));
    ScopedEnv wine("WINEPREFIX", prefix.path());

    CliRun run = tarvoSync({"status"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("dialer_home: " + m_ws.dir().file("dialer") + "\n"), std::string::npos) << run.out;
}

TEST_F(TarvoSyncTest, limitUnknownAndCustomerPopsChangeNothingOnTheHandheld)
{
    // Four master POPs on a handheld of three, by filter and by ids.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"sync", "--add-matching", "--country", "US", "--add", "GB1"},
          std::vector<std::string>{"sync", "--add", "US1", "--add", "US2", "--add", "US3", "--add", "GB1"}}) {
        CliRun tooMany = tarvoSync(args);
        EXPECT_EQ(tooMany.code, 1);
        EXPECT_NE(tooMany.err.find("Limit Exceeded:\nYou are allowed 3 phonebook records on your device."),
                  std::string::npos);
        EXPECT_FALSE(Workspace::exists(m_ws.handheld("cepbook.txt")));
    }

    // A customer POP is never written to the handheld: asking for it is a mistake.
    CliRun customer = tarvoSync({"sync", "--add", "US1", "--add", "C1"});
    EXPECT_EQ(customer.code, 2);
    EXPECT_EQ(customer.err, "Customer POP, never written to the handheld: C1\n");
    EXPECT_FALSE(Workspace::exists(m_ws.handheld("cepbook.txt")));

    CliRun unknown = tarvoSync({"sync", "--add", "US1", "--add", "NOPE"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("Unknown POP: NOPE"), std::string::npos);
    EXPECT_FALSE(Workspace::exists(m_ws.handheld("cepbook.txt")));
    EXPECT_EQ(Workspace::read(m_ws.work("cereg.ini")), kDeviceSettings) << "no marker: nothing was transferred";

    // A filter takes the master POPs it matches and says what it left.
    CliRun matching = tarvoSync({"sync", "--add-matching", "--country", "US"});
    EXPECT_EQ(matching.code, 0) << matching.err;
    EXPECT_NE(matching.err.find("1 customer POP was left where it is: customer POPs are never written to the handheld."), std::string::npos);
    EXPECT_EQ(tarvoSync({"list", "--handheld", "--format", "tsv"}).out.find("C1"), std::string::npos);
}

TEST_F(TarvoSyncTest, startupFailuresShowTheirMessagesAndStopEarly)
{
    m_ws.writeDialer("region.txt", "");
    std::filesystem::remove(m_ws.dialer("region.txt"));
    CliRun noRegions = tarvoSync({"status"});
    EXPECT_EQ(noRegions.code, 1);
    EXPECT_EQ(noRegions.err, "Error: Unable to open: region.txt\n");
    EXPECT_TRUE(noRegions.out.empty());

    m_ws.forgetDialer();
    CliRun noDialer = tarvoSync({"status"});
    EXPECT_EQ(noDialer.code, 1);
    EXPECT_EQ(noDialer.err,
              "ERROR: Unable to find TarvoConnect. Please make sure that TarvoConnect is installed properly.\n");
}

TEST_F(TarvoSyncTest, aHeldUpdateMarkerEndsWithItsReason)
{
    m_ws.writeWork("_updatelist.txt", "x\r\n");
    std::optional<test::HeldFile> installer(std::in_place, m_ws.work("_updatelist.txt"));
    ASSERT_TRUE(installer->held());
    CliRun run = tarvoSync({"status"});
    installer.reset();
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.err,
              "The update installer is working (it holds _updatelist.txt), please try again when it has finished.\n");
    EXPECT_FALSE(Workspace::exists(m_ws.work("log")));
}

TEST_F(TarvoSyncTest, aFolderThatCannotBeCreatedIsReportedAndStartupGoesOn)
{
    m_ws.writeWork("log", "a file where the folder should be");
    CliRun run = tarvoSync({"status"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "ERROR: Unable to create directory log\n");
    EXPECT_TRUE(std::filesystem::is_directory(m_ws.work("backup")));
    EXPECT_TRUE(std::filesystem::is_directory(m_ws.work("update")));
}

TEST_F(TarvoSyncTest, noHandheldIsReportedAfterTheWaitAndNothingElseHappens)
{
    m_ws.unplugHandheld();
    auto started = std::chrono::steady_clock::now();
    CliRun run = tarvoSync({"status"});
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms) << "the wait for the handheld was not made";
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "Unable to connect to the device, please check the connection.\n");
    EXPECT_FALSE(Workspace::exists(m_ws.work("log")));
    EXPECT_FALSE(Workspace::exists(m_ws.work("dr_country.txt")));
}

TEST_F(TarvoSyncTest, helpUsageAndEncipher)
{
    CliRun help = tarvoSync({"list", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--area-code"), std::string::npos);

    EXPECT_EQ(tarvoSync({}).code, 2);
    EXPECT_EQ(tarvoSync({"list", "--sort", "price"}).code, 2);
    EXPECT_EQ(tarvoSync({"list", "--state", "TX"}).code, 2);

    CliRun unknown = tarvoSync({"-c", "x.ini", "frobnicate", "--now"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.err.rfind("Unknown verb: frobnicate\n", 0), 0U) << unknown.err;
    EXPECT_TRUE(unknown.out.empty());

    // The printed form is the stored form of exactly the text given.
    const std::string secret = "s\xE9" "cret:with=signs";
    CliRun enc = tarvoSync({"encipher", secret});
    ASSERT_EQ(enc.code, 0) << enc.err;
    ASSERT_FALSE(enc.out.empty());
    EXPECT_EQ(enc.out.back(), '\n');
    const std::string stored = enc.out.substr(0, enc.out.size() - 1);
    EXPECT_EQ(stored.find('\n'), std::string::npos) << "one line only";
    std::string plain;
    ASSERT_EQ(tarvoDecrypt(stored.data(), stored.size(), plain, kCredentialKey), 0) << stored;
    EXPECT_EQ(plain, secret);
}

TEST_F(TarvoSyncTest, aRegistryFileThatCannotBeReadIsReported)
{
    std::filesystem::remove(m_ws.dir().file("registry.reg"));
    std::filesystem::create_directory(m_ws.dir().file("registry.reg"));
    CliRun run = tarvoSync({"status"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "Unable to read the registry file " + m_ws.dir().file("registry.reg") + "\n");
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(Workspace::exists(m_ws.work("log"))) << "start-up did not run";

    // A registry file that is simply not there is an empty registry.
    std::filesystem::remove(m_ws.dir().file("registry.reg"));
    CliRun missing = tarvoSync({"status"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err,
              "ERROR: Unable to find TarvoConnect. Please make sure that TarvoConnect is installed properly.\n");
}

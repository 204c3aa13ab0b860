// A server that misbehaves in every way the update service has to survive:
// each case ends the pass with its own message, and "update" is afterwards
// byte for byte what an earlier run staged, or the complete new staging.
#include "fixtures/Gzip.h"
#include "fixtures/TestAuthority.h"
#include "updater/UpdateFixture.h"

#include <algorithm>
#include <filesystem>
#include <map>

using namespace tarvo;
using namespace tarvo::test;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

namespace {

class HostileServerTest : public UpdateTest {
protected:
    void SetUp() override
    {
        UpdateTest::SetUp();
        // What an earlier, honest run staged.
        m_server.put("/verce/42.ver", "pbook.txt,,1,0\r\n");
        m_server.put("/pbook.txt.1", "the phonebook of version 1");
        ASSERT_EQ(runUpdate(), UpdateService::kUpdated);
        m_previous = staging();
        ASSERT_EQ(m_previous, (Files{{"42.ver", "pbook.txt,,1,0"}, {"pbook.txt.1", "the phonebook of version 1"}}));
        std::filesystem::remove(m_dir.path() / "log" / "update.log");
    }

    // Small bounds, so that each is reached quickly.
    UpdateOptions bounded() const
    {
        UpdateOptions options = this->options();
        options.limits.listBytes = 64 << 10;
        options.limits.listEntries = 100;
        options.limits.unannouncedBody = 1 << 20;
        options.limits.expansion = ExpansionLimits{.ratio = 50, .floorBytes = 1 << 20, .keepFree = 1 << 20};
        options.limits.logRecords = 50;
        options.limits.minimumRate = 64;
        options.limits.rateWindow = std::chrono::seconds(1);
        return options;
    }

    // Every file of "update" and its bytes.
    Files staging() const
    {
        Files files;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path() / "update"))
            files[entry.path().filename().string()] = read("update/" + entry.path().filename().string());
        return files;
    }

    bool logHas(const std::string& line) const
    {
        Lines lines = log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // One failing run against the test server: its result, the line the log
    // must hold, and the staging as it was.
    void expectFailedRunLeavesTheStaging(const std::string& message, UpdateOptions options)
    {
        EXPECT_EQ(runUpdate(std::move(options)), UpdateService::kFailed);
        EXPECT_TRUE(logHas(message)) << message << "\n" << testing::PrintToString(log());
        EXPECT_TRUE(logHas("Update process failed -2"));
        EXPECT_EQ(staging(), m_previous);
        std::filesystem::remove(m_dir.path() / "log" / "update.log");
    }

    Files m_previous;
};

} // namespace

TEST_F(HostileServerTest, endlessOrOverlongAnswersFailThePassAndLeaveTheStaging)
{
    // A version list that never ends, as one line and as endless lines.
    m_server.put("/verce/42.ver", Served{.body = "x", .fault = Served::Fault::Endless});
    expectFailedRunLeavesTheStaging("Version list $SERVER/verce/42.ver is larger than 65536 bytes", bounded());
    m_server.put("/verce/42.ver", Served{.body = "pbook.txt,,2,0\r\n", .fault = Served::Fault::Endless});
    expectFailedRunLeavesTheStaging("Version list $SERVER/verce/42.ver has more than 100 entries", bounded());

    // A file without a length that never ends.
    m_server.put("/verce/42.ver", "pbook.txt,,2,0\r\n");
    m_server.put("/pbook.txt.2", Served{.fault = Served::Fault::Endless});
    expectFailedRunLeavesTheStaging("No length announced for $SERVER/pbook.txt.2 and more than 1048576 bytes sent", bounded());

    // A gzip bomb: 16 MiB of nothing in a few KB, against the floor of the
    // ratio bound.
    const std::string bomb = gzipped(std::string(16 << 20, '\0'));
    m_server.put("/verce/42.ver", "pbook.txt,C,2,0\r\n");
    m_server.put("/pbook.txt.2", bomb);
    UpdateOptions floor = bounded();
    floor.limits.expansion.ratio = 1;
    expectFailedRunLeavesTheStaging("Compressed file pbook.txt.2 expands to more than 1048576 bytes", floor);

    // A length past 4 GiB, and the body breaks off.
    m_server.put("/verce/42.ver", "pbook.txt,,2,0\r\n");
    m_server.put("/pbook.txt.2",
                 Served{.body = std::string(90, 'p'), .announced = std::size_t{5} << 30, .fault = Served::Fault::Drop});
    expectFailedRunLeavesTheStaging("Expected 5368709120 bytes - received 90", bounded());
}

TEST_F(HostileServerTest, aTrickleIsGivenUpAtTheMinimumRate)
{
    m_server.put("/verce/42.ver", "pbook.txt,,2,0\r\n");
    m_server.put("/pbook.txt.2", Served{.body = std::string(1000, 't'),
                                        .fault = Served::Fault::Trickle,
                                        .interval = std::chrono::milliseconds(100)});
    EXPECT_EQ(runUpdate(bounded()), UpdateService::kFailed);
    Lines body = logBody();
    ASSERT_GE(body.size(), 6U) << testing::PrintToString(body);
    EXPECT_EQ(body[3].rfind("Expected 1000 bytes - received ", 0), 0U) << body[3];
    EXPECT_EQ(body[4], "Operation too slow. Less than 64 bytes/sec transferred the last 1 seconds");
    EXPECT_EQ(body[5], "Update process failed -2");
    EXPECT_EQ(staging(), m_previous);
}

TEST_F(HostileServerTest, moreThanAnnouncedIsNeverReadAndTheAnnouncedFileIsStagedWhole)
{
    const std::string announced = patternBytes(100);
    m_server.put("/verce/42.ver", "pbook.txt,,2,0," + std::to_string(crc32Of(announced)) + "\r\n");
    m_server.put("/pbook.txt.2",
                 Served{.body = announced + std::string(1 << 20, 'x'), .announced = 100, .fault = Served::Fault::Excess});
    EXPECT_EQ(runUpdate(bounded()), UpdateService::kUpdated);
    // The superseded version went with the commit.
    EXPECT_EQ(staging(), (Files{{"42.ver", "pbook.txt,,2,0," + std::to_string(crc32Of(announced))}, {"pbook.txt.2", announced}}));
}

TEST_F(HostileServerTest, aListOfExactlyTheEntryBoundIsTakenAndOneEntryMoreIsRefused)
{
    UpdateOptions options = bounded();
    options.limits.listEntries = 3;
    std::string list;
    for (const char* name : {"a", "b", "c"}) {
        list += std::string(name) + ".txt,,1,0\r\n";
        m_server.put("/" + std::string(name) + ".txt.1", name);
    }
    m_server.put("/verce/42.ver", list);
    EXPECT_EQ(runUpdate(options), UpdateService::kUpdated);
    m_previous = staging();
    EXPECT_EQ(m_previous.size(), 5U) << "the list and its three files, and the earlier file";

    m_server.put("/verce/42.ver", list + "d.txt,,1,0\r\n");
    expectFailedRunLeavesTheStaging("Version list $SERVER/verce/42.ver has more than 3 entries", options);
}

TEST_F(HostileServerTest, namesWithControlCharactersAndRepeatedNamesAreRefusedAndTheRestIsStaged)
{
    m_server.put("/verce/42.ver", "pbook.txt,,2,0\r\nclear\x1b[2J.txt,,2,0\r\npbook.txt,,3,0\r\n");
    m_server.put("/pbook.txt.2", "the phonebook of version 2");
    EXPECT_EQ(runUpdate(bounded()), UpdateService::kUpdated);
    EXPECT_TRUE(logHas("Rejected entry clear\\x1B[2J.txt,,2,0 (control character in the path)"));
    EXPECT_TRUE(logHas("Rejected entry pbook.txt,,3,0 (duplicate name)"));
    EXPECT_EQ(staging(), (Files{{"42.ver", "pbook.txt,,2,0"}, {"pbook.txt.2", "the phonebook of version 2"}}));
    EXPECT_EQ(m_observer.messages().end()[-2], "status Application was downloaded successfully.");
}

TEST_F(HostileServerTest, endlessRejectedLinesStopAtTheLogsBoundForTheRun)
{
    m_server.put("/verce/42.ver", Served{.body = "bad:name,,1,0\r\n", .fault = Served::Fault::Endless});
    UpdateOptions options = bounded();
    options.limits.listEntries = 1000;
    EXPECT_EQ(runUpdate(options), UpdateService::kFailed);
    Lines lines = log();
    // The run's header, 50 records, the note, the bound and the outcome.
    EXPECT_EQ(lines.size(), 3U + 2U + 50U + 1U + 2U) << testing::PrintToString(lines);
    EXPECT_TRUE(logHas("More than 50 log records in this run: the rest are left out"));
    EXPECT_EQ(lines.end()[-2], "Version list $SERVER/verce/42.ver has more than 1000 entries");
    EXPECT_EQ(lines.back(), "Update process failed -2");
    EXPECT_EQ(staging(), m_previous);
}

TEST_F(HostileServerTest, anHttpsServerThatRedirectsToPlainHttpIsNotFollowed)
{
    TestAuthority authority;
    ASSERT_TRUE(authority.valid());
    write("ca.pem", authority.caPem());
    PhonebookTestServer https(authority.serverCertificate(), authority.serverKey());
    ASSERT_TRUE(https.start());
    https.put("/verce/42.ver", "pbook.txt,,2,0\r\n");
    https.put("/pbook.txt.2", Served{.location = m_server.base() + "/pbook.txt.2"});
    m_server.put("/pbook.txt.2", "the phonebook in the clear");
    writeProfile(https.profileLines());

    UpdateOptions trusting = bounded();
    trusting.caBundleFile = m_dir.file("ca.pem");
    EXPECT_EQ(runUpdate(trusting), UpdateService::kFailed);
    EXPECT_TRUE(logHas("Unable to contact " + https.base() + "/pbook.txt.2"));
    EXPECT_TRUE(logHas("the HTTPS server redirected to another scheme, which is refused"));
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/pbook.txt.1", "/verce/global.ver"}))
        << "the earlier run's only";
    EXPECT_EQ(staging(), m_previous);
}

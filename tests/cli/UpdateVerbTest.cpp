#include "fixtures/PhonebookTestServer.h"
#include "fixtures/PopLine.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace tarvo;
using namespace tarvo::test;

namespace {

class UpdateVerbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\n");
        m_ws.writeDialer("country.txt", "US,1,United States,1\r\n");
        m_ws.writeDialer("pbook.txt", PopFile({PopLine("US", "TX", "Austin", "US1").str()}));
        m_ws.writeDialer("cbook.txt", PopFile({}));
        ASSERT_TRUE(m_server.start());
        m_ws.writeWork("synconfig.ini", "[Profile]\r\nProfileID=42\r\n" + m_server.profileLines());
    }

    Workspace m_ws;
    PhonebookTestServer m_server;
};

} // namespace

TEST_F(UpdateVerbTest, anUpdateStagesTheFilesAndPrintsPlainLinesWithoutATerminal)
{
    m_server.put("/verce/42.ver", "pbook.txt,,12,0\r\n");
    m_server.put("/pbook.txt.12", "new phonebook");

    CliRun run = tarvoSync({"update"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Getting pbook.txt\n  13 bytes in "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\nApplication was downloaded successfully.\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    EXPECT_EQ(Workspace::read(m_ws.work("update/pbook.txt.12")), "new phonebook");
    EXPECT_NE(Workspace::read(m_ws.work("log/update.log")).find("Update process succeeded"), std::string::npos);

    // Nothing new on the server: still a success.
    m_server.put("/verce/42.ver", Served{.status = 404});
    run = tarvoSync({"update"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("The Application is up to date."), std::string::npos) << run.err;
}

TEST_F(UpdateVerbTest, aFailedUpdateExitsWithOne)
{
    m_server.put("/verce/42.ver", Served{.status = 500});
    CliRun run = tarvoSync({"update"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("Application update failed."), std::string::npos) << run.err;
}

TEST_F(UpdateVerbTest, ctrlCOrATerminationRequestOrAHangUpCancelsTheRunAndExitsWith130)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        m_server.put("/verce/42.ver", "big.bin,,1,0\r\n");
        m_server.put("/big.bin.1", Served{.generated = 256U << 20,
                                          .midway = [signal] { std::raise(signal); },
                                          .afterBytes = 1U << 20});
        struct sigaction before {};
        ASSERT_EQ(sigaction(signal, nullptr, &before), 0);

        CliRun run = tarvoSync({"update"});
        EXPECT_EQ(run.code, 130) << run.err;
        EXPECT_NE(run.err.find("Update cancelled.\n"), std::string::npos) << run.err;
        EXPECT_NE(Workspace::read(m_ws.work("log/update.log")).find("Update process failed -1"), std::string::npos);
        EXPECT_FALSE(Workspace::exists(m_ws.work("update/big.bin.1")));

        // The signal ends the program again as it did before.
        struct sigaction after {};
        ASSERT_EQ(sigaction(signal, nullptr, &after), 0);
        EXPECT_EQ(after.sa_handler, before.sa_handler);
    }
}

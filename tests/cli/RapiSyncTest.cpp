// `tarvo-sync sync` onto an emulated handheld through tarvo-cehub
// (TARVO_DEVICE=rapi:SOCKET) leaves exactly what the same work leaves on the
// simulated handheld: the same files and the same registry, in both command
// layouts; and a locked handheld takes its password from a file.
#include "cli/CliApp.h"

#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/HubRunner.h"
#include "fixtures/PopLine.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

namespace tarvo {
namespace {

using namespace test;
using namespace std::chrono_literals;

// `tarvo-sync sync --add P2` of the same work in a workspace of its own,
// onto the handheld `environment` names (after `aim` has pointed it).
CliRun syncWork(const std::function<void(AppEnvironment&)>& aim, const std::vector<std::string>& extra = {})
{
    Workspace ws;
    ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\n");
    ws.writeDialer("country.txt", "US,1,United States,1\r\n");
    ws.writeDialer("dr_areacode.txt", "US,408,1,G\r\n");
    ws.writeDialer("pbook.txt", PopFile({PopLine("US", "TX", "Austin", "P1").str(),
                                         PopLine("US", "TX", "Dallas", "P2").str()}));
    ws.writeWork("cereg.ini", "[Profile]\r\nCustomerID=4711\r\n[Tarvo]\r\nSupportEmail=caf\xE9@example.com\r\n");
    AppEnvironment environment = ws.environment();
    aim(environment);
    std::vector<std::string> args{"tarvo-sync"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {"sync", "--add", "P2"});
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.code = cli::runCli(args, out, err, {.deviceWait = 5s, .environment = environment});
    run.out = out.str();
    run.err = err.str();
    return run;
}

// Every file under the handheld's folder with its content.
std::map<std::string, std::string> contentOf(const HandheldFolder& handheld)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(handheld.root.path())) {
        if (!entry.is_regular_file())
            continue;
        std::string relative = std::filesystem::relative(entry.path(), handheld.root.path()).string();
        files[relative] = handheld.root.read(relative);
    }
    return files;
}

struct RapiSync : ::testing::TestWithParam<const char*> {};

TEST_P(RapiSync, leavesWhatTheSimulatedHandheldGets)
{
    HandheldFolder simulated;
    simulated.put("cecity.txt", "US,TX,Austin,Tex.\r\n");
    CliRun onFolder = syncWork([&](AppEnvironment& env) { env.deviceFolder = simulated.folder(); });
    ASSERT_EQ(onFolder.code, 0) << onFolder.err;

    HubRunner hub;
    HandheldFolder emulated;
    emulated.put("cecity.txt", "US,TX,Austin,Tex.\r\n");
    auto emulator = dock(hub, emulated,
                         [](ceemu::EmulatorOptions& o) { std::sscanf(GetParam(), "%u.%u", &o.osMajor, &o.osMinor); });
    ASSERT_TRUE(hub.waitForReady(1));
    CliRun onHandheld = syncWork([&](AppEnvironment& env) {
        env.deviceFolder.clear();
        env.hubSocket = hub.socketPath();
    });
    EXPECT_EQ(onHandheld.code, 0) << onHandheld.err;
    EXPECT_EQ(onHandheld.err, onFolder.err);
    emulator->emulator().stop();
    ASSERT_TRUE(emulator->waitForEnd());

    std::map<std::string, std::string> expected = contentOf(simulated);
    EXPECT_EQ(expected.size(), 6u); // five tables and the registry
    EXPECT_EQ(contentOf(emulated), expected);
}

INSTANTIATE_TEST_SUITE_P(OsVersions, RapiSync, ::testing::Values("4.20", "5.1"));

TEST(RapiSyncPassword, aLockedHandheldTakesItsPasswordFromAFileAndSaysWhyItDoesNotAnswer)
{
    HubRunner hub;
    HandheldFolder emulated;
    auto emulator = dock(hub, emulated, [](ceemu::EmulatorOptions& o) { o.password = "1234"; });
    ASSERT_TRUE(hub.waitForKnown(1));
    const auto throughHub = [&](AppEnvironment& env) {
        env.deviceFolder.clear();
        env.hubSocket = hub.socketPath();
    };

    CliRun locked = syncWork(throughHub);
    EXPECT_EQ(locked.code, 1);
    EXPECT_EQ(locked.err, "Unable to connect to the device, please check the connection.\n"
                          "The handheld is locked with a password. Give it with --device-password-file FILE.\n");

    TempDir secrets;
    secrets.write("wrong", "4321\n");
    CliRun wrong = syncWork(throughHub, {"--device-password-file", secrets.file("wrong")});
    EXPECT_EQ(wrong.code, 1);
    EXPECT_NE(wrong.err.find("The handheld refused the password given."), std::string::npos) << wrong.err;

    secrets.write("right", "1234\r\n");
    CliRun unlocked = syncWork(throughHub, {"--device-password-file", secrets.file("right")});
    EXPECT_EQ(unlocked.code, 0) << unlocked.err;
    EXPECT_EQ(emulated.get("cepbook.txt").find("P2") != std::string::npos, true);

    CliRun unreadable = syncWork(throughHub, {"--device-password-file", secrets.file("none")});
    EXPECT_EQ(unreadable.code, 1);
    EXPECT_EQ(unreadable.err, "Unable to read the device password file " + secrets.file("none") + "\n");
    emulator->emulator().stop();
    ASSERT_TRUE(emulator->waitForEnd());
}

TEST(RapiSyncPassword, noHubIsSaidWithItsSocket)
{
    TempDir nowhere;
    CliRun run = syncWork([&](AppEnvironment& env) {
        env.deviceFolder.clear();
        env.hubSocket = nowhere.file("socket");
    });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "Unable to connect to the device, please check the connection.\n"
                       "No handheld connection manager (tarvo-cehub) answers on " + nowhere.file("socket") + "\n");
}

} // namespace
} // namespace tarvo

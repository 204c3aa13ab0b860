// The whole synchronization onto an emulated handheld through tarvo-cehub
// and RapiDevice leaves exactly what it leaves on the simulated handheld:
// the same files and the same registry, in both command layouts.
#include "sync/SyncProcedure.h"

#include "config/ProfileConfig.h"
#include "device/DeviceLink.h"
#include "device/FolderDevice.h"
#include "device/RapiDevice.h"
#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/HubRunner.h"
#include "fixtures/PopLine.h"
#include "fixtures/PopSelection.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "phonebook/PopList.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarvo {
namespace {

using namespace test;
using namespace std::chrono_literals;

// Runs one synchronization of the same work in its own folder onto
// `transport`.
SyncProcedure::Result synchronize(DeviceTransport& transport)
{
    TempDir work;
    ScopedCurrentDir cwd(work.path());
    std::filesystem::create_directory(work.path() / "dialer");
    work.write("dialer/region.txt", "US,TX,Texas,Tex.\r\n");
    work.write("dialer/country.txt", "US,1,United States,1\r\n");
    work.write("dialer/dr_areacode.txt", "US,408,1,G\r\n");
    work.write("dialer/pbook.txt", PopFile({PopLine("US", "TX", "Austin", "P1").str(),
                                            PopLine("US", "TX", "Dallas", "P2").str()}));
    work.write("dr_country.txt", "US,1,1,G, 1FG,011EFG, 1FG\r\n");
    work.write("cereg.ini", "[Profile]\r\nCustomerID=4711\r\n[Tarvo]\r\nSupportEmail=caf\xE9@example.com\r\n");
    PopList pops;
    EXPECT_EQ(pops.LoadFile(PopList::Mode::ClearFirst, work.file("dialer/pbook.txt"), PopList::Source::Master),
              PopFileStatus::Read);
    choose(pops, {"P2"});
    RecordingFrontEnd ui;
    DeviceLink link(transport, ui);
    link.setConnectTimeout(5s);
    ProfileConfig profile;
    SyncProcedure procedure(pops, {}, link, ui, profile, SyncProcedure::Files{.dialerHome = work.file("dialer")});
    return procedure.synchronize();
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
    FolderDevice folder(simulated.folder());
    ASSERT_EQ(synchronize(folder), SyncProcedure::Result::Done);

    HubRunner hub;
    HandheldFolder emulated;
    emulated.put("cecity.txt", "US,TX,Austin,Tex.\r\n");
    ceemu::EmulatorOptions options;
    options.hub = hub.address();
    options.root = emulated.root.path();
    std::sscanf(GetParam(), "%u.%u", &options.osMajor, &options.osMinor);
    EmulatorRunner emulator(options);
    ASSERT_TRUE(hub.waitForReady(1));
    RapiDevice device(hub.socketPath());
    ASSERT_EQ(synchronize(device), SyncProcedure::Result::Done);
    emulator.emulator().stop();
    ASSERT_TRUE(emulator.waitForEnd());

    std::map<std::string, std::string> expected = contentOf(simulated);
    EXPECT_EQ(expected.size(), 6u); // five tables and the registry
    EXPECT_EQ(contentOf(emulated), expected);
}

INSTANTIATE_TEST_SUITE_P(OsVersions, RapiSync, ::testing::Values("4.20", "5.1"));

} // namespace
} // namespace tarvo

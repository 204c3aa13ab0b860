// The program as a PC with Windows Mobile Device Center runs it: the
// handheld through the remote API, rapi.dll loaded from the program's own
// folder; here the tests' stand-in, over a simulated handheld's folder.
// The demo's dialer and settings, the whole main job through tarvo-sync.exe
// in a program folder of its own, and every fault the stand-in can raise,
// each with its defined result and nothing half-written on the handheld.
#include "app/SyncApp.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/StandInRapi.h"
#include "fixtures/TarvoSyncRunner.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

using namespace tarvo;
using namespace tarvo::test;

namespace {

namespace fs = std::filesystem;

constexpr const char* kSuccess = "Synchronization with CE device completed successfully.";
constexpr const char* kNoDevice = "Unable to connect to the device, please check the connection.\n";
const std::vector<std::string> kPushed = {"cecountry.txt", "cedr_areacode.txt", "cedr_country.txt", "cepbook.txt",
                                          "ceregion.txt"};

using Files = std::map<std::string, std::string>;

class RemoteApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        const fs::path demo = fs::path(TARVO_SOURCE_DIR) / "examples" / "demo";
        fs::copy(demo / "dialer", m_ws.dir().path() / "dialer",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        for (const char* name : {"synconfig.ini", "cereg.ini"})
            fs::copy_file(demo / "work" / name, m_ws.work(name));
        fs::copy_file(tarvoSyncProgram(), m_pc.file("tarvo-sync.exe"));
        fs::copy_file(StandInRapi::library(), m_pc.file("rapi.dll"));
    }

    // tarvo-sync.exe of the program folder: its exit code and its output.
    CliRun program(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {m_pc.file("tarvo-sync.exe")};
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string output = m_ws.dir().file("program.out");
        ChildProcess child(argv, output);
        CliRun run;
        run.code = child.wait();
        run.out = Workspace::read(output);
        return run;
    }

    // The handheld's files and registry.
    Files handheld() const
    {
        Files files;
        for (const auto& entry : fs::directory_iterator(m_ws.handheldFolder().tarvo()))
            files[entry.path().filename().string()] = Workspace::read(entry.path().string());
        files["registry.reg"] = Workspace::read(m_ws.handheldFolder().root.file("registry.reg"));
        return files;
    }

    void expectPushed() const
    {
        EXPECT_EQ(m_ws.handheldFolder().files(), std::set<std::string>(kPushed.begin(), kPushed.end()));
        EXPECT_EQ(Workspace::read(m_ws.handheld("cepbook.txt")), Workspace::read(m_ws.work("cepbook.txt")));
        EXPECT_EQ(Workspace::read(m_ws.handheld("cedr_country.txt")), Workspace::read(m_ws.work("dr_country.txt")));
        for (const char* name : {"country.txt", "region.txt", "dr_areacode.txt"})
            EXPECT_EQ(Workspace::read(m_ws.handheld(std::string("ce") + name)), Workspace::read(m_ws.dialer(name)))
                << name;
    }

    Workspace m_ws;
    TempDir m_pc;
    // No folder named: the handheld is the remote API's.
    ScopedEnv m_noFolder{"TARVO_DEVICE", ""};
    std::unique_ptr<StandInRapi> m_standIn = std::make_unique<StandInRapi>(m_ws.handheldFolder().folder());
};

TEST_F(RemoteApi, theWholeJobAndTheReadBackGoThroughTheProgramsOwnRapiDll)
{
    CliRun sync = program({"sync", "--add-matching", "--country", "US", "--state", "CA", "--area-code", "415"});
    ASSERT_EQ(sync.code, 0) << sync.out;
    EXPECT_NE(sync.out.find(kSuccess), std::string::npos) << sync.out;
    expectPushed();
    const std::string registry = Workspace::read(m_ws.handheldFolder().root.file("registry.reg"));
    std::size_t values = 0;
    for (std::size_t at = registry.find("\n\""); at != std::string::npos; at = registry.find("\n\"", at + 1))
        ++values;
    EXPECT_EQ(values, 83U);
    EXPECT_NE(registry.find("\"DialTimeout\"=\"90\""), std::string::npos);

    const std::string phonebook = Workspace::read(m_ws.handheld("cepbook.txt"));
    const auto pops = std::count(phonebook.begin(), phonebook.end(), '\n') - 1;
    ASSERT_GT(pops, 0);
    CliRun status = program({"status"});
    EXPECT_EQ(status.code, 0) << status.out;
    EXPECT_NE(status.out.find("pops_on_handheld: " + std::to_string(pops) + "\n"), std::string::npos) << status.out;
}

TEST_F(RemoteApi, withoutRapiDllTheProgramSaysWhatToInstallAndDoesNothing)
{
    fs::remove(m_pc.file("rapi.dll"));
    CliRun status = program({"status"});
    EXPECT_EQ(status.code, 1);
    EXPECT_EQ(status.out, std::string(kNoDevice) + SyncApp::kNoRemoteApi + "\n");
    EXPECT_FALSE(Workspace::exists(m_ws.work("log")));
}

// A fault of the handheld, set up once a first synchronization went
// through; the next one runs in this process, which loads the stand-in
// from the test program's folder.
struct Fault {
    const char* name;
    std::function<std::string(const Workspace&)> knobs;
    int code;
    std::string says;
    // A file the fault may leave beside the handheld's own (a copy the
    // link dropped in the middle of).
    std::string leftover;
};

void PrintTo(const Fault& fault, std::ostream* os)
{
    *os << fault.name;
}

const Fault kFaults[] = {
    {"noHandheldAnswers", [](const Workspace&) { return "StartDelayMs=-1\r\n"; }, 1,
     std::string(kNoDevice) + SyncApp::kNoHandheldAnswered + "\n", ""},
    {"aFileItCannotCreate", [](const Workspace&) { return "FailCreateFile=cepbook.txt\r\n"; }, 1,
     "Error occured while synchronizing phonebook file", ""},
    {"aValueItRefuses", [](const Workspace&) { return "FailValueName=DialTimeout\r\n"; }, 1,
     "Error Setting a value in ce registry for TarvoDialer.", ""},
    // Past the read-back of the phonebook there, in the middle of the new one.
    {"theLinkDropsInTheMiddleOfACopy",
     [](const Workspace& ws) {
         return "DropAfterBytes=" + std::to_string(fs::file_size(ws.handheld("cepbook.txt")) + 500) + "\r\n";
     },
     1, "Error occured while synchronizing phonebook file", "cepbook.txt.partial"},
};

class RemoteApiFaults : public RemoteApi, public ::testing::WithParamInterface<Fault> {};

TEST_P(RemoteApiFaults, endInTheirDefinedResultAndLeaveNothingHalfWritten)
{
    const Fault& fault = GetParam();
    ASSERT_EQ(tarvoSync({"sync", "--add-matching", "--country", "US", "--area-code", "415"}).code, 0);
    // The dialer's settings go again, so a refused value shows.
    fs::copy_file(fs::path(TARVO_SOURCE_DIR) / "examples" / "demo" / "work" / "cereg.ini", m_ws.work("cereg.ini"),
                  fs::copy_options::overwrite_existing);
    const Files before = handheld();
    m_ws.writeSimulator(fault.knobs(m_ws));

    CliRun run = tarvoSync({"sync", "--add-matching", "--country", "US", "--area-code", "408"});
    EXPECT_EQ(run.code, fault.code) << run.err;
    EXPECT_NE(run.err.find(fault.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(kSuccess), std::string::npos) << run.err;
    Files after = handheld();
    if (!fault.leftover.empty()) {
        EXPECT_EQ(after.erase(fault.leftover), 1U);
    }
    EXPECT_EQ(after, before);

    // The handheld well again: the next synchronization puts all of it there.
    m_ws.writeSimulator("");
    CliRun again = tarvoSync({"sync"});
    EXPECT_EQ(again.code, 0) << again.err;
    expectPushed();
}

INSTANTIATE_TEST_SUITE_P(EveryFault, RemoteApiFaults, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& param) { return std::string(param.param.name); });

} // namespace

// A synchronization of 1,000 chosen POPs out of a 100,000-POP phonebook onto
// the simulated handheld, and the read-back of those POPs at start-up.
//
// The handheld answers at once (no start delay), so the connection wait adds
// nothing to the figures. Run from the bench preset:
//   build/bench/bench/bench_sync
#include "config/ProfileConfig.h"
#include "device/DeviceLink.h"
#include "device/FolderDevice.h"
#include "device/SyncProcedure.h"
#include "phonebook/HandheldPhonebook.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "support/FrontEnd.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace tarvo;
namespace fs = std::filesystem;

namespace {

constexpr int kPops = 100000;
constexpr int kChosen = 1000;

void writeFile(const fs::path& path, const std::string& content)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr || std::fwrite(content.data(), 1, content.size(), file) != content.size())
        std::abort();
    std::fclose(file);
}

// A dialer installation, a handheld folder and the master phonebook, made
// once for every benchmark of the run.
struct Setup {
    fs::path dir;
    PopList pops;
    SilentFrontEnd frontEnd;
    ProfileConfig profile;
    std::unique_ptr<FolderDevice> device;
    std::unique_ptr<DeviceLink> link;
    SyncProcedure::Files files;

    Setup()
    {
        std::string pattern = (fs::temp_directory_path() / "bench_sync_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        dir = pattern;
        fs::create_directories(dir / "dialer");
        fs::create_directories(dir / "handheld" / "fs" / "Program Files" / "Tarvo");

        // Countries, states and cities in plausible numbers; one POP in ten
        // has an ISDN line too.
        std::string pbook = "#VER 1\r\n";
        pbook.reserve(static_cast<std::size_t>(kPops) * 120);
        std::string regions;
        for (int i = 0; i < kPops; ++i) {
            std::string country = "C" + std::to_string(i % 60);
            std::string region = "R" + std::to_string(i % 50);
            std::string city = "City" + std::to_string(i % 4000);
            std::string pop = "POP" + std::to_string(i);
            std::string head = country + "," + region + "," + city + "," + std::to_string(200 + i % 700) + ",555" +
                               std::to_string(1000000 + i) + "," + pop + ",,,,127,0,2359,0,0,0.05,";
            pbook += head + "56000,0,1,1,0,,0,8005550199,,0,10,MODEM,B1\r\n";
            if (i % 10 == 0)
                pbook += head + "64000,1,1,1,0,,0,8005550199,,0,10,ISDN,B1\r\n";
        }
        for (int c = 0; c < 60; ++c)
            for (int r = 0; r < 50; ++r)
                regions += "C" + std::to_string(c) + ",R" + std::to_string(r) + ",Region " + std::to_string(r) +
                           ",Rg" + std::to_string(r) + "\r\n";
        std::string countries;
        std::string rules;
        for (int c = 0; c < 60; ++c) {
            countries += "C" + std::to_string(c) + "," + std::to_string(c + 1) + ",Country " + std::to_string(c) +
                         ",1\r\n";
            rules += "C" + std::to_string(c) + "," + std::to_string(c + 1) + ",1,G, 1FG,011EFG, 1FG\r\n";
        }
        std::string areaCodes;
        for (int a = 200; a < 900; ++a)
            areaCodes += "C0," + std::to_string(a) + ",1,G\r\n";
        writeFile(dir / "dialer" / "pbook.txt", pbook);
        writeFile(dir / "dialer" / "region.txt", regions);
        writeFile(dir / "dialer" / "country.txt", countries);
        writeFile(dir / "dialer" / "dr_areacode.txt", areaCodes);
        writeFile(dir / "dr_country.txt", rules);

        if (pops.LoadFile(1, (dir / "dialer" / "pbook.txt").string(), 1) != 0 ||
            pops.size() != static_cast<std::size_t>(kPops))
            std::abort();
        int index = 0;
        for (PopRecord& pop : pops)
            if (index++ % (kPops / kChosen) == 0)
                pop.setSelected(1);
        if (pops.CountSelected() != kChosen)
            std::abort();

        device = std::make_unique<FolderDevice>((dir / "handheld").string());
        link = std::make_unique<DeviceLink>(*device, frontEnd);
        files.dialerHome = (dir / "dialer").string();
        files.phonebook = (dir / "cepbook.txt").string();
        files.countryRules = (dir / "dr_country.txt").string();
        files.deviceSettings = (dir / "cereg.ini").string();
    }
    ~Setup()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    bool synchronize()
    {
        SyncProcedure procedure(pops, *link, frontEnd, profile, files);
        return procedure.synchronize() == SyncProcedure::Result::Done;
    }
    // As before the first synchronization: the settings still to transfer.
    void forgetRegistry()
    {
        std::error_code ec;
        fs::remove(dir / "cereg.ini", ec);
        fs::remove(dir / "handheld" / "registry.reg", ec);
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

// Later synchronizations: the registry transfer is already marked done.
void BM_Synchronize(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.synchronize())
        state.SkipWithError("synchronization failed");
    for (auto _ : state) {
        if (!s.synchronize()) {
            state.SkipWithError("synchronization failed");
            break;
        }
    }
    state.counters["pops"] = kChosen;
}
BENCHMARK(BM_Synchronize)->Unit(benchmark::kMillisecond);

// The first synchronization: every device setting goes to the registry too.
void BM_SynchronizeFirstTime(benchmark::State& state)
{
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        s.forgetRegistry();
        state.ResumeTiming();
        if (!s.synchronize()) {
            state.SkipWithError("synchronization failed");
            break;
        }
    }
}
BENCHMARK(BM_SynchronizeFirstTime)->Unit(benchmark::kMillisecond);

// The start-up read-back of the 1,000 POPs the handheld carries.
void BM_ReadBack(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.synchronize())
        state.SkipWithError("synchronization failed");
    const std::string local = (s.dir / "readback.txt").string();
    for (auto _ : state) {
        state.PauseTiming();
        for (PopRecord& pop : s.pops)
            pop.setSelected(0);
        state.ResumeTiming();
        if (HandheldPhonebook::ReadFromDevice(s.pops, *s.link, local) != 0) {
            state.SkipWithError("read-back failed");
            break;
        }
    }
    if (s.pops.CountSelected() != kChosen)
        state.SkipWithError("read-back marked the wrong number of POPs");
}
BENCHMARK(BM_ReadBack)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

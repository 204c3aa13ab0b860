// A synchronization of 1,000 chosen POPs out of a 100,000-POP phonebook onto
// the simulated handheld, and the read-back of those POPs at start-up.
//
// The phonebook comes from the generator tool (tools/tarvo-genbook). The
// handheld answers at once (no start delay), so the connection wait adds
// nothing to the figures. Run from the bench preset:
//   build/bench/bench/bench_sync
#include "config/ProfileConfig.h"
#include "device/DeviceLink.h"
#include "device/FolderDevice.h"
#include "genbook/Genbook.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "support/FrontEnd.h"
#include "sync/HandheldPhonebook.h"
#include "sync/SyncProcedure.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace tarvo;
namespace fs = std::filesystem;

namespace {

constexpr int kPopLines = 100000;
constexpr std::size_t kChosen = 1000;

// A dialer installation, a handheld folder and the master phonebook, made
// once for every benchmark of the run.
struct Setup {
    fs::path dir;
    PopList pops;
    HandheldSet handheld{pops, static_cast<int>(kChosen)};
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
        fs::create_directories(dir / "handheld" / "fs" / "Program Files" / "Tarvo");

        // The dialer's tables and phonebook from the generator: 100,000 POP
        // lines, a MODEM/ISDN pair counting as two.
        genbook::BookOptions book;
        book.out = (dir / "dialer").string();
        book.pops = kPopLines;
        book.seed = 7;
        if (!genbook::writeInstallation(book))
            std::abort();

        if (pops.loadFile(PopList::Mode::ClearFirst, (dir / "dialer" / "pbook.txt").string(), PopList::Source::Master)
                != PopFileStatus::Read || pops.size() < kChosen)
            std::abort();
        // Chosen evenly over the whole list, as a user picking from many
        // countries would.
        const std::size_t step = pops.size() / kChosen;
        std::size_t index = 0;
        for (PopRecord& pop : pops) {
            if (index % step == 0 && index / step < kChosen)
                (void)handheld.add(pop);
            ++index;
        }
        if (static_cast<std::size_t>(handheld.count()) != kChosen)
            std::abort();

        device = std::make_unique<FolderDevice>((dir / "handheld").string());
        link = std::make_unique<DeviceLink>(*device, frontEnd);
        files.dialerHome = (dir / "dialer").string();
        files.phonebook = (dir / "cepbook.txt").string();
        // The dialer's own rules stand in for the table the phonebook load
        // derives; only their size matters here.
        files.countryRules = (dir / "dialer" / "dr_country.txt").string();
        files.deviceSettings = (dir / "cereg.ini").string();
    }
    ~Setup()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    bool synchronize()
    {
        SyncProcedure procedure(handheld, *link, frontEnd, profile, files);
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
    state.counters["pops"] = static_cast<double>(s.pops.size());
    state.counters["chosen"] = static_cast<double>(s.handheld.count());
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
        s.handheld.removeAll();
        state.ResumeTiming();
        if (HandheldPhonebook::readFromDevice(s.handheld, *s.link, local).result != ReadBackResult::Marked) {
            state.SkipWithError("read-back failed");
            break;
        }
    }
    if (static_cast<std::size_t>(s.handheld.count()) != kChosen)
        state.SkipWithError("read-back marked the wrong number of POPs");
}
BENCHMARK(BM_ReadBack)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

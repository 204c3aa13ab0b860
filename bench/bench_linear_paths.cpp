// Three inputs that once took quadratic time, at the sizes that showed it:
// a registry file with one key of 10,000 to 60,000 values; `tarvo-sync sync`
// with 1,000 to 50,000 `--add` ids on a 500,000-POP phonebook; a profile
// with 5,000 to 20,000 numbered server addresses. Each reports items per
// second: a rate that stays the same from the smallest size to the largest
// is linear growth.
//
//   build/bench/bench/bench_linear_paths
#include "cli/CliApp.h"
#include "config/ProfileConfig.h"
#include "genbook/Genbook.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "text/RegistryFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path makeTempFolder(const char* name)
{
    std::string pattern = (fs::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    return pattern;
}

void writeFile(const fs::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out)
        std::abort();
}

// A registry file whose one key holds `values` string values.
void BM_RegistryKeyOfManyValues(benchmark::State& state)
{
    const auto values = state.range(0);
    const fs::path dir = makeTempFolder("bench-registry");
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Tarvo\\TarvoDialer\\config.ini\\Profile]\r\n";
    for (long long i = 0; i < values; ++i)
        text += "\"Value" + std::to_string(i) + "\"=\"" + std::to_string(i * 7) + "\"\r\n";
    writeFile(dir / "registry.reg", text);
    for (auto _ : state) {
        tarvo::RegistryFile registry((dir / "registry.reg").string());
        if (!registry.load()) {
            state.SkipWithError("the registry file could not be read");
            break;
        }
        benchmark::DoNotOptimize(registry);
    }
    state.SetItemsProcessed(state.iterations() * values);
    fs::remove_all(dir);
}
BENCHMARK(BM_RegistryKeyOfManyValues)->Arg(10000)->Arg(30000)->Arg(60000)->Unit(benchmark::kMillisecond);

// A profile with `servers` numbered addresses in [Profile] and in [Tarvo].
void BM_ProfileWithManyServers(benchmark::State& state)
{
    const auto servers = state.range(0);
    const fs::path dir = makeTempFolder("bench-profile");
    std::string text = "[Profile]\r\nMaxPops=250\r\n";
    for (long long i = 1; i <= servers; ++i)
        text += "PhonebookURL" + std::to_string(i) + "=http://server" + std::to_string(i) + ".example/\r\n";
    text += "[Tarvo]\r\n";
    for (long long i = 1; i <= servers; ++i)
        text += "PhonebookURL" + std::to_string(i) + "=http://global" + std::to_string(i) + ".example/\r\n";
    writeFile(dir / "synconfig.ini", text);
    tarvo::ProfileConfig profile;
    profile.setSettingsFile((dir / "synconfig.ini").string());
    for (auto _ : state) {
        profile.load();
        if (static_cast<long long>(profile.profileServers().size()) != servers) {
            state.SkipWithError("the list was not read whole");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * servers);
    fs::remove_all(dir);
}
BENCHMARK(BM_ProfileWithManyServers)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// A dialer with 500,000 POP lines, a handheld and a working folder, made
// once; the current folder is the working folder.
class SyncWorld {
public:
    SyncWorld() : m_root(makeTempFolder("bench-sync-add"))
    {
        fs::create_directories(m_root / "work");
        fs::create_directories(m_root / "handheld" / "fs" / "Program Files" / "Tarvo");
        tarvo::genbook::BookOptions book;
        book.out = (m_root / "dialer").string();
        book.pops = 500000;
        book.seed = 11;
        if (!tarvo::genbook::writeInstallation(book))
            std::abort();
        writeFile(m_root / "registry.reg",
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
                  "\"Path\"=\"" + (m_root / "dialer").string() + "\"\r\n");
        writeFile(m_root / "work" / "synconfig.ini", "[Profile]\r\nMaxPops=100000\r\n");
        writeFile(m_root / "work" / "cereg.ini", "[SetupReg]\r\nSetupReg=1\r\n");
        ::setenv("TARVO_REGISTRY", (m_root / "registry.reg").c_str(), 1);
        ::setenv("TARVO_DEVICE", (m_root / "handheld").c_str(), 1);
        fs::current_path(m_root / "work");

        // Master POP ids, spread over the whole book.
        tarvo::PopList pops;
        if (pops.loadFile(tarvo::PopList::Mode::ClearFirst, (m_root / "dialer" / "pbook.txt").string(),
                          tarvo::PopList::Source::Master) != tarvo::PopFileStatus::Read)
            std::abort();
        std::unordered_set<std::string> seen;
        std::vector<std::string> all;
        for (const tarvo::PopRecord& pop : pops)
            if (seen.emplace(pop.pop()).second)
                all.emplace_back(pop.pop());
        const std::size_t step = all.size() / 50000;
        for (std::size_t i = 0; i < all.size() && m_ids.size() < 50000; i += step)
            m_ids.push_back(all[i]);
    }
    ~SyncWorld()
    {
        std::error_code ec;
        fs::current_path("/", ec);
        fs::remove_all(m_root, ec);
    }

    // Starts the next run from a handheld without a phonebook.
    void emptyHandheld() const
    {
        std::error_code ec;
        fs::remove(m_root / "handheld" / "fs" / "Program Files" / "Tarvo" / "cepbook.txt", ec);
    }
    std::vector<std::string> arguments(std::size_t ids) const
    {
        std::vector<std::string> args{"tarvo-sync", "sync"};
        for (std::size_t i = 0; i < ids && i < m_ids.size(); ++i) {
            args.emplace_back("--add");
            args.push_back(m_ids[i]);
        }
        return args;
    }

private:
    fs::path m_root;
    std::vector<std::string> m_ids;
};

// `tarvo-sync sync --add ID` repeated `ids` times, start-up and all.
void BM_SyncAddManyIds(benchmark::State& state)
{
    static SyncWorld world;
    const auto ids = static_cast<std::size_t>(state.range(0));
    const std::vector<std::string> args = world.arguments(ids);
    for (auto _ : state) {
        state.PauseTiming();
        world.emptyHandheld();
        state.ResumeTiming();
        std::ostringstream out;
        std::ostringstream err;
        if (tarvo::cli::runCli(args, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(ids));
}
BENCHMARK(BM_SyncAddManyIds)->Arg(1000)->Arg(4000)->Arg(50000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

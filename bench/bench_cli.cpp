// `tarvo-sync status` and `tarvo-sync list --country US` on a dialer with
// 100,000 POPs, run in process the way the program runs them: start-up
// (dialer discovery, handheld check, profile, phonebook load with the
// handheld read back) and then the verb.
//
//   build/bench/bench/bench_cli
//
// The dialer installation comes from the phonebook generator (tarvo-genbook)
// in a temporary folder; the first run derives "city.txt" and "countryp.txt",
// later runs read them, as every start after the first does.

#include "cli/CliApp.h"
#include "genbook/Genbook.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class Workspace {
public:
    explicit Workspace(int pops)
    {
        char pattern[] = "/tmp/tarvo-bench-cli-XXXXXX";
        m_root = ::mkdtemp(pattern);
        fs::create_directories(m_root / "work");
        fs::create_directories(m_root / "handheld/fs/Program Files/Tarvo");
        tarvo::genbook::BookOptions book;
        book.out = (m_root / "dialer").string();
        book.pops = static_cast<std::uint64_t>(pops);
        book.seed = 5;
        if (!tarvo::genbook::writeInstallation(book))
            std::abort();
        std::ofstream reg(m_root / "registry.reg", std::ios::binary);
        reg << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
               "\"Path\"=\"" << (m_root / "dialer").string() << "\"\r\n";
        reg.close();
        ::setenv("TARVO_REGISTRY", (m_root / "registry.reg").c_str(), 1);
        ::setenv("TARVO_DEVICE", (m_root / "handheld").c_str(), 1);
        fs::current_path(m_root / "work");
    }
    ~Workspace()
    {
        std::error_code ec;
        fs::current_path("/", ec);
        fs::remove_all(m_root, ec);
    }

private:
    fs::path m_root;
};

void runVerb(benchmark::State& state, const std::vector<std::string>& verb)
{
    static Workspace workspace(100000);
    std::vector<std::string> args{std::string("tarvo-sync")};
    args.insert(args.end(), verb.begin(), verb.end());
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (tarvo::cli::runCli(args, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        bytes = out.str().size();
    }
    state.counters["out_bytes"] = static_cast<double>(bytes);
}

void BM_Status(benchmark::State& state)
{
    runVerb(state, {"status"});
}

void BM_ListCountryUS(benchmark::State& state)
{
    runVerb(state, {"list", "--country", "US"});
}

} // namespace

BENCHMARK(BM_Status)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ListCountryUS)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();

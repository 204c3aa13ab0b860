// Loading the master phonebook: POP file, city table derived and written,
// country table with "countryp.txt" and "dr_country.txt" written.
//
//   build/bench/bench/bench_master_phonebook
//
// Two kinds of phonebook, each generated once per size into a temporary
// folder by the generator in tools/genbook/: "genbook" in its grouped layout
// (lines grouped by country, region and city, a few hundred cities, a
// customer file of 5 %); "random" in its scattered layout (locations in
// random order, some 20 000 distinct cities at 1M POPs: the hard case for
// the city derivation). Time covers
// MasterPhonebook::Load on a folder without "city.txt" and "countryp.txt".
// Memory is measured in a fresh process (this program started again with
// --measure-load DIR) so that the generator and earlier sizes do not count:
// peak_MB is that process's resident high-water mark, base_MB its mark
// before loading, per_pop_B = (peak - base) / POPs, and x_file = peak / size
// of "pbook.txt".

#include "PeakMemoryChild.h"

#include "dialing/CountryQuery.h"
#include "genbook/Genbook.h"
#include "phonebook/MasterPhonebook.h"
#include "support/FrontEnd.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <utility>
#include <memory>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// The resident high-water mark of this process's memory (kB). Read from
// VmHWM rather than getrusage: ru_maxrss survives exec and would report the
// parent's mark.
long maxRssKb()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    std::fclose(status);
    return kb;
}

// Runs one load the way start-up does. Returns the load's result.
int loadOnce(const std::string& dir, std::size_t* popCount = nullptr)
{
    fs::remove(dir + "/city.txt");
    fs::remove(dir + "/countryp.txt");
    tarvo::SilentFrontEnd frontEnd;
    tarvo::CountryQuery query;
    tarvo::MasterPhonebook phonebook(dir, frontEnd, dir + "/out_dr_country.txt", query);
    const tarvo::MasterPhonebook::LoadResult result = phonebook.load();
    if (!result.ok())
        std::fprintf(stderr, "load failed: %s\n", result.errorText.c_str());
    if (popCount)
        *popCount = phonebook.pops().size();
    return result.ok() ? 0 : 1;
}

enum class Kind { Genbook, Random };

// What a generated phonebook holds: the size of "pbook.txt" and its POP
// lines (customer POPs come on top, in "cbook.txt").
struct BookFiles {
    std::uintmax_t pbookBytes = 0;
    std::size_t lines = 0;
};

struct Book {
    std::string dir;
    BookFiles files;
};

BookFiles generate(const std::string& dir, std::size_t pops, Kind kind)
{
    tarvo::genbook::BookOptions options;
    options.out = dir;
    options.pops = pops;
    options.layout = kind == Kind::Genbook ? tarvo::genbook::Layout::Grouped : tarvo::genbook::Layout::Scattered;
    if (!tarvo::genbook::writeInstallation(options))
        std::abort();
    return {fs::file_size(dir + "/pbook.txt"), pops};
}

class Books {
public:
    ~Books()
    {
        std::error_code ec;
        if (!m_root.empty())
            fs::remove_all(m_root, ec);
    }

    const Book& get(Kind kind, std::size_t pops)
    {
        auto key = std::make_pair(kind, pops);
        auto it = m_books.find(key);
        if (it != m_books.end())
            return it->second;
        if (m_root.empty()) {
            std::string pattern = (fs::temp_directory_path() / "tarvo-bench-XXXXXX").string();
            if (!::mkdtemp(pattern.data()))
                std::abort();
            m_root = pattern;
        }
        Book book;
        book.dir = m_root + (kind == Kind::Genbook ? "/genbook-" : "/random-") + std::to_string(pops);
        fs::create_directories(book.dir);
        book.files = generate(book.dir, pops, kind);
        return m_books.emplace(key, std::move(book)).first->second;
    }

private:
    std::string m_root;
    std::map<std::pair<Kind, std::size_t>, Book> m_books;
};

Books g_books;

// Peak and base resident memory (kB) of a fresh process loading `dir`.
bool measureInChild(const std::string& dir, long& baseKb, long& peakKb)
{
    const std::optional<std::string> line = tarvo::bench::runSelf({"--measure-load", dir});
    return line && std::sscanf(line->c_str(), "%ld %ld", &baseKb, &peakKb) == 2;
}

void loadBenchmark(benchmark::State& state, Kind kind)
{
    const Book& book = g_books.get(kind, static_cast<std::size_t>(state.range(0)));
    if (book.files.lines == 0) {
        state.SkipWithError("the phonebook could not be generated");
        return;
    }
    std::size_t pops = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(book.dir + "/city.txt");
        fs::remove(book.dir + "/countryp.txt");
        tarvo::SilentFrontEnd frontEnd;
        tarvo::CountryQuery query;
        auto phonebook =
            std::make_unique<tarvo::MasterPhonebook>(book.dir, frontEnd, book.dir + "/out_dr_country.txt", query);
        state.ResumeTiming();

        tarvo::MasterPhonebook::LoadResult result = phonebook->load();
        benchmark::DoNotOptimize(result);

        state.PauseTiming();
        if (!result.ok())
            state.SkipWithError(result.errorText.c_str());
        pops = phonebook->pops().size();
        phonebook.reset();
        state.ResumeTiming();
    }
    long baseKb = 0;
    long peakKb = 0;
    if (measureInChild(book.dir, baseKb, peakKb)) {
        state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
        state.counters["base_MB"] = static_cast<double>(baseKb) / 1024.0;
        state.counters["per_pop_B"] = static_cast<double>(peakKb - baseKb) * 1024.0 / static_cast<double>(book.files.lines);
        state.counters["x_file"] = static_cast<double>(peakKb) * 1024.0 / static_cast<double>(book.files.pbookBytes);
    }
    state.counters["file_MB"] = static_cast<double>(book.files.pbookBytes) / (1024.0 * 1024.0);
    state.counters["entries"] = static_cast<double>(pops);
    state.counters["lines"] = static_cast<double>(book.files.lines);
}

void BM_LoadGenbook(benchmark::State& state)
{
    loadBenchmark(state, Kind::Genbook);
}

void BM_LoadRandomOrder(benchmark::State& state)
{
    loadBenchmark(state, Kind::Random);
}

BENCHMARK(BM_LoadGenbook)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRandomOrder)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--measure-load") == 0) {
        long baseKb = maxRssKb();
        auto start = std::chrono::steady_clock::now();
        std::size_t pops = 0;
        int result = loadOnce(argv[2], &pops);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%ld %ld %zu %.1f\n", baseKb, maxRssKb(), pops, ms);
        return result == 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

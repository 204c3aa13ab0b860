// `tarvo-sync` at scale, run as a person runs it: a process of its own per
// run, on generated phonebooks of two shapes at 100,000 and 1,000,000 POPs,
// beside a Python `csv` scan of the same "pbook.txt" in the same run.
//
//   cmake --preset bench && cmake --build --preset bench -j2
//   build/bench/bench/bench_scale [--benchmark_filter=1000000]
//
// Shapes (tools/genbook, --realistic): "realistic" has about one city per 15
// POPs with POPs crowding into the big cities; "city_per_pop" is the same
// with as many cities as POPs (--cities N), nearly one city per POP, the
// hard case for the city derivation. Each book also has its 5 % customer
// book.
//
// For each book, in this order:
//   python_csv     python3 reading "pbook.txt" with csv.reader (latin-1),
//                  skipped when python3 is not on the PATH
//   status_derive  `tarvo-sync status` with no "city.txt" and no
//                  "countryp.txt" (removed before each run, untimed): the
//                  start-up that derives and writes them
//   status_cached  `tarvo-sync status` with both caches present
//   list_largest   `tarvo-sync list --country US` (the largest country of the
//                  generator's books), output to /dev/null
//   list_verb      the same verb alone, in this process: start-up once, then
//                  the filter, the sort and the output (to /dev/null) again
//                  and again
// Times are wall-clock times of the whole process, from its start to its
// end. Counters: peak_MB, the process's peak resident memory; x_file, that
// peak over the size of "pbook.txt"; x_python, the time over the median time
// of python_csv on the same book in this run; rows, the rows `list` wrote.
//
// TARVO_BENCH_SYNC names another tarvo-sync to run instead of the one built
// with this program (an older build, on the same books, for a before and
// after); list_verb, which runs this program's own code, is skipped then.
//
// Each process is started by a small helper (this program again, with
// --run-measured) so that its peak memory is its own: a process started
// straight from this one would count this one's memory at the fork.

#include "PeakMemoryChild.h"

#include "app/CommandLine.h"
#include "app/SyncApp.h"
#include "cli/CliFrontEnd.h"
#include "cli/Command.h"
#include "cli/ListCommand.h"
#include "device/FolderDevice.h"
#include "dialing/CountryQuery.h"
#include "genbook/Genbook.h"
#include "text/RegistryFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kLargestCountry = "US";

constexpr const char* kPythonScan = "import csv, sys\n"
                                    "rows = 0\n"
                                    "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
                                    "    for row in csv.reader(f):\n"
                                    "        rows += 1\n"
                                    "print(rows)\n";

// What one measured process did.
struct Measured {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

// The helper: runs `argv` in `workDir` with its output to `outPath` and
// prints the wall time, the peak resident memory and the exit status.
int runMeasured(const char* workDir, const char* outPath, char** argv)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::chdir(workDir) != 0)
            ::_exit(126);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.9f %ld %d\n", seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

Measured measure(const fs::path& workDir, const std::string& outPath, const std::vector<std::string>& command)
{
    std::vector<std::string> args = {"--run-measured", workDir.string(), outPath};
    args.insert(args.end(), command.begin(), command.end());
    const std::optional<std::string> line = tarvo::bench::runSelf(args);
    Measured result;
    int exitCode = -1;
    result.ok = line && std::sscanf(line->c_str(), "%lf %ld %d", &result.seconds, &result.peakKb, &exitCode) == 3 &&
                exitCode == 0;
    return result;
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return {};
}

enum class Shape { Realistic, CityPerPop };

// A dialer installation with its registry file, handheld and working
// folder, made once per run in a child process (the generator's memory
// stays out of this one).
struct Book {
    fs::path root;
    std::uintmax_t pbookBytes = 0;
    std::vector<double> pythonSeconds;
    long rows = -1;

    fs::path dialer() const { return root / "dialer"; }
    fs::path work() const { return root / "work"; }

    // `tarvo-sync` pointed at this book: the environment is this process's.
    void enter() const
    {
        ::setenv("TARVO_REGISTRY", (root / "registry.reg").c_str(), 1);
        ::setenv("TARVO_DEVICE", (root / "handheld").c_str(), 1);
    }
    void dropCaches() const
    {
        std::error_code ec;
        fs::remove(dialer() / "city.txt", ec);
        fs::remove(dialer() / "countryp.txt", ec);
    }
};

class Books {
public:
    ~Books()
    {
        std::error_code ec;
        if (!m_root.empty())
            fs::remove_all(m_root, ec);
    }

    Book* get(Shape shape, std::uint64_t pops)
    {
        auto key = std::make_pair(shape, pops);
        if (auto it = m_books.find(key); it != m_books.end())
            return &it->second;
        if (m_root.empty()) {
            std::string pattern = (fs::temp_directory_path() / "tarvo-bench-scale-XXXXXX").string();
            if (!::mkdtemp(pattern.data()))
                return nullptr;
            m_root = pattern;
        }
        Book book;
        book.root = m_root / ((shape == Shape::Realistic ? "realistic-" : "city_per_pop-") + std::to_string(pops));
        fs::create_directories(book.work());
        fs::create_directories(book.root / "handheld/fs/Program Files/Tarvo");
        std::ofstream(book.root / "registry.reg", std::ios::binary)
            << "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
               "\"Path\"=\""
            << book.dialer().string() << "\"\r\n";
        std::ofstream(book.root / "scan.py", std::ios::binary) << kPythonScan;

        const pid_t pid = ::fork();
        if (pid == 0) {
            tarvo::genbook::BookOptions options;
            options.out = book.dialer().string();
            options.pops = pops;
            options.seed = 12;
            options.layout = tarvo::genbook::Layout::Realistic;
            options.cities = shape == Shape::CityPerPop ? pops : 0;
            ::_exit(tarvo::genbook::writeInstallation(options) ? 0 : 1);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return nullptr;
        book.pbookBytes = fs::file_size(book.dialer() / "pbook.txt");
        return &m_books.emplace(key, std::move(book)).first->second;
    }

private:
    fs::path m_root;
    std::map<std::pair<Shape, std::uint64_t>, Book> m_books;
};

Books g_books;
std::string g_python;
std::string g_sync = TARVO_SYNC_PROGRAM;
bool g_otherSync = false;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

enum class Run { PythonCsv, StatusDerive, StatusCached, ListLargest };

void runBook(benchmark::State& state, Shape shape, std::uint64_t pops, Run run)
{
    Book* book = g_books.get(shape, pops);
    if (!book) {
        state.SkipWithError("the phonebook could not be generated");
        return;
    }
    if (run == Run::PythonCsv && g_python.empty()) {
        state.SkipWithError("python3 is not on the PATH: no csv scan to compare with");
        return;
    }
    book->enter();
    std::vector<std::string> command;
    switch (run) {
    case Run::PythonCsv:
        command = {g_python, (book->root / "scan.py").string(), (book->dialer() / "pbook.txt").string()};
        break;
    case Run::StatusDerive:
    case Run::StatusCached:
        command = {g_sync, "status"};
        break;
    case Run::ListLargest:
        command = {g_sync, "list", "--country", kLargestCountry};
        break;
    }
    if (run == Run::StatusCached || run == Run::ListLargest) {
        // The first start of a dialer writes the caches; these runs start later.
        if (!measure(book->work(), "/dev/null", {g_sync, "status"}).ok) {
            state.SkipWithError("tarvo-sync status failed");
            return;
        }
    }
    if (run == Run::ListLargest && book->rows < 0) {
        const std::string listed = (book->root / "list.txt").string();
        if (measure(book->work(), listed, command).ok) {
            std::ifstream in(listed, std::ios::binary);
            book->rows = static_cast<long>(std::count(std::istreambuf_iterator<char>(in), {}, '\n')) - 1;
        }
        std::error_code ec;
        fs::remove(listed, ec);
    }

    long peakKb = 0;
    double seconds = 0;
    for (auto _ : state) {
        if (run == Run::StatusDerive)
            book->dropCaches();
        const Measured measured = measure(book->work(), "/dev/null", command);
        if (!measured.ok) {
            state.SkipWithError("the process failed");
            return;
        }
        state.SetIterationTime(measured.seconds);
        seconds += measured.seconds;
        peakKb = std::max(peakKb, measured.peakKb);
        if (run == Run::PythonCsv)
            book->pythonSeconds.push_back(measured.seconds);
    }
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
    state.counters["x_file"] = static_cast<double>(peakKb) * 1024.0 / static_cast<double>(book->pbookBytes);
    state.counters["file_MB"] = static_cast<double>(book->pbookBytes) / (1024.0 * 1024.0);
    if (run != Run::PythonCsv && !book->pythonSeconds.empty() && state.iterations() > 0)
        state.counters["x_python"] =
            seconds / static_cast<double>(state.iterations()) / median(book->pythonSeconds);
    if (run == Run::ListLargest)
        state.counters["rows"] = static_cast<double>(book->rows);
}

// `list --country US` run in this process on a start-up made once.
void listVerb(benchmark::State& state, Shape shape, std::uint64_t pops)
{
    if (g_otherSync) {
        state.SkipWithError("TARVO_BENCH_SYNC is set: this program's list is not the one measured");
        return;
    }
    Book* book = g_books.get(shape, pops);
    if (!book) {
        state.SkipWithError("the phonebook could not be generated");
        return;
    }
    book->enter();
    const fs::path before = fs::current_path();
    fs::current_path(book->work());
    {
        std::ofstream out("/dev/null", std::ios::binary);
        std::ostringstream err;
        tarvo::cli::CliFrontEnd frontEnd(err);
        tarvo::SyncApp app(frontEnd, tarvo::SyncApp::Kind::CommandLine, tarvo::AppEnvironment::fromProcess());
        if (app.startup(tarvo::CommandLineOptions{}) != tarvo::SyncApp::Startup::Ready) {
            state.SkipWithError("start-up failed");
        } else {
            tarvo::cli::CommandContext context{app, frontEnd, out, err};
            tarvo::cli::ListOptions options;
            options.filter.country = kLargestCountry;
            tarvo::cli::ListCommand command(options);
            for (auto _ : state) {
                if (command.run(context) != tarvo::cli::kExitOk) {
                    state.SkipWithError("list failed");
                    break;
                }
            }
        }
    }
    fs::current_path(before);
}

void registerBenchmarks()
{
    const std::pair<Shape, const char*> shapes[] = {{Shape::Realistic, "realistic"}, {Shape::CityPerPop, "city_per_pop"}};
    const std::pair<Run, const char*> runs[] = {{Run::PythonCsv, "python_csv"},
                                                {Run::StatusDerive, "status_derive"},
                                                {Run::StatusCached, "status_cached"},
                                                {Run::ListLargest, "list_largest"}};
    for (std::uint64_t pops : {std::uint64_t{100000}, std::uint64_t{1000000}}) {
        for (const auto& [shape, shapeName] : shapes) {
            for (const auto& [run, runName] : runs) {
                const std::string name = std::string(runName) + "/" + shapeName + "/" + std::to_string(pops);
                benchmark::RegisterBenchmark(name.c_str(),
                                             [shape = shape, pops, run = run](benchmark::State& state) {
                                                 runBook(state, shape, pops, run);
                                             })
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(pops >= 1000000 ? 1 : 5)
                    ->Repetitions(5)
                    ->ReportAggregatesOnly(true);
            }
            const std::string name = std::string("list_verb/") + shapeName + "/" + std::to_string(pops);
            benchmark::RegisterBenchmark(name.c_str(),
                                         [shape = shape, pops](benchmark::State& state) { listVerb(state, shape, pops); })
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(pops >= 1000000 ? 2 : 10)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--run-measured") == 0)
        return runMeasured(argv[2], argv[3], argv + 4);
    g_python = findOnPath("python3");
    if (const char* other = std::getenv("TARVO_BENCH_SYNC"); other && *other) {
        g_sync = other;
        g_otherSync = true;
    }
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

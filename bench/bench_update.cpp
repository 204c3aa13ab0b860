// The update service's two heavy steps against the tools everyone trusts:
//
//   download  a 200 MB file from a tarvo-pbserver on the loopback, through a
//             whole update run (1024-byte blocks, one progress report per
//             block into the front ends' throttle), against `curl -o` of the
//             same file from the same server;
//   expand    a compressed entry that expands to 200 MB, against
//             `gzip -dc` of the same file (both into the page cache).
//
// The worker runs at normal priority here: at idle priority it would only
// measure what the other programs on the machine leave over. After the runs
// the ratios of the throughputs are printed. Run from the bench preset:
//   build/bench/bench/bench_update
#include "config/AuthHeaderBuilder.h"
#include "config/ProfileConfig.h"
#include "support/AtomicFile.h"
#include "support/FrontEnd.h"
#include "support/TarvoCipher.h"
#include "text/TagExpander.h"
#include "updater/GzipExpander.h"
#include "updater/ThrottledUpdateObserver.h"
#include "updater/UpdateService.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>

extern char** environ;

using namespace tarvo;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSize = 200u << 20;

struct CountingObserver final : UpdateObserver {
    std::uint64_t reports = 0;
    void progress(std::uint32_t, std::int32_t) override { ++reports; }
    void text(const std::string&, UpdateTextTarget) override {}
    void pending() override {}
    void done() override {}
};

int run(const std::string& command)
{
    return std::system(command.c_str());
}

// The served file, its compressed twin, a running tarvo-pbserver and a
// profile that points at it, made once for the whole run.
struct Setup {
    fs::path dir;
    pid_t server = -1;
    std::string url;
    SilentFrontEnd frontEnd;
    ProfileConfig profile;
    TagExpander tags;

    Setup()
    {
        std::string pattern = (fs::temp_directory_path() / "bench_update_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        dir = pattern;
        for (const char* folder : {"root/verce", "work/update", "work/backup", "work/log"})
            fs::create_directories(dir / folder);

        // Phonebook-like text, so that the compressed entry compresses as a
        // real one does (about 5:1).
        {
            std::ofstream text(dir / "book.txt", std::ios::binary);
            std::string line;
            std::uint64_t x = 88172645463325252ULL;
            for (std::size_t written = 0; written < kSize; written += line.size()) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                line = "US,TX,City " + std::to_string(x % 5000) + "," + std::to_string(200 + x % 800) + "," +
                       std::to_string(5550000 + x % 9999) + ",US" + std::to_string(x % 9999999) +
                       ",,,,127,0,2359,0,0,0.05,56000,0,1,1,0,,0,8005550199,,0,10,MODEM,B1\r\n";
                if (written + line.size() > kSize)
                    line.resize(kSize - written);
                text << line;
            }
        }
        fs::copy_file(dir / "book.txt", dir / "root" / "big.bin.1");
        if (run("gzip -6 -c " + (dir / "book.txt").string() + " > " + (dir / "book.txt.gz").string()) != 0)
            std::abort();
        std::ofstream(dir / "root" / "verce" / "42.ver", std::ios::binary) << "big.bin,,1,0\r\n";

        const std::string out = (dir / "server.out").string();
        const std::string serve = std::string("exec ") + TARVO_PBSERVER + " serve " + (dir / "root").string() +
                                  " --port 0 --user bench --password bench > " + out + " 2>&1";
        const char* argv[] = {"/bin/sh", "-c", serve.c_str(), nullptr};
        if (::posix_spawn(&server, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            std::abort();
        for (int i = 0; i < 200 && url.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::string text;
            if (!readWholeFile(out, text))
                continue;
            if (auto at = text.find("http://"); at != std::string::npos)
                url = text.substr(at, text.find_first_of(" \r\n", at) - at);
        }
        if (url.empty())
            std::abort();

        std::string user;
        std::string password;
        if (tarvoEncrypt("bench", 5, user, kCredentialKey) != 0 || tarvoEncrypt("bench", 5, password, kCredentialKey) != 0)
            std::abort();
        std::ofstream(dir / "work" / "synconfig.ini", std::ios::binary)
            << "[Profile]\r\nProfileID=42\r\nPBServer=2\r\nPhonebookURL1=" << url << "\r\nPhonebookUserID=" << user
            << "\r\nPhonebookPassword=" << password << "\r\n";
        profile.setSettingsFile((dir / "work" / "synconfig.ini").string());
        profile.load();
        tags.fill({0, 42, 0}, "", std::nullopt);
    }

    ~Setup()
    {
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

void BM_Download_UpdateService(benchmark::State& state)
{
    Setup& s = setup();
    UpdateOptions options;
    options.baseDir = s.dir / "work";
    options.workerPriority = WorkerPriority::Normal;
    std::uint64_t reports = 0;
    for (auto _ : state) {
        CountingObserver counting;
        ThrottledUpdateObserver throttled(counting);
        UpdateService service(s.profile, s.tags, s.frontEnd, options);
        if (!service.start(throttled) || service.wait() != UpdateService::kUpdated) {
            state.SkipWithError("the update failed; see the update log");
            break;
        }
        reports += counting.reports;
        state.PauseTiming();
        fs::remove(s.dir / "work" / "update" / "big.bin.1");
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
    state.counters["reports_per_run"] = static_cast<double>(reports) / static_cast<double>(state.iterations());
}

void BM_Download_CurlO(benchmark::State& state)
{
    Setup& s = setup();
    const std::string out = (s.dir / "curl.out").string();
    for (auto _ : state) {
        if (run("curl -sf -u bench:bench -o " + out + " " + s.url + "/big.bin.1") != 0) {
            state.SkipWithError("curl failed");
            break;
        }
        state.PauseTiming();
        fs::remove(out);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}

void BM_Expand_GzipExpander(benchmark::State& state)
{
    Setup& s = setup();
    const std::string out = (s.dir / "expanded.txt").string();
    for (auto _ : state) {
        // Into the page cache like gzip's output; the staging's sync of the
        // file is not the expansion's cost. The file goes with the object.
        AtomicFile expanded(out);
        if (!expanded.open() ||
            GzipExpander::expand((s.dir / "book.txt.gz").string(), expanded, true, "expanded.txt", ExpansionLimits{}) !=
                GzipExpander::Result::Expanded) {
            state.SkipWithError("expansion failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}

void BM_Expand_GzipDc(benchmark::State& state)
{
    Setup& s = setup();
    const std::string out = (s.dir / "gzip.out").string();
    for (auto _ : state) {
        if (run("gzip -dc " + (s.dir / "book.txt.gz").string() + " > " + out) != 0) {
            state.SkipWithError("gzip failed");
            break;
        }
        state.PauseTiming();
        fs::remove(out);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kSize));
}

BENCHMARK(BM_Download_UpdateService)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Download_CurlO)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Expand_GzipExpander)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Expand_GzipDc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Keeps each benchmark's throughput for the ratios printed at the end.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                m_rates[r.benchmark_name()] = r.counters.at("bytes_per_second");
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatio(const std::string& what, const std::string& ours, const std::string& theirs) const
    {
        auto a = m_rates.find(ours);
        auto b = m_rates.find(theirs);
        if (a != m_rates.end() && b != m_rates.end() && b->second > 0)
            std::printf("%s: %.2f (%.0f MB/s vs %.0f MB/s)\n", what.c_str(), a->second / b->second, a->second / 1e6,
                        b->second / 1e6);
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("download ratio, update service / curl -o", "BM_Download_UpdateService/iterations:5/real_time",
                        "BM_Download_CurlO/iterations:5/real_time");
    reporter.printRatio("expand ratio, GzipExpander / gzip -dc", "BM_Expand_GzipExpander/iterations:5/real_time",
                        "BM_Expand_GzipDc/iterations:5/real_time");
    benchmark::Shutdown();
    return 0;
}

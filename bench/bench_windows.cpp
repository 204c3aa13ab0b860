// `tarvo-sync status` of the Windows build under Wine against the Linux
// build, on the same 1,000,000-POP book in the same run: what Wine's file
// layer and the Windows services cost the start-up (load the phonebook and
// its tables, read the handheld back).
//
//   cmake --preset windows && cmake --build --preset windows -j2
//   cmake --preset bench && cmake --build --preset bench -j2
//   build/bench/bench/bench_windows
//
// Both programs find the same dialer (tools/genbook, --realistic, 1M POPs
// and 5 % customer POPs, its caches written by an untimed first start)
// through a registry file each, the same simulated handheld and the same
// country list; each has a working folder of its own. Times are wall-clock
// times of the whole process. The Windows program runs in a Wine prefix of
// its own, started before the first timed run (cmake/wine-run), so Wine's
// first start is not counted. Counter x_linux: the Windows program's time
// over the Linux program's median time in this run.
//
// TARVO_BENCH_WINDOWS_SYNC names another tarvo-sync.exe (default: the
// windows preset's, build/windows/src/cli/tarvo-sync.exe).

#include "genbook/Genbook.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kPops = 1000000;

// The Linux root as Wine's drive Z: sees it, backslashes and all.
std::string onDriveZ(const fs::path& path)
{
    std::string out = "Z:" + path.string();
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

void writeRegistry(const fs::path& file, const std::string& dialer)
{
    std::ofstream(file, std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
           "\"Path\"=\""
        << escaped(dialer) << "\"\r\n";
}

// Runs `argv` in `workDir` with `environment` added, output to /dev/null;
// the wall time in seconds, or a negative number when it failed.
double timed(const fs::path& workDir, const std::vector<std::string>& argv,
             const std::vector<std::pair<std::string, std::string>>& environment)
{
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& arg : args)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(126);
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Setup {
    fs::path root;
    std::string windowsSync;
    std::string winePrefix;
    std::vector<double> linuxSeconds;
    std::string error;

    std::vector<std::pair<std::string, std::string>> linuxEnvironment() const
    {
        return {{"TARVO_REGISTRY", (root / "linux.reg").string()},
                {"TARVO_DEVICE", (root / "handheld").string()},
                {"TARVO_COUNTRY_LIST", TARVO_SOURCE_DIR "/data/telephony-countries.csv"}};
    }
    std::vector<std::pair<std::string, std::string>> windowsEnvironment() const
    {
        return {{"TARVO_REGISTRY", onDriveZ(root / "windows.reg")},
                {"TARVO_DEVICE", onDriveZ(root / "handheld")},
                {"TARVO_COUNTRY_LIST", onDriveZ(fs::path(TARVO_SOURCE_DIR) / "data" / "telephony-countries.csv")}};
    }
    std::vector<std::string> linuxCommand() const { return {TARVO_SYNC_PROGRAM, "status"}; }
    std::vector<std::string> windowsCommand() const
    {
        return {TARVO_SOURCE_DIR "/cmake/wine-run", "--prefix=" + winePrefix, windowsSync, "status"};
    }

    ~Setup()
    {
        if (!winePrefix.empty())
            (void)timed(fs::temp_directory_path(), {TARVO_SOURCE_DIR "/cmake/wine-run", "--prefix=" + winePrefix, "--stop"},
                        {});
        std::error_code ec;
        if (!root.empty())
            fs::remove_all(root, ec);
    }

    // The book, both registry files, the handheld and the working folders;
    // one untimed start of each program (the caches, Wine's first start).
    bool make()
    {
        const char* other = std::getenv("TARVO_BENCH_WINDOWS_SYNC");
        windowsSync = other && *other ? other : TARVO_SOURCE_DIR "/build/windows/src/cli/tarvo-sync.exe";
        if (!fs::is_regular_file(windowsSync)) {
            error = windowsSync + " is missing: build the windows preset first";
            return false;
        }
        std::string pattern = (fs::temp_directory_path() / "tarvo-bench-windows-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return false;
        root = pattern;
        winePrefix = (root / "prefix").string();
        fs::create_directories(root / "handheld/fs/Program Files/Tarvo");
        fs::create_directories(root / "work-linux");
        fs::create_directories(root / "work-windows");
        writeRegistry(root / "linux.reg", (root / "dialer").string());
        writeRegistry(root / "windows.reg", onDriveZ(root / "dialer"));
        const pid_t pid = ::fork();
        if (pid == 0) {
            tarvo::genbook::BookOptions options;
            options.out = (root / "dialer").string();
            options.pops = kPops;
            options.seed = 12;
            options.layout = tarvo::genbook::Layout::Realistic;
            ::_exit(tarvo::genbook::writeInstallation(options) ? 0 : 1);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            error = "the phonebook could not be generated";
            return false;
        }
        if (timed(root / "work-linux", linuxCommand(), linuxEnvironment()) < 0 ||
            timed(root / "work-windows", windowsCommand(), windowsEnvironment()) < 0) {
            error = "tarvo-sync status failed";
            return false;
        }
        return true;
    }
};

Setup* g_setup = nullptr;

Setup* setup()
{
    static Setup made;
    static const bool ok = made.make();
    g_setup = &made;
    return ok ? &made : nullptr;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void status(benchmark::State& state, bool windows)
{
    Setup* s = setup();
    if (!s) {
        state.SkipWithError(g_setup->error.c_str());
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const double seconds = windows ? timed(s->root / "work-windows", s->windowsCommand(), s->windowsEnvironment())
                                       : timed(s->root / "work-linux", s->linuxCommand(), s->linuxEnvironment());
        if (seconds < 0) {
            state.SkipWithError("tarvo-sync status failed");
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
        if (!windows)
            s->linuxSeconds.push_back(seconds);
    }
    if (windows && !s->linuxSeconds.empty() && state.iterations() > 0)
        state.counters["x_linux"] = total / static_cast<double>(state.iterations()) / median(s->linuxSeconds);
}

} // namespace

// Linux first: the Windows runs are compared with its median.
BENCHMARK_CAPTURE(status, linux_status_1M, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(status, windows_status_1M, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();

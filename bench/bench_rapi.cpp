// A large phonebook (about 1,000,000 POPs, well over 100 MB) pushed to an
// emulated handheld through tarvo-cehub and RapiDevice on loopback, against
// a plain socket copy of the same bytes made in the same run (read the file,
// send it over a loopback TCP connection, write it to a file on the other
// side). The goal: the handheld path at least half the plain copy's speed.
// Counters: plain_MBps, rapi_MBps and ratio (rapi / plain), per iteration.
// Run from the bench preset:
//   build/bench/bench/bench_rapi
#include "hub/CeHub.h"
#include "ceemu/CeEmulator.h"
#include "device/DeviceLink.h"
#include "device/RapiDevice.h"
#include "genbook/Genbook.h"
#include "support/FileHandle.h"
#include "support/FrontEnd.h"
#include "support/NetAddress.h"
#include "support/SocketIo.h"
#include "support/UniqueFd.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <vector>

using namespace tarvo;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint64_t kPops = 1000000;

// The phonebook, a hub and a docked emulated handheld, made once.
struct Setup {
    fs::path dir;
    fs::path book;
    std::uint64_t bytes = 0;
    std::unique_ptr<cehub::CeHub> hub;
    std::unique_ptr<ceemu::CeEmulator> emulator;
    std::thread hubThread;
    std::thread emulatorThread;

    Setup()
    {
        std::string pattern = (fs::temp_directory_path() / "bench_rapi_XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        dir = pattern;
        genbook::BookOptions options;
        options.out = (dir / "dialer").string();
        options.pops = kPops;
        options.seed = 3;
        options.customerPercent = 0;
        if (!genbook::writeInstallation(options))
            std::abort();
        book = dir / "dialer" / "pbook.txt";
        bytes = fs::file_size(book);
        fs::create_directories(dir / "handheld" / "fs" / "Program Files" / "Tarvo");
        fs::create_directories(dir / "plain");

        cehub::HubOptions hubOptions;
        hubOptions.listen = {"127.0.0.1:0"};
        hubOptions.socketPath = (dir / "hub.sock").string();
        hub = std::make_unique<cehub::CeHub>(hubOptions);
        std::string error;
        if (!hub->open(error))
            std::abort();
        hubThread = std::thread([this] { hub->run(); });
        ceemu::EmulatorOptions emu;
        emu.hub = hub->listening().front();
        emu.root = dir / "handheld";
        emulator = std::make_unique<ceemu::CeEmulator>(emu);
        emulatorThread = std::thread([this] { (void)emulator->run(); });
        for (int i = 0; i < 1000 && hub->readyDevices() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    ~Setup()
    {
        emulator->stop();
        emulatorThread.join();
        hub->stop();
        hubThread.join();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup()
{
    static Setup instance;
    return instance;
}

// The same bytes over a plain loopback connection into a file: the floor
// any protocol on this machine is measured against.
double plainCopySeconds(const Setup& s)
{
    std::optional<NetAddress> any = NetAddress::parse("127.0.0.1:0");
    UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (::bind(listener.get(), any->get(), any->length()) != 0 || ::listen(listener.get(), 1) != 0)
        std::abort();
    NetAddress address = *NetAddress::ofSocket(listener.get(), false);
    const Clock::time_point start = Clock::now();
    std::thread sender([&] {
        UniqueFd out = socketio::connectTcp(address, -1, std::chrono::seconds(5));
        FilePtr in = openFile(s.book.string(), "rb");
        std::vector<std::uint8_t> block(64 * 1024);
        for (;;) {
            std::size_t n = std::fread(block.data(), 1, block.size(), in.get());
            if (n == 0 || !socketio::sendAll(out.get(), {std::span(block).first(n)}))
                break;
        }
    });
    UniqueFd peer(::accept(listener.get(), nullptr, nullptr));
    FilePtr file = openFile((s.dir / "plain" / "pbook.txt").string(), "wb");
    std::setvbuf(file.get(), nullptr, _IOFBF, 256 * 1024);
    std::vector<std::uint8_t> block(1024 * 1024);
    for (;;) {
        ssize_t n = ::recv(peer.get(), block.data(), block.size(), 0);
        if (n <= 0)
            break;
        std::fwrite(block.data(), 1, static_cast<std::size_t>(n), file.get());
    }
    file.reset();
    sender.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double rapiCopySeconds(const Setup& s)
{
    RapiDevice device((s.dir / "hub.sock").string());
    SilentFrontEnd ui;
    DeviceLink link(device, ui);
    const Clock::time_point start = Clock::now();
    if (link.connect() != SyncResult::Done ||
        link.writeFile(s.book.string(), "\\Program Files\\Tarvo\\cepbook.txt") != SyncResult::Done)
        std::abort();
    link.disconnect();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_PhonebookThroughHubAndEmulator(benchmark::State& state)
{
    Setup& s = setup();
    double plainTotal = 0;
    double rapiTotal = 0;
    for (auto _ : state) {
        double plain = plainCopySeconds(s);
        double rapi = rapiCopySeconds(s);
        plainTotal += plain;
        rapiTotal += rapi;
        state.SetIterationTime(rapi);
    }
    const double megabytes = static_cast<double>(s.bytes) / 1e6 * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(s.bytes) * state.iterations());
    state.counters["book_MB"] = static_cast<double>(s.bytes) / 1e6;
    state.counters["plain_MBps"] = megabytes / plainTotal;
    state.counters["rapi_MBps"] = megabytes / rapiTotal;
    state.counters["ratio"] = plainTotal / rapiTotal;
}

} // namespace

BENCHMARK(BM_PhonebookThroughHubAndEmulator)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

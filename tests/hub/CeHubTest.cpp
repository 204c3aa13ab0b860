// tarvo-cehub with several emulated handhelds on loopback: offering each by
// name, one vanishing in the middle of a copy while the other stays, the
// password from its file, the socket it owns, and the program itself
// starting and stopping as a service manager runs it.
#include "ceproto/CeHubProtocol.h"
#include "device/DeviceLink.h"
#include "device/RapiDevice.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/HubRunner.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "support/NetAddress.h"
#include "support/SocketIo.h"
#include "support/UniqueFd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using namespace test;

std::unique_ptr<EmulatorRunner> dock(const HubRunner& hub, const HandheldFolder& handheld, const std::string& name,
                                     std::int64_t dropAfter = -1)
{
    return test::dock(hub, handheld, [&](ceemu::EmulatorOptions& options) {
        options.name = name;
        options.dropAfterBytes = dropAfter;
    });
}

// Pushes `content` as cepbook.txt to the handheld of that name.
SyncResult push(const HubRunner& hub, const std::string& name, const std::string& content,
                const std::string& password = {})
{
    test::TempDir local;
    local.write("cepbook.txt", content);
    RapiDevice device(hub.socketPath());
    device.setDeviceName(name);
    device.setPassword(password);
    test::RecordingFrontEnd ui;
    DeviceLink link(device, ui);
    if (link.connect() != SyncResult::Done)
        return SyncResult::NoConnection;
    SyncResult result = link.writeFile(local.file("cepbook.txt"), "\\Program Files\\Tarvo\\cepbook.txt");
    link.disconnect();
    return result;
}

// The hub's answer to a request line, read to its end.
std::string ask(const std::string& socketPath, const std::string& line)
{
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return "no answer";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
    if (!socketio::sendAll(fd.get(), {std::span(bytes, line.size())}, -1, 5s))
        return "no answer";
    std::string answer;
    char buffer[256];
    while (socketio::waitReadable(fd.get(), -1, 5s) == socketio::Wait::Ready) {
        ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    return answer;
}

TEST(CeHub, offersEachOfTwoHandheldsByName)
{
    HubRunner hub;
    HandheldFolder alpha;
    HandheldFolder beta;
    auto first = dock(hub, alpha, "Alpha");
    // Asked for before the second handheld has finished its handshake: the
    // request waits for it.
    auto second = dock(hub, beta, "Beta");
    EXPECT_EQ(push(hub, "Beta", "for beta"), SyncResult::Done);
    ASSERT_TRUE(hub.waitForReady(2));
    EXPECT_EQ(push(hub, "alpha", "for alpha"), SyncResult::Done);
    EXPECT_EQ(alpha.get("cepbook.txt"), "for alpha");
    EXPECT_EQ(beta.get("cepbook.txt"), "for beta");
    const std::string list = ask(hub.socketPath(), "devices\n");
    EXPECT_NE(list.find("device " + CeHubProtocol::hex("Alpha") + " 5 1 ready\n"), std::string::npos) << list;
    EXPECT_NE(list.find("device " + CeHubProtocol::hex("Beta") + " 5 1 ready\n"), std::string::npos) << list;
    EXPECT_EQ(ask(hub.socketPath(), "hello\n"), "error bad-request\n");
}

TEST(CeHub, aHandheldVanishingMidCopyIsDroppedAndTheOtherStays)
{
    HubRunner hub([](cehub::HubOptions& o) { o.requestTimeout = 300ms; });
    HandheldFolder alpha;
    HandheldFolder beta;
    alpha.put("cepbook.txt", "alpha's old book");
    auto first = dock(hub, alpha, "Alpha", 100 * 1024);
    auto second = dock(hub, beta, "Beta");
    ASSERT_TRUE(hub.waitForReady(2));
    EXPECT_EQ(push(hub, "Alpha", std::string(512 * 1024, 'x')), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(first->waitForEnd(), ceemu::CeEmulator::End::Dropped);
    EXPECT_EQ(alpha.get("cepbook.txt"), "alpha's old book");
    EXPECT_EQ(push(hub, "Beta", "still here"), SyncResult::Done);
    EXPECT_EQ(beta.get("cepbook.txt"), "still here");
    // Once the hub has seen it go, a request for it waits in vain.
    for (int i = 0; i < 500 && hub.hub().readyDevices() != 1; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(hub.hub().readyDevices(), 1u);
    EXPECT_EQ(ask(hub.socketPath(), CeHubProtocol::connectRequest("Alpha", "")), "error no-device\n");
}

TEST(CeHub, givesThePasswordFromItsFile)
{
    HubRunner hub([](cehub::HubOptions& o) { o.password = "2468"; });
    HandheldFolder handheld;
    auto emulator = test::dock(hub, handheld, [](ceemu::EmulatorOptions& o) { o.password = "2468"; });
    ASSERT_TRUE(hub.waitForReady(1));
    EXPECT_EQ(push(hub, "", "unlocked"), SyncResult::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), "unlocked");
}

std::vector<std::uint8_t> le(std::initializer_list<std::uint32_t> words)
{
    std::vector<std::uint8_t> out;
    for (std::uint32_t w : words)
        for (int s = 0; s < 32; s += 8)
            out.push_back(static_cast<std::uint8_t>(w >> s));
    return out;
}

TEST(CeHub, anOlderHandheldGivesItsPasswordAgainOnEveryConnection)
{
    // The older handheld's own port for the desktop's connections.
    UniqueFd rapiPort(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    std::optional<NetAddress> any = NetAddress::parse("127.0.0.1:0");
    ASSERT_EQ(::bind(rapiPort.get(), any->get(), any->length()), 0);
    ASSERT_EQ(::listen(rapiPort.get(), 4), 0);
    const std::uint16_t port = NetAddress::ofSocket(rapiPort.get(), false)->port();
    HubRunner hub([&](cehub::HubOptions& o) {
        o.olderListen = {"127.0.0.1:0"};
        o.olderRapiPort = port;
    });
    HandheldFolder handheld;
    ceemu::EmulatorOptions options;
    options.hub = hub.hub().listening().at(1);
    options.root = handheld.root.path();
    options.name = "Old";
    options.older = true;
    options.rapiListenFd = rapiPort.release();
    options.osMajor = 4;
    options.osMinor = 20;
    options.password = "1357";
    EmulatorRunner emulator(options);
    ASSERT_TRUE(hub.waitForKnown(1));
    EXPECT_EQ(push(hub, "Old", "no password"), SyncResult::NoConnection);
    EXPECT_EQ(push(hub, "Old", "first", "1357"), SyncResult::Done);
    EXPECT_EQ(push(hub, "Old", "second"), SyncResult::Done); // the hub keeps what was accepted
    EXPECT_EQ(handheld.get("cepbook.txt"), "second");
    EXPECT_NE(ask(hub.socketPath(), "devices\n").find("device " + CeHubProtocol::hex("Old") + " 4 20 ready\n"),
              std::string::npos);
}

TEST(CeHub, anOlderHandheldThatStopsAnsweringPingsIsDropped)
{
    HubRunner hub([](cehub::HubOptions& o) {
        o.olderListen = {"127.0.0.1:0"};
        o.pingInterval = 50ms;
    });
    UniqueFd handheld = socketio::connectTcp(*NetAddress::parse(hub.hub().listening().at(1)), -1, 5s);
    ASSERT_TRUE(handheld);
    // An empty packet, then the information block (names at offsets).
    std::vector<std::uint8_t> block = le({0});
    block.insert(block.end(), {4, 20, 0, 0, 0x11, 0x0A, 0, 0});
    for (std::uint32_t w : {0u, 0u, 0u, 36u, 42u, 46u})
        for (std::uint8_t b : le({w}))
            block.push_back(b);
    for (std::string_view name : {"Pi", "P", "M"}) {
        for (char c : name)
            block.insert(block.end(), {static_cast<std::uint8_t>(c), 0});
        block.insert(block.end(), {0, 0});
    }
    std::vector<std::uint8_t> size = le({static_cast<std::uint32_t>(block.size())});
    ASSERT_TRUE(socketio::sendAll(handheld.get(), {le({0}), size, block}, -1, 5s));
    ASSERT_TRUE(hub.waitForReady(1));
    std::array<std::uint8_t, 4> ping{};
    ASSERT_TRUE(socketio::readExact(handheld.get(), ping.data(), 4, -1, 5s));
    EXPECT_EQ(std::vector<std::uint8_t>(ping.begin(), ping.end()), le({0x12345678}));
    ASSERT_TRUE(socketio::sendAll(handheld.get(), {ping}, -1, 5s));
    // Then silence: three unanswered pings later the hub lets it go.
    for (int i = 0; i < 1000 && hub.hub().readyDevices() > 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(hub.hub().readyDevices(), 0u);
    std::vector<std::string> log = hub.logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "handheld \"Pi\" went away"), log.end());
}

TEST(CeHub, keepsItsSocketFromASecondHub)
{
    HubRunner hub;
    cehub::HubOptions options;
    options.socketPath = hub.socketPath();
    cehub::CeHub second(options);
    std::string error;
    EXPECT_FALSE(second.open(error));
    EXPECT_EQ(error, "another program answers on " + hub.socketPath());
}

TEST(CeHubProgram, printsItsReadyLineAndStopsOnSigterm)
{
    test::TempDir dir;
    const std::string socketPath = dir.file("hub.sock");
    dir.write("hub.sock", "a file, not a socket");
    {
        test::ChildProcess refused({TARVO_BINARY_DIR "/tools/tarvo-cehub", "--listen", "127.0.0.1:0", "--socket",
                                    socketPath},
                                   dir.file("refused.txt"));
        EXPECT_EQ(refused.wait(), 1);
        EXPECT_EQ(dir.read("refused.txt"), "tarvo-cehub: another program answers on " + socketPath + "\n");
    }
    std::filesystem::remove(socketPath);
    test::ChildProcess hub({TARVO_BINARY_DIR "/tools/tarvo-cehub", "--listen", "127.0.0.1:0", "--socket", socketPath},
                           dir.file("out.txt"));
    std::string out;
    for (int i = 0; i < 1000 && out.find('\n') == std::string::npos; ++i) {
        std::this_thread::sleep_for(10ms);
        out = dir.read("out.txt");
    }
    EXPECT_TRUE(out.starts_with("listening on 127.0.0.1:")) << out;
    EXPECT_NE(out.find(" socket " + socketPath + "\n"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(socketPath));
    hub.kill(SIGTERM);
    EXPECT_EQ(hub.wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_NE(dir.read("out.txt").find("tarvo-cehub: stopping\n"), std::string::npos);
}

} // namespace
} // namespace tarvo

// tarvo-cehub with emulated handhelds and handhelds played by hand: offering
// each by name, one vanishing in the middle of a copy while the other stays,
// the stored password and whom it goes to, peers that flood, stall or guess,
// the link's own peer as the only handheld, and the program itself starting
// and stopping as a service manager runs it.
#include "ceproto/CeHubProtocol.h"
#include "device/DeviceLink.h"
#include "device/RapiDevice.h"
#include "fixtures/Fifo.h"
#include "fixtures/ChildProcess.h"
#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/HubRunner.h"
#include "fixtures/NetNamespace.h"
#include "fixtures/RawHandheld.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/TempDir.h"
#include "support/NetAddress.h"
#include "support/SocketIo.h"
#include "support/UniqueFd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using namespace test;
using Clock = std::chrono::steady_clock;

std::unique_ptr<EmulatorRunner> dock(const HubRunner& hub, const HandheldFolder& handheld, const std::string& name,
                                     std::int64_t dropAfter = -1, const std::string& password = {})
{
    return test::dock(hub, handheld, [&](ceemu::EmulatorOptions& options) {
        options.name = name;
        options.dropAfterBytes = dropAfter;
        options.password = password;
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

TEST(CeHub, offersEachOfTwoHandheldsByNameAndRefusesASecondOfEither)
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

    // A handheld claiming a docked one's name, or GUID, is no second one.
    RawHandheld sameName(hub.address());
    ASSERT_TRUE(sameName.introduce(RawHandheld::info("ALPHA", 0, 0x33)));
    EXPECT_TRUE(sameName.closedByHub());
    RawHandheld gamma(hub.address());
    ASSERT_TRUE(gamma.introduce(RawHandheld::info("Gamma", 0, 0x22)));
    RawHandheld sameGuid(hub.address());
    ASSERT_TRUE(sameGuid.introduce(RawHandheld::info("Delta", 0, 0x22)));
    EXPECT_TRUE(sameGuid.closedByHub());
    EXPECT_NE(hub.waitForLog("a handheld of that name is docked already"), "");
    EXPECT_NE(hub.waitForLog("a handheld of that GUID is docked already"), "");

    const std::string list = ask(hub.socketPath(), "devices\n");
    EXPECT_NE(list.find("device " + CeHubProtocol::hex("Alpha") + " 5 1 ready\n"), std::string::npos) << list;
    EXPECT_NE(list.find("device " + CeHubProtocol::hex("Beta") + " 5 1 ready\n"), std::string::npos) << list;
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 4) << list; // Alpha, Beta, Gamma, end
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

TEST(CeHub, givesTheStoredPasswordOnlyToAHandheldSeenUnlockedOrListed)
{
    TempDir files;
    files.write("trusted", "# handhelds the stored password may go to\n");
    HubRunner hub([&](cehub::HubOptions& o) {
        o.password = "2468";
        o.trustedFile = files.file("trusted");
    });
    HandheldFolder handheld;
    auto known = dock(hub, handheld, "Known", -1, "2468");
    ASSERT_TRUE(hub.waitForKnown(1));
    // Never unlocked before: the person is asked (the program brings it).
    EXPECT_EQ(push(hub, "Known", "refused"), SyncResult::NoConnection);
    EXPECT_EQ(push(hub, "Known", "unlocked", "2468"), SyncResult::Done);
    known.reset();
    ASSERT_TRUE(hub.waitForLog("handheld \"Known\" went away") != "");
    known = dock(hub, handheld, "Known", -1, "2468");
    ASSERT_TRUE(hub.waitForReady(1)); // seen unlocked: the stored password goes
    EXPECT_EQ(push(hub, "Known", "again"), SyncResult::Done);
    EXPECT_EQ(handheld.get("cepbook.txt"), "again");

    // A handheld the person lists by the GUID the log gave.
    HandheldFolder other;
    auto listed = dock(hub, other, "Listed", -1, "2468");
    const std::string line = hub.waitForLog("not given to handheld \"Listed\"");
    const std::size_t brace = line.find('{');
    ASSERT_TRUE(brace != std::string::npos && line.size() >= brace + 38 && line[brace + 37] == '}') << line;
    const std::string guid = line.substr(brace, 38);
    listed.reset();
    ASSERT_TRUE(hub.waitForLog("handheld \"Listed\" went away") != "");
    files.write("trusted", "# handhelds the stored password may go to\n" + guid + "\n");
    listed = dock(hub, other, "Listed", -1, "2468");
    ASSERT_TRUE(hub.waitForReady(2));
    EXPECT_EQ(push(hub, "Listed", "listed"), SyncResult::Done);
}

TEST(CeHub, guessedPasswordsAreBackedOffAndCountedPerDocking)
{
    HubRunner hub([](cehub::HubOptions& o) {
        o.passwordPause = 200ms;
        o.maxPasswordTries = 3;
    });
    HandheldFolder handheld;
    auto emulator = dock(hub, handheld, "Locked", -1, "2468");
    ASSERT_TRUE(hub.waitForKnown(1));
    const auto guess = [&](const std::string& password, std::chrono::milliseconds& took) {
        const Clock::time_point start = Clock::now();
        std::string answer = ask(hub.socketPath(), CeHubProtocol::connectRequest("", password));
        took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        return answer;
    };
    std::chrono::milliseconds took[4]{};
    EXPECT_EQ(guess("0000", took[0]), "error password-rejected\n");
    EXPECT_EQ(guess("0001", took[1]), "error password-rejected\n");
    EXPECT_EQ(guess("0002", took[2]), "error password-rejected\n");
    // The docking's tries are spent: not even the right one goes.
    EXPECT_EQ(guess("2468", took[3]), "error password-rejected\n");
    // Each wrong one made the next wait, longer each time.
    EXPECT_GE(took[1], 150ms);
    EXPECT_GE(took[2], 300ms);
    std::printf("guesses answered after %lld, %lld, %lld and %lld ms\n", static_cast<long long>(took[0].count()),
                static_cast<long long>(took[1].count()), static_cast<long long>(took[2].count()),
                static_cast<long long>(took[3].count()));
    std::vector<std::string> log = hub.logLines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.find("password") != std::string::npos; }),
              3) // wants one; the first rejection; the summary
        << ::testing::PrintToString(log);
    EXPECT_NE(hub.waitForLog("3 passwords rejected in this docking; no more are sent"), "");
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

TEST(CeHub, holdsEveryHandheldToItsProtocol)
{
    HubRunner hub([](cehub::HubOptions& o) {
        o.olderListen = {"127.0.0.1:0"};
        o.pingInterval = 50ms;
        o.connectTimeout = 300ms;
    });
    // Its name reaches the log with its control characters shown, not obeyed.
    RawHandheld old(hub.hub().listening().at(1));
    ASSERT_TRUE(old.send(cat({le({0}), RawHandheld::olderInfo("Pi\n\x1b[2J")})));
    ASSERT_TRUE(hub.waitForReady(1));
    EXPECT_EQ(old.word(), 0x12345678u);
    ASSERT_TRUE(old.send(le({0x12345678})));
    // Then silence: three unanswered pings later the hub lets it go.
    EXPECT_NE(hub.waitForLog("handheld \"Pi\\x0A\\x1B[2J\" went away"), "");

    // A block that does not parse is said to be one.
    RawHandheld malformed(hub.address());
    ASSERT_TRUE(malformed.introduce(Bytes(40, 0xEE)));
    EXPECT_TRUE(malformed.closedByHub());
    EXPECT_NE(hub.waitForLog("sent malformed device information"), "");

    // Remote-API requests carry ids nobody can foresee.
    RawHandheld raw(hub.address());
    ASSERT_TRUE(raw.introduce(RawHandheld::info("Raw")));
    std::uint32_t ids[2] = {};
    for (std::uint32_t& id : ids) {
        EXPECT_EQ(ask(hub.socketPath(), CeHubProtocol::connectRequest("Raw", "")), "error device-gone\n");
        EXPECT_EQ(raw.word(), 5u);
        EXPECT_EQ(raw.word(), 4u);
        id = raw.word().value_or(0);
    }
    EXPECT_GE(ids[0], 0x10000u);
    EXPECT_GE(ids[1], 0x10000u);
    EXPECT_NE(ids[1], ids[0] + 1);
}

TEST(CeHub, aPeerThatNeverReadsStallsNobody)
{
    HubRunner hub;
    HandheldFolder handheld;
    auto good = dock(hub, handheld, "Good");
    ASSERT_TRUE(hub.waitForReady(1));
    // Opening requests, each answered with four words, and never a read.
    RawHandheld stalled(hub.address());
    ASSERT_TRUE(stalled.connected());
    auto flood = std::async(std::launch::async, [&] {
        const Bytes sixes = [] {
            Bytes b;
            for (int i = 0; i < 16384; ++i)
                b = cat({b, le({6})});
            return b;
        }();
        for (std::size_t sent = 0; sent < (256u << 20) && stalled.send(sixes); sent += sixes.size()) {
        }
    });
    std::this_thread::sleep_for(100ms);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(push(hub, "Good", "served"), SyncResult::Done);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::printf("a push beside a peer that never reads took %lld ms\n", static_cast<long long>(took.count()));
    flood.get();
    EXPECT_TRUE(stalled.closedByHub(SIZE_MAX)); // the hub let it go
    EXPECT_NE(hub.waitForLog("takes nothing of what is sent to it: dropped"), "");
    EXPECT_EQ(handheld.get("cepbook.txt"), "served");
}

TEST(CeHub, aFloodAtTheCapLeavesTheGoodHandheldServed)
{
    HubRunner hub([](cehub::HubOptions& o) { o.maxPerPeer = 4; });
    std::vector<std::unique_ptr<RawHandheld>> fakes;
    for (int i = 0; i < 4; ++i) {
        fakes.push_back(std::make_unique<RawHandheld>(hub.address(), "127.0.0.2"));
        ASSERT_TRUE(fakes.back()->introduce(
            RawHandheld::info("Fake" + std::to_string(i), 0, static_cast<std::uint8_t>(0x40 + i))));
    }
    ASSERT_TRUE(hub.waitForReady(4));
    // Past its cap every further connection from that address is shut at once.
    for (int i = 0; i < 20; ++i) {
        RawHandheld more(hub.address(), "127.0.0.2");
        EXPECT_TRUE(more.closedByHub()) << i;
    }
    HandheldFolder handheld;
    auto good = dock(hub, handheld, "Good");
    EXPECT_EQ(push(hub, "Good", "served"), SyncResult::Done);
    EXPECT_EQ(hub.hub().knownDevices(), 5u);
    // One line at once, then sums: a flood does not flood the log.
    EXPECT_NE(hub.waitForLog("refused a connection from 127.0.0.2: it has 4 connections open already"), "");
    EXPECT_NE(hub.waitForLog("connections from 127.0.0.2: it has 4 connections open already"), "");
    std::vector<std::string> log = hub.logLines();
    EXPECT_LE(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("refused") && l.find("127.0.0.2") != std::string::npos; }),
              4);
}

TEST(CeHubOnTheLink, takesOnlyTheLinksOwnPeerForAHandheld)
{
    NetNamespace desktop("desktop");
    NetNamespace device("handheld");
    NetNamespace lan("lan");
    if (!desktop.made() || !device.made() || !lan.made())
        GTEST_SKIP() << "needs network namespaces of its own (root and `ip netns`); not tried here";
    // The handheld's link, and a local network with a route to the link.
    ASSERT_TRUE(desktop.ip("link add link0 type veth peer name eth0 netns " + device.name()));
    ASSERT_TRUE(desktop.ip("link add lan0 type veth peer name eth0 netns " + lan.name()));
    ASSERT_TRUE(desktop.ip("addr add 10.77.0.1/24 dev lan0") && desktop.ip("link set lan0 up"));
    ASSERT_TRUE(lan.ip("addr add 10.77.0.2/24 dev eth0") && lan.ip("link set eth0 up"));
    ASSERT_TRUE(lan.ip("route add 169.254.2.0/24 via 10.77.0.1"));

    // The impostors copy a trusted GUID and ask for the stored password
    // with a key that leaves it in clear.
    TempDir files;
    files.write("trusted", "{11111111-1111-1111-1111-111111111111}\n");
    std::unique_ptr<HubRunner> hub;
    {
        NetNamespace::Inside inside(desktop);
        ASSERT_TRUE(inside.entered());
        hub = std::make_unique<HubRunner>([&](cehub::HubOptions& o) {
            o.listen = {"169.254.2.2:990"};
            o.password = "2468";
            o.trustedFile = files.file("trusted");
        });
    }
    // The link's address comes when the handheld is plugged in, after the hub started.
    ASSERT_TRUE(desktop.ip("addr add 169.254.2.2/24 dev link0") && desktop.ip("link set link0 up"));
    ASSERT_TRUE(device.ip("addr add 169.254.2.1/24 dev eth0") && device.ip("link set eth0 up"));
    EXPECT_NE(hub->waitForLog("listening on 169.254.2.2:990 on the interface link0 only"), "");
    for (const NetNamespace* from : {&lan, &desktop}) {
        NetNamespace::Inside inside(*from);
        RawHandheld impostor("169.254.2.2:990");
        if (impostor.connected())
            (void)impostor.introduce(RawHandheld::info("Impostor", 0x100));
        EXPECT_TRUE(impostor.closedByHub()) << "from " << from->name();
    }
    HandheldFolder handheld;
    std::unique_ptr<EmulatorRunner> real;
    {
        NetNamespace::Inside inside(device);
        real = dock(*hub, handheld, "OnTheLink");
    }
    ASSERT_TRUE(hub->waitForReady(1));
    EXPECT_EQ(push(*hub, "OnTheLink", "on the link"), SyncResult::Done);
    EXPECT_EQ(hub->hub().knownDevices(), 1u);
}

TEST(CeHub, refusesASocketItDoesNotOwnEveryAddressAtOnceAndAFifoForAFile)
{
    HubRunner hub;
    cehub::HubOptions options;
    options.socketPath = hub.socketPath();
    std::string error;
    EXPECT_FALSE(cehub::CeHub(options).open(error));
    EXPECT_EQ(error, "another program answers on " + hub.socketPath());
    options.listen = {"0.0.0.0:0"};
    EXPECT_FALSE(cehub::CeHub(options).open(error));
    EXPECT_TRUE(error.starts_with("will not listen on every address (0.0.0.0:0)")) << error;
    // The hub reads its trusted handhelds on its one thread: a FIFO would hang it.
    TempDir dir;
    ASSERT_TRUE(makeFifo(dir.file("trusted")));
    options.listen.clear();
    options.trustedFile = dir.file("trusted");
    EXPECT_FALSE(cehub::CeHub(options).open(error));
    EXPECT_TRUE(error.starts_with("cannot read the trusted handhelds file")) << error;
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
    for (int i = 0; i < 1000 && out.find("loopback") == std::string::npos; ++i) {
        std::this_thread::sleep_for(10ms);
        out = dir.read("out.txt");
    }
    EXPECT_TRUE(out.starts_with("listening on 127.0.0.1:")) << out;
    EXPECT_NE(out.find(" socket " + socketPath + "\n"), std::string::npos) << out;
    // Loopback is for tests and demonstrations, and the log says so.
    EXPECT_NE(out.find(": a loopback address: every local program can pose as a handheld"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(socketPath));
    hub.kill(SIGTERM);
    EXPECT_EQ(hub.wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_NE(dir.read("out.txt").find("tarvo-cehub: stopping\n"), std::string::npos);
}

} // namespace
} // namespace tarvo

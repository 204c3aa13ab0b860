// tarvo-ceemu against a desktop written out byte by byte here: the control
// protocol's words, the information block, the password exchange and
// remote-API requests of both layouts, as docs/ce-protocol.md lays them out.
#include "ceproto/CeDeviceInfo.h"
#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "support/NetAddress.h"
#include "support/SocketIo.h"
#include "support/UniqueFd.h"

#include "fixtures/WireBytes.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using namespace test;

// The desktop's end: a loopback listener the emulator connects to.
class FakeDesktop {
public:
    FakeDesktop() : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        std::optional<NetAddress> any = NetAddress::parse("127.0.0.1:0");
        EXPECT_EQ(::bind(m_listener.get(), any->get(), any->length()), 0);
        EXPECT_EQ(::listen(m_listener.get(), 4), 0);
        m_address = NetAddress::ofSocket(m_listener.get(), false)->text();
    }

    const std::string& address() const { return m_address; }

    UniqueFd accept() const
    {
        if (socketio::waitReadable(m_listener.get(), -1, 10s) != socketio::Wait::Ready)
            return {};
        return UniqueFd(::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

private:
    UniqueFd m_listener;
    std::string m_address;
};

Bytes receive(int fd, std::size_t size)
{
    Bytes out(size);
    if (!socketio::readExact(fd, out.data(), size, -1, 10s))
        out.clear();
    return out;
}

void send(int fd, const Bytes& bytes)
{
    ASSERT_TRUE(socketio::sendAll(fd, {bytes}, -1, 10s));
}

// Runs the handshake as the desktop and returns the information block.
Bytes handshake(int control)
{
    EXPECT_EQ(receive(control, 4), le({0}));
    send(control, le({3}));
    EXPECT_EQ(receive(control, 4), le({6}));
    send(control, le({7, 8, 4, 5}));
    EXPECT_EQ(receive(control, 4), le({4}));
    Bytes size = receive(control, 4);
    if (size.size() != 4)
        return {};
    return receive(control, std::size_t{size[0]} | std::size_t{size[1]} << 8);
}

// One remote-API exchange: the request framed, the answer unframed.
Bytes call(int fd, const Bytes& body)
{
    send(fd, cat({le({static_cast<std::uint32_t>(body.size())}), body}));
    Bytes size = receive(fd, 4);
    if (size.size() != 4)
        return {};
    return receive(fd, static_cast<std::size_t>(size[0] | size[1] << 8 | size[2] << 16));
}

ceemu::EmulatorOptions optionsFor(const FakeDesktop& desktop, const test::HandheldFolder& handheld)
{
    ceemu::EmulatorOptions options;
    options.hub = desktop.address();
    options.root = handheld.root.path();
    options.name = "Emu";
    return options;
}

TEST(CeEmulator, handshakesThenOpensAnAskedForConnectionAndServesLayoutTwo)
{
    FakeDesktop desktop;
    test::HandheldFolder handheld;
    ceemu::EmulatorOptions options = optionsFor(desktop, handheld);
    options.osMajor = 5;
    options.osMinor = 2;
    test::EmulatorRunner emulator(options);
    UniqueFd control = desktop.accept();
    ASSERT_TRUE(control);
    std::optional<CeDeviceInfo> info = CeDeviceInfo::parse(handshake(control.get()));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "Emu");
    EXPECT_EQ(info->osMajor, 5u);
    EXPECT_EQ(info->osMinor, 2u);
    EXPECT_EQ(info->passwordKey, 0u);

    send(control.get(), le({5, 4, 4711}));
    UniqueFd rapi = desktop.accept();
    ASSERT_TRUE(rapi);
    EXPECT_EQ(receive(rapi.get(), 4), le({4711}));

    // CeCreateFile (0x16): path, access, share, disposition, flags, template.
    const std::u16string path = u"\\program files\\TARVO\\new.txt";
    Bytes created = call(rapi.get(), cat({le({0x16, static_cast<std::uint32_t>(2 * (path.size() + 1))}),
                                          utf16z(path), le({0x40000000, 1, 2, 0x80, 0})}));
    ASSERT_EQ(created.size(), 8u);
    EXPECT_EQ(Bytes(created.begin(), created.begin() + 4), le({0}));
    Bytes handle(created.begin() + 4, created.end());
    EXPECT_NE(handle, le({0xFFFFFFFF}));
    // CeWriteFile (0x18): handle, size, bytes; then CeCloseHandle (0x19).
    EXPECT_EQ(call(rapi.get(), cat({le({0x18}), handle, le({3}), Bytes{'a', 'b', 'c'}})), le({0, 1, 3}));
    EXPECT_EQ(call(rapi.get(), cat({le({0x19}), handle})), le({0, 1}));
    EXPECT_EQ(handheld.get("new.txt"), "abc");
    // CeRegCreateKeyEx (0x31) under HKEY_CURRENT_USER, then a REG_SZ value (0x38).
    Bytes key = call(rapi.get(), cat({le({0x31, 0x80000001, 6}), utf16z(u"A\\B"), le({0})}));
    ASSERT_EQ(key.size(), 16u);
    EXPECT_EQ(Bytes(key.begin(), key.begin() + 8), le({0, 0}));
    EXPECT_EQ(Bytes(key.begin() + 12, key.end()), le({1})); // a new key
    Bytes value = utf16z(u"yes");
    EXPECT_EQ(call(rapi.get(), cat({le({0x38}), Bytes(key.begin() + 8, key.begin() + 12), le({4}), utf16z(u"N"),
                                    le({1, static_cast<std::uint32_t>(value.size())}), value})),
              le({0, 0}));
    EXPECT_EQ(call(rapi.get(), cat({le({0x32}), Bytes(key.begin() + 8, key.begin() + 12)})), le({0, 0}));
    EXPECT_NE(handheld.root.read("registry.reg").find("[HKEY_CURRENT_USER\\A\\B]\r\n\"N\"=\"yes\""),
              std::string::npos);

    control.reset();
    EXPECT_EQ(emulator.waitForEnd(), ceemu::CeEmulator::End::HubClosed);
}

TEST(CeEmulator, olderHandheldsSpeakLayoutOne)
{
    FakeDesktop desktop;
    test::HandheldFolder handheld;
    handheld.put("here.txt", "12345");
    ceemu::EmulatorOptions options = optionsFor(desktop, handheld);
    options.osMajor = 4;
    options.osMinor = 20;
    test::EmulatorRunner emulator(options);
    UniqueFd control = desktop.accept();
    ASSERT_TRUE(control);
    ASSERT_FALSE(handshake(control.get()).empty());
    send(control.get(), le({5, 4, 2000}));
    UniqueFd rapi = desktop.accept();
    ASSERT_TRUE(rapi);
    EXPECT_EQ(receive(rapi.get(), 4), le({2000}));
    // CeGetFileAttributes (0x03) with a layout-1 string: present, units, text.
    const std::u16string missing = u"\\nothing";
    EXPECT_EQ(call(rapi.get(), cat({le({0x03, 1, static_cast<std::uint32_t>(missing.size() + 1)}), utf16z(missing)})),
              le({0, 2, 0xFFFFFFFF}));
    // CeCreateFile (0x05): the five words, then the path.
    const std::u16string here = u"\\Program Files\\Tarvo\\here.txt";
    Bytes opened = call(rapi.get(), cat({le({0x05, 0x80000000, 1, 3, 0x80, 0, 1,
                                             static_cast<std::uint32_t>(here.size() + 1)}),
                                         utf16z(here)}));
    ASSERT_EQ(opened.size(), 12u);
    Bytes handle(opened.begin() + 8, opened.end());
    // CeReadFile (0x06): handle, the buffer as an out parameter, no overlapped.
    EXPECT_EQ(call(rapi.get(), cat({le({0x06}), handle, le({1, 100, 0, 0})})),
              cat({le({0, 0, 1, 5}), Bytes{'1', '2', '3', '4', '5'}}));
    // A layout-2 number is a command this handheld does not know.
    EXPECT_EQ(call(rapi.get(), le({0x16})), le({1, 0x80004001}));
}

TEST(CeEmulator, checksThePasswordXoredWithItsKey)
{
    FakeDesktop desktop;
    test::HandheldFolder handheld;
    ceemu::EmulatorOptions options = optionsFor(desktop, handheld);
    options.password = "1234";
    test::EmulatorRunner emulator(options);
    UniqueFd control = desktop.accept();
    ASSERT_TRUE(control);
    std::optional<CeDeviceInfo> info = CeDeviceInfo::parse(handshake(control.get()));
    ASSERT_TRUE(info);
    ASSERT_NE(info->passwordKey, 0u);
    auto encoded = [&](std::u16string_view password) {
        Bytes text = utf16z(password);
        text.pop_back(); // without the NUL, as the newer desktop sends it
        text.pop_back();
        for (std::uint8_t& b : text)
            b ^= static_cast<std::uint8_t>(info->passwordKey);
        return cat({Bytes{static_cast<std::uint8_t>(text.size()), 0}, text});
    };
    send(control.get(), encoded(u"9999"));
    EXPECT_EQ(receive(control.get(), 2), (Bytes{0, 0}));
    send(control.get(), encoded(u"1234"));
    EXPECT_EQ(receive(control.get(), 2), (Bytes{1, 0}));
    // Unlocked, it opens the connections it is asked for.
    send(control.get(), le({5, 4, 1001}));
    UniqueFd rapi = desktop.accept();
    ASSERT_TRUE(rapi);
    EXPECT_EQ(receive(rapi.get(), 4), le({1001}));
}

} // namespace
} // namespace tarvo

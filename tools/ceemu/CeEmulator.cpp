#include "ceemu/CeEmulator.h"

#include "ceemu/CeRapiServer.h"
#include "ceproto/CeDeviceInfo.h"
#include "ceproto/CePassword.h"
#include "ceproto/RapiReader.h"
#include "device/FolderFileStore.h"
#include "device/FolderRegistryStore.h"
#include "support/NetAddress.h"
#include "support/SocketIo.h"
#include "text/CodePage.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

namespace tarvo::ceemu {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kHandshakeTimeout = 10s;
constexpr std::uint32_t kPing = 0x12345678;
// The low byte is what the desktop XORs the password with.
constexpr std::uint32_t kPasswordKey = 0x000000A5;
constexpr std::size_t kMaxRequest = 64 * 1024 * 1024;

std::array<std::uint8_t, 4> word(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

bool sendWord(int fd, std::uint32_t value, int stopFd)
{
    std::array<std::uint8_t, 4> bytes = word(value);
    return socketio::sendAll(fd, {bytes}, stopFd, kHandshakeTimeout);
}

bool readWord(int fd, std::uint32_t& value, int stopFd, std::chrono::milliseconds timeout = kHandshakeTimeout)
{
    std::array<std::uint8_t, 4> bytes{};
    if (!socketio::readExact(fd, bytes.data(), bytes.size(), stopFd, timeout))
        return false;
    value = RapiReader(bytes).u32();
    return true;
}

// One remote-API connection the desktop asked for.
struct Link {
    UniqueFd fd;
    std::unique_ptr<CeRapiServer> server;
    std::vector<std::uint8_t> in;
};

} // namespace

CeEmulator::CeEmulator(EmulatorOptions options)
    : m_options(std::move(options)), m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CeEmulator::~CeEmulator() = default;

void CeEmulator::stop()
{
    std::uint64_t one = 1;
    (void)!::write(m_stop.get(), &one, sizeof one);
}

CeDeviceInfo CeEmulator::info() const
{
    CeDeviceInfo info;
    info.osMajor = m_options.osMajor;
    info.osMinor = m_options.osMinor;
    info.name = m_options.name;
    info.version = m_options.osMajor << 8 | m_options.osMinor;
    info.cpuType = 2577; // an ARM processor
    info.platform = "PocketPC";
    info.model = "TarvoEmu";
    info.passwordKey = m_options.password.empty() ? CeDeviceInfo::kNoPassword : kPasswordKey;
    return info;
}

std::vector<std::uint8_t> CeEmulator::deviceInfo() const
{
    // A GUID of its own, the same for every run of a handheld of this name.
    std::array<std::uint8_t, 16> guid{};
    std::uint64_t hash = 1469598103934665603ull;
    for (char c : m_options.name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    for (std::size_t half = 0; half < 2; ++half) {
        for (std::size_t i = 0; i < 8; ++i)
            guid[8 * half + i] = static_cast<std::uint8_t>(hash >> (8 * i));
        hash = hash * 6364136223846793005ull + 1;
    }
    return info().encode(guid);
}

bool CeEmulator::handshake(int fd)
{
    const int stopFd = m_stop.get();
    std::uint32_t answer = 0;
    if (!sendWord(fd, 0, stopFd) || !readWord(fd, answer, stopFd) || answer != 3)
        return false;
    if (!sendWord(fd, 6, stopFd))
        return false;
    for (std::uint32_t expected : {7u, 8u, 4u, 5u})
        if (!readWord(fd, answer, stopFd) || answer != expected)
            return false;
    std::vector<std::uint8_t> info = deviceInfo();
    std::array<std::uint8_t, 4> request = word(4);
    std::array<std::uint8_t, 4> size = word(static_cast<std::uint32_t>(info.size()));
    if (!socketio::sendAll(fd, {request, size, info}, stopFd, kHandshakeTimeout))
        return false;
    return m_options.password.empty() || checkPassword(fd);
}

std::optional<bool> CeEmulator::passwordMatches(int fd)
{
    // The desktop may wait for someone to type the password: no limit.
    std::array<std::uint8_t, 2> count{};
    if (!socketio::readExact(fd, count.data(), count.size(), m_stop.get(), -1ms))
        return std::nullopt;
    std::size_t size = RapiReader(count).u16();
    if (size > CePassword::kMaxBytes)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(size);
    if (!socketio::readExact(fd, bytes.data(), size, m_stop.get(), kHandshakeTimeout))
        return std::nullopt;
    std::optional<std::u16string> given = CePassword::decode(bytes, kPasswordKey);
    if (!given)
        return std::nullopt;
    return *given == CodePage::utf8ToUtf16(m_options.password);
}

bool CeEmulator::checkPassword(int fd)
{
    for (;;) {
        std::optional<bool> right = passwordMatches(fd);
        if (!right)
            return false;
        std::array<std::uint8_t, 2> reply{static_cast<std::uint8_t>(*right ? 1 : 0), 0};
        if (!socketio::sendAll(fd, {reply}, m_stop.get(), kHandshakeTimeout))
            return false;
        if (*right)
            return true;
    }
}

std::vector<std::uint8_t> CeEmulator::olderDeviceInfo() const
{
    return info().encodeLegacy();
}

bool CeEmulator::handshakeOlder(int fd)
{
    const int stopFd = m_stop.get();
    // A handheld with a password announces the key first.
    if (!m_options.password.empty() && !sendWord(fd, 0x200 | kPasswordKey, stopFd))
        return false;
    std::vector<std::uint8_t> info = olderDeviceInfo();
    std::array<std::uint8_t, 4> size = word(static_cast<std::uint32_t>(info.size()));
    if (!socketio::sendAll(fd, {size, info}, stopFd, kHandshakeTimeout))
        return false;
    return m_options.password.empty() || checkPassword(fd);
}

CeEmulator::End CeEmulator::run()
{
    std::optional<NetAddress> hub = NetAddress::parse(m_options.hub);
    if (!hub || !m_stop)
        return End::Failed;
    if (m_options.older) {
        if (m_options.rapiListenFd >= 0) {
            m_rapiListener.reset(m_options.rapiListenFd);
        } else {
            std::optional<NetAddress> at = NetAddress::parse(m_options.rapiListen);
            if (!at)
                return End::Failed;
            m_rapiListener.reset(::socket(at->family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
            int on = 1;
            (void)::setsockopt(m_rapiListener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            if (::bind(m_rapiListener.get(), at->get(), at->length()) != 0 || ::listen(m_rapiListener.get(), 4) != 0)
                return End::Failed;
        }
    }
    UniqueFd control = socketio::connectTcp(*hub, m_stop.get(), kHandshakeTimeout);
    if (!control || !(m_options.older ? handshakeOlder(control.get()) : handshake(control.get())))
        return End::Failed;
    m_ready = true;
    End end = serve(control.get());
    m_ready = false;
    return end;
}

CeEmulator::End CeEmulator::serve(int control)
{
    FolderFileStore files(m_options.root / "fs");
    FolderRegistryStore registry((m_options.root / "registry.reg").string());
    registry.load();
    registry.failKey(m_options.failKey);
    registry.failValue(m_options.failValue);
    const CeRapiServer::Faults faults{m_options.failCreate, m_options.failWrite};
    std::optional<NetAddress> hub = NetAddress::parse(m_options.hub);

    std::vector<Link> links;
    std::vector<std::uint8_t> controlIn;
    // Requests on the control connection are three words: 5, 4, the id.
    int requestWords = 0;
    End end = End::Stopped;
    bool running = true;
    while (running) {
        std::vector<pollfd> fds{{m_stop.get(), POLLIN, 0},
                                {m_options.stopFd, POLLIN, 0},
                                {control, POLLIN, 0},
                                {m_rapiListener.get(), POLLIN, 0}};
        for (const Link& link : links)
            fds.push_back({link.fd.get(), POLLIN, 0});
        // Links opened below wait for the next poll.
        const std::size_t polled = links.size();
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            end = End::Failed;
            break;
        }
        if ((fds[0].revents | fds[1].revents) & POLLIN)
            break;
        if (fds[2].revents != 0) {
            std::array<std::uint8_t, 256> buffer{};
            ssize_t n = ::recv(control, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                end = End::HubClosed;
                break;
            }
            controlIn.insert(controlIn.end(), buffer.begin(), buffer.begin() + std::max<ssize_t>(n, 0));
            while (controlIn.size() >= 4) {
                std::uint32_t value = RapiReader(controlIn).u32();
                controlIn.erase(controlIn.begin(), controlIn.begin() + 4);
                if (requestWords == 0 && value == kPing) {
                    (void)sendWord(control, kPing, m_stop.get());
                } else if (requestWords == 0) {
                    requestWords = value == 5 ? 1 : 0;
                } else if (requestWords == 1) {
                    requestWords = value == 4 ? 2 : 0;
                } else {
                    requestWords = 0;
                    Link link;
                    link.fd = socketio::connectTcp(*hub, m_stop.get(), kHandshakeTimeout);
                    if (link.fd && sendWord(link.fd.get(), value, m_stop.get())) {
                        link.server = std::make_unique<CeRapiServer>(m_options.osMajor, m_options.osMinor, files,
                                                                     registry, faults);
                        links.push_back(std::move(link));
                    }
                }
            }
        }
        if (fds[3].revents != 0) {
            // The desktop opens an older handheld's remote-API connections;
            // with a password it gives it again first, and hears one byte.
            Link link;
            link.fd.reset(::accept4(m_rapiListener.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (link.fd && !m_options.password.empty()) {
                std::optional<bool> right = passwordMatches(link.fd.get());
                std::array<std::uint8_t, 1> reply{static_cast<std::uint8_t>(right.value_or(false) ? 1 : 0)};
                if (!right || !socketio::sendAll(link.fd.get(), {reply}, m_stop.get(), kHandshakeTimeout) || !*right)
                    link.fd.reset();
            }
            if (link.fd) {
                link.server =
                    std::make_unique<CeRapiServer>(m_options.osMajor, m_options.osMinor, files, registry, faults);
                links.push_back(std::move(link));
            }
        }
        for (std::size_t i = 0; i < polled && running; ++i) {
            if (fds[4 + i].revents == 0)
                continue;
            Link& link = links[i];
            std::size_t kept = link.in.size();
            link.in.resize(kept + 1024 * 1024);
            ssize_t n = ::recv(link.fd.get(), link.in.data() + kept, link.in.size() - kept, MSG_DONTWAIT);
            if (n <= 0) {
                link.in.resize(kept);
                if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    link.fd.reset(); // the desktop ended this connection
                continue;
            }
            auto got = static_cast<std::uint64_t>(n);
            bool drop = false;
            if (m_options.dropAfterBytes >= 0 &&
                m_received.load() + got > static_cast<std::uint64_t>(m_options.dropAfterBytes)) {
                got = static_cast<std::uint64_t>(m_options.dropAfterBytes) - m_received.load();
                drop = true;
            }
            m_received += got;
            link.in.resize(kept + got);
            std::size_t used = 0;
            while (link.fd && link.in.size() - used >= 4) {
                std::size_t size = RapiReader(std::span(link.in).subspan(used)).u32();
                if (size > kMaxRequest) {
                    link.fd.reset();
                    break;
                }
                if (link.in.size() - used - 4 < size)
                    break;
                std::vector<std::uint8_t> answer = link.server->answer(std::span(link.in).subspan(used + 4, size));
                used += 4 + size;
                if (m_options.slowAnswers.count() > 0 &&
                    socketio::waitReadable(m_stop.get(), m_options.stopFd, m_options.slowAnswers) !=
                        socketio::Wait::TimedOut) {
                    running = false;
                    break;
                }
                if (answer.empty() || !socketio::sendAll(link.fd.get(), {answer}, m_stop.get()))
                    link.fd.reset();
            }
            link.in.erase(link.in.begin(), link.in.begin() + static_cast<std::ptrdiff_t>(used));
            if (drop) {
                end = End::Dropped;
                running = false;
            }
        }
        std::erase_if(links, [](const Link& link) { return !link.fd; });
    }
    // What a device does when its connections go: open files are closed,
    // the registry is kept.
    files.closeAll();
    (void)registry.flush();
    return end;
}

} // namespace tarvo::ceemu

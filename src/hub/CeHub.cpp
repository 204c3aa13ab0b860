#include "hub/CeHub.h"

#include "hub/HubDevice.h"
#include "ceproto/CePassword.h"
#include "ceproto/RapiReader.h"
#include "text/CodePage.h"
#include "support/SocketIo.h"
#include "text/RegistryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvo::cehub {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kTriggerInterval = 5s;
constexpr std::uint16_t kTriggerPort = 5679;
// Handhelds before Windows Mobile 5 connect here.
constexpr std::uint16_t kOlderPort = 5679;
constexpr std::chrono::milliseconds kOlderConnectTimeout = 3s;

std::string systemError()
{
    return std::strerror(errno);
}

// The kernel's keep-alive probes notice a handheld that vanished without a
// word: first after 5 s of silence, then every 5 s, gone after 3 unanswered.
void keepAlive(int fd)
{
    int on = 1;
    int idle = 5;
    int interval = 5;
    int count = 3;
    (void)::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

const char* stateWord(HubDevice::State state)
{
    switch (state) {
    case HubDevice::State::Ready: return "ready";
    case HubDevice::State::Locked:
    case HubDevice::State::Checking: return "locked";
    case HubDevice::State::Unlocking: return "unlock-on-device";
    case HubDevice::State::Gone: return "gone";
    default: return "connecting";
    }
}

} // namespace

CeHub::CeHub(HubOptions options)
    : m_options(std::move(options)), m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CeHub::~CeHub()
{
    if (m_socketCreated)
        ::unlink(m_options.socketPath.c_str());
}

void CeHub::log(const std::string& line) const
{
    if (m_options.log)
        m_options.log(line);
}

void CeHub::stop()
{
    std::uint64_t one = 1;
    (void)!::write(m_stop.get(), &one, sizeof one);
}

bool CeHub::open(std::string& error)
{
    if (!m_stop) {
        error = "cannot make an event descriptor: " + systemError();
        return false;
    }
    for (const std::string& address : m_options.listen)
        if (!listenOn(address, false, error))
            return false;
    for (const std::string& address : m_options.olderListen)
        if (!listenOn(address, true, error))
            return false;
    return openSocket(error);
}

bool CeHub::listenOn(const std::string& text, bool older, std::string& error)
{
    std::optional<NetAddress> address = NetAddress::parse(text);
    if (!address) {
        error = "not an ADDRESS:PORT: " + text;
        return false;
    }
    UniqueFd fd(::socket(address->family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int on = 1;
    // The handheld link's address exists only while a handheld is plugged
    // in: bind before it does.
    if (fd) {
        (void)::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (address->family() == AF_INET)
            (void)::setsockopt(fd.get(), IPPROTO_IP, IP_FREEBIND, &on, sizeof on);
        else
            (void)::setsockopt(fd.get(), IPPROTO_IPV6, IPV6_FREEBIND, &on, sizeof on);
    }
    if (!fd || ::bind(fd.get(), address->get(), address->length()) != 0 || ::listen(fd.get(), 16) != 0) {
        error = "cannot listen on " + text + ": " + systemError();
        return false;
    }
    std::optional<NetAddress> bound = NetAddress::ofSocket(fd.get(), false);
    m_listening.push_back(bound ? bound->text() : text);
    m_listeners.push_back({std::move(fd), older || address->port() == kOlderPort});
    return true;
}

bool CeHub::openSocket(std::string& error)
{
    const std::string& path = m_options.socketPath;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "not a usable socket path: " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        // A socket left by a hub that ended badly is replaced; one a running
        // hub answers on is not.
        UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!S_ISSOCK(info.st_mode) ||
            ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            error = "another program answers on " + path;
            return false;
        }
        ::unlink(path.c_str());
    }
    m_local.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_local || ::bind(m_local.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot make the socket " + path + ": " + systemError();
        return false;
    }
    m_socketCreated = true;
    // The group of the hub's user may ask for connections.
    if (::chmod(path.c_str(), 0660) != 0 || ::listen(m_local.get(), 16) != 0) {
        error = "cannot make the socket " + path + ": " + systemError();
        return false;
    }
    return true;
}

void CeHub::accept(const Listener& listener)
{
    UniqueFd fd(::accept4(listener.fd.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    std::optional<NetAddress> peer = fd ? NetAddress::ofSocket(fd.get(), true) : std::nullopt;
    if (!peer)
        return;
    int on = 1;
    (void)::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_newcomers.push_back({std::move(fd), listener.older, *peer, {}, Clock::now() + m_options.connectTimeout});
}

void CeHub::acceptClient()
{
    UniqueFd fd(::accept4(m_local.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd)
        return;
    auto client = std::make_unique<Client>();
    client->fd = std::move(fd);
    client->deadline = Clock::now() + m_options.requestTimeout;
    m_clients.push_back(std::move(client));
}

void CeHub::newcomerReadable(Newcomer& newcomer)
{
    std::uint8_t buffer[4];
    ssize_t n = ::recv(newcomer.fd.get(), buffer, 4 - newcomer.in.size(), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        newcomer.fd.reset();
        return;
    }
    newcomer.in.insert(newcomer.in.end(), buffer, buffer + n);
    if (newcomer.in.size() < 4)
        return;
    std::uint32_t word = RapiReader(newcomer.in).u32();
    for (auto& client : m_clients) {
        if (newcomer.older)
            break; // older handhelds never open remote-API connections
        if (client->fd && client->state == Client::State::WaitingConnection && client->requestId == word) {
            handOver(*client, std::move(newcomer.fd), newcomer.peer);
            return;
        }
    }
    if (!newcomer.older && word > 1000 && word <= m_lastRequest) {
        // An answer to a request whose program gave up.
        newcomer.fd.reset();
        return;
    }
    // Anything else opens a handheld's control connection.
    keepAlive(newcomer.fd.get());
    std::uint64_t id = ++m_lastDevice;
    auto device = std::make_unique<HubDevice>(id, std::move(newcomer.fd), newcomer.peer,
                                              newcomer.older ? HubDevice::Protocol::Older : HubDevice::Protocol::Newer,
                                              m_options.pingInterval);
    HubDevice& added = *device;
    m_devices.emplace(id, std::move(device));
    log("a handheld connects from " + added.peer().text());
    HubDevice::Event event = added.received(newcomer.in);
    if (event != HubDevice::Event::None)
        deviceEvent(added, event);
}

void CeHub::deviceReadable(HubDevice& device)
{
    HubDevice::Event event = device.readable();
    if (event != HubDevice::Event::None)
        deviceEvent(device, event);
}

void CeHub::deviceEvent(HubDevice& device, HubDevice::Event event)
{
    const CeDeviceInfo& info = device.info();
    const std::string about = "handheld " + device.label() + " (Windows CE " + std::to_string(info.osMajor) + "." +
                              std::to_string(info.osMinor) + ", " + info.model + ")";
    switch (event) {
    case HubDevice::Event::Identified:
        if (device.state() == HubDevice::State::Unlocking) {
            log(about + " waits for its password to be typed on it");
            break;
        }
        log(about + " wants a password");
        if (!m_options.password.empty() && m_filePasswordTried.insert(device.id()).second)
            (void)device.sendPassword(m_options.password);
        break;
    case HubDevice::Event::Ready:
        log(about + " is ready");
        break;
    case HubDevice::Event::PasswordRejected:
        log("the password for handheld " + device.label() + " was rejected");
        break;
    case HubDevice::Event::Gone:
        log("handheld " + device.label() + " went away");
        break;
    case HubDevice::Event::None:
        break;
    }
    countReady();
}

void CeHub::countReady()
{
    std::size_t ready = 0;
    std::size_t known = 0;
    for (const auto& [id, device] : m_devices) {
        HubDevice::State state = device->state();
        ready += state == HubDevice::State::Ready ? 1u : 0u;
        known += state != HubDevice::State::Handshake && state != HubDevice::State::InfoSize &&
                         state != HubDevice::State::Info && state != HubDevice::State::Gone
                     ? 1u
                     : 0u;
    }
    m_ready = ready;
    m_known = known;
}

void CeHub::clientReadable(Client& client)
{
    char buffer[512];
    ssize_t n = ::recv(client.fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        client.fd.reset(); // the program gave up
        return;
    }
    if (client.state != Client::State::Reading)
        return;
    client.line.append(buffer, static_cast<std::size_t>(n));
    std::size_t end = client.line.find('\n');
    if (end == std::string::npos) {
        if (client.line.size() > CeHubProtocol::kMaxLine)
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorBadRequest));
        return;
    }
    client.request = CeHubProtocol::parseRequest(client.line.substr(0, end));
    switch (client.request.kind) {
    case CeHubProtocol::Request::Kind::Devices: {
        std::string list;
        for (const auto& [id, device] : m_devices) {
            const CeDeviceInfo& info = device->info();
            list += "device " + CeHubProtocol::hex(info.name) + " " + std::to_string(info.osMajor) + " " +
                    std::to_string(info.osMinor) + " " + stateWord(device->state()) + "\n";
        }
        answer(client, list + "end\n");
        break;
    }
    case CeHubProtocol::Request::Kind::Connect:
        client.state = Client::State::WaitingDevice;
        advance(client);
        break;
    case CeHubProtocol::Request::Kind::Invalid:
        answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorBadRequest));
        break;
    }
}

HubDevice* CeHub::pickDevice(const Client& client)
{
    HubDevice* best = nullptr;
    for (const auto& [id, device] : m_devices) {
        HubDevice::State state = device->state();
        if (state == HubDevice::State::Gone || state == HubDevice::State::Handshake ||
            state == HubDevice::State::InfoSize || state == HubDevice::State::Info)
            continue;
        if (!client.request.device.empty() && !RegistryFile::sameName(device->info().name, client.request.device))
            continue;
        // A ready handheld first, then the first one identified.
        if (best == nullptr || (state == HubDevice::State::Ready && best->state() != HubDevice::State::Ready))
            best = device.get();
    }
    return best;
}

void CeHub::advance(Client& client)
{
    if (!client.fd || client.state == Client::State::Reading)
        return;
    if (client.state == Client::State::WaitingConnection) {
        if (m_devices.count(client.device) == 0 ||
            m_devices.at(client.device)->state() == HubDevice::State::Gone)
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
        return;
    }
    HubDevice* device = nullptr;
    if (client.state == Client::State::WaitingDevice) {
        device = pickDevice(client);
    } else {
        auto it = m_devices.find(client.device);
        device = it == m_devices.end() ? nullptr : it->second.get();
        if (device == nullptr || device->state() == HubDevice::State::Gone) {
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            return;
        }
    }
    if (device == nullptr)
        return; // no handheld yet: the request waits
    client.device = device->id();
    switch (device->state()) {
    case HubDevice::State::Ready: {
        if (device->protocol() == HubDevice::Protocol::Older) {
            connectOlder(client, *device);
            return;
        }
        do {
            ++m_lastRequest;
        } while (m_lastRequest <= 1000);
        client.requestId = m_lastRequest;
        if (!device->requestConnection(client.requestId)) {
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            return;
        }
        client.state = Client::State::WaitingConnection;
        client.deadline = Clock::now() + m_options.connectTimeout;
        break;
    }
    case HubDevice::State::Locked: {
        if (client.state == Client::State::WaitingPassword) {
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorPasswordRejected));
            return;
        }
        if (client.request.password.empty()) {
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorPasswordRequired));
            return;
        }
        if (!device->sendPassword(client.request.password)) {
            answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            return;
        }
        client.state = Client::State::WaitingPassword;
        break;
    }
    default:
        // Checking a password, or being unlocked on the handheld: wait.
        break;
    }
}

void CeHub::answer(Client& client, const std::string& line, int passFd)
{
    iovec iov{const_cast<char*>(line.data()), line.size()};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    if (passFd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &passFd, sizeof passFd);
    }
    // One short line to a program that is waiting for it; if it cannot
    // take it, it is gone.
    (void)::sendmsg(client.fd.get(), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    client.fd.reset();
}

void CeHub::handOver(Client& client, UniqueFd connection, const NetAddress& peer)
{
    auto it = m_devices.find(client.device);
    // Only the handheld that was asked may answer.
    if (it == m_devices.end() || it->second->peer().host() != peer.host()) {
        answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
        return;
    }
    const CeDeviceInfo& info = it->second->info();
    (void)socketio::setNonBlocking(connection.get(), false);
    answer(client, CeHubProtocol::okAnswer(info.osMajor, info.osMinor, info.name), connection.get());
    log("a remote-API connection to handheld " + it->second->label() + " was handed to a local program");
}

void CeHub::connectOlder(Client& client, HubDevice& device)
{
    // The desktop connects to an older handheld itself, and gives the
    // password again first when the handheld has one.
    NetAddress target = device.peer();
    target.setPort(m_options.olderRapiPort);
    UniqueFd rapi = socketio::connectTcp(target, m_stop.get(), kOlderConnectTimeout);
    if (rapi && !device.password().empty()) {
        std::vector<std::uint8_t> password =
            CePassword::encode(CodePage::utf8ToUtf16(device.password()), device.info().passwordKey, true);
        std::uint8_t accepted = 0;
        if (!socketio::sendAll(rapi.get(), {password}, m_stop.get(), kOlderConnectTimeout) ||
            !socketio::readExact(rapi.get(), &accepted, 1, m_stop.get(), kOlderConnectTimeout) || accepted == 0)
            rapi.reset();
    }
    if (!rapi) {
        answer(client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
        return;
    }
    const CeDeviceInfo& info = device.info();
    answer(client, CeHubProtocol::okAnswer(info.osMajor, info.osMinor, info.name), rapi.get());
    log("a remote-API connection to handheld " + device.label() + " was handed to a local program");
}

void CeHub::expire()
{
    const Clock::time_point now = Clock::now();
    for (Newcomer& newcomer : m_newcomers)
        if (newcomer.deadline <= now)
            newcomer.fd.reset();
    // A connection that never finishes the handshake is no handheld.
    for (const auto& [id, device] : m_devices) {
        if (device->introducing() && device->since() + m_options.connectTimeout <= now) {
            log("the connection from " + device->peer().text() + " did not finish the handshake");
            device->drop();
        }
    }
    for (auto& client : m_clients) {
        if (!client->fd || client->deadline > now)
            continue;
        if (client->state == Client::State::Reading)
            client->fd.reset();
        else if (client->state == Client::State::WaitingDevice)
            answer(*client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorNoDevice));
        else
            answer(*client, CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
    }
}

void CeHub::sendTrigger()
{
    const Clock::time_point now = Clock::now();
    if (m_options.trigger.empty() || now < m_nextTrigger || m_ready.load() > 0)
        return;
    m_nextTrigger = now + kTriggerInterval;
    std::optional<NetAddress> target = NetAddress::parse(m_options.trigger + ":" + std::to_string(kTriggerPort));
    if (!target)
        return;
    UniqueFd fd(::socket(target->family(), SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const std::uint8_t nudge = 0x7F;
    if (fd)
        (void)::sendto(fd.get(), &nudge, 1, MSG_DONTWAIT, target->get(), target->length());
}

void CeHub::run()
{
    enum class Kind { Stop, Local, Port, Arrival, Handheld, Program };
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<Kind, std::size_t>> what;
        auto add = [&](int fd, Kind kind, std::size_t index) {
            fds.push_back({fd, POLLIN, 0});
            what.emplace_back(kind, index);
        };
        add(m_stop.get(), Kind::Stop, 0);
        add(m_options.stopFd, Kind::Stop, 0);
        add(m_local.get(), Kind::Local, 0);
        for (std::size_t i = 0; i < m_listeners.size(); ++i)
            add(m_listeners[i].fd.get(), Kind::Port, i);
        for (std::size_t i = 0; i < m_newcomers.size(); ++i)
            add(m_newcomers[i].fd.get(), Kind::Arrival, i);
        std::vector<HubDevice*> devices;
        for (const auto& [id, device] : m_devices) {
            add(device->fd(), Kind::Handheld, devices.size());
            devices.push_back(device.get());
        }
        for (std::size_t i = 0; i < m_clients.size(); ++i)
            add(m_clients[i]->fd.get(), Kind::Program, i);

        // Deadlines are checked at least once a second.
        if (::poll(fds.data(), fds.size(), 250) < 0 && errno != EINTR)
            break;
        bool stopping = false;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            auto [kind, index] = what[i];
            switch (kind) {
            case Kind::Stop: stopping = true; break;
            case Kind::Local: acceptClient(); break;
            case Kind::Port: accept(m_listeners[index]); break;
            case Kind::Arrival: newcomerReadable(m_newcomers[index]); break;
            case Kind::Handheld: deviceReadable(*devices[index]); break;
            case Kind::Program: clientReadable(*m_clients[index]); break;
            }
        }
        if (stopping)
            break;
        const Clock::time_point now = Clock::now();
        for (HubDevice* device : devices) {
            HubDevice::Event event = device->tick(now);
            if (event != HubDevice::Event::None)
                deviceEvent(*device, event);
        }
        for (auto& client : m_clients)
            advance(*client);
        expire();
        sendTrigger();
        std::erase_if(m_newcomers, [](const Newcomer& n) { return !n.fd; });
        std::erase_if(m_clients, [](const std::unique_ptr<Client>& c) { return !c->fd; });
        for (auto it = m_devices.begin(); it != m_devices.end();) {
            if (it->second->state() == HubDevice::State::Gone) {
                m_filePasswordTried.erase(it->first);
                it = m_devices.erase(it);
            } else {
                ++it;
            }
        }
        countReady();
    }
    log("stopping");
}

} // namespace tarvo::cehub

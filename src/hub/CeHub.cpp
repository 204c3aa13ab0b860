#include "hub/CeHub.h"

#include "ceproto/CePassword.h"
#include "ceproto/RapiReader.h"
#include "hub/LogText.h"
#include "support/SocketIo.h"
#include "text/CodePage.h"
#include "text/RegistryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvo::cehub {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kTriggerInterval = 5s;
constexpr std::uint16_t kTriggerPort = 5679;
// An older handheld's remote-API port: connect, give the password, hear
// its answer.
constexpr std::chrono::milliseconds kOlderConnectTimeout = 6s;
// A local program sends its request line at once.
constexpr std::chrono::milliseconds kRequestLineTimeout = 5s;
// Descriptors kept back from the caps: the listeners, the stop and log
// descriptors, whatever the process opens besides.
constexpr std::size_t kSpareDescriptors = 32;

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

// Descriptors the process may still open, from its limit.
std::size_t descriptorBudget()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1u << 16;
    return limit.rlim_cur > kSpareDescriptors ? static_cast<std::size_t>(limit.rlim_cur) - kSpareDescriptors : 0;
}

std::string about(const HubDevice& device)
{
    const CeDeviceInfo& info = device.info();
    return "handheld " + device.label() + " (Windows CE " + std::to_string(info.osMajor) + "." +
           std::to_string(info.osMinor) + ", " + logText(info.model) + ")";
}

} // namespace

CeHub::CeHub(HubOptions options)
    : m_options(std::move(options)),
      m_stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_passwords(m_options.password, m_options.trustedFile, m_options.maxPasswordTries, m_options.passwordPause,
                  [this](const std::string& line) { log(line); })
{
}

CeHub::~CeHub() = default;

void CeHub::log(const std::string& line) const
{
    if (m_options.log)
        m_options.log(line);
}

CeHub::Log CeHub::logLine() const
{
    return [this](const std::string& line) { log(line); };
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
    // Each local request may hold a connection to an older handheld too.
    const std::size_t budget = descriptorBudget();
    m_maxConnections = std::max<std::size_t>(1, std::min(m_options.maxConnections, budget / 2));
    m_maxClients = std::max<std::size_t>(1, std::min(m_options.maxClients, budget / 4));
    if (!m_passwords.load(error))
        return false;
    for (bool older : {false, true}) {
        for (const std::string& address : older ? m_options.olderListen : m_options.listen) {
            std::optional<LinkListener> listener = LinkListener::open(address, older, error);
            if (!listener)
                return false;
            m_listening.push_back(listener->text());
            m_listeners.push_back(std::move(*listener));
        }
    }
    return m_local.open(m_options.socketPath, error);
}

std::size_t CeHub::connectionsFrom(const std::string& host) const
{
    std::size_t count = 0;
    for (const Newcomer& newcomer : m_newcomers)
        count += newcomer.peer.host() == host ? 1u : 0u;
    for (const auto& [id, device] : m_devices)
        count += device->peer().host() == host ? 1u : 0u;
    return count;
}

void CeHub::accept(LinkListener& listener)
{
    UniqueFd fd;
    NetAddress peer;
    std::string why;
    switch (listener.accept(fd, peer, why)) {
    case LinkListener::Accept::Nothing:
        return;
    case LinkListener::Accept::NoDescriptors:
        if (m_restUntil < Clock::now())
            log("out of open files: handhelds wait a second to be accepted");
        m_restUntil = Clock::now() + 1s;
        return;
    case LinkListener::Accept::Refused:
        m_refusals.refused(peer.host(), why + " (only the link's own handheld is taken)", logLine());
        return;
    case LinkListener::Accept::Accepted:
        break;
    }
    if (connectionsFrom(peer.host()) >= m_options.maxPerPeer) {
        m_refusals.refused(peer.host(), "it has " + std::to_string(m_options.maxPerPeer) + " connections open already",
                           logLine());
        return;
    }
    m_newcomers.push_back({std::move(fd), listener.older(), peer, {}, Clock::now() + m_options.connectTimeout});
}

void CeHub::acceptRequest()
{
    UniqueFd fd(::accept4(m_local.fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (fd)
        m_requests.push_back(std::make_unique<LocalRequest>(std::move(fd), Clock::now() + kRequestLineTimeout));
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
    for (auto& request : m_requests) {
        if (newcomer.older)
            break; // older handhelds never open remote-API connections
        if (request->state == LocalRequest::State::WaitingConnection && request->requestId == word) {
            handOver(*request, std::move(newcomer.fd), newcomer.peer);
            return;
        }
    }
    if (!newcomer.older && m_requestIds.issued(word)) {
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

void CeHub::deviceEvent(HubDevice& device, HubDevice::Event event)
{
    switch (event) {
    case HubDevice::Event::Identified:
        identified(device);
        break;
    case HubDevice::Event::Ready:
        log(about(device) + " is ready");
        m_passwords.ready(device);
        break;
    case HubDevice::Event::PasswordRejected:
        m_passwords.rejected(device);
        break;
    case HubDevice::Event::Gone:
        gone(device);
        break;
    case HubDevice::Event::None:
        break;
    }
    countReady();
}

void CeHub::identified(HubDevice& device)
{
    const CeDeviceInfo& info = device.info();
    const bool hasGuid = device.protocol() == HubDevice::Protocol::Newer;
    for (const auto& [id, other] : m_devices) {
        if (other.get() == &device || other->state() == HubDevice::State::Gone || other->introducing())
            continue;
        const bool sameGuid = hasGuid && other->protocol() == HubDevice::Protocol::Newer && other->info().guid == info.guid;
        const bool sameName = !info.name.empty() && RegistryFile::sameName(other->info().name, info.name);
        if (sameGuid || sameName) {
            log("refused " + about(device) + " " + info.guid + " from " + device.peer().text() +
                ": a handheld of that " + (sameGuid ? "GUID" : "name") + " is docked already (from " +
                other->peer().text() + ")");
            device.drop();
            return;
        }
    }
    switch (device.state()) {
    case HubDevice::State::Ready:
        log(about(device) + " is ready");
        break;
    case HubDevice::State::Unlocking:
        log(about(device) + " waits for its password to be typed on it");
        break;
    default:
        log(about(device) + " " + info.guid + " wants a password");
        m_passwords.offerStored(device);
        break;
    }
}

void CeHub::gone(HubDevice& device)
{
    switch (device.end()) {
    case HubDevice::End::Malformed:
        log("the handheld from " + device.peer().text() + " sent malformed device information: dropped");
        break;
    case HubDevice::End::Stalled:
        log("handheld " + device.label() + " takes nothing of what is sent to it: dropped");
        break;
    case HubDevice::End::Dropped:
        break; // the hub said why when it dropped it
    default:
        log("handheld " + device.label() + " went away");
        break;
    }
    m_passwords.gone(device);
}

void CeHub::countReady()
{
    std::size_t ready = 0;
    std::size_t known = 0;
    for (const auto& [id, device] : m_devices) {
        HubDevice::State state = device->state();
        ready += state == HubDevice::State::Ready ? 1u : 0u;
        known += !device->introducing() && state != HubDevice::State::Gone ? 1u : 0u;
    }
    m_ready = ready;
    m_known = known;
}

void CeHub::requestReadable(LocalRequest& request)
{
    switch (request.readable()) {
    case LocalRequest::Read::More:
        return;
    case LocalRequest::Read::Gone:
        request.close();
        return;
    case LocalRequest::Read::TooLong:
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorBadRequest));
        return;
    case LocalRequest::Read::Request:
        break;
    }
    switch (request.request.kind) {
    case CeHubProtocol::Request::Kind::Devices: {
        std::string list;
        for (const auto& [id, device] : m_devices) {
            if (device->state() == HubDevice::State::Gone)
                continue;
            const CeDeviceInfo& info = device->info();
            list += "device " + CeHubProtocol::hex(info.name) + " " + std::to_string(info.osMajor) + " " +
                    std::to_string(info.osMinor) + " " + stateWord(device->state()) + "\n";
        }
        request.answer(list + "end\n");
        break;
    }
    case CeHubProtocol::Request::Kind::Connect:
        request.state = LocalRequest::State::WaitingDevice;
        request.deadline = Clock::now() + m_options.requestTimeout;
        advance(request);
        break;
    case CeHubProtocol::Request::Kind::Invalid:
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorBadRequest));
        break;
    }
}

HubDevice* CeHub::pickDevice(const LocalRequest& request)
{
    HubDevice* best = nullptr;
    for (const auto& [id, device] : m_devices) {
        HubDevice::State state = device->state();
        if (state == HubDevice::State::Gone || device->introducing())
            continue;
        if (!request.request.device.empty() && !RegistryFile::sameName(device->info().name, request.request.device))
            continue;
        // A ready handheld first, then the first one identified.
        if (best == nullptr || (state == HubDevice::State::Ready && best->state() != HubDevice::State::Ready))
            best = device.get();
    }
    return best;
}

void CeHub::advance(LocalRequest& request)
{
    using State = LocalRequest::State;
    if (request.state != State::WaitingDevice && request.state != State::WaitingPassword &&
        request.state != State::WaitingConnection)
        return;
    HubDevice* device = nullptr;
    if (request.state == State::WaitingDevice) {
        device = pickDevice(request);
        if (device == nullptr)
            return; // no handheld yet: the request waits
    } else {
        auto it = m_devices.find(request.device);
        device = it == m_devices.end() ? nullptr : it->second.get();
        if (device == nullptr || device->state() == HubDevice::State::Gone) {
            request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            return;
        }
        if (request.state == State::WaitingConnection)
            return;
    }
    request.device = device->id();
    switch (device->state()) {
    case HubDevice::State::Ready:
        if (device->protocol() == HubDevice::Protocol::Older) {
            connectOlder(request, *device);
            return;
        }
        request.requestId = m_requestIds.next();
        if (!device->requestConnection(request.requestId)) {
            request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            return;
        }
        request.state = State::WaitingConnection;
        request.deadline = Clock::now() + m_options.connectTimeout;
        break;
    case HubDevice::State::Locked:
        askPassword(request, *device);
        break;
    default:
        // Checking a password, or being unlocked on the handheld: wait.
        break;
    }
}

void CeHub::askPassword(LocalRequest& request, HubDevice& device)
{
    if (request.state == LocalRequest::State::WaitingPassword) {
        // Its password went and the handheld is locked again.
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorPasswordRejected));
        return;
    }
    if (request.request.password.empty()) {
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorPasswordRequired));
        return;
    }
    switch (m_passwords.mayTry(device, Clock::now())) {
    case PasswordKeeper::Verdict::Refuse:
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorPasswordRejected));
        return;
    case PasswordKeeper::Verdict::Wait:
        return; // after a wrong password: it waits for the pause to end
    case PasswordKeeper::Verdict::Send:
        break;
    }
    if (!device.sendPassword(request.request.password)) {
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
        return;
    }
    m_passwords.programSent(device);
    request.state = LocalRequest::State::WaitingPassword;
}

void CeHub::connectOlder(LocalRequest& request, HubDevice& device)
{
    // The desktop connects to an older handheld itself, and gives the
    // password again first when the handheld has one.
    NetAddress target = device.peer();
    target.setPort(m_options.olderRapiPort);
    std::vector<std::uint8_t> password;
    if (!device.password().empty())
        password = CePassword::encode(CodePage::utf8ToUtf16(device.password()), device.info().passwordKey, true);
    request.older = std::make_unique<OlderConnect>(target, std::move(password), Clock::now() + kOlderConnectTimeout);
    request.state = LocalRequest::State::ConnectingOlder;
    olderProgress(request);
}

void CeHub::olderProgress(LocalRequest& request)
{
    switch (request.older->step()) {
    case OlderConnect::State::Working:
        break;
    case OlderConnect::State::Failed:
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
        break;
    case OlderConnect::State::Done: {
        auto it = m_devices.find(request.device);
        if (it == m_devices.end()) {
            request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            break;
        }
        NetAddress peer = it->second->peer();
        handOver(request, request.older->take(), peer);
        break;
    }
    }
}

void CeHub::handOver(LocalRequest& request, UniqueFd connection, const NetAddress& peer)
{
    auto it = m_devices.find(request.device);
    // Only the handheld that was asked may answer.
    if (it == m_devices.end() || it->second->state() == HubDevice::State::Gone ||
        it->second->peer().host() != peer.host()) {
        request.answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
        return;
    }
    const CeDeviceInfo& info = it->second->info();
    (void)socketio::setNonBlocking(connection.get(), false);
    request.handOver(CeHubProtocol::okAnswer(info.osMajor, info.osMinor, info.name), connection.get());
    log("a remote-API connection to handheld " + it->second->label() + " was handed to a local program");
}

void CeHub::expire()
{
    using State = LocalRequest::State;
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
    for (auto& request : m_requests) {
        if (request->state == State::ConnectingOlder && request->older->expire(now) == OlderConnect::State::Failed) {
            request->answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
            continue;
        }
        if (request->state == State::Done || request->deadline > now)
            continue;
        if (request->state == State::Reading || request->state == State::Answering)
            request->close();
        else if (request->state == State::WaitingDevice)
            request->answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorNoDevice));
        else
            request->answer(CeHubProtocol::errorAnswer(CeHubProtocol::kErrorDeviceGone));
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
    for (const LinkListener& listener : m_listeners)
        log("listening on " + listener.text() + ": " + listener.note());
    enum class Kind { Stop, Local, Port, Arrival, Handheld, Program, Older };
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= m_nextSecond) {
            m_nextSecond = now + 1s;
            // A handheld plugged in again brings its link back on a new
            // interface.
            for (LinkListener& listener : m_listeners)
                listener.refresh(logLine());
            m_refusals.report(logLine());
        }
        std::vector<pollfd> fds;
        std::vector<std::pair<Kind, std::size_t>> what;
        auto add = [&](int fd, short events, Kind kind, std::size_t index) {
            fds.push_back({fd, events, 0});
            what.emplace_back(kind, index);
        };
        add(m_stop.get(), POLLIN, Kind::Stop, 0);
        add(m_options.stopFd, POLLIN, Kind::Stop, 0);
        // At a cap the listeners rest: the kernel holds what comes meanwhile.
        if (m_requests.size() < m_maxClients)
            add(m_local.fd(), POLLIN, Kind::Local, 0);
        if (connections() < m_maxConnections && now >= m_restUntil)
            for (std::size_t i = 0; i < m_listeners.size(); ++i)
                add(m_listeners[i].fd(), POLLIN, Kind::Port, i);
        for (std::size_t i = 0; i < m_newcomers.size(); ++i)
            add(m_newcomers[i].fd.get(), POLLIN, Kind::Arrival, i);
        std::vector<HubDevice*> devices;
        for (const auto& [id, device] : m_devices) {
            add(device->fd(), static_cast<short>(POLLIN | (device->sending() ? POLLOUT : 0)), Kind::Handheld,
                devices.size());
            devices.push_back(device.get());
        }
        for (std::size_t i = 0; i < m_requests.size(); ++i) {
            const LocalRequest& request = *m_requests[i];
            add(request.fd.get(), request.state == LocalRequest::State::Answering ? POLLOUT : POLLIN, Kind::Program, i);
            if (request.state == LocalRequest::State::ConnectingOlder)
                add(request.older->fd(), request.older->events(), Kind::Older, i);
        }

        // Deadlines are checked at least once a second.
        if (::poll(fds.data(), fds.size(), 250) < 0 && errno != EINTR)
            break;
        bool stopping = false;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            const short revents = fds[i].revents;
            if (revents == 0)
                continue;
            auto [kind, index] = what[i];
            switch (kind) {
            case Kind::Stop: stopping = true; break;
            case Kind::Local: acceptRequest(); break;
            case Kind::Port: accept(m_listeners[index]); break;
            case Kind::Arrival: newcomerReadable(m_newcomers[index]); break;
            case Kind::Handheld: {
                HubDevice& device = *devices[index];
                HubDevice::Event event = (revents & POLLOUT) != 0 ? device.writable() : HubDevice::Event::None;
                if (event == HubDevice::Event::None && (revents & ~POLLOUT) != 0)
                    event = device.readable();
                if (event != HubDevice::Event::None)
                    deviceEvent(device, event);
                break;
            }
            case Kind::Program: {
                LocalRequest& request = *m_requests[index];
                if (request.state == LocalRequest::State::Answering)
                    request.writable();
                else if (request.state != LocalRequest::State::Done)
                    requestReadable(request);
                break;
            }
            case Kind::Older:
                if (m_requests[index]->state == LocalRequest::State::ConnectingOlder)
                    olderProgress(*m_requests[index]);
                break;
            }
        }
        if (stopping)
            break;
        for (HubDevice* device : devices) {
            HubDevice::Event event = device->tick(Clock::now());
            if (event != HubDevice::Event::None)
                deviceEvent(*device, event);
        }
        for (auto& request : m_requests)
            advance(*request);
        expire();
        sendTrigger();
        std::erase_if(m_newcomers, [](const Newcomer& n) { return !n.fd; });
        std::erase_if(m_requests, [](const std::unique_ptr<LocalRequest>& r) { return !r->fd; });
        for (auto it = m_devices.begin(); it != m_devices.end();) {
            if (it->second->state() == HubDevice::State::Gone) {
                m_passwords.forget(it->first);
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
